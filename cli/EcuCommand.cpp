#include "cli/EcuCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>

#include "config/Definition.h"
#include "ecu/Monitor.h"
#include "ecu/MonitorSelection.h"
#include "ecu/WriteGuard.h"
#include "files/DataFile.h"
#include "model/Parse.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/SerialPort.h"

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;
void OnStopSignal(int signal) {
    if (g_stopSignal == 0) g_stopSignal = signal;
}

}  // namespace

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
    long LockHolder() const override { return inner_.LockHolder(); }

private:
    SerialPort& inner_;
    std::string device_;
};

bool Options::Has(const std::string& flag) const {
    for (const std::string& given : flags)
        if (given == flag) return true;
    return false;
}

const std::string* Options::Find(const std::string& name) const {
    for (const auto& [key, value] : named)
        if (key == name) return &value;
    return nullptr;
}

int Usage(const std::string& command, const std::string& reason) {
    ReportError(reason + "; see rvtune " + command + " --help");
    return kExitUsage;
}

bool ParseOptions(const std::string& command, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& allowed, Options& options, const std::vector<std::string>& flags) {
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

bool ParseHexArgument(std::string text, std::uint32_t max, std::uint32_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
    return !text.empty() && text.size() <= 8 && ParseHex(text, value) && value <= max;
}

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

int SelectMonitorItems(const std::string& command, const Options& options, const CQelApp& app,
                       std::vector<std::uint8_t>& selection) {
    selection.clear();
    if (app.diagItems.empty()) {
        ReportError("the machine definition lists no monitor items ([Diag.Com])");
        return kExitUsage;
    }
    const std::string* names = options.Find("--items");
    if (!names) {
        selection = LoadMonitorSelection(ProfileFile(app.settingsFilePath), app.diagItems);
        return kExitOk;
    }
    std::string rest = *names;
    while (!rest.empty()) {
        const std::string name = NextField(rest);
        std::size_t index = 0;
        while (index < app.diagItems.size() && app.diagItems[index].name != name) ++index;
        if (index >= app.diagItems.size() || index > 0xFF)
            return Usage(command, "no monitor item named '" + name + "'");
        if (std::find(selection.begin(), selection.end(), index) != selection.end())
            return Usage(command, "'" + name + "' is named twice in --items");
        if (selection.size() >= monitor::kDialogMax) return Usage(command, "at most 30 items");
        selection.push_back(static_cast<std::uint8_t>(index));
    }
    if (selection.empty()) return Usage(command, "--items names no item");
    return kExitOk;
}

std::string MachineName(const CQelApp& app) {
    return app.registry.LogbookMachine();
}

StopSignals::StopSignals() {
    g_stopSignal = 0;
    previousInt_ = std::signal(SIGINT, OnStopSignal);
    previousTerm_ = std::signal(SIGTERM, OnStopSignal);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, previousInt_);
    std::signal(SIGTERM, previousTerm_);
}

bool StopSignals::Requested() const { return g_stopSignal != 0; }

int StopSignals::ExitStatus() const { return 128 + static_cast<int>(g_stopSignal); }

EcuCommand::EcuCommand() = default;

EcuCommand::~EcuCommand() {
    exchange_.reset();
    safeWrite_.reset();
    ecu_.reset();
    pump_.onTick = nullptr;
}

