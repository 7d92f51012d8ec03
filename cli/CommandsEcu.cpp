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
#include "cli/Cli.h"
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

// A monitor run ends early on SIGINT or SIGTERM, still closing the port and
// writing its file.
volatile std::sig_atomic_t g_stopRequested = 0;
void OnStopSignal(int) { g_stopRequested = 1; }

// The port named on the command line instead of "COM<n>".
class NamedDevicePort : public SerialPort {
public:
    NamedDevicePort(SerialPort& inner, std::string device) : inner_(inner), device_(std::move(device)) {}
    bool Open(const std::string&, const LineSettings& line) override { return inner_.Open(device_, line); }
    void SetTimeouts(const PortTimeouts& timeouts) override { inner_.SetTimeouts(timeouts); }
    bool Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) override {
        return inner_.Read(buffer, n, count);
    }
    bool Write(const std::uint8_t* data, std::size_t n) override { return inner_.Write(data, n); }
    void ClearError() override { inner_.ClearError(); }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    int LastError() const override { return inner_.LastError(); }

private:
    SerialPort& inner_;
    std::string device_;
};

// Options of the form "--name value" anywhere among the arguments; the rest
// are positional.
struct Options {
    std::vector<std::pair<std::string, std::string>> named;
    std::vector<std::string> flags;   // options without a value
    bool Has(const std::string& flag) const {
        for (const std::string& given : flags)
            if (given == flag) return true;
        return false;
    }
    std::vector<std::string> positional;

    const std::string* Find(const std::string& name) const {
        for (const auto& [key, value] : named)
            if (key == name) return &value;
        return nullptr;
    }
};

int Usage(const std::string& command, const std::string& reason) {
    ReportError(reason + "; see rvtune " + command + " --help");
    return kExitUsage;
}

// false after the reason was reported.
bool ParseOptions(const std::string& command, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& allowed, Options& options,
                  const std::vector<std::string>& flags = {}) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            options.positional.push_back(argument);
            continue;
        }
        bool flag = false;
        for (const std::string& name : flags) flag = flag || name == argument;
        if (flag) {
            if (options.Has(argument)) {
                Usage(command, argument + " given twice");
                return false;
            }
            options.flags.push_back(argument);
            continue;
        }
        bool known = false;
        for (const std::string& name : allowed) known = known || name == argument;
        if (!known) {
            Usage(command, "unknown option " + argument);
            return false;
        }
        if (i + 1 >= arguments.size()) {
            Usage(command, "missing value after " + argument);
            return false;
        }
        if (options.Find(argument)) {
            Usage(command, argument + " given twice");
            return false;
        }
        options.named.emplace_back(argument, arguments[++i]);
    }
    return true;
}

// Hex with an optional "0x", at most max.
bool ParseHexArgument(std::string text, std::uint32_t max, std::uint32_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
    return !text.empty() && text.size() <= 8 && ParseHex(text, value) && value <= max;
}

// The report text as lines on stdout, without its carriage returns and
// without the blank line that separates actions.
void PrintReport(const std::string& report) {
    std::string text;
    for (const char c : report)
        if (c != '\r') text += c;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty()) return;
    std::string compact;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        compact += text[i];
    }
    std::printf("%s\n", compact.c_str());
    std::fflush(stdout);
}

// The machine's name in the logbook: its folder, as data files name it.
std::string MachineName(const CQelApp& app) {
    return app.registry.machineFolder.empty() ? app.registry.machineName : app.registry.machineFolder;
}

