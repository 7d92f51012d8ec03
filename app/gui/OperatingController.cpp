#include "app/gui/OperatingController.h"

#include <QDialog>
#include <QTimer>
#include <filesystem>

#include "ecu/Monitor.h"
#include "edit/EditContext.h"
#include "edit/OperatingOverlay.h"
#include "edit/WindowKinds.h"
#include "edit/gui/ChildWnd.h"
#include "edit/gui/TableWnd.h"
#include "files/DatalogReader.h"
#include "files/DatalogWriter.h"
#include "model/Calibration.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"
#include "app/FileHistory.h"
#include "app/MapOverlay.h"
#include "app/gui/OperatingPointDlg.h"
#include "app/gui/TuneDialogs.h"

namespace {

OperatingAxes AxesOf(Calibration& calibration, const MapRecord& map) {
    if (!calibration.HasImage()) return OperatingAxes{};
    return ReadOperatingAxes(AppEditContext(calibration), map);
}

}  // namespace

OperatingController::OperatingController(const OperatingParts& parts, OperatingWindows& windows,
                                         TuneDialogs& dialogs, UserPrompt& prompt, QWidget* parent)
    : parts_(parts), windows_(windows), dialogs_(dialogs), prompt_(prompt), parent_(parent) {
    elapsed_.start();
    clock = [this] { return static_cast<double>(elapsed_.nsecsElapsed()) / 1e9; };
    // Whoever listened to the answers before keeps hearing them.
    previousOnValue_ = parts_.monitor.onValue;
    parts_.monitor.onValue = [this](std::size_t position, const std::string& text) {
        if (previousOnValue_) previousOnValue_(position, text);
        OnAnswer(position, text);
    };
    timer_ = new QTimer(parent);
    QObject::connect(timer_, &QTimer::timeout, [this] { Tick(); });
    // The timer runs while there is something to fade or follow: from a run
    // or a playback on until the marks are gone.
    timer_->setInterval(operating::kTickMs);
}

bool OperatingController::Ticking() const { return timer_->isActive(); }

void OperatingController::Wake() {
    if (!timer_->isActive()) timer_->start();
}

OperatingController::~OperatingController() {
    parts_.monitor.onValue = previousOnValue_;
    delete timer_;
}

void OperatingController::LoadPoint() {
    point_ = LoadOperatingPoint(ProfileFile(parts_.settingsFilePath), parts_.calibration.diagItems);
    pointLoaded_ = true;
    trail_.SetItems(point_.rpm.item, point_.throt.item);
}

void OperatingController::RunStarts() {
    inRun_ = true;
    stoppedAt_ = -1.0;
    toldMaps_.clear();
    Wake();
    // The settings may have been changed by hand since the last run.
    LoadPoint();
}

// --- the live point ------------------------------------------------------------

void OperatingController::OnAnswer(std::size_t position, const std::string& text) {
    if (text == monitor::kError || text.empty() || playbackNow_) return;
    const Monitor& monitor = parts_.monitor;
    const std::size_t statusCount = monitor.StatusBarList().Size();
    std::size_t entry = 0;
    if (position < statusCount) entry = monitor.StatusBarList().Entries()[position];
    else if (position - statusCount < monitor.DialogList().Size())
        entry = monitor.DialogList().Entries()[position - statusCount];
    else
        return;
    const std::vector<DiagItem>& items = parts_.calibration.diagItems;
    if (entry >= items.size()) return;
    if (!inRun_) RunStarts();
    // Other items move nothing, unless the map lacks an item: then any
    // answer brings the note why no point is shown.
    const bool axisItem = static_cast<int>(entry) == trail_.RpmItem() || static_cast<int>(entry) == trail_.ThrotItem();
    if (!axisItem && trail_.RpmItem() >= 0) return;
    std::vector<std::optional<double>> values(items.size());
    values[entry] = static_cast<double>(ParseDecimalReal(text));
    Feed(clock(), values);
}

void OperatingController::Feed(double time, const std::vector<std::optional<double>>& itemValues, bool placeMarks) {
    if (!pointLoaded_) LoadPoint();
    fed_ = true;
    trail_.Feed(time, itemValues);
    if (placeMarks) Replace();
}

void OperatingController::Replace() {
    MapRecord* map = parts_.calibration.currentMap;
    LiveMarks live;
    if (map && fed_) {
        const std::string reason = NoCursorReason(point_, parts_.calibration.diagItems, *map);
        if (!reason.empty()) TellNoCursor(*map, reason);
        else if (!trail_.Empty()) live = PlaceLiveMarks(trail_, Now(), *map, AxesOf(parts_.calibration, *map));
    }
    SetLive(live);
}

void OperatingController::SetLive(const LiveMarks& live) {
    if (live == parts_.overlay.live) return;
    const LiveMarks before = parts_.overlay.live;
    parts_.overlay.live = live;
    for (CChildWnd* window : windows_.MapWindows()) window->OperatingChanged(before);
}

void OperatingController::TellNoCursor(const MapRecord& map, const std::string& reason) {
    if (toldMaps_.count(map.name)) return;
    bool told = false;
    for (CChildWnd* window : windows_.MapWindows()) {
        if (window->Kind() != kWindowTable) continue;
        static_cast<CTableWnd*>(window)->SetStatusText(reason);
        told = true;
    }
    // Without a table window the note waits for one.
    if (told) toldMaps_.insert(map.name);
}

