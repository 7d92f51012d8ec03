// Block read and block write against "ecusim --baud 19200", through the
// serial link, the protocol and the headless event pump as rvtune drives
// them: a 4 KB calibration and the whole 64 KB image. These are the
// protocol's transfers alone; a write from the program or rvtune also backs
// up and verifies (a read before and after it). Every character crosses the
// line twice (the character and its echo), so the line-time minimum is
// 2 x characters x 10 bits / baud. Also measured: the tool's echo turnaround
// (from a byte arriving to the tool's next byte going out).
//
//   build/bin/EcuTransferBench             Google Benchmark, 4 KB, paced and unpaced
//   build/bin/EcuTransferBench --table [--runs N] [--no-64k]
//                                          the rows of bench/run, medians of N runs
// The unpaced ecusim (baud 0) shows what the two processes and the
// pseudo-terminal cost per character without a line.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "bench/support/Rows.h"
#include "ecu/EcuProtocol.h"
#include "ecu/ProgressDisplay.h"
#include "ecu/SerialLink.h"
#include "files/SRecord.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "platform/UserPrompt.h"
#include "tests/support/Ecusim.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBaud = 19200;

struct Block {
    std::uint16_t start;
    std::size_t size;
    const char* name;
};
constexpr Block k4K{0x8000, 4096, "4 KB"};
constexpr Block k64K{0x0000, 65536, "64 KB"};

// Times from each byte received to the next byte sent.
class TimedPort : public SerialPort {
public:
    explicit TimedPort(SerialPort& inner) : inner_(inner) {}
    bool Open(const std::string& device, const LineSettings& line) override { return inner_.Open(device, line); }
    void SetTimeouts(const PortTimeouts& timeouts) override { inner_.SetTimeouts(timeouts); }
    bool Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) override {
        const bool ok = inner_.Read(buffer, n, count);
        if (ok && count > 0) {
            lastIn_ = Clock::now();
            waiting_ = true;
        }
        return ok;
    }
    bool Write(const std::uint8_t* data, std::size_t n) override {
        if (waiting_) {
            turnaroundsUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - lastIn_).count());
            waiting_ = false;
        }
        return inner_.Write(data, n);
    }
    void ClearError() override {
        waiting_ = false;
        inner_.ClearError();
    }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    int LastError() const override { return inner_.LastError(); }
    long LockHolder() const override { return inner_.LockHolder(); }

    std::vector<double> turnaroundsUs;

private:
    SerialPort& inner_;
    Clock::time_point lastIn_;
    bool waiting_ = false;
};

