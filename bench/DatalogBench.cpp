// The monitor's row rate against "ecusim --baud 19200" with the ten items
// of the shipped machines (two of two bytes, eight of one):
// today's poll of one step a 100 ms tick, and a recording at line speed
// into a datalog, through the serial link, the monitor, the recorder and
// the writer, driven as rvtune datalog drives them. The line-limited rate:
// each item is its request byte and its answer bytes, 10 bits each.
// ecusim paces its bytes on a timer, so they leave no earlier than the line
// lets them and often a little later; with --precise it waits for each
// byte's moment awake, which on a machine shared with other work takes the
// processor from the tool too, so that row is reported beside the target.
//
//   build/bin/DatalogBench [--runs N] [--seconds S]   the rows of bench/run
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "bench/support/Rows.h"
#include "ecu/DatalogRecorder.h"
#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "ecu/ProgressDisplay.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "platform/UserPrompt.h"
#include "tests/support/Ecusim.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBaud = 19200;

struct QuietPrompt : UserPrompt {
    void Message(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon, PromptAnswer answer) override {
        return answer;
    }
};
struct NoProgress : ProgressDisplay {
    void Show(const std::string&) override {}
    void SetText(const std::string&) override {}
    void Close() override {}
};

std::vector<DiagItem> Items() {
    const char* names[] = {"Engine Speed", "Throttle", "Coolant Temp", "Intake Air Temp", "Battery",
                           "Injection Time", "Ignition Advance", "Gear Position", "Vehicle Speed", "O2 Sensor"};
    std::vector<DiagItem> items;
    for (int i = 0; i < 10; ++i) {
        DiagItem item;
        item.request = static_cast<std::uint8_t>(i + 1);
        item.answerLength = i == 0 || i == 5 ? 2 : 1;
        item.name = names[i];
        item.factor = "1";
        item.offset = "0";
        items.push_back(item);
    }
    return items;
}

// Rows a second the line carries at most: per item a request byte and its
// answer bytes, 10 bits each.
double LineRowsPerSecond(const std::vector<DiagItem>& items) {
    double bits = 0;
    for (const DiagItem& item : items) bits += 10.0 * (1 + item.answerLength);
    return kBaud / bits;
}

struct Bench {
    std::string root;
    std::unique_ptr<EcusimProcess> sim;
    std::unique_ptr<CQelApp> app;
    PosixSerialPort port;
    HeadlessEventPump pump;
    QuietPrompt prompt;
    NoProgress progress;
    std::unique_ptr<EcuSession> session;
    std::unique_ptr<Monitor> monitor;

