// A recording against ecusim over a pseudo-terminal, through the real port:
// ecusim --sequence answers every request with the count of its answers
// before, so each value of the log is known. Every row holds the next
// values in order: none skipped, none shifted, none from another item.
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "ecu/DatalogRecorder.h"
#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "tests/ecu/EcuFixture.h"
#include "tests/support/Ecusim.h"
#include "tests/support/EnvOverride.h"

namespace {

DiagItem Item(std::uint8_t request, int length, const char* name, const char* factor, const char* offset) {
    DiagItem item;
    item.request = request;
    item.answerLength = length;
    item.name = name;
    item.factor = factor;
    item.offset = offset;
    return item;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

TEST(MonitorRecordingLineTest, EveryRowHoldsTheSimulatorsNextValuesInOrder) {
    const std::vector<std::vector<std::string>> lines = {{"--sequence"}, {"--sequence", "--baud", "19200"}};
    for (const std::vector<std::string>& simArguments : lines) {
        SCOPED_TRACE(simArguments.size() > 1 ? "paced at 19200 baud" : "unpaced");
        TempDir dir;
        CQelApp app{EcuFixture::MakeOptions(dir)};
        EcuFixture::SetTestLine(app);
        app.speedCode = 5;
        // Wide enough that a busy machine never turns an answer into an empty
        // field; only a late answer waits for it.
        app.readTimeout = 200;
        app.retryCount = 1;
        app.diagItems = {Item(0x01, 2, "Count", "1", "0"), Item(0x21, 1, "Low", "1", "0"),
                         Item(0x22, 1, "Half", "0.5", "-10"), Item(0x02, 2, "Fine", "0.004", "0")};
        EnvOverride com1("RV_TUNE_COM1", dir.File("ecu"));
        EcusimProcess sim(dir.File("ecu"), simArguments);
        ASSERT_TRUE(sim.Ready());
        PosixSerialPort port;
        HeadlessEventPump pump;
        RecordingPrompt prompt;
        RecordingProgress progress;
        EcuSession session(app, app.definitionLines, port, pump, pump, prompt, progress);
        pump.onTick = [&session] { session.OnTick(); };
        Monitor monitor(app.diagItems, session.Link(), session.Protocol(), prompt);
        monitor.SetDialogList({0, 1, 2, 3});
        ASSERT_EQ(monitor.StartFromMenu(), 0);
        DatalogRecorder recorder(monitor, app.diagItems);
        ASSERT_EQ(recorder.StartAt(dir.File("log.csv"), false), RecordStart::kStarted);
        constexpr std::size_t kRows = 150;
        // A safety net against a recording that stops, not a measure.
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (recorder.Rows() < kRows && recorder.Recording() && std::chrono::steady_clock::now() < bound) {
            if (monitor.RecordStep()) pump.DispatchAll();
            else pump.DispatchOne();
        }
        monitor.Stop();
        ASSERT_TRUE(recorder.Stop());
        pump.onTick = nullptr;

        const std::string text = dir.Read("log.csv");
        std::vector<std::string> rows;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            rows.push_back(text.substr(at, end - at));
        ASSERT_EQ(rows.size(), kRows + 1);
        EXPECT_EQ(rows[0], "time_s,Count,Low,Half,Fine");
        const std::vector<std::string> first = Split(rows[1]);
        ASSERT_EQ(first.size(), 5u);
        const long start = std::strtol(first[1].c_str(), nullptr, 10);
        double lastTime = -1;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            const std::vector<std::string> fields = Split(rows[r]);
            ASSERT_EQ(fields.size(), 5u) << rows[r];
            const double time = std::strtod(fields[0].c_str(), nullptr);
            EXPECT_GE(time, lastTime) << rows[r];
            lastTime = time;
            const unsigned count = static_cast<unsigned>(start) + 4 * static_cast<unsigned>(r - 1);
            char expected[128];
            std::snprintf(expected, sizeof expected, "%u,%u,%s,%s", count & 0xFFFF, (count + 1) & 0xFF,
                          DatalogNumber(((count + 2) & 0xFF) * 0.5 - 10, 1).c_str(),
                          DatalogNumber(static_cast<double>(static_cast<float>((count + 3) & 0xFFFF) * 0.004F), 3)
                              .c_str());
            EXPECT_EQ(rows[r].substr(rows[r].find(',') + 1), expected) << "row " << r;
        }
    }
}

}  // namespace
