// Block read and block write of a 4 KB calibration against "ecusim --baud
// 19200", through the serial link, the protocol and the headless event pump
// as rvtune drives them. Every character of the S-record text crosses the
// line twice (the character and its echo), so the line-time minimum is
// 2 x characters x 10 bits / 19200 baud. Reported per direction: the time,
// its ratio to that minimum, and the tool's echo turnaround (from a byte
// arriving to the tool's next byte going out), median and worst.
// The same transfers against an unpaced ecusim (argument 0) show what the
// two processes and the pseudo-terminal cost per character without a line.
// Built with -DRV_BENCH=ON; run from build/bin.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/QelApp.h"
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

constexpr std::uint16_t kStart = 0x8000;
constexpr std::size_t kSize = 4096;

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

std::vector<std::uint8_t> Calibration() {
    std::vector<std::uint8_t> bytes(kSize);
    for (std::size_t i = 0; i < kSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    return bytes;
}

std::vector<std::string> Records(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    BuildRecords(bytes.data(), bytes.size(), kStart, static_cast<std::uint16_t>(bytes.size() - 1), lines);
    return lines;
}

std::size_t Characters(const std::vector<std::string>& lines) {
    std::size_t count = 0;
    for (const std::string& line : lines) count += line.size();
    return count;
}

// ecusim at the given speed (0: unpaced) with the calibration, and the
// tool's side of the line.
struct Bench {
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

    explicit Bench(int baud) {
        std::string pattern = (fs::temp_directory_path() / "rvecubench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        link = root + "/ecu";
        std::string text;
        for (const std::string& line : Records(Calibration())) text += line + "\r\n";
        std::ofstream(root + "/cal.s19", std::ios::binary) << text;

        std::vector<std::string> arguments = {"--image", root + "/cal.s19"};
        if (baud > 0) arguments.insert(arguments.end(), {"--baud", std::to_string(baud)});
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
        app->registry.readEcuNum = 256;
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
};

Bench& TheBench(int baud) {
    static std::map<int, std::unique_ptr<Bench>> benches;
    auto& bench = benches[baud];
    if (!bench) bench = std::make_unique<Bench>(baud);
    // Each transfer opens COM1 afresh.
    ::setenv("RV_TUNE_COM1", bench->link.c_str(), 1);
    return *bench;
}

void Report(benchmark::State& state, int baud, std::size_t characters, double seconds,
            std::vector<double> turnarounds) {
    state.counters["chars"] = static_cast<double>(characters);
    state.counters["took_s"] = seconds;
    state.counters["per_char_us"] = seconds * 1e6 / static_cast<double>(characters);
    if (baud > 0) {
        const double minimum = 2.0 * static_cast<double>(characters) * 10.0 / baud;
        state.counters["line_min_s"] = minimum;
        state.counters["ratio"] = seconds / minimum;
    }
    if (!turnarounds.empty()) {
        std::sort(turnarounds.begin(), turnarounds.end());
        state.counters["echo_med_us"] = turnarounds[turnarounds.size() / 2];
        state.counters["echo_max_us"] = turnarounds.back();
    }
}

void BM_ReadEcu4K(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    Bench& bench = TheBench(baud);
    const std::size_t characters = Characters(Records(Calibration()));
    double seconds = 0;
    for (auto _ : state) {
        bench.port->turnaroundsUs.clear();
        const Clock::time_point started = Clock::now();
        const EcuReadResult result = bench.protocol->ReadEcu();
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (result.code != 0 || result.data.bytes != Calibration()) {
            state.SkipWithError("the block read failed");
            return;
        }
    }
    Report(state, baud, characters, seconds, bench.port->turnaroundsUs);
}
BENCHMARK(BM_ReadEcu4K)->Arg(19200)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_WriteEcu4K(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    Bench& bench = TheBench(baud);
    const std::vector<std::string> lines = Records(Calibration());
    double seconds = 0;
    for (auto _ : state) {
        bench.port->turnaroundsUs.clear();
        const Clock::time_point started = Clock::now();
        const EcuWriteResult result = bench.protocol->WriteEcu(lines);
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (result.code != 0) {
            state.SkipWithError("the block write failed");
            return;
        }
    }
    Report(state, baud, Characters(lines), seconds, bench.port->turnaroundsUs);
}
BENCHMARK(BM_WriteEcu4K)->Arg(19200)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
