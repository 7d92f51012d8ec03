// rvtune read-ecu, write-ecu, verify, write-byte, write-word and monitor: the
// ECU commands. They talk to the machine as RV_Tune does, through the serial
// link, the protocol and the data exchange, with the headless event pump
// driving the 100 ms link timer.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/Strings.h"
#include "app/VerifyListing.h"
#include "cli/Cli.h"
#include "cli/EcuCommand.h"
#include "config/Definition.h"
#include "ecu/DataExchange.h"
#include "ecu/EcuProtocol.h"
#include "ecu/EcuSession.h"
#include "ecu/Logbook.h"
#include "ecu/Monitor.h"
#include "ecu/SafeWrite.h"
#include "ecu/WriteGuard.h"
#include "ecu/MonitorSelection.h"
#include "ecu/ProgressDisplay.h"
#include "ecu/SerialLink.h"
#include "files/DataFile.h"
#include "files/SRecord.h"
#include "model/Parse.h"
#include "platform/EventPump.h"
#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/SerialPort.h"

namespace {

int RunReadEcu(const std::vector<std::string>& arguments) {
    const std::string command = "read-ecu";
    Options options;
    if (!ParseOptions(command, arguments, {"--out", "--into", "--save", "--port"}, options)) return kExitUsage;
    const std::string* out = options.Find("--out");
    const std::string* into = options.Find("--into");
    const std::string* save = options.Find("--save");
    if (!options.positional.empty()) return Usage(command, "unexpected argument " + options.positional[0]);
    if ((out != nullptr) == (into != nullptr) || (into != nullptr) != (save != nullptr))
        return Usage(command, "give either --out FILE or --into BASE --save OUT");

    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    if (into) {
        if (int status = session.Load(*into); status != kExitOk) return status;
    }
    DataExchange& exchange = session.exchange();
    exchange.readTarget = out ? *out : *save;
    const ExchangeOutcome read = exchange.Read(ExchangeSource::kEcu);
    PrintReport(exchange.LastReport());
    if (!exchange.LogError().empty()) ReportError("logbook: " + exchange.LogError());
    if (read != ExchangeOutcome::kComplete) return kExitFailed;

    if (out) {
        const DataPane& pane = exchange.ExchangeBuffer();
        std::vector<std::string> lines;
        BuildRecords(pane.bytes.data(), pane.bytes.size(), pane.start,
                     static_cast<std::uint16_t>(pane.bytes.size() - 1), lines);
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        if (!WriteFileAtomic(*out, text)) {
            ReportError(Str(str::kWriteFailed) + ": " + *out);
            return kExitFailed;
        }
        return kExitOk;
    }
    const ExchangeOutcome written = exchange.Write(ExchangeTarget::kEdit);
    PrintReport(exchange.LastReport());
    if (written != ExchangeOutcome::kComplete) return kExitFailed;
    if (!SaveDataFile(session.app(), *save)) {
        ReportError(Str(str::kSaveError) + ": " + *save);
        return kExitFailed;
    }
    return kExitOk;
}

int RunWriteEcu(const std::vector<std::string>& arguments) {
    const std::string command = "write-ecu";
    Options options;
    if (!ParseOptions(command, arguments, {"--port"}, options, {"--no-backup", "--force"})) return kExitUsage;
    if (options.positional.size() != 1) return Usage(command, "give one data file");
    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    if (int status = session.Load(options.positional[0]); status != kExitOk) return status;
    DataExchange& exchange = session.exchange();
    exchange.backupBeforeWrite = exchange.guardLimits.backup && !options.Has("--no-backup");
    AnswerGuard(session, options.Has("--force"));
    const ExchangeOutcome read = exchange.Read(ExchangeSource::kEdit);
    PrintReport(exchange.LastReport());
    if (read != ExchangeOutcome::kComplete) return kExitFailed;
    StopSignals signals;
    session.safeWrite().stopRequested = [&signals] { return signals.Requested(); };
    const ExchangeOutcome written = exchange.Write(ExchangeTarget::kEcu);
    return FinishWrite(session, written, signals);
}

// verify: 0 same, 1 not same, 2 when the comparison could not be made.
int RunVerify(const std::vector<std::string>& arguments) {
    const std::string command = "verify";
    Options options;
    if (!ParseOptions(command, arguments, {"--port"}, options)) return kExitUsage;
    if (options.positional.size() != 1) return Usage(command, "give one data file");
    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    DataExchange& exchange = session.exchange();
    const ExchangeOutcome read = exchange.Read(ExchangeSource::kFile, ChosenFile(options.positional[0]));
    PrintReport(exchange.LastReport());
    if (read != ExchangeOutcome::kComplete) return kExitUsage;
    exchange.differenceListing = [&session](const DataPane& file, const DataPane& ecu) {
        return VerifyListing(session.app(), file.start, file.bytes, ecu.start, ecu.bytes);
    };
    const ExchangeOutcome outcome = exchange.Verify(ExchangeSource::kEcu);
    PrintReport(exchange.LastReport());
    if (!exchange.LogError().empty()) ReportError("logbook: " + exchange.LogError());
    switch (outcome) {
    case ExchangeOutcome::kSame: return kExitOk;
    case ExchangeOutcome::kNotSame: return kExitFailed;
    default: return kExitUsage;
    }
}

int RunSingleWrite(const std::vector<std::string>& arguments, bool word) {
    const std::string command = word ? "write-word" : "write-byte";
    Options options;
    if (!ParseOptions(command, arguments, {"--port"}, options)) return kExitUsage;
    if (options.positional.size() != 2) return Usage(command, "give ADDR and VALUE in hex");
    std::uint32_t address = 0, value = 0;
    if (!ParseHexArgument(options.positional[0], 0xFFFF, address))
        return Usage(command, "ADDR must be hex 0000..FFFF");
    if (!ParseHexArgument(options.positional[1], word ? 0xFFFF : 0xFF, value))
        return Usage(command, word ? "VALUE must be hex 0000..FFFF" : "VALUE must be hex 00..FF");
    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    // A single write the logbook cannot keep would leave the guard blind to
    // a byte the ECU holds: nothing is sent then.
    if (std::string error; !session.book().CanAdd(error)) {
        ReportError("logbook: " + error + "; nothing was sent");
        return kExitFailed;
    }
    const auto at = static_cast<std::uint16_t>(address);
    const int code = word ? session.protocol().WriteWord(at, static_cast<std::uint16_t>(value))
                          : session.protocol().WriteByte(at, static_cast<std::uint8_t>(value));
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(value)};
    if (word) bytes = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
    SingleWriteLog& log = session.ecu().writeLog;
    // A write refused before its first byte left the ECU as it was.
    if (code == 0 || session.protocol().LastWriteSent())
        LogSingleWrite(log, word ? logbook::kWriteWord : logbook::kWriteByte, at, bytes, code);
    if (!log.error.empty()) ReportError("logbook: " + log.error);
    char line[64];
    std::snprintf(line, sizeof line, word ? "Write ( %04X ) = %04X   --->   %s" : "Write ( %04X ) = %02X   --->   %s",
                  static_cast<unsigned>(address), static_cast<unsigned>(value),
                  code == 0 ? exchangetext::kComplete : exchangetext::kFail);
    std::printf("%s\n", line);
    std::fflush(stdout);
    return code == 0 ? kExitOk : kExitFailed;
}

