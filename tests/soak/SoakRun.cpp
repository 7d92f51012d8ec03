// A long run against ecusim over a real pseudo-terminal on a flaky line:
// the monitor polls all the time while verify, read and single writes run
// in turn; before each operation the line's random faults (ecusim --chaos)
// are switched on or off at random.
//
//   soakrun [--seconds N] [--seed S]
//
// Checked, every operation: it ends (a watchdog aborts a hang); a failure
// comes with its message or report line; the calibration in memory is
// never changed; an operation on a clean line succeeds and gives the right
// data even right after a failed one, so no byte of one operation reaches
// the next. At the end: the peak resident size is within 10 % of what it
// was after the first quarter of the run (the first minute of a long run).
// Exit 0 when all held, 1 otherwise.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "ecu/DataExchange.h"
#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "ecu/ProgressDisplay.h"
#include "files/DataFile.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "tests/files/TestInstall.h"
#include "tests/support/Ecusim.h"
#include "tests/support/RecordingPrompt.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kOperationBoundSeconds = 180;

const char* const kMonitorItems =
    "[Diag.Com]\n"
    "M,02,Engine Speed,rpm,2,1,0\n"
    "M,10,Throttle,%,1,0.4,0\n"
    "M,12,Coolant,degC,1,1,-40\n"
    "M,20,Battery,V,1,0.1,0\n";

void OnHang(int) {
    const char text[] = "soakrun: an operation did not end: HANG\n";
    if (::write(STDERR_FILENO, text, sizeof text - 1) < 0) {
    }
    std::abort();
}

