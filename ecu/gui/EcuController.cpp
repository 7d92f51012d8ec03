#include "ecu/gui/EcuController.h"

#include <QDialog>
#include <QTimer>
#include <cstring>
#include <ctime>

#include "config/MachineConfig.h"
#include "ecu/DataExchange.h"
#include "ecu/DatalogRecorder.h"
#include "files/DatalogWriter.h"
#include "ecu/EcuSession.h"
#include "ecu/ItemSet.h"
#include "ecu/Logbook.h"
#include "ecu/Monitor.h"
#include "ecu/MonitorSelection.h"
#include "ecu/Rs232cParams.h"
#include "ecu/SafeWrite.h"
#include "ecu/WriteGuard.h"
#include "ecu/gui/BlockWriteStop.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/EcuDialogs.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/MonitorWnd.h"
#include "ecu/gui/Rs232cDlg.h"
#include "model/Calibration.h"
#include "model/Strings.h"
#include "platform/FileDialogRequest.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"

EcuController::EcuController(const EcuParts& parts, EcuWindows& windows, EcuDialogs& dialogs, UserPrompt& prompt,
                             QWidget* parent)
    : parts_(parts), windows_(windows), dialogs_(dialogs), prompt_(prompt), parent_(parent) {}

EcuController::~EcuController() {
    // The window shows the monitor, which goes before the frame's children;
    // so does a recording of it, finished as Stop finishes it: kept with its
    // rows, or removed when no item answered (a program that quits before
    // the first answer leaves no log of headers only).
    if (recorder_ && recorder_->Recording()) {
        recorder_->onEnded = nullptr;
        if (recorder_->RowsWithValues() == 0) recorder_->Discard();
        else recorder_->Stop();
    }
    recorder_.reset();
    delete monitorWnd_;
}

std::unique_ptr<SafeWrite> EcuController::MakeSafeWrite(Logbook& book, DataExchange& exchange) {
    const RegistrySettings& registry = parts_.machine.registry;
    auto safeWrite = std::make_unique<SafeWrite>(parts_.session.Protocol(), book, prompt_, registry.LogbookMachine(),
                                                 EcuIdText(registry.expectedId.data(), 2));
    safeWrite->onPhase = [this](WritePhase phase) { windows_.SetPhase(PhaseName(phase)); };
    safeWrite->confirm = [this](const GuardReport& report, bool noHistory) {
        return prompt_.Ask(GuardQuestion(report, noHistory), Str(str::kCaptionWriteToEcu), PromptButtons::kYesNo,
                           PromptIcon::kExclamation, PromptAnswer::kNo) == PromptAnswer::kYes;
    };
    parts_.writeStop.Attach(*safeWrite);
    exchange.safeWrite = safeWrite.get();
    exchange.guardLimits = ReadGuardLimits(ProfileFile(parts_.settingsFilePath));
    exchange.backupBeforeWrite = exchange.guardLimits.backup;
    exchange.offerRestore = [this](const SafeWriteResult& failed) {
        return prompt_.Ask(RestoreQuestion(failed), Str(str::kCaptionWriteToEcu), PromptButtons::kYesNo,
                           PromptIcon::kExclamation, PromptAnswer::kYes) == PromptAnswer::kYes;
    };
    return safeWrite;
}

void EcuController::ShowLogbook() {
    Logbook book(Logbook::FolderFor(parts_.settingsFilePath));
    CLogbookDlg dialog(book, parent_);
    windows_.ShareFrameKeys(&dialog);
    dialog.writeStop = &parts_.writeStop;
    dialog.restore = [this, &book](const LogEntry& entry) { return windows_.RestoreEntry(book, entry); };
    dialog.open = [this](const LogEntry& entry) { return windows_.OpenEntry(entry); };
    dialogs_.RunLogbook(dialog);
    if (parts_.writeStop.TakeClosing() & BlockWriteStop::kFrame) windows_.RequestClose();
}

