#pragma once
// What every ECU command of rvtune shares: its options, the session over the
// machine's port (the port held for the whole command, so no other program
// talks on the line in the middle of it), the logbook, and Ctrl+C.
#include <csignal>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "ecu/DataExchange.h"
#include "ecu/EcuSession.h"
#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "edit/CalibrationDiff.h"   // CsvField
#include "platform/EventPump.h"

class PosixSerialPort;
class NamedDevicePort;

// Options of the form "--name value" anywhere among the arguments; the rest
// are positional.
struct Options {
    std::vector<std::pair<std::string, std::string>> named;
    std::vector<std::string> flags;   // options without a value
    std::vector<std::string> positional;
    bool Has(const std::string& flag) const;
    const std::string* Find(const std::string& name) const;
};

int Usage(const std::string& command, const std::string& reason);
// false after the reason was reported.
bool ParseOptions(const std::string& command, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& allowed, Options& options,
                  const std::vector<std::string>& flags = {});
// Hex with an optional "0x", at most max.
bool ParseHexArgument(std::string text, std::uint32_t max, std::uint32_t& value);
// The report text as lines on stdout, without its carriage returns and
// without the blank line that separates actions.
void PrintReport(const std::string& report);
// The machine's name in the logbook: its folder, as data files name it.
std::string MachineName(const CQelApp& app);

class StopSignals;
class EcuCommand;

// Seconds as a decimal number, 0 < seconds <= one day.
bool ParseSeconds(const std::string& text, double& seconds);
// The monitor items of --items NAME,... (at most 30, each name an item of
// the definition), else the selection the monitor window would show:
// kExitOk, or kExitUsage after the reason was reported (a definition
// without monitor items among them).
int SelectMonitorItems(const std::string& command, const Options& options, const CQelApp& app,
                       std::vector<std::uint8_t>& selection);
// rvtune datalog (cli/CommandsDatalog.cpp).
int RunDatalog(const std::vector<std::string>& arguments);
struct SafeWriteResult;

// After a write that may have left the ECU half-written: the exact command
// that writes the backup back, on stderr.
void PrintRestoreCommand(EcuCommand& session, const SafeWriteResult& result);
// The end of a write-ecu or restore: the report, what the logbook could not
// take, the restore command where the ECU may hold part of the data, and
// the exit status (128 + the signal when Ctrl+C or SIGTERM stopped it).
int FinishWrite(EcuCommand& session, ExchangeOutcome written, const StopSignals& signals);
// The guard's questions: nobody is there to answer, so a write the guard
// stops goes only with --force.
void AnswerGuard(EcuCommand& session, bool force);

// SIGINT and SIGTERM for the time of a write: the first asks the write to
// stop at the next record; the previous handlers come back at the end.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    bool Requested() const;
    // The exit status of a command a signal stopped: 128 + its number.
    int ExitStatus() const;

private:
    void (*previousInt_)(int);
    void (*previousTerm_)(int);
};

// Everything an ECU command needs, built after the start-up.
class EcuCommand {
public:
    EcuCommand();
    ~EcuCommand();
    // kExitOk; kExitUsage after the reason was reported; kExitFailed when
    // holdPort is set and another program holds the port (nothing is sent).
    int Start(const Options& options, bool holdPort = true);
    // Opens the port for the rest of the command: kExitOk, or kExitFailed
    // after the reason was reported when another program holds it.
    int HoldPort();
    // kExitOk, or kExitFailed after the reason was reported.
    int Load(const std::string& path);

    CQelApp& app() { return session_.app(); }
    UserPrompt& prompt() { return session_.prompt(); }
    HeadlessEventPump& pump() { return pump_; }
    SerialLink& link() { return ecu_->Link(); }
    EcuProtocol& protocol() { return ecu_->Protocol(); }
    EcuSession& ecu() { return *ecu_; }
    DataExchange& exchange() { return *exchange_; }
    Logbook& book() { return *book_; }
    SafeWrite& safeWrite() { return *safeWrite_; }
    TerminalProgress& progress() { return progress_; }
    // The port as the command line gave it, for a command to print.
    const std::string& PortArgument() const { return port_; }

    // Adds an entry of this machine and ECU; a logbook that cannot take it
    // is reported, the operation's own result stands.
    void Log(LogEntry entry);

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