class QuietPrompt : public UserPrompt {
public:
    void Message(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon,
                     PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

std::vector<std::uint8_t> Calibration(const Block& block) {
    std::vector<std::uint8_t> bytes(block.size);
    for (std::size_t i = 0; i < block.size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    return bytes;
}

std::vector<std::string> Records(const Block& block) {
    const std::vector<std::uint8_t> bytes = Calibration(block);
    std::vector<std::string> lines;
    BuildRecords(bytes.data(), bytes.size(), block.start, static_cast<std::uint16_t>(bytes.size() - 1), lines);
    return lines;
}

std::size_t Characters(const std::vector<std::string>& lines) {
    std::size_t count = 0;
    for (const std::string& line : lines) count += line.size();
    return count;
}

double LineMinimumSeconds(std::size_t characters, int baud) {
    return 2.0 * static_cast<double>(characters) * 10.0 / baud;
}

// ecusim at the given speed (0: unpaced) holding the block, and the tool's
// side of the line.
struct Bench {
    Block block;
    std::string root;
    std::string link;
    std::unique_ptr<EcusimProcess> sim;
    std::unique_ptr<CQelApp> app;
    std::unique_ptr<PosixSerialPort> posix;
    std::unique_ptr<TimedPort> port;
    HeadlessEventPump pump;
    std::unique_ptr<SerialLink> serial;
    QuietPrompt prompt;
    SilentProgress progress;
    std::unique_ptr<EcuProtocol> protocol;

    Bench(int baud, const Block& b) : block(b) {
        std::string pattern = (fs::temp_directory_path() / "rvecubench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        link = root + "/ecu";
        std::string text;
        const std::vector<std::string> records = Records(block);
        for (const std::string& line : records) text += line + "\r\n";
        std::ofstream(root + "/cal.s19", std::ios::binary) << text;

        std::vector<std::string> arguments = {"--image", root + "/cal.s19"};
        // --precise: each paced byte leaves at its moment on the line, not
        // when a timer happens to wake ecusim (tens to hundreds of
        // microseconds late, a tenth of a character), so what is measured
        // beyond the line is the tool and the pseudo-terminal.
        if (baud > 0) arguments.insert(arguments.end(), {"--baud", std::to_string(baud), "--precise"});
        sim = std::make_unique<EcusimProcess>(link, arguments);

        AppOptions options;
        options.registryPath = root + "/registry.reg";
        app = std::make_unique<CQelApp>(options);
        app->portCode = 0;
        app->speedCode = 5;        // 19200
        app->dataBitsCode = 1;
        app->parityCode = 0;
        app->stopBitsCode = 0;
        app->flowCode = 1;         // no XON/XOFF
        app->readTimeout = 50;
        app->waitTime = 100;
        app->retryCount = 9;
        app->ecRetryCount = 4;
        app->registry.readEcuNum = static_cast<int>(records.size() - 1);
        const std::string letters = "JjLMmNSsWRV", setB = "HhKOoQUuXYZ";
        for (std::size_t i = 0; i < letters.size(); ++i) {
            app->commandSetA[letters[i]] = letters[i];
            app->commandSetB[letters[i]] = setB[i];
        }
        posix = std::make_unique<PosixSerialPort>(&app->registryStore());
        port = std::make_unique<TimedPort>(*posix);
        serial = std::make_unique<SerialLink>(*app, *port, pump, pump);
        pump.onTick = [this] { serial->OnTick(); };
        protocol = std::make_unique<EcuProtocol>(*app, app->definitionLines, *serial, prompt, progress);
    }
    ~Bench() {
        if (serial) serial->ClosePort();
        protocol.reset();
        serial.reset();
        sim.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void Select() const {
        // Each transfer opens COM1 afresh.
        ::setenv("RV_TUNE_COM1", link.c_str(), 1);
    }

    // One block read: its time in seconds and the characters it received,
    // false when it failed or brought other bytes.
    bool Read(double& seconds, std::size_t& characters) {
        Select();
        const Clock::time_point started = Clock::now();
        const EcuReadResult result = protocol->ReadEcu();
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        characters = result.text.size();
        return result.code == 0 && result.data.bytes == Calibration(block);
    }

    bool Write(double& seconds, std::size_t& characters) {
        Select();
        const std::vector<std::string> lines = Records(block);
        characters = Characters(lines);
        const Clock::time_point started = Clock::now();
        const EcuWriteResult result = protocol->WriteEcu(lines);
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        return result.code == 0;
    }
};

Bench& TheBench(int baud) {
    static std::map<int, std::unique_ptr<Bench>> benches;
    auto& bench = benches[baud];
    if (!bench) bench = std::make_unique<Bench>(baud, k4K);
    return *bench;
}

void Report(benchmark::State& state, int baud, std::size_t characters, double seconds,
            const std::vector<double>& turnarounds) {
    state.counters["chars"] = static_cast<double>(characters);
    state.counters["took_s"] = seconds;
    state.counters["per_char_us"] = seconds * 1e6 / static_cast<double>(characters);
    if (baud > 0) {
        state.counters["line_min_s"] = LineMinimumSeconds(characters, baud);
        state.counters["ratio"] = seconds / LineMinimumSeconds(characters, baud);
    }
    if (!turnarounds.empty()) {
        state.counters["echo_med_us"] = rows::Median(turnarounds);
        state.counters["echo_p99_us"] = rows::Percentile(turnarounds, 0.99);
    }
}

void BM_ReadEcu4K(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    Bench& bench = TheBench(baud);
    double seconds = 0;
    std::size_t characters = 0;
    for (auto _ : state) {
        bench.port->turnaroundsUs.clear();
        if (!bench.Read(seconds, characters)) {
            state.SkipWithError("the block read failed");
            return;
        }
    }
    Report(state, baud, characters, seconds, bench.port->turnaroundsUs);
}
BENCHMARK(BM_ReadEcu4K)->Arg(kBaud)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_WriteEcu4K(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    Bench& bench = TheBench(baud);
    double seconds = 0;
    std::size_t characters = 0;
    for (auto _ : state) {
        bench.port->turnaroundsUs.clear();
        if (!bench.Write(seconds, characters)) {
            state.SkipWithError("the block write failed");
            return;
        }
    }
    Report(state, baud, characters, seconds, bench.port->turnaroundsUs);
}
BENCHMARK(BM_WriteEcu4K)->Arg(kBaud)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The floor under every exchange with ecusim: one byte from this process to
// a child through a pseudo-terminal and straight back, with nothing else
// done on either side. Round trips in microseconds; empty when no
// pseudo-terminal could be had.
std::vector<double> PtyRoundTripsUs(int count) {
    std::vector<double> trips;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return trips;
    const char* name = ::ptsname(master);
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0) {
        ::close(master);
        return trips;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(slave);
        std::uint8_t byte = 0;
        while (::read(master, &byte, 1) == 1)
            if (::write(master, &byte, 1) != 1) break;
        ::_exit(0);
    }
    trips.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count && child > 0; ++i) {
        std::uint8_t byte = static_cast<std::uint8_t>(i);
        const Clock::time_point sent = Clock::now();
        if (::write(slave, &byte, 1) != 1 || ::read(slave, &byte, 1) != 1) break;
        trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(slave);
    ::close(master);
    return trips;
}

// The rows of bench/run: for each block, runs reads and writes in turn and
// reports the medians against the line-time minimum; then the echo
// turnaround over every character of every run.
int RunTable(int runs, bool with64K) {
    // Every character of a transfer is one round trip through the
    // pseudo-terminal between two processes; what that costs with nothing
    // else done is measured first, and the line minimum plus it is the
    // floor any tool meets against ecusim.
    const std::vector<double> trips = PtyRoundTripsUs(20000);
    const double tripUs = rows::Median(trips);
    rows::Print("pseudo-terminal round trip, two bare processes, one byte each way",
                "median and 99th percentile of " + std::to_string(trips.size()) + " round trips",
                rows::Format("median %.1f us", tripUs) +
                    rows::Format(", p99 %.1f us", rows::Percentile(trips, 0.99)),
                "report", "-");
    std::vector<double> turnarounds;
    std::vector<Block> blocks = {k4K};
    if (with64K) blocks.push_back(k64K);
    for (const Block& block : blocks) {
        Bench bench(kBaud, block);
        std::vector<double> reads, writes;
        std::size_t readChars = 0, writeChars = 0;
        for (int run = 0; run < runs; ++run) {
            double seconds = 0;
            bench.port->turnaroundsUs.clear();
            if (!bench.Read(seconds, readChars)) {
                std::fprintf(stderr, "EcuTransferBench: the %s block read failed\n", block.name);
                return 1;
            }
            reads.push_back(seconds);
            if (!bench.Write(seconds, writeChars)) {
                std::fprintf(stderr, "EcuTransferBench: the %s block write failed\n", block.name);
                return 1;
            }
            writes.push_back(seconds);
            turnarounds.insert(turnarounds.end(), bench.port->turnaroundsUs.begin(),
                               bench.port->turnaroundsUs.end());
        }
        auto row = [&](const char* direction, const std::vector<double>& times, std::size_t characters) {
            const double minimum = LineMinimumSeconds(characters, kBaud);
            const double ratio = rows::Median(times) / minimum;
            rows::Print(std::string("ECU block ") + direction + ", " + block.name +
                            ", 19200 baud, ecusim --precise (protocol only, no backup or verify)",
                        rows::Format("line minimum %.2f s", minimum) + " (" + std::to_string(characters) +
                            " characters)",
                        rows::Format("%.2f s", rows::Median(times)) + rows::Format(" = %.3f x", ratio),
                        "<= 1.05 x", rows::Verdict(ratio <= 1.05));
            const double floor = minimum + static_cast<double>(characters) * tripUs / 1e6;
            const double floorRatio = rows::Median(times) / floor;
            rows::Print(std::string("ECU block ") + direction + ", " + block.name +
                            ", against the line and the pseudo-terminal",
                        rows::Format("line minimum + one round trip a character %.2f s", floor),
                        rows::Format("%.2f s", rows::Median(times)) + rows::Format(" = %.3f x", floorRatio),
                        "<= 1.05 x", rows::Verdict(floorRatio <= 1.05));
        };
        row("read", reads, readChars);
        row("write", writes, writeChars);
    }
    const double median = rows::Median(turnarounds);
    rows::Print("echo turnaround in the tool (byte in to next byte out)",
                "median and 99th percentile of " + std::to_string(turnarounds.size()) + " characters",
                rows::Format("median %.1f us", median) +
                    rows::Format(", p99 %.1f us", rows::Percentile(turnarounds, 0.99)),
                "median < 100 us", rows::Verdict(median < 100));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (rows::HasArgument(argc, argv, "--table"))
        return RunTable(rows::RunsArgument(argc, argv, 3), !rows::HasArgument(argc, argv, "--no-64k"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