// Everything an ECU command needs, built after the start-up.
class EcuCommand {
public:
    // kExitOk, or kExitUsage after the reason was reported.
    int Start(const Options& options) {
        if (int status = session_.Start(); status != kExitOk) return status;
        CQelApp& app = session_.app();
        // These sections do not depend on the image; a command that loads no
        // data file still talks with the machine's own line settings,
        // command set, identification and monitor items.
        ApplyRs232cSection(app.definitionLines, app);
        app.diagItems = ReadDiagItems(app.definitionLines);
        ApplyIndividualInformation(app.definitionLines, app);

        posix_ = std::make_unique<PosixSerialPort>(&app.registryStore());
        SerialPort* port = posix_.get();
        if (const std::string* device = options.Find("--port")) {
            if (device->empty()) {
                ReportError("--port needs a device");
                return kExitUsage;
            }
            named_ = std::make_unique<NamedDevicePort>(*posix_, *device);
            port = named_.get();
            // The link opens "COM<code + 1>"; with a device named the code
            // only has to be valid.
            if (app.portCode < 0 || app.portCode > 7) app.portCode = 0;
        } else if (app.portCode < 0 || app.portCode > 7) {
            ReportError("no serial port: set PORT=PORT1..PORT8 in [RS232C] of " + app.settingsFilePath +
                        ", or give --port DEVICE");
            return kExitUsage;
        }
        ecu_ = std::make_unique<EcuSession>(app, app.definitionLines, *port, pump_, pump_,
                                            session_.prompt(), progress_);
        pump_.onTick = [this] { ecu_->OnTick(); };
        exchange_ = std::make_unique<DataExchange>(app, app.registry, app.defaultFolder, ecu_->Protocol(),
                                                   session_.prompt());
        book_ = std::make_unique<Logbook>(Logbook::FolderFor(app.settingsFilePath));
        safeWrite_ = std::make_unique<SafeWrite>(ecu_->Protocol(), *book_, session_.prompt(), MachineName(app),
                                                 EcuIdText(app.registry.expectedId.data(), 2));
        safeWrite_->onPhase = [this](WritePhase phase) { progress_.SetPhase(PhaseName(phase)); };
        exchange_->safeWrite = safeWrite_.get();
        exchange_->guardLimits = ReadGuardLimits(ProfileFile(app.settingsFilePath));
        if (const std::string* device = options.Find("--port")) port_ = *device;
        return kExitOk;
    }
    ~EcuCommand() {
        exchange_.reset();
        safeWrite_.reset();
        ecu_.reset();
        pump_.onTick = nullptr;
    }

    // kExitOk, or kExitFailed after the reason was reported.
    int Load(const std::string& path) {
        if (LoadDataFile(app(), app(), prompt(), path) != kLoaded) {
            ReportError(Str(str::kOpenFailed) + ": " + path);
            return kExitFailed;
        }
        app().dataFilePath = path;
        app().dataFileName = FileNamePart(path);
        return kExitOk;
    }

    CQelApp& app() { return session_.app(); }
    UserPrompt& prompt() { return session_.prompt(); }
    HeadlessEventPump& pump() { return pump_; }
    SerialLink& link() { return ecu_->Link(); }
    EcuProtocol& protocol() { return ecu_->Protocol(); }
    DataExchange& exchange() { return *exchange_; }
    Logbook& book() { return *book_; }
    SafeWrite& safeWrite() { return *safeWrite_; }
    TerminalProgress& progress() { return progress_; }
    // The port as the command line gave it, for a command to print.
    const std::string& PortArgument() const { return port_; }

    // Adds an entry of this machine and ECU; a logbook that cannot take it
    // is reported, the operation's own result stands.
    void Log(LogEntry entry) {
        entry.machine = safeWrite_->Machine();
        entry.ecu = safeWrite_->Ecu();
        std::string error;
        if (!book_->Add(entry, error)) ReportError("logbook: " + error);
    }

private:
    CliSession session_;
    std::unique_ptr<PosixSerialPort> posix_;
    std::unique_ptr<NamedDevicePort> named_;
    HeadlessEventPump pump_;
    TerminalProgress progress_;
    std::unique_ptr<EcuSession> ecu_;
    std::unique_ptr<DataExchange> exchange_;
    std::unique_ptr<Logbook> book_;
    std::unique_ptr<SafeWrite> safeWrite_;
    std::string port_;
};

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
    const ExchangeOutcome read = exchange.Read(ExchangeSource::kEcu);
    PrintReport(exchange.LastReport());
    LogEntry entry;
    entry.operation = logbook::kRead;
    entry.result = read == ExchangeOutcome::kComplete ? logbook::kComplete : logbook::kFail;
    entry.file = out ? *out : *save;
    if (read == ExchangeOutcome::kComplete) {
        entry.hasData = true;
        entry.start = exchange.ExchangeBuffer().start;
        entry.data = exchange.ExchangeBuffer().bytes;
    }
    session.Log(entry);
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

