#include "app/gui/FrameLogbook.h"

#include "app/QelApp.h"
#include "app/gui/MainFrame.h"
#include "ecu/gui/ProgressWnd.h"
#include "ecu/DataExchange.h"
#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "ecu/gui/BlockWriteStop.h"
#include "edit/CalibrationCompare.h"
#include "edit/UndoList.h"
#include "edit/gui/QelView.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {

constexpr const char* kLogbookCaption = "Logbook";

}  // namespace

FrameLogbook::FrameLogbook(CMainFrame& frame, CQelApp& app, UserPrompt& prompt)
    : frame_(frame), app_(app), prompt_(prompt) {}

FrameLogbook::~FrameLogbook() = default;

std::string FrameLogbook::Machine() const {
    return app_.registry.LogbookMachine();
}

std::string FrameLogbook::Ecu() const { return EcuIdText(app_.registry.expectedId.data(), 2); }

void FrameLogbook::Point(SingleWriteLog& log) {
    // Before a machine is chosen there is no folder to keep a logbook in.
    if (app_.settingsFilePath.empty()) {
        log.book = nullptr;
        return;
    }
    const std::string folder = Logbook::FolderFor(app_.settingsFilePath);
    if (!book_ || book_->Folder() != folder) book_ = std::make_unique<Logbook>(folder);
    log.book = book_.get();
    log.machine = Machine();
    log.ecu = Ecu();
}

int FrameLogbook::SendSingleWrites(EcuSession& session, const std::vector<EcuByteWrite>& bytes) {
    // A write asked for during another is refused; the running one keeps
    // its log and its error.
    if (session.WriteRunning()) return session.WriteBytes(bytes);
    Point(session.writeLog);
    session.writeLog.error.clear();
    const int code = session.WriteBytes(bytes);
    if (!session.writeLog.error.empty())
        prompt_.Message("The write went to the ECU, but the logbook could not take its entry (" +
                            session.writeLog.error + ").",
                        Str(str::kCaptionWriteToEcu), PromptIcon::kExclamation);
    return code;
}

bool FrameLogbook::ConfirmDoubtful(const LogEntry& entry, const std::string& use, const std::string& caption) {
    if (entry.Damaged()) return false;
    return prompt_.Ask(DoubtfulDataText(entry) + "\n\n" + use, caption, PromptButtons::kYesNo,
                       PromptIcon::kExclamation, PromptAnswer::kNo) == PromptAnswer::kYes;
}

bool FrameLogbook::Restore(Logbook& book, const LogEntry& entry) {
    ::DataExchange exchange(app_, app_.registry, app_.defaultFolder, frame_.Session().Protocol(), prompt_);
    auto safeWrite = frame_.Ecu().MakeSafeWrite(book, exchange);
    exchange.confirmUnverifiedRestore = [this](const LogEntry& doubtful) {
        return ConfirmDoubtful(doubtful, "Write it to the ECU all the same?", Str(str::kCaptionWriteToEcu));
    };
    ExchangeOutcome outcome = ExchangeOutcome::kFail;
    {
        BlockWriteStop::Running running(frame_.WriteStop());
        outcome = exchange.Restore(entry.id);
    }
    frame_.ProgressWindow().SetPhase("");
    const SafeWriteStatus status = exchange.LastSafeWrite().status;
    const bool ok = outcome == ExchangeOutcome::kComplete;
    // A refusal has said why already.
    if (status == SafeWriteStatus::kRefused) return false;
    const char* word = ok ? exchangetext::kComplete
                          : status == SafeWriteStatus::kInterrupted ? logbook::kInterrupted : exchangetext::kFail;
    prompt_.Message("Restore of logbook entry " + std::to_string(entry.id) + "   --->   " + word,
                    Str(str::kCaptionWriteToEcu), ok ? PromptIcon::kInformation : PromptIcon::kExclamation);
    return ok;
}

bool FrameLogbook::Open(const LogEntry& entry) {
    if (const std::string foreign = ForeignEntryText(entry, Machine(), Ecu()); !foreign.empty()) {
        prompt_.Message(foreign + "\nNothing was changed.", kLogbookCaption, PromptIcon::kExclamation);
        return false;
    }
    if (!entry.HoldsEcuData() &&
        !ConfirmDoubtful(entry, "Take it into the edited calibration all the same?", kLogbookCaption))
        return false;
    const CompareCopy copy = PlanBlockCopy(app_, entry.start, entry.data);
    if (!copy.refusal.empty()) {
        prompt_.Message(Str(str::kAddressNotCorrespond) + "\n" + copy.refusal + ".", kLogbookCaption,
                        PromptIcon::kExclamation);
        return false;
    }
    // One Undo in the map shown takes the whole entry back; without a map
    // to hold the step the bytes go in as they did before there was one.
    CQelView* view = frame_.ActiveView();
    bool recorded = false;
    if (view && app_.currentMap && !copy.writes.empty()) {
        EditContext context = view->MakeEditContext(app_);
        UndoStepName name(*app_.currentMap, "Logbook entry " + std::to_string(entry.id), true);
        recorded = ApplyCompareCopy(context, *app_.currentMap, copy) > 0;
    }
    if (!recorded && !copy.writes.empty()) {
        for (const CopyWrite& write : copy.writes) app_.image()[write.address] = write.value;
        app_.modified = 1;
    }
    if (frame_.Document()) frame_.Document()->RefreshViews(0);
    return true;
}
