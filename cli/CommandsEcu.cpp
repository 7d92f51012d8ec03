// rvtune read-ecu, write-ecu, verify, write-byte, write-word and monitor: the
// ECU commands. They talk to the machine as RV_Tune does, through the serial
// link, the protocol and the data exchange, with the headless event pump
// driving the 100 ms link timer.
#include <chrono>
#include <csignal>
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
#include "ecu/Monitor.h"
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
                  const std::vector<std::string>& allowed, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            options.positional.push_back(argument);
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
        return kExitOk;
    }
    ~EcuCommand() {
        exchange_.reset();
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

private:
    CliSession session_;
    std::unique_ptr<PosixSerialPort> posix_;
    std::unique_ptr<NamedDevicePort> named_;
    HeadlessEventPump pump_;
    SilentProgress progress_;
    std::unique_ptr<EcuSession> ecu_;
    std::unique_ptr<DataExchange> exchange_;
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
    if (!ParseOptions(command, arguments, {"--port"}, options)) return kExitUsage;
    if (options.positional.size() != 1) return Usage(command, "give one data file");
    EcuCommand session;
    if (int status = session.Start(options); status != kExitOk) return status;
    if (int status = session.Load(options.positional[0]); status != kExitOk) return status;
    DataExchange& exchange = session.exchange();
    const ExchangeOutcome read = exchange.Read(ExchangeSource::kEdit);
    PrintReport(exchange.LastReport());
    if (read != ExchangeOutcome::kComplete) return kExitFailed;
    const ExchangeOutcome written = exchange.Write(ExchangeTarget::kEcu);
    PrintReport(exchange.LastReport());
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
    monitor.onCycle = [&] {
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
    return kExitOk;
}

}  // namespace

const std::vector<CliCommand>& EcuCommands() {
    static const std::vector<CliCommand> commands = {
        {"read-ecu", "--out FILE.mot | --into BASE.qsd --save OUT.qsd [--port DEV]",
         "read the ECU; write its data as S-records, or into BASE's data and save as OUT", 2, 7,
         RunReadEcu},
        {"write-ecu", "IN.qsd [--port DEV]", "write the data range of IN to the ECU", 1, 3, RunWriteEcu},
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