// After a write that may have left the ECU half-written: the exact command
// that writes the backup back.
void PrintRestoreCommand(EcuCommand& session, const SafeWriteResult& result) {
    if (!result.EcuTouched() || result.backupId == 0) return;
    std::string command = "rvtune restore " + std::to_string(result.backupId);
    if (!session.PortArgument().empty()) command += " --port " + session.PortArgument();
    ReportError("the ECU's data from before the write is kept in logbook entry " +
                std::to_string(result.backupId) + "; to write it back, run:");
    std::fprintf(stderr, "%s\n", command.c_str());
    std::fflush(stderr);
}

// The guard's questions: nobody is there to answer, so a write the guard
// stops goes only with --force.
void AnswerGuard(EcuCommand& session, bool force) {
    session.safeWrite().confirm = [force](const GuardReport& report, bool noHistory) {
        if (force) return true;
        if (noHistory) {
            ReportError("no data of this ECU is in the logbook and no backup is read, so the write cannot be "
                        "checked; nothing was written (give --force to write anyway)");
            return false;
        }
        ReportError("the write changes more than the plausibility guard allows:");
        std::string summary = report.Summary();
        for (std::size_t at = 0, end; at < summary.size(); at = end + 1) {
            end = summary.find('\n', at);
            if (end == std::string::npos) end = summary.size();
            ReportError("  " + summary.substr(at, end - at));
        }
        ReportError("nothing was written; give --force to write anyway");
        return false;
    };
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
    const ExchangeOutcome written = exchange.Write(ExchangeTarget::kEcu);
    PrintReport(exchange.LastReport());
    const SafeWriteResult& result = exchange.LastSafeWrite();
    if (!result.logError.empty()) ReportError("logbook: " + result.logError);
    PrintRestoreCommand(session, result);
    return written == ExchangeOutcome::kComplete ? kExitOk : kExitFailed;
}

// restore ID: an entry's data back into the ECU, with a backup of what the
// ECU holds now, the write and the read-back.
int RunRestore(const std::vector<std::string>& arguments) {
    const std::string command = "restore";
    Options options;
    if (!ParseOptions(command, arguments, {"--port"}, options, {"--no-backup"})) return kExitUsage;
    std::int32_t id = 0;
    if (options.positional.size() != 1 || !ParseDecimal(options.positional[0], id) || id < 1)
        return Usage(command, "give the number of a logbook entry");
    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    LogEntry entry;
    if (!session.book().Find(id, entry)) {
        ReportError("no logbook entry " + std::to_string(id) + " in " + session.book().Folder());
        return kExitUsage;
    }
    if (!entry.hasData) {
        ReportError("logbook entry " + std::to_string(id) + " holds no data to write" +
                    (entry.Damaged() ? " (damaged: " + entry.damage + ")" : std::string()));
        return kExitUsage;
    }
    DataExchange& exchange = session.exchange();
    exchange.backupBeforeWrite = exchange.guardLimits.backup && !options.Has("--no-backup");
    AnswerGuard(session, true);
    const ExchangeOutcome written = exchange.Restore(id);
    PrintReport(exchange.LastReport());
    const SafeWriteResult& result = exchange.LastSafeWrite();
    if (!result.logError.empty()) ReportError("logbook: " + result.logError);
    PrintRestoreCommand(session, result);
    return written == ExchangeOutcome::kComplete ? kExitOk : kExitFailed;
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
    const ExchangeOutcome outcome = exchange.Verify(ExchangeSource::kEcu);
    PrintReport(exchange.LastReport());
    LogEntry entry;
    entry.operation = logbook::kVerify;
    entry.result = outcome == ExchangeOutcome::kSame      ? logbook::kSame
                   : outcome == ExchangeOutcome::kNotSame ? logbook::kNotSame
                                                          : logbook::kFail;
    entry.file = options.positional[0];
    const DataPane& ecuData = exchange.ComparisonBuffer();
    if ((outcome == ExchangeOutcome::kSame || outcome == ExchangeOutcome::kNotSame) && !ecuData.Empty()) {
        entry.hasData = true;
        entry.start = ecuData.start;
        entry.data = ecuData.bytes;
    }
    session.Log(entry);
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
    const auto at = static_cast<std::uint16_t>(address);
    const int code = word ? session.protocol().WriteWord(at, static_cast<std::uint16_t>(value))
                          : session.protocol().WriteByte(at, static_cast<std::uint8_t>(value));
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

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Seconds as a decimal number, 0 < seconds <= one day.
bool ParseSeconds(const std::string& text, double& seconds) {
    seconds = ParseDecimalReal(text);
    bool plain = !text.empty();
    int dots = 0;
    for (const char c : text) {
        if (c == '.') ++dots;
        else if (c < '0' || c > '9') plain = false;
    }
    return plain && dots <= 1 && seconds > 0 && seconds <= 86400;
}

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
    if (int status = session.Start(options); status != kExitOk) return status;
    CQelApp& app = session.app();
    if (app.diagItems.empty()) {
        ReportError("the machine definition lists no monitor items ([Diag.Com])");
        return kExitUsage;
    }
    std::vector<std::uint8_t> selection;
    if (const std::string* names = options.Find("--items")) {
        std::string rest = *names;
        while (!rest.empty()) {
            const std::string name = NextField(rest);
            std::size_t index = 0;
            while (index < app.diagItems.size() && app.diagItems[index].name != name) ++index;
            if (index >= app.diagItems.size() || index > 0xFF)
                return Usage(command, "no monitor item named '" + name + "'");
            if (selection.size() >= monitor::kDialogMax)
                return Usage(command, "at most 30 items");
            selection.push_back(static_cast<std::uint8_t>(index));
        }
        if (selection.empty()) return Usage(command, "--items names no item");
    } else {
        selection = LoadMonitorSelection(ProfileFile(app.settingsFilePath), app.diagItems);
    }

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
    g_stopRequested = 0;
    auto previousInt = std::signal(SIGINT, OnStopSignal);
    auto previousTerm = std::signal(SIGTERM, OnStopSignal);
    const auto duration = std::chrono::duration<double>(seconds);
    while (!g_stopRequested && session.link().portOpen && Clock::now() - started < duration)
        session.pump().DispatchOne();
    monitor.Stop();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);

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