void EcuController::Exchange() {
    Calibration& calibration = parts_.calibration;
    const int remembered = calibration.modified;
    DataExchange exchange(calibration, parts_.machine.registry, parts_.defaultFolder, parts_.session.Protocol(),
                          prompt_);
    exchange.differenceListing = differenceListing;
    // Writes to the ECU go through the backup, write and verify sequence.
    Logbook book(Logbook::FolderFor(parts_.settingsFilePath));
    auto safeWrite = MakeSafeWrite(book, exchange);
    CDataExchangeDlg dialog(exchange, parent_);
    dialog.writeStop = &parts_.writeStop;
    dialog.fileDialog = [this](const FileDialogSpec& spec) {
        FileDialogRequest request;
        request.title = spec.title;
        request.folder = spec.folder;
        request.defaultExtension = spec.defaultExtension;
        request.filters = FilterEntries(spec.filter);
        return dialogs_.AskFile(parent_, request);
    };
    // The windows behind the dialog show the new values at once.
    dialog.onDataTakenOver = [this] { windows_.RefreshViews(); };
    dialogs_.RunDataExchange(dialog);
    windows_.SetPhase("");
    const bool taken = exchange.DataTakenOver();
    if (taken) windows_.RefreshViews();
    calibration.modified = taken ? 1 : remembered;
    if (parts_.writeStop.TakeClosing() & BlockWriteStop::kFrame) windows_.RequestClose();
}

// --- monitor ---------------------------------------------------------------------

void EcuController::ToggleMonitor() {
    if (monitorWnd_ && monitorWnd_->isVisible()) {
        monitorWnd_->close();
        return;
    }
    if (!monitorWnd_) {
        monitorWnd_ = new CMonitorWnd(parts_.monitor, parent_);
        windows_.ShareFrameKeys(monitorWnd_);
        monitorWnd_->onClosed = [this] { windows_.UpdateCommandUi(); };
        monitorWnd_->onRecord = [this] { ToggleRecord(); };
        monitorWnd_->isRecording = [this] { return Recording(); };
        monitorWnd_->SetStatus(recordStatus_);
    }
    monitorWnd_->Open();
}

void EcuController::StartMonitor() { parts_.monitor.StartFromMenu(); }

void EcuController::StopMonitor() { parts_.monitor.Stop(); }

void EcuController::MonitorToFront() {
    if (monitorWnd_) monitorWnd_->BringToFront();
}

bool EcuController::MonitorWindowShown() const {
    return monitorWnd_ && monitorWnd_->isVisible() && parts_.monitor.WindowShown();
}

void EcuController::RefreshMonitorWindow() {
    if (monitorWnd_) monitorWnd_->Refresh();
}

bool EcuController::Recording() const { return recorder_ && recorder_->Recording(); }

void EcuController::ShowRecordStatus(const std::string& text) {
    recordStatus_ = text;
    if (monitorWnd_) monitorWnd_->SetStatus(text);
}

void EcuController::ToggleRecord() {
    if (Recording()) {
        FinishRecord(false);
    } else {
        StartRecord();
    }
    RefreshMonitorWindow();
    windows_.UpdateCommandUi();
}

void EcuController::StartRecord() {
    if (!recorder_) {
        recorder_ = std::make_unique<DatalogRecorder>(parts_.monitor, parts_.calibration.diagItems);
        recorder_->onEnded = [this](bool writeFailed) {
            // Called from inside the monitor or the recorder: the log is
            // finished once they are done with it.
            QTimer::singleShot(0, recordTimer_, [this, writeFailed] {
                if (!recorder_ || recorder_->Recording()) return;   // finished already, or a new one
                FinishRecord(writeFailed);
                RefreshMonitorWindow();
                windows_.UpdateCommandUi();
            });
        };
    }
    const std::string folder = DatalogFolderFor(parts_.settingsFilePath);
    const RecordStart start = recorder_->StartInFolder(folder, std::time(nullptr));
    std::string why;
    switch (start) {
    case RecordStart::kStarted: break;
    case RecordStart::kNotRunning: why = "The monitor is not running."; break;
    case RecordStart::kNoItems: why = "The monitor shows no item to record."; break;
    case RecordStart::kLink: why = folder + " is a symbolic link; no log is written through it."; break;
    default:
        why = "Cannot create a log in " + folder + ": " + std::strerror(recorder_->LastError());
        break;
    }
    if (start != RecordStart::kStarted) {
        prompt_.Message(why, Str(str::kProductName), PromptIcon::kExclamation);
        return;
    }
    ShowRecordStatus("Recording to " + std::string(datalog::kFolderName) + "/" + recorder_->Name());
    if (!recordTimer_) {
        recordTimer_ = new QTimer(parent_);
        QObject::connect(recordTimer_, &QTimer::timeout, [this] { RecordSteps(); });
    }
    recordTimer_->start(0);
}

