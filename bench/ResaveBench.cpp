// "rvtune resave" and "rvtune export" of a calibration that covers the whole
// 64 KB image (4096 records), as whole processes, against "cp" of the same
// file: what the load, the checksum, the regenerated "Data" section and the
// atomic write cost beyond moving the bytes. Also the data file load alone,
// in the core.
//
//   build/bin/ResaveBench                          Google Benchmark
//   build/bin/ResaveBench --table [--runs N]       the rows of bench/run: the
//       three commands in turn N times, so every ratio comes from the same run
//       as its reference
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "bench/support/BenchMachine.h"
#include "bench/support/Rows.h"
#include "files/DataFile.h"
#include "model/Image.h"
#include "platform/UserPrompt.h"

namespace fs = std::filesystem;

namespace {

struct BenchInstall : BenchMachine {
    std::string input;
    std::string output;

    BenchInstall()
        : BenchMachine("rvbench", "BNC01",
                       "[Free Map]\n8000,80FF,0000\nFuel,0,F\nTHROT,0,100,x/2,x*2\nRPM,0,12750,x*50,x/50\n"
                       "Fuel,0,25.5,x/20,x*20\n[Calib]\n9000,1,Idle,10,0,rpm,1\n") {
        Image image{};
        for (std::size_t a = 0; a < kImageSize; ++a) image[a] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
        image[0x8000] = 8;
        image[0x8001] = 12;
        input = WriteDataFile("full.qsd", "BNC01", image);
        output = root + "/out.qsd";
        Select();
    }
};

BenchInstall& Install() {
    static BenchInstall install;
    return install;
}

int RunQuietly(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Rvtune() {
    return (fs::read_symlink("/proc/self/exe").parent_path() / "rvtune").string();
}

void BM_RvtuneResaveWholeImage(benchmark::State& state) {
    BenchInstall& install = Install();
    const std::string tool = Rvtune();
    for (auto _ : state) {
        if (RunQuietly({tool, "resave", install.input, install.output}) != 0) {
            state.SkipWithError("rvtune resave failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(install.input)));
}
BENCHMARK(BM_RvtuneResaveWholeImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpSameFile(benchmark::State& state) {
    BenchInstall& install = Install();
    for (auto _ : state) {
        if (RunQuietly({"cp", install.input, install.output}) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(install.input)));
}
BENCHMARK(BM_CpSameFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

using Clock = std::chrono::steady_clock;

class QuietPrompt : public UserPrompt {
public:
    void Message(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon,
                     PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

// Milliseconds the command took as a process; negative when it failed.
double TimedRun(const std::vector<std::string>& argv) {
    const Clock::time_point started = Clock::now();
    if (RunQuietly(argv) != 0) return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

int RunTable(int runs) {
    BenchInstall& install = Install();
    const std::string tool = Rvtune();
    const std::string exported = install.root + "/out.txt";
    std::vector<double> resave, exportMs, copy, durable;
    for (int run = 0; run < runs; ++run) {
        // In turn, so that a busy moment of the machine falls on all three alike.
        const double r = TimedRun({tool, "resave", install.input, install.output});
        const double e = TimedRun({tool, "export", install.input, exported});
        const double c = TimedRun({"cp", install.input, install.output});
        // A copy that is on the disk when it ends, as a save must be: cp,
        // then the file and its folder flushed.
        const double d1 = TimedRun({"cp", install.input, install.output});
        const double d2 = TimedRun({"sync", install.output, install.root});
        if (r < 0 || e < 0 || c < 0 || d1 < 0 || d2 < 0) {
            std::fprintf(stderr, "ResaveBench: %s failed\n", r < 0 ? "rvtune resave" : e < 0 ? "rvtune export" : "cp");
            return 1;
        }
        resave.push_back(r);
        exportMs.push_back(e);
        copy.push_back(c);
        durable.push_back(d1 + d2);
    }
    const double cp = rows::Median(copy);
    const std::string reference = rows::Format("cp %.2f ms", cp);
    for (auto [name, times] : {std::pair<const char*, std::vector<double>*>{"resave", &resave},
                               {"export", &exportMs}}) {
        const double ratio = rows::Median(*times) / cp;
        rows::Print(std::string("rvtune ") + name + " of a whole 64 KB calibration (" +
                        std::to_string(fs::file_size(install.input)) + " bytes)",
                    reference, rows::Format("%.2f ms", rows::Median(*times)) + rows::Format(" = %.2f x", ratio),
                    "<= 2 x", rows::Verdict(ratio <= 2.0));
    }
    // The save flushes the file and its folder before it reports success, so
    // that a power cut cannot bring the old file back; cp flushes nothing.
    const double cpSync = rows::Median(durable);
    const double durableRatio = rows::Median(resave) / cpSync;
    rows::Print("rvtune resave, against a copy flushed to the disk",
                rows::Format("cp + sync of the file and its folder %.2f ms", cpSync),
                rows::Format("%.2f ms", rows::Median(resave)) + rows::Format(" = %.2f x", durableRatio),
                "<= 2 x", rows::Verdict(durableRatio <= 2.0));

    // The load alone, in the process: parse, records into the image, checks.
    QuietPrompt prompt;
    AppOptions options;
    options.registryPath = install.root + "/registry.reg";
    CQelApp app(options);
    HeadlessHost host(prompt);
    if (!app.InitInstance(host)) {
        std::fprintf(stderr, "ResaveBench: the start-up failed\n");
        return 1;
    }
    std::vector<double> loads;
    for (int run = 0; run < std::max(runs, 20); ++run) {
        const Clock::time_point started = Clock::now();
        const int result = LoadDataFile(app, app, prompt, install.input);
        loads.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        if (result != kLoaded) {
            std::fprintf(stderr, "ResaveBench: the data file did not load\n");
            return 1;
        }
    }
    rows::Print("data file load of the 64 KB calibration in the core", "-",
                rows::Format("%.2f ms", rows::Median(loads)), "report", "-");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (rows::HasArgument(argc, argv, "--table")) return RunTable(rows::RunsArgument(argc, argv, 15));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