std::string CsvRow(const LogEntry& entry) {
    return std::to_string(entry.id) + "," + CsvField(entry.time) + "," + CsvField(entry.operation) + "," +
           CsvField(entry.result) + "," + CsvField(entry.file) + "," + CsvField(entry.note);
}

void PrintEntry(const LogEntry& entry) {
    std::printf("id:        %d\ntime:      %s\noperation: %s\nresult:    %s\n", entry.id, entry.time.c_str(),
                entry.operation.c_str(), entry.result.c_str());
    if (entry.Damaged()) std::printf("damage:    %s\n", entry.damage.c_str());
    std::printf("machine:   %s\necu:       %s\nfile:      %s\n", entry.machine.c_str(), entry.ecu.c_str(),
                entry.file.c_str());
    if (!entry.detail.empty()) std::printf("detail:    %s\n", entry.detail.c_str());
    if (entry.hasData)
        std::printf("data:      %04X-%04X (%zu bytes)\n", entry.start,
                    static_cast<unsigned>(entry.start + entry.data.size() - 1), entry.data.size());
    std::printf("note:      %s\n", entry.note.c_str());
}

// A calibration of an entry's data: the base data file with the entry's
// bytes in its data range, saved as out (the checksum byte recomputed).
int ExportEntry(CliSession& session, const LogEntry& entry, const std::string& base, const std::string& out) {
    CQelApp& app = session.app();
    if (LoadDataFile(app, app, session.prompt(), base) != kLoaded) {
        ReportError(Str(str::kOpenFailed) + ": " + base);
        return kExitFailed;
    }
    if (entry.start != app.dataStart || entry.start + entry.data.size() - 1 > app.dataEnd) {
        ReportError("the entry's data does not lie in the data range of " + base);
        return kExitFailed;
    }
    for (std::size_t i = 0; i < entry.data.size(); ++i) app.image()[entry.start + i] = entry.data[i];
    app.modified = 1;
    if (!SaveDataFile(app, out)) {
        ReportError(Str(str::kSaveError) + ": " + out);
        return kExitFailed;
    }
    return kExitOk;
}