// kB of the peak resident size so far.
long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct Tally {
    int runs = 0, failed = 0, failedClean = 0;
};

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else {
            std::fprintf(stderr, "usage: soakrun [--seconds N] [--seed S]\n");
            return 2;
        }
    }
    std::signal(SIGALRM, OnHang);
    std::mt19937 random(seed);
    std::printf("seed %u, %.0f seconds\n", seed, seconds);

    testinstall::Install install;
    install.dir.Write("install/TST01/RV_Tune.STZ", std::string(testinstall::Definition()) + kMonitorItems);
    const std::string calibrationPath = install.dir.Write("cal.qsd", testinstall::CalibrationFile());
    const std::string link = install.dir.File("ecu");
    ::setenv("TMPDIR", install.TmpPath().c_str(), 1);
    ::setenv("RV_TUNE_COM1", link.c_str(), 1);

    EcusimProcess ecusim(link, {"--image", calibrationPath, "--chaos", std::to_string(seed % 2147483647u), "--item",
                                "02:2", "--item", "10:1", "--item", "12:1", "--item", "20:1"});
    if (!ecusim.Ready()) {
        std::fprintf(stderr, "soakrun: ecusim did not start\n");
        return 1;
    }

    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    AppOptions options;
    options.registryPath = install.RegistryPath();
    CQelApp app(options);
    if (!app.InitInstance(host) || LoadDataFile(app, app, prompt, calibrationPath) != kLoaded) {
        std::fprintf(stderr, "soakrun: the test machine did not start\n");
        return 1;
    }
    app.portCode = 0;
    PosixSerialPort port(&app.registryStore());
    HeadlessEventPump pump;
    SilentProgress progress;
    EcuSession session(app, app.definitionLines, port, pump, pump, prompt, progress);
    pump.onTick = [&session] { session.OnTick(); };
    DataExchange exchange(app, app.registry, app.defaultFolder, session.Protocol(), prompt);
    Monitor monitor(app.diagItems, session.Link(), session.Protocol(), prompt);
    monitor.SetDialogList({0, 1, 2, 3});
    monitor.OpenWindow();
    long cycles = 0;
    monitor.onCycle = [&cycles] { ++cycles; };

    const Image calibration = app.image();
    const std::uint16_t first = testinstall::kDataStart, last = testinstall::kDataEnd;
    std::vector<std::string> faults;
    Tally tally[3];
    const char* names[3] = {"verify", "read", "single write"};
    int monitorStarts = 0, monitorStartFailures = 0;
    long peakAfterWarmUp = -1;
    const double warmUp = seconds >= 240 ? 60 : seconds / 4;
    const Clock::time_point started = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    auto idle = [&](int ms) {
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until) pump.DispatchOne();
    };

    bool lastFaulted = false;
    while (elapsed() < seconds && faults.size() < 10) {
        if (!monitor.Running()) {
            ++monitorStarts;
            ::alarm(kOperationBoundSeconds);
            if (monitor.StartFromMenu() != 0) ++monitorStartFailures;
            ::alarm(0);
        }
        const bool faulted = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        ecusim.Signal(faulted ? SIGUSR1 : SIGUSR2);
        // After a faulted operation the ECU may still wait for the rest of a
        // command; it gives up after its echo time-out of 2 s.
        idle(lastFaulted && !faulted ? 2500 : std::uniform_int_distribution<int>(100, 600)(random));

        const int kind = std::uniform_int_distribution<int>(0, 2)(random);
        exchange.Clear();   // a fresh buffer: no question about the data it held
        const std::size_t promptsBefore = prompt.shown.size();
        bool ok = false;
        std::string detail;
        ::alarm(kOperationBoundSeconds);
        if (kind == 0) {
            ok = exchange.Read(ExchangeSource::kEdit) == ExchangeOutcome::kComplete;
            const ExchangeOutcome outcome = ok ? exchange.Verify(ExchangeSource::kEcu) : ExchangeOutcome::kFail;
            ok = outcome == ExchangeOutcome::kSame;
            if (outcome == ExchangeOutcome::kNotSame) detail = "the ECU differs from the calibration";
        } else if (kind == 1) {
            ok = exchange.Read(ExchangeSource::kEcu) == ExchangeOutcome::kComplete;
            if (ok) {
                const DataPane& pane = exchange.ExchangeBuffer();
                for (std::size_t i = 0; i < pane.bytes.size(); ++i) {
                    const std::size_t address = pane.start + i;
                    if (address >= first && address <= last && pane.bytes[i] != calibration[address]) {
                        ok = false;
                        detail = "a read brought a byte the ECU does not hold at " + std::to_string(address);
                        break;
                    }
                }
            }
        } else {
            // The calibration's own bytes, so the ECU stays equal to it.
            std::vector<EcuByteWrite> bytes;
            for (int i = 0; i < 3; ++i) {
                const auto address = static_cast<std::uint16_t>(
                    std::uniform_int_distribution<int>(first, last - 1)(random));
                bytes.push_back({address, calibration[address]});
            }
            ok = session.WriteBytes(bytes) == 0;
        }
        ::alarm(0);

        Tally& t = tally[kind];
        ++t.runs;
        const std::string when = " (" + std::string(names[kind]) + " at " + std::to_string(elapsed()) + " s, " +
                                 (faulted ? "faults on" : "clean line") + (lastFaulted ? ", after a faulted one" : "") +
                                 ")";
        if (!ok) {
            ++t.failed;
            const bool reported = prompt.shown.size() > promptsBefore ||
                                  (kind != 2 && exchange.LastReport().find(exchangetext::kFail) != std::string::npos);
            if (!detail.empty()) faults.push_back(detail + when);
            else if (!reported) faults.push_back("a failure without a message" + when);
            if (!faulted) {
                ++t.failedClean;
                std::string message = prompt.shown.size() > promptsBefore ? prompt.shown.back().text : exchange.LastReport();
                faults.push_back("failed on a clean line: " + message + when);
            }
        }
        if (app.image() != calibration) {
            faults.push_back("the calibration in memory changed" + when);
            app.image() = calibration;
        }
        lastFaulted = faulted;
        if (peakAfterWarmUp < 0 && elapsed() >= warmUp) peakAfterWarmUp = PeakResidentKb();
    }
    ecusim.Signal(SIGUSR2);
    monitor.Stop();
    session.ClosePort();
    const long peakAtEnd = PeakResidentKb();

    std::printf("%-13s %6s %7s %13s\n", "operation", "runs", "failed", "failed clean");
    for (int k = 0; k < 3; ++k)
        std::printf("%-13s %6d %7d %13d\n", names[k], tally[k].runs, tally[k].failed, tally[k].failedClean);
    std::printf("monitor: %ld cycles, %d starts (%d failed), %zu messages in all\n", cycles, monitorStarts,
                monitorStartFailures, prompt.shown.size());
    std::printf("peak resident: %ld kB after %.0f s, %ld kB at the end (%.0f s)\n", peakAfterWarmUp, warmUp, peakAtEnd,
                elapsed());
    if (peakAfterWarmUp > 0 && peakAtEnd > peakAfterWarmUp * 11 / 10)
        faults.push_back("memory grew more than 10 % after the warm-up");
    if (tally[0].runs + tally[1].runs + tally[2].runs == 0) faults.push_back("no operation ran");
    for (const std::string& fault : faults) std::printf("FAULT %s\n", fault.c_str());
    app.ExitInstance();
    return faults.empty() ? 0 : 1;
}
