// RV_Tune's start-up and memory against a bare Qt Widgets program
// (BareQtWindow, built beside it): both run with --first-paint-exit
// behaviour, RV_Tune with a whole-image calibration open in its map, table
// and HEX windows. Start-up is the time from starting the process to its
// "first paint after" line arriving here (no start-up picture: RV_Tune skips
// it with that option); memory is the peak resident size the kernel reports
// for the finished process. The two programs run in turn, so each ratio
// comes from the same run as its reference.
//
//   build/bin/StartupBench [--runs N]     prints the rows of bench/run
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/support/BenchMachine.h"
#include "bench/support/Rows.h"
#include "model/Image.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTimeoutMs = 30000;

// A machine with a full-size Free Map (15 THROT rows x 17 RPM columns) and
// two small ones, and a data file over the whole 64 KB image.
struct Install : BenchMachine {
    std::string dataFile;

    Install()
        : BenchMachine("rvstartbench", "BNC02",
                       "[Free Map]\n8000,83FF,0000\n"
                       "Injection,0,F\nTHROT,0,100,x/2,x*2\nRPM,500,12750,x*50,x/50\nFuel,0,12.75,x/20,x*20\n"
                       "Ignition,0,G\nTHROT,0,100,x/2,x*2\nRPM,500,12750,x*50,x/50\nAdvance,-10,117.5,x/2-10,(x+10)*2\n"
                       "[Calib]\n8300,1,Idle,10,0,rpm,1\n") {
        Image image{};
        for (std::size_t a = 0; a < kImageSize; ++a) image[a] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
        // The two maps one after the other from 0x8000.
        std::size_t a = 0x8000;
        for (int map = 0; map < 2; ++map) {
            image[a++] = 15;
            image[a++] = 17;
            for (int r = 0; r < 15; ++r) image[a++] = static_cast<std::uint8_t>(r * 14);
            for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(10 + c * 14);
            for (int r = 0; r < 15; ++r)
                for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(20 + r * 9 + c * 4 + map);
        }
        dataFile = WriteDataFile("full.qsd", "BNC02", image);
    }
};

struct Run {
    bool ok = false;
    double startMs = 0;     // process start to its "first paint after" line
    double peakMb = 0;      // peak resident size
};

// Starts the program, waits for its line and its end.
Run Measure(const std::string& program, const std::vector<std::string>& arguments, const std::string& errors) {
    Run result;
    int out[2];
    if (::pipe(out) != 0) return result;
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const Clock::time_point started = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err, 2);
        ::close(out[0]);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    bool seen = false;
    for (;;) {
        const long long left =
            kTimeoutMs - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        pollfd entry{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0) break;
        char buffer[256];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (!seen && text.find("first paint after") != std::string::npos && text.find('\n') != std::string::npos) {
            seen = true;
            result.startMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        }
    }
    ::close(out[0]);
    if (!seen) ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;   // kilobytes on Linux
    result.ok = seen && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = rows::RunsArgument(argc, argv, 9);
    Install install;
    install.Select();
    ::setenv("RV_TUNE_OPEN", install.dataFile.c_str(), 1);
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform == nullptr || *platform == '\0')
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string tune = (bin / "RV_Tune").string();
    const std::string bare = (bin / "BareQtWindow").string();

    std::vector<double> tuneMs, bareMs, tuneMb, bareMb, textMs, textMb;
    for (int run = 0; run < runs; ++run) {
        const std::string errors = install.root + "/stderr.txt";
        const Run t = Measure(tune, {"--first-paint-exit"}, errors);
        const Run b = t.ok ? Measure(bare, {}, errors) : Run{};
        const Run x = b.ok ? Measure(bare, {"--text"}, errors) : Run{};
        if (!t.ok || !b.ok || !x.ok) {
            std::fprintf(stderr, "StartupBench: %s did not paint and end\n", !t.ok ? "RV_Tune" : "BareQtWindow");
            std::ifstream log(errors);
            std::fputs(std::string(std::istreambuf_iterator<char>(log), {}).c_str(), stderr);
            return 1;
        }
        tuneMs.push_back(t.startMs);
        bareMs.push_back(b.startMs);
        tuneMb.push_back(t.peakMb);
        bareMb.push_back(b.peakMb);
        textMs.push_back(x.startMs);
        textMb.push_back(x.peakMb);
    }
    const std::string platform = std::getenv("QT_QPA_PLATFORM");
    // One row: RV_Tune's median against a reference's, in the given unit.
    auto row = [](const std::string& what, const std::string& reference, const std::vector<double>& tune,
                  const std::vector<double>& base, const char* unit, double target) {
        const double ratio = rows::Median(tune) / rows::Median(base);
        rows::Print(what, rows::Format((reference + " %.1f " + unit).c_str(), rows::Median(base)),
                    rows::Format((std::string("%.1f ") + unit).c_str(), rows::Median(tune)) +
                        rows::Format(" = %.2f x", ratio),
                    rows::Format("<= %.1f x", target), rows::Verdict(ratio <= target));
    };
    row("RV_Tune start-up to the first painted main window, calibration open (" + platform + ")",
        "bare Qt window", tuneMs, bareMs, "ms", 1.5);
    row("peak resident memory, calibration and three windows open", "bare Qt window", tuneMb, bareMb, "MB", 1.3);
    // The same against the bare window with one line of text: what RV_Tune
    // costs beyond the fonts every program that shows text loads.
    row("RV_Tune start-up, against a bare window showing one line of text", "bare Qt window with text", tuneMs,
        textMs, "ms", 1.5);
    row("peak resident memory, against a bare window showing one line of text", "bare Qt window with text",
        tuneMb, textMb, "MB", 1.3);
    return 0;
}
