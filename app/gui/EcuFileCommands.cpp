#include "app/gui/EcuFileCommands.h"

#include <cstdio>

#include "app/EcuCalibration.h"
#include "app/QelApp.h"
#include "app/gui/CalibrationController.h"
#include "app/gui/MainFrame.h"
#include "ecu/DataExchange.h"
#include "ecu/EcuSession.h"
#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "ecu/gui/BlockWriteStop.h"
#include "ecu/gui/ProgressWnd.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {
constexpr const char* kReadCaption = "Read from ECU";
constexpr const char* kWriteCaption = "Write to ECU";
}  // namespace

EcuFileCommands::EcuFileCommands(CQelApp& app, CMainFrame& frame, CalibrationController& life, UserPrompt& prompt)
    : app_(app), frame_(frame), life_(life), prompt_(prompt) {}

void EcuFileCommands::Report(const std::string& text, bool ok) {
    frame_.ShowStatus(text);
    if (!ok) frame_.UpdateCommandUi();
}

bool EcuFileCommands::ReadFromEcu() {
    const std::string machine = app_.registry.LogbookMachine();
    const std::string standard = StandardDataFile(app_.settingsFilePath, machine);
    if (standard.empty()) {
        prompt_.Message("There is no standard data file of " + machine +
                            " in its WORK folder to lay the ECU's data over.\nNothing was read.",
                        kReadCaption, PromptIcon::kExclamation);
        Report("Read from ECU: no standard data file", false);
        return false;
    }
    // The standard file first into a calibration of its own, so that a file
    // that does not load stops the command before the ECU is asked.
    Calibration base;
    if (const std::string why = life_.LoadCompared(base, standard); !why.empty()) {
        prompt_.Message(why + "\n" + standard + "\nNothing was read.", kReadCaption, PromptIcon::kExclamation);
        Report("Read from ECU: the standard data file did not load", false);
        return false;
    }

    // The read itself, as the exchange window's Read from the ECU, and in
    // the logbook as every transfer is. Its messages say what failed.
    DataExchange exchange(app_, app_.registry, app_.defaultFolder, frame_.Session().Protocol(), prompt_);
    Logbook book(Logbook::FolderFor(app_.settingsFilePath));
    auto safeWrite = frame_.Ecu().MakeSafeWrite(book, exchange);
    const ExchangeOutcome outcome = exchange.Read(ExchangeSource::kEcu);
    frame_.ProgressWindow().SetPhase("");
    const DataPane& read = exchange.ExchangeBuffer();
    if (outcome != ExchangeOutcome::kComplete || read.partial || read.Empty()) {
        Report("Read from ECU failed; the open calibration is unchanged", false);
        return false;
    }
    if (const std::string why = LayEcuRead(base, read.start, read.bytes); !why.empty()) {
        prompt_.Message(why + "\nThe open calibration is unchanged.", kReadCaption, PromptIcon::kExclamation);
        Report("Read from ECU: the data does not fit the calibration", false);
        return false;
    }

    // Only now the open calibration goes (asking when it was changed), and
    // the standard file comes in with the ECU's bytes over it.
    if (!life_.Close()) {
        Report("Read from ECU: the open calibration was kept", false);
        return false;
    }
    if (!life_.LoadForOpen(standard, false)) return false;
    if (const std::string why = LayEcuRead(app_, read.start, read.bytes); !why.empty()) {
        // The same file took the same data a moment ago.
        prompt_.Message(why, kReadCaption, PromptIcon::kExclamation);
        life_.Close();
        return false;
    }
    app_.ownFile = false;
    app_.dataFileName = EcuReadFileName(machine);
    char range[48];
    std::snprintf(range, sizeof range, "%04X-%04X", app_.dataStart, app_.dataEnd);
    Report(std::string("Read from ECU: ") + range + " on " + standard + "; not saved yet", true);
    life_.ChooseMap();
    return true;
}

bool EcuFileCommands::WriteToEcu() {
    if (app_.dataFilePath.empty()) return false;
    DataExchange exchange(app_, app_.registry, app_.defaultFolder, frame_.Session().Protocol(), prompt_);
    Logbook book(Logbook::FolderFor(app_.settingsFilePath));
    auto safeWrite = frame_.Ecu().MakeSafeWrite(book, exchange);
    if (exchange.Read(ExchangeSource::kEdit) != ExchangeOutcome::kComplete) {
        prompt_.Message("The calibration has no data to write.", kWriteCaption, PromptIcon::kExclamation);
        return false;
    }
    ExchangeOutcome outcome = ExchangeOutcome::kFail;
    {
        BlockWriteStop::Running running(frame_.WriteStop());
        outcome = exchange.Write(ExchangeTarget::kEcu);
    }
    frame_.ProgressWindow().SetPhase("");
    const SafeWriteResult& result = exchange.LastSafeWrite();
    const bool ok = outcome == ExchangeOutcome::kComplete && result.Complete();
    if (result.status == SafeWriteStatus::kRefused) {
        Report("Write to ECU: refused, nothing was sent", false);
    } else {
        const std::string line = std::string("Write to ECU data   --->   ") +
                                 (ok ? exchangetext::kComplete
                                     : result.status == SafeWriteStatus::kInterrupted ? logbook::kInterrupted
                                                                                        : exchangetext::kFail);
        prompt_.Message(result.detail.empty() || ok ? line : line + "\n" + result.detail, kWriteCaption,
                        ok ? PromptIcon::kInformation : PromptIcon::kExclamation);
        Report(ok ? "Written to the ECU and read back the same" : "Write to ECU failed", ok);
    }
    if (frame_.WriteStop().TakeClosing() & BlockWriteStop::kFrame) frame_.RequestClose();
    return ok;
}