    explicit Bench(bool precise) {
        std::string pattern = (fs::temp_directory_path() / "datalogbench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        std::vector<std::string> arguments = {"--baud", std::to_string(kBaud), "--ride"};
        if (precise) arguments.push_back("--precise");
        for (int i = 1; i <= 10; ++i)
            arguments.insert(arguments.end(), {"--item", rows::Format("%02X", i) + (i == 1 || i == 6 ? ":2" : ":1")});
        sim = std::make_unique<EcusimProcess>(root + "/ecu", arguments);
        ::setenv("RV_TUNE_COM1", (root + "/ecu").c_str(), 1);
        AppOptions options;
        options.registryPath = root + "/registry.reg";
        app = std::make_unique<CQelApp>(options);
        app->portCode = 0;
        app->speedCode = 5;   // 19200
        app->dataBitsCode = 1;
        app->parityCode = 0;
        app->stopBitsCode = 0;
        app->flowCode = 1;
        app->readTimeout = 50;
        app->waitTime = 100;
        app->retryCount = 9;
        app->registry.expectedId = {{'M', '1', 0}};
        const std::string letters = "JjLMmNSsWRV", setB = "HhKOoQUuXYZ";
        for (std::size_t i = 0; i < letters.size(); ++i) {
            app->commandSetA[letters[i]] = letters[i];
            app->commandSetB[letters[i]] = setB[i];
        }
        app->diagItems = Items();
        session = std::make_unique<EcuSession>(*app, app->definitionLines, port, pump, pump, prompt, progress);
        pump.onTick = [this] { session->OnTick(); };
        monitor = std::make_unique<Monitor>(app->diagItems, session->Link(), session->Protocol(), prompt);
        monitor->SetDialogList({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        monitor->OpenWindow();
    }
    ~Bench() {
        monitor.reset();
        session.reset();
        pump.onTick = nullptr;
        sim.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Rows a second of the tick poll over rounds whole rounds; 0 when it failed.
    double TickRate(int rounds) {
        std::vector<Clock::time_point> ends;
        monitor->onCycle = [&] { ends.push_back(Clock::now()); };
        if (monitor->StartFromMenu() != 0) return 0;
        const Clock::time_point bound = Clock::now() + std::chrono::seconds(10 * rounds + 10);
        while (ends.size() < static_cast<std::size_t>(rounds) + 1 && Clock::now() < bound) pump.DispatchOne();
        monitor->Stop();
        monitor->onCycle = nullptr;
        if (ends.size() < 2) return 0;
        return static_cast<double>(ends.size() - 1) / std::chrono::duration<double>(ends.back() - ends.front()).count();
    }

    // Rows a second of a recording of seconds into a log; 0 when it failed.
    double RecordRate(double seconds, std::size_t& rowsWritten) {
        if (monitor->StartFromMenu() != 0) return 0;
        DatalogRecorder recorder(*monitor, app->diagItems);
        if (recorder.StartAt(root + "/ride.csv", true) != RecordStart::kStarted) return 0;
        const Clock::time_point started = Clock::now();
        while (recorder.Recording() && Clock::now() - started < std::chrono::duration<double>(seconds)) {
            if (monitor->RecordStep()) pump.DispatchAll();
            else pump.DispatchOne();
        }
        const double took = std::chrono::duration<double>(Clock::now() - started).count();
        rowsWritten = recorder.Rows();
        monitor->Stop();
        if (!recorder.Stop() || recorder.RowsWithValues() != recorder.Rows()) return 0;
        return static_cast<double>(rowsWritten) / took;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = rows::RunsArgument(argc, argv, 3);
    double seconds = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") seconds = std::atof(argv[i + 1]);
    const std::vector<DiagItem> items = Items();
    const double line = LineRowsPerSecond(items);
    std::vector<double> ticks, records, preciseRecords;
    for (int run = 0; run < runs; ++run) {
        for (const bool precise : {false, true}) {
            Bench bench(precise);
            if (!bench.sim->Ready()) {
                std::fprintf(stderr, "DatalogBench: ecusim did not come up\n");
                return 1;
            }
            if (run == 0 && !precise) ticks.push_back(bench.TickRate(3));
            std::size_t rowsWritten = 0;
            (precise ? preciseRecords : records).push_back(bench.RecordRate(seconds, rowsWritten));
            if ((precise ? preciseRecords : records).back() == 0 || (run == 0 && ticks.back() == 0)) {
                std::fprintf(stderr, "DatalogBench: a run failed\n");
                return 1;
            }
        }
    }
    const std::string what = "monitor rows of 10 items (2 of 2 bytes), 19200 baud, ecusim";
    const std::string reference = rows::Format("line-limited %.1f rows/s", line);
    auto measured = [&](const std::vector<double>& rates) {
        std::string text = rows::Format("%.1f rows/s", rows::Median(rates)) +
                           rows::Format(" = %.3f x (runs of ", rows::Median(rates) / line) +
                           rows::Format("%.0f s:", seconds);
        for (const double rate : rates) text += rows::Format(" %.1f", rate);
        return text + ")";
    };
    const double tick = rows::Median(ticks);
    rows::Print(what + ": one step a 100 ms tick (the monitor window)", reference,
                rows::Format("%.2f rows/s", tick) + rows::Format(" = %.3f x", tick / line), "report", "-");
    rows::Print(what + ": recorded at line speed into a datalog", reference, measured(records), ">= 0.8 x",
                rows::Verdict(rows::Median(records) / line >= 0.8));
    rows::Print(what + " --precise: recorded at line speed into a datalog", reference, measured(preciseRecords),
                "report", "-");
    return 0;
}
