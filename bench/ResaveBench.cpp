// "rvtune resave" of a calibration that covers the whole 64 KB image (4096
// records), as a whole process, against "cp" of the same file: what the load,
// the checksum, the regenerated "Data" section and the atomic write cost
// beyond moving the bytes. Built with -DRV_BENCH=ON; run from build/bin.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/SRecord.h"
#include "model/Image.h"
#include "tests/support/TestRegistry.h"

namespace fs = std::filesystem;

namespace {

struct BenchInstall {
    std::string root;
    std::string input;
    std::string output;

    BenchInstall() {
        std::string pattern = (fs::temp_directory_path() / "rvbench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        fs::create_directories(root + "/install/BNC01");
        fs::create_directories(root + "/tmp");
        Write("install/BNC01/RV_Tune.INI", "[RS232C]\nPORT=PORT1\n");
        Write("install/BNC01/RV_Tune.STZ",
              "[Free Map]\n8000,80FF,0000\nFuel,0,F\nTHROT,0,100,x/2,x*2\nRPM,0,12750,x*50,x/50\n"
              "Fuel,0,25.5,x/20,x*20\n[Calib]\n9000,1,Idle,10,0,rpm,1\n");
        Write("registry.reg", TestRegistryText(TestInstallValues(root + "/install", "Bench(BNC01)", "BNC01")));
        Image image{};
        for (std::size_t a = 0; a < kImageSize; ++a) image[a] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
        image[0x8000] = 8;
        image[0x8001] = 12;
        std::string text = "[Machine]\r\nModel,BNC01\r\n[Title]\r\nBench,whole image\r\n[Data]\r\nCalib:\r\n";
        for (std::size_t a = 0; a < kImageSize; a += 16)
            text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\r\n";
        text += "S9030000FC\r\nFixed:\r\n";
        input = Write("full.qsd", text);
        output = root + "/out.qsd";
        ::setenv("RV_TUNE_REGISTRY", (root + "/registry.reg").c_str(), 1);
        ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    }
    ~BenchInstall() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
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