void OperatingController::SetPlaybackTime(std::optional<double> now) {
    const bool starting = !playbackNow_ && now;
    const bool ending = playbackNow_ && !now;
    playbackNow_ = now;
    if (starting) {
        // As at the start of a run: the items as the settings name them now.
        Wake();
        toldMaps_.clear();
        LoadPoint();
    }
    if (!ending) return;
    trail_.Clear();
    fed_ = false;
    SetLive(LiveMarks{});
}

void OperatingController::Tick() {
    if (playbackNow_) {
        // The marks stay where the playback left them; a switch of the map
        // is followed.
        if (fed_) Replace();
        return;
    }
    if (parts_.monitor.Running()) {
        stoppedAt_ = -1.0;
        // The trail fades and a switch of the map is followed.
        if (fed_) Replace();
        return;
    }
    if (inRun_) {
        inRun_ = false;
        stoppedAt_ = clock();
    }
    if (fed_ || parts_.overlay.live.cells.found) {
        if (stoppedAt_ < 0.0) stoppedAt_ = clock();
        if (clock() - stoppedAt_ < operating::kLingerSeconds) return;
        trail_.Clear();
        fed_ = false;
        SetLive(LiveMarks{});
    }
    timer_->stop();   // nothing left to fade: idle until the next run or playback
}

void OperatingController::End() {
    playbackNow_.reset();
    trail_.Clear();
    fed_ = false;
    pointLoaded_ = false;
    inRun_ = false;
    toldMaps_.clear();
    SetLive(LiveMarks{});
    if (HitsShown()) ClearHits();
}

// --- the operating point's items ---------------------------------------------------

void OperatingController::ChooseItems() {
    const std::vector<DiagItem>& items = parts_.calibration.diagItems;
    ProfileFile settings(parts_.settingsFilePath);
    COperatingPointDlg dialog(items, LoadOperatingPoint(settings, items), parent_);
    // An axis left as the dialog showed it keeps its key as the file has it:
    // OK on an untouched dialog changes no byte of the settings.
    const int rpmShown = dialog.RpmItem();
    const int throtShown = dialog.ThrotItem();
    if (dialogs_.RunOperatingPoint(dialog) != QDialog::Accepted) return;
    const int rpm = dialog.RpmItem() == rpmShown ? kKeepItem : dialog.RpmItem();
    const int throt = dialog.ThrotItem() == throtShown ? kKeepItem : dialog.ThrotItem();
    if (rpm == kKeepItem && throt == kKeepItem) return;
    if (!SaveOperatingPoint(settings, items, rpm, throt)) {
        prompt_.Message(Str(str::kWriteFailed) + "\n" + parts_.settingsFilePath, operatingpointdlg::kTitle,
                        PromptIcon::kExclamation);
        return;
    }
    LoadPoint();
    // The maps may have a point now, or another reason why not.
    toldMaps_.clear();
    Replace();
}

// --- hit counts ------------------------------------------------------------------

bool OperatingController::HitsShown() const { return !parts_.overlay.hitsSource.empty(); }

void OperatingController::LoadHits() {
    FileDialogRequest request;
    request.title = operating::kHitsTitle;
    // Where Monitor > Record puts its logs, when there are any yet.
    const std::string logs = DatalogFolderFor(parts_.settingsFilePath);
    std::error_code error;
    request.folder = !logs.empty() && std::filesystem::is_directory(logs, error) ? logs
                                                                             : DialogStartFolder(parts_.workFolder, parts_.calibration.dataFilePath, parts_.settingsFilePath);
    request.defaultExtension = "csv";
    request.filters = {"Datalog(*.csv)", "All Files(*.*)"};
    const std::string path = dialogs_.AskFile(parent_, request);
    if (path.empty()) return;

    Datalog log;
    std::string refusal;
    if (!ReadDatalog(path, log, refusal)) {
        prompt_.Message(path + "\n" + refusal, operating::kHitsTitle, PromptIcon::kExclamation);
        return;
    }
    Calibration& calibration = parts_.calibration;
    const OperatingPoint point = LoadOperatingPoint(ProfileFile(parts_.settingsFilePath), calibration.diagItems);
    std::vector<const MapRecord*> maps;
    for (const auto& map : calibration.maps) maps.push_back(map.get());
    MapHits counted = CountHitsOnMaps(log, point, calibration.diagItems, maps,
                                      [&calibration](const MapRecord& map) { return AxesOf(calibration, map); });
    std::string notes;
    for (const std::string& line : counted.skipped) notes += "\n" + line;
    if (counted.hits.empty()) {
        prompt_.Message(path + "\nNo map can show where this log ran:" + notes, operating::kHitsTitle,
                        PromptIcon::kExclamation);
        return;
    }
    parts_.overlay.hits = std::move(counted.hits);
    parts_.overlay.hitsSource = FileNamePart(path);
    TellHitsChanged();
    if (log.droppedPartialLine)
        notes = "\nThe last line has no line end (a recording cut off) and was left out." + notes;
    if (!notes.empty())
        prompt_.Message(path + "\nRead " + std::to_string(log.Rows()) + " rows." + notes, operating::kHitsTitle,
                        PromptIcon::kInformation);
}

void OperatingController::ClearHits() {
    parts_.overlay.hits.clear();
    parts_.overlay.hitsSource.clear();
    TellHitsChanged();
}

void OperatingController::TellHitsChanged() {
    for (CChildWnd* window : windows_.MapWindows()) window->HitsChanged();
    windows_.UpdateCommandUi();
}
