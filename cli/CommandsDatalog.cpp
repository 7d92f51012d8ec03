// rvtune datalog: the monitor items recorded at line speed into a datalog,
// as the monitor window's Record command does, for a set time or until
// Ctrl+C.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/Cli.h"
#include "cli/EcuCommand.h"
#include "ecu/DatalogRecorder.h"
#include "ecu/Monitor.h"
#include "files/DatalogWriter.h"
#include "model/Parse.h"
#include "model/Strings.h"

namespace {

using Clock = std::chrono::steady_clock;

// The longest request gap: a row a second for a few items.
constexpr long kMaxGapMs = 1000;

// "rows, rows per second" in place on a terminal; nothing otherwise.
class RowProgress {
public:
    RowProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
    void Update(std::size_t rows, Clock::time_point started, bool force = false) {
        if (!terminal_) return;
        const Clock::time_point now = Clock::now();
        if (!force && now - drawn_ < std::chrono::milliseconds(250)) return;
        drawn_ = now;
        const double seconds = std::chrono::duration<double>(now - started).count();
        std::fprintf(stderr, "\r\033[K%zu rows, %.1f rows/s", rows, seconds > 0 ? rows / seconds : 0.0);
        std::fflush(stderr);
        shown_ = true;
    }
    void End() {
        if (!shown_) return;
        std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }

private:
    bool terminal_;
    bool shown_ = false;
    Clock::time_point drawn_{};
};

bool ParseGap(const std::string& text, long& ms) {
    std::int32_t value = 0;
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos ||
        !ParseDecimal(text, value) || value > kMaxGapMs)
        return false;
    ms = value;
    return true;
}

std::string StartFailure(RecordStart start, const DatalogRecorder& recorder, const std::string& where) {
    switch (start) {
    case RecordStart::kExists: return where + " exists; give --force to replace it";
    case RecordStart::kLink: return where + " is a symbolic link; no log is written through it";
    case RecordStart::kNoItems: return "the selection names no monitor item";
    case RecordStart::kNotRunning: return "the monitor could not start";
    default: return "cannot create a log in " + where + ": " + std::strerror(recorder.LastError());
    }
}

}  // namespace

int RunDatalog(const std::vector<std::string>& arguments) {
    const std::string command = "datalog";
    Options options;
    if (!ParseOptions(command, arguments, {"--items", "--seconds", "--out", "--gap", "--port"}, options, {"--force"}))
        return kExitUsage;
    if (!options.positional.empty()) return Usage(command, "unexpected argument " + options.positional[0]);
    double seconds = 0;
    const std::string* secondsText = options.Find("--seconds");
    if (!secondsText) return Usage(command, "give --seconds S");
    if (!ParseSeconds(*secondsText, seconds)) return Usage(command, "--seconds takes a number of seconds up to 86400");
    long gapMs = 0;
    if (const std::string* gap = options.Find("--gap"); gap && !ParseGap(*gap, gapMs))
        return Usage(command, "--gap takes milliseconds from 0 to 1000");
    const std::string* out = options.Find("--out");
    const bool force = options.Has("--force");
    if (force && !out) return Usage(command, "--force goes with --out");
    struct stat existing {};
    if (out && !force && ::lstat(out->c_str(), &existing) == 0)
        return Usage(command, *out + " exists; give --force to replace it");

    EcuCommand session;
    if (int status = session.Start(options, false); status != kExitOk) return status;
    CQelApp& app = session.app();
    std::vector<std::uint8_t> selection;
    if (int status = SelectMonitorItems(command, options, app, selection); status != kExitOk) return status;

    Monitor monitor(app.diagItems, session.link(), session.protocol(), session.prompt());
    monitor.SetDialogList(selection);
    monitor.SetRequestGap(std::chrono::milliseconds(gapMs));
    // No answer to the identification: the message is out, no file is made.
    if (monitor.StartFromMenu() != 0) return kExitFailed;

    DatalogRecorder recorder(monitor, app.diagItems);
    const std::string folder = DatalogFolderFor(app.settingsFilePath);
    const RecordStart start =
        out ? recorder.StartAt(*out, force) : recorder.StartInFolder(folder, std::time(nullptr));
    if (start != RecordStart::kStarted) {
        monitor.Stop();
        ReportError(StartFailure(start, recorder, out ? *out : folder));
        return kExitFailed;
    }

    bool writeFailed = false;
    recorder.onEnded = [&writeFailed](bool failed) { writeFailed = failed; };
    const Clock::time_point started = Clock::now();
    const auto duration = std::chrono::duration<double>(seconds);
    RowProgress progress;
    StopSignals signals;
    while (!signals.Requested() && recorder.Recording() && Clock::now() - started < duration) {
        // Between requests the link timer keeps its ticks; while the monitor
        // cannot ask (an exchange), the loop waits as every wait does.
        if (monitor.RecordStep()) session.pump().DispatchAll();
        else session.pump().DispatchOne();
        progress.Update(recorder.Rows(), started);
    }
    progress.Update(recorder.Rows(), started, true);
    progress.End();
    monitor.Stop();

    const int stopped = signals.Requested() ? signals.ExitStatus() : kExitOk;
    if (recorder.RowsWithValues() == 0) {
        // Say what happened: a stop before the first row, a time too short
        // for one round of the items, or an ECU that gave no value.
        const bool anyRow = recorder.Rows() > 0;
        recorder.Discard();
        if (stopped != kExitOk && !anyRow) ReportError("Stopped before the first row; no log was kept.");
        else if (!anyRow) ReportError("No whole row in " + *secondsText + " s; no log was kept.");
        else ReportError(Str(str::kNoResponse) + " No value was recorded; no log was kept.");
        return stopped != kExitOk ? stopped : kExitFailed;
    }
    const bool closed = recorder.Stop();
    std::printf("%zu rows in %s\n", recorder.Rows(), recorder.Path().c_str());
    std::fflush(stdout);
    if (writeFailed || !closed) {
        ReportError("the log took no more rows (" + std::string(std::strerror(recorder.LastError())) +
                    "); the rows before stand in " + recorder.Path());
        return kExitFailed;
    }
    return stopped;
}