int EcuCommand::Start(const Options& options, bool holdPort) {
    if (int status = session_.Start(); status != kExitOk) return status;
    CQelApp& app = session_.app();
    // These sections do not depend on the image; a command that loads no
    // data file still talks with the machine's own line settings, command
    // set, identification and monitor items.
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
        // The link opens "COM<code + 1>"; with a device named the code only
        // has to be valid.
        if (app.portCode < 0 || app.portCode > 7) app.portCode = 0;
        port_ = *device;
    } else if (app.portCode < 0 || app.portCode > 7) {
        ReportError("no serial port: set PORT=PORT1..PORT8 in [RS232C] of " + app.settingsFilePath +
                    ", or give --port DEVICE");
        return kExitUsage;
    }
    ecu_ = std::make_unique<EcuSession>(app, app.definitionLines, *port, pump_, pump_, session_.prompt(),
                                        progress_);
    pump_.onTick = [this] { ecu_->OnTick(); };
    exchange_ = std::make_unique<DataExchange>(app, app.registry, app.defaultFolder, ecu_->Protocol(),
                                               session_.prompt());
    book_ = std::make_unique<Logbook>(Logbook::FolderFor(app.settingsFilePath));
    safeWrite_ = std::make_unique<SafeWrite>(ecu_->Protocol(), *book_, session_.prompt(), MachineName(app),
                                             EcuIdText(app.registry.expectedId.data(), 2));
    safeWrite_->onPhase = [this](WritePhase phase) { progress_.SetPhase(PhaseName(phase)); };
    exchange_->safeWrite = safeWrite_.get();
    exchange_->guardLimits = ReadGuardLimits(ProfileFile(app.settingsFilePath));
    ecu_->writeLog.book = book_.get();
    ecu_->writeLog.machine = safeWrite_->Machine();
    ecu_->writeLog.ecu = safeWrite_->Ecu();

    return holdPort ? HoldPort() : kExitOk;
}

int EcuCommand::HoldPort() {
    // The port stays open, and locked, until the command ends: a second
    // program can neither cut into the middle of this one nor be cut into.
    if (!ecu_->OpenPort(true) && link().portTaken) {
        ReportError(link().CodeText(str::kPortUsedByOther) + " Nothing was sent.");
        return kExitFailed;
    }
    return kExitOk;
}

int EcuCommand::Load(const std::string& path) {
    if (LoadDataFile(app(), app(), prompt(), path) != kLoaded) {
        ReportError(Str(str::kOpenFailed) + ": " + path);
        return kExitFailed;
    }
    app().dataFilePath = path;
    app().dataFileName = FileNamePart(path);
    return kExitOk;
}

void EcuCommand::Log(LogEntry entry) {
    entry.machine = safeWrite_->Machine();
    entry.ecu = safeWrite_->Ecu();
    std::string error;
    if (!book_->Add(entry, error)) ReportError("logbook: " + error);
}


void PrintRestoreCommand(EcuCommand& session, const SafeWriteResult& result) {
    if (!result.EcuTouched() || result.backupId == 0) return;
    // The data this ECU held a moment ago: the guard would only flag the
    // undoing of the write that just failed.
    std::string command = "rvtune restore " + std::to_string(result.backupId) + " --force";
    if (!session.PortArgument().empty()) command += " --port " + session.PortArgument();
    ReportError("the ECU's data from before the write is kept in logbook entry " +
                std::to_string(result.backupId) + "; to write it back, run:");
    std::fprintf(stderr, "%s\n", command.c_str());
    std::fflush(stderr);
}

// The end of a write-ecu or restore: the report, what the logbook could not
// take, the restore command where the ECU may hold part of the data, and
// the exit status (128 + the signal when Ctrl+C or SIGTERM stopped it).
int FinishWrite(EcuCommand& session, ExchangeOutcome written, const StopSignals& signals) {
    DataExchange& exchange = session.exchange();
    PrintReport(exchange.LastReport());
    const SafeWriteResult& result = exchange.LastSafeWrite();
    if (!result.logError.empty()) ReportError("logbook: " + result.logError);
    if (result.status == SafeWriteStatus::kInterrupted) ReportError("stopped: " + result.detail);
    PrintRestoreCommand(session, result);
    if (result.status == SafeWriteStatus::kInterrupted) return signals.ExitStatus();
    // A signal after the last record does not cut the read-back; the write's
    // outcome stands in the report, and the status still tells the signal.
    if (signals.Requested()) {
        ReportError("stopped after the last record was sent; the outcome above stands");
        return signals.ExitStatus();
    }
    return written == ExchangeOutcome::kComplete ? kExitOk : kExitFailed;
}

// The guard's questions: nobody is there to answer, so a write the guard
// stops goes only with --force.
void AnswerGuard(EcuCommand& session, bool force) {
    session.safeWrite().confirm = [force](const GuardReport& report, bool noHistory) {
        if (force) return true;
        if (noHistory) {
            ReportError(UncheckedText(report) + " Nothing was written (give --force to write anyway).");
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