void EcuController::RecordSteps() {
    if (!Recording()) {
        recordTimer_->stop();
        return;
    }
    // One request and its answer per turn of the event loop, so the windows
    // stay live; while the monitor may not ask (an exchange), look again in
    // a moment rather than spin.
    const bool moved = parts_.monitor.RecordStep();
    recordTimer_->setInterval(moved ? 0 : 20);
}

void EcuController::FinishRecord(bool writeFailed) {
    if (!recorder_) return;
    if (recordTimer_) recordTimer_->stop();
    const std::string log = std::string(datalog::kFolderName) + "/" + recorder_->Name();
    if (!writeFailed && recorder_->RowsWithValues() == 0) {
        recorder_->Discard();
        ShowRecordStatus("Nothing recorded: the ECU gave no value; no log was kept.");
    } else {
        const bool closed = recorder_->Stop();
        if (writeFailed || !closed) {
            const std::string why = std::strerror(recorder_->LastError());
            ShowRecordStatus("Recording stopped: " + log + " could not be written (" + why + ").");
            prompt_.Message("The log " + log + " could not be written (" + why +
                                "); the recording stopped. The rows before are kept.",
                            Str(str::kProductName), PromptIcon::kExclamation);
        } else {
            ShowRecordStatus("Recorded " + std::to_string(recorder_->Rows()) + " rows to " + log);
        }
    }
    // Finished: a second call (the monitor stopping after Record was
    // unchecked) finds nothing to do.
    recorder_.reset();
}

void EcuController::ItemSet() {
    Monitor& monitor = parts_.monitor;
    std::vector<DiagItem>& items = parts_.calibration.diagItems;
    ::ItemSet set(items, monitor.DialogList(), monitor.StatusBarList());
    CItemSetDlg dialog(set, parent_);
    if (dialogs_.RunItemSet(dialog) != QDialog::Accepted) return;
    ProfileFile settings(parts_.settingsFilePath);
    bool rebuild = false;
    if (!ApplyItemSet(set, monitor, items, settings, rebuild))
        prompt_.Message(Str(str::kWriteFailed) + "\n" + parts_.settingsFilePath, Str(str::kProductName),
                        PromptIcon::kExclamation);
    if (rebuild && monitorWnd_ && monitorWnd_->isVisible()) monitorWnd_->Rebuild();
}

void EcuController::Rs232c() {
    Rs232cDialog model(CurrentSerialCodes(parts_.machine),
                       SettingsFileSerialCodes(ProfileFile(parts_.settingsFilePath)));
    CRs232cDlg dialog(model, prompt_, parent_);
    if (dialogs_.RunRs232c(dialog) != QDialog::Accepted) return;
    ProfileFile settings(parts_.settingsFilePath);
    if (!ApplySerialCodes(parts_.session.Link(), parts_.monitor, dialog.Result(), settings, parts_.registryStore))
        prompt_.Message(Str(str::kWriteFailed) + "\n" + parts_.settingsFilePath, Str(str::kCaptionRs232c),
                        PromptIcon::kExclamation);
}

void EcuController::LoadMonitorItems() {
    parts_.monitor.SetDialogList(
        LoadMonitorSelection(ProfileFile(parts_.settingsFilePath), parts_.calibration.diagItems));
    if (monitorWnd_ && monitorWnd_->isVisible()) monitorWnd_->Rebuild();
}

void EcuController::SaveMonitorItems() {
    // Before any data file was loaded there is no list to keep.
    if (parts_.calibration.diagItems.empty() || parts_.settingsFilePath.empty()) return;
    ProfileFile settings(parts_.settingsFilePath);
    SaveMonitorSelection(settings, parts_.calibration.diagItems, parts_.monitor.DialogList().Entries());
}

void EcuController::EndMonitor(bool programEnds) {
    SaveMonitorItems();
    if (programEnds) {
        if (monitorWnd_) monitorWnd_->hide();
    } else if (monitorWnd_ && monitorWnd_->isVisible()) {
        monitorWnd_->close();
    }
    parts_.monitor.Stop();
}
