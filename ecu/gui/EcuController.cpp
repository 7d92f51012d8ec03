#include "ecu/gui/EcuController.h"

#include <QDialog>

#include "config/MachineConfig.h"
#include "ecu/DataExchange.h"
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
    // The window shows the monitor, which goes before the frame's children.
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
        monitorWnd_->onClosed = [this] { windows_.UpdateCommandUi(); };
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