int RunWriteByte(const std::vector<std::string>& arguments) { return RunSingleWrite(arguments, false); }
int RunWriteWord(const std::vector<std::string>& arguments) { return RunSingleWrite(arguments, true); }

int RunMonitor(const std::vector<std::string>& arguments) {
    const std::string command = "monitor";
    Options options;
    if (!ParseOptions(command, arguments, {"--items", "--seconds", "--csv", "--port"}, options))
        return kExitUsage;
    if (!options.positional.empty()) return Usage(command, "unexpected argument " + options.positional[0]);
    double seconds = 10;
    if (const std::string* text = options.Find("--seconds"); text && !ParseSeconds(*text, seconds))
        return Usage(command, "--seconds takes a number of seconds up to 86400");

    EcuCommand session;
    if (int status = session.Start(options, false); status != kExitOk) return status;
    CQelApp& app = session.app();
    std::vector<std::uint8_t> selection;
    if (int status = SelectMonitorItems(command, options, app, selection); status != kExitOk) return status;

    Monitor monitor(app.diagItems, session.link(), session.protocol(), session.prompt());
    monitor.SetDialogList(selection);
    monitor.OpenWindow();

    std::string header = "time";
    for (const MonitorRow& row : monitor.Rows())
        header += "," + CsvField(row.unit.empty() ? row.name : row.name + " [" + row.unit + "]");
    std::string csv = header + "\n";
    std::printf("%s\n", header.c_str());
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    std::size_t answersPrinted = 0;   // answers read up to the last row printed
    monitor.onCycle = [&] {
        answersPrinted = monitor.AnswersRead();
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.1f", elapsed);
        std::string line = stamp;
        for (const MonitorRow& row : monitor.Rows()) line += "," + CsvField(row.value);
        csv += line + "\n";
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };

    if (monitor.StartFromMenu() != 0) return kExitFailed;
    const auto duration = std::chrono::duration<double>(seconds);
    {
        // SIGINT or SIGTERM ends the run early, still closing the port and
        // writing its file.
        StopSignals signals;
        while (!signals.Requested() && session.link().portOpen && Clock::now() - started < duration)
            session.pump().DispatchOne();
        monitor.Stop();
    }

    if (const std::string* path = options.Find("--csv"); path && !WriteFileAtomic(*path, csv)) {
        ReportError(Str(str::kWriteFailed) + ": " + *path);
        return kExitFailed;
    }
    // Rows of nothing but "Error" (or no row at all) are no monitoring.
    if (answersPrinted == 0) {
        ReportError("monitor: no value was read from the ECU");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

const std::vector<CliCommand>& EcuCommands() {
    static const std::vector<CliCommand> commands = {
        {"read-ecu", "--out FILE.mot | --into BASE.qsd --save OUT.qsd [--port DEV]",
         "read the ECU; write its data as S-records, or into BASE's data and save as OUT", 2, 7,
         RunReadEcu},
        {"write-ecu", "IN.qsd [--no-backup] [--force] [--port DEV]",
         "back up the ECU's range, write IN's data range, read it back; --force passes the guard", 1, 5,
         RunWriteEcu},
        {"verify", "IN.qsd [--port DEV]",
         "compare IN with the ECU: exit 0 Same, 1 Not same, 2 when it cannot compare", 1, 3, RunVerify},
        {"write-byte", "ADDR VALUE [--port DEV]", "write one byte (hex) at ADDR (hex) in the ECU", 2, 4,
         RunWriteByte},
        {"write-word", "ADDR VALUE [--port DEV]", "write one word (hex, high byte first) at ADDR", 2, 4,
         RunWriteWord},
        {"monitor", "[--items A,B] [--seconds S] [--csv FILE] [--port DEV]",
         "poll the monitor items for S seconds (10): one time-stamped row per round", 0, 8, RunMonitor},
        {"datalog", "--seconds S [--items A,B] [--out FILE.csv [--force]] [--gap MS] [--port DEV]",
         "record the monitor items at line speed for S seconds into FILE (default: a new log in LOGS)", 2, 11,
         RunDatalog},
    };
    return commands;
}
