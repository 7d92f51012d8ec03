#include "app/gui/PlaybackController.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "ecu/Monitor.h"
#include "ecu/gui/EcuController.h"
#include "files/Datalog.h"
#include "files/DatalogReader.h"
#include "files/DatalogWriter.h"
#include "model/Calibration.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"
#include "app/FileHistory.h"
#include "app/OperatingPoint.h"
#include "app/gui/OperatingController.h"
#include "app/gui/PlaybackBar.h"
#include "app/gui/TuneDialogs.h"

namespace {

// The slider counts in milliseconds, in coarser steps for a log too long
// for an int of them.
constexpr double kMaxSliderSteps = 1e9;

}  // namespace

PlaybackController::PlaybackController(const PlaybackParts& parts, OperatingWindows& windows, TuneDialogs& dialogs,
                                       UserPrompt& prompt, QMainWindow* frame)
    : parts_(parts), windows_(windows), dialogs_(dialogs), prompt_(prompt), frame_(frame) {
    elapsed_.start();
    clock = [this] { return static_cast<double>(elapsed_.nsecsElapsed()) / 1e9; };
    timer_ = new QTimer(frame);
    timer_->setInterval(playback::kTickMs);
    QObject::connect(timer_, &QTimer::timeout, [this] { Tick(); });
}

PlaybackController::~PlaybackController() {
    End();
    delete timer_;
    delete dock_;
}

void PlaybackController::MakeBar() {
    if (dock_) return;
    dock_ = new QDockWidget("Playback", frame_);
    dock_->setObjectName("playbackDock");
    // The bar's own Close ends the playback; the dock has none of its own.
    dock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    bar_ = new CPlaybackBar(dock_);
    dock_->setWidget(bar_);
    frame_->addDockWidget(Qt::BottomDockWidgetArea, dock_);
    bar_->onKey = [this](PlaybackKey key) { Apply(key); };
    bar_->onSpeed = [this](std::size_t index) {
        if (!playback_) return;
        // The time gone so far went at the old speed.
        Tick();
        playback_->SetSpeedIndex(index);
        Show();
    };
    bar_->onSlider = [this](int value) {
        if (!playback_) return;
        playback_->SeekTime(playback_->StartTime() + value * sliderUnit_);
        lastWall_ = clock();
        Show();
    };
    bar_->onClose = [this] { End(); };
}

void PlaybackController::Open() {
    FileDialogRequest request;
    request.title = playback::kTitle;
    // Where Monitor > Record puts its logs, when there are any yet.
    const std::string logs = DatalogFolderFor(parts_.settingsFilePath);
    std::error_code error;
    request.folder = !logs.empty() && std::filesystem::is_directory(logs, error) ? logs
                                                                             : DialogStartFolder(parts_.startFolder, parts_.calibration.dataFilePath, parts_.settingsFilePath);
    request.defaultExtension = "csv";
    request.filters = {"Datalog (*.csv)", "All Files(*.*)"};
    const std::string path = dialogs_.AskFile(frame_, request);
    if (!path.empty()) Load(path);
}

bool PlaybackController::Load(const std::string& path) {
    Datalog log;
    std::string refusal;
    if (!ReadDatalog(path, log, refusal)) {
        prompt_.Message(path + "\n" + refusal, playback::kTitle, PromptIcon::kExclamation);
        return false;
    }
    if (log.Rows() == 0) {
        prompt_.Message(path + "\nThe log holds no rows.", playback::kTitle, PromptIcon::kExclamation);
        return false;
    }
    const std::vector<DiagItem>& items = parts_.calibration.diagItems;
    const OperatingPoint point = LoadOperatingPoint(ProfileFile(parts_.settingsFilePath), items);
    PlaybackItems matched = MatchLogItems(log, items, point);
    if (matched.ignored.size() == log.columns.size()) {
        prompt_.Message(path + "\nNo column of the log names a monitor item of this machine.", playback::kTitle,
                        PromptIcon::kExclamation);
        return false;
    }
    if (parts_.monitor.Running()) {
        // Stopping ends a recording too: only when the technician says so.
        const std::string running = parts_.ecu.Recording() ? "The monitor is running and recording."
                                                            : "The monitor is running.";
        if (prompt_.Ask(running + "\nStop it and play back the log?", playback::kTitle, PromptButtons::kYesNo,
                        PromptIcon::kQuestion, PromptAnswer::kNo) != PromptAnswer::kYes)
            return false;
        parts_.ecu.StopMonitor();
        if (parts_.monitor.Running()) return false;
    }
    End();
    const std::string notes = PlaybackLoadNotes(FileNamePart(path), log, matched);
    matched_ = std::move(matched);
    playback_ = std::make_unique<Playback>(std::move(log));
    const double span = playback_->EndTime() - playback_->StartTime();
    sliderUnit_ = std::max(0.001, span / kMaxSliderSteps);
    MakeBar();
    bar_->SetStatus(notes);
    dock_->setWindowTitle(QString::fromStdString("Playback - " + FileNamePart(path)));
    dock_->show();
    parts_.operating.SetPlaybackTime(playback_->Time());
    Show();
    bar_->TakeFocus();
    windows_.UpdateCommandUi();
    return true;
}

void PlaybackController::End() {
    if (!playback_) return;
    timer_->stop();
    playback_.reset();
    matched_ = PlaybackItems{};
    parts_.monitor.EndPlayback();
    parts_.operating.SetPlaybackTime(std::nullopt);
    if (dock_) dock_->hide();
    parts_.ecu.RefreshMonitorWindow();
    windows_.UpdateCommandUi();
}

void PlaybackController::Apply(PlaybackKey key) {
    if (!playback_) return;
    playback_->Apply(key);
    if (playback_->Playing()) StartTimer();
    Show();
}

void PlaybackController::StartTimer() {
    if (timer_->isActive()) return;
    lastWall_ = clock();
    timer_->start();
}

void PlaybackController::Tick() {
    if (!playback_) return;
    const double now = clock();
    const double went = now - lastWall_;
    lastWall_ = now;
    if (!playback_->Playing()) return;
    playback_->Advance(went);
    Show();
}

void PlaybackController::Show() {
    if (!playback_) return;
    if (!playback_->Playing()) timer_->stop();
    const Datalog& log = playback_->Log();
    OperatingController& operating = parts_.operating;
    operating.SetPlaybackTime(playback_->Time());
    const PlaybackFeed feed = playback_->TakeFeed();
    if (feed.restart) operating.RestartTrail();
    for (std::size_t row = feed.first; row < feed.first + feed.count; ++row)
        operating.Feed(log.times[row], RowItemValues(log, matched_, row), /*placeMarks=*/false);
    // Placed once, at the time shown: the trail fades even where no row came.
    operating.Replace();
    parts_.monitor.ShowPlayback(playback_->Time(), RowItemTexts(log, matched_, playback_->Row()));
    parts_.ecu.RefreshMonitorWindow();

    PlaybackBarView view;
    view.playing = playback_->Playing();
    view.sliderMaximum = static_cast<int>(std::lround((playback_->EndTime() - playback_->StartTime()) / sliderUnit_));
    view.sliderValue = static_cast<int>(std::lround((playback_->Time() - playback_->StartTime()) / sliderUnit_));
    view.timeText = PlaybackTimeText(playback_->Time(), playback_->EndTime());
    view.speedIndex = playback_->SpeedIndex();
    bar_->Show(view);
}