// log [--csv] | log show ID | log export ID OUT.qsd [--base FILE] | log note ID TEXT
int RunLog(const std::vector<std::string>& arguments) {
    const std::string command = "log";
    Options options;
    if (!ParseOptions(command, arguments, {"--base"}, options, {"--csv"})) return kExitUsage;
    const std::vector<std::string>& words = options.positional;
    const std::string action = words.empty() ? "" : words[0];
    std::int32_t id = 0;
    if (!action.empty()) {
        if (action != "show" && action != "export" && action != "note")
            return Usage(command, "unknown action " + action);
        const std::size_t needed = action == "show" ? 2 : 3;
        if (words.size() != needed) return Usage(command, "wrong number of arguments for log " + action);
        if (!ParseDecimal(words[1], id) || id < 1) return Usage(command, "give the number of a logbook entry");
    } else if (options.Find("--base")) {
        return Usage(command, "--base goes with log export");
    }
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    CQelApp& app = session.app();
    Logbook book(Logbook::FolderFor(app.settingsFilePath));
    if (action.empty()) {
        const std::vector<LogEntry> entries = book.List();
        if (options.Has("--csv")) {
            std::printf("id,time,operation,result,file,note\n");
            for (const LogEntry& entry : entries) std::printf("%s\n", CsvRow(entry).c_str());
        } else {
            for (const LogEntry& entry : entries)
                std::printf("%6d  %s  %-8s %-9s %s%s%s\n", entry.id, entry.time.c_str(), entry.operation.c_str(),
                            entry.result.c_str(), entry.file.c_str(), entry.note.empty() ? "" : "  # ",
                            entry.note.c_str());
        }
        std::fflush(stdout);
        return kExitOk;
    }
    if (options.Has("--csv")) return Usage(command, "--csv goes with log alone");
    LogEntry entry;
    if (!book.Find(id, entry)) {
        ReportError("no logbook entry " + std::to_string(id) + " in " + book.Folder());
        return kExitUsage;
    }
    if (action == "show") {
        PrintEntry(entry);
        std::fflush(stdout);
        return entry.Damaged() ? kExitFailed : kExitOk;
    }
    if (action == "note") {
        std::string error;
        if (!book.SetNote(id, words[2], error)) {
            ReportError(error);
            return kExitFailed;
        }
        return kExitOk;
    }
    if (!entry.hasData) {
        ReportError("logbook entry " + std::to_string(id) + " holds no data" +
                    (entry.Damaged() ? " (damaged: " + entry.damage + ")" : std::string()));
        return kExitFailed;
    }
    std::string base;
    if (const std::string* given = options.Find("--base")) {
        base = *given;
    } else {
        // The standard data file the installation put in the work folder.
        const std::string work = std::filesystem::path(app.settingsFilePath).parent_path().append("WORK").string();
        base = FindFileNoCase(work, MachineName(app), ".qsd");
        if (base.empty()) {
            ReportError("no standard data file " + MachineName(app) + ".qsd in " + work + "; give --base FILE");
            return kExitUsage;
        }
    }
    return ExportEntry(session, entry, base, words[2]);
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
        {"restore", "ID [--no-backup] [--port DEV]",
         "write logbook entry ID's data back to the ECU (backup, write, read back)", 1, 4, RunRestore},
        {"log", "[--csv] | show ID | export ID OUT.qsd [--base FILE] | note ID TEXT",
         "the machine's logbook of ECU transfers", 0, 5, RunLog},
        {"verify", "IN.qsd [--port DEV]",
         "compare IN with the ECU: exit 0 Same, 1 Not same, 2 when it cannot compare", 1, 3, RunVerify},
        {"write-byte", "ADDR VALUE [--port DEV]", "write one byte (hex) at ADDR (hex) in the ECU", 2, 4,
         RunWriteByte},
        {"write-word", "ADDR VALUE [--port DEV]", "write one word (hex, high byte first) at ADDR", 2, 4,
         RunWriteWord},
        {"monitor", "[--items A,B] [--seconds S] [--csv FILE] [--port DEV]",
         "poll the monitor items for S seconds (10): one time-stamped row per round", 0, 8, RunMonitor},
    };
    return commands;
}
