// The monitor against ecusim over a pseudo-terminal, polled by the headless
// link timer: after a late or stray byte on the line every row is right again
// within two rounds, and stays right.
#include <chrono>
#include <csignal>
#include <cstdlib>

#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "tests/ecu/EcuFixture.h"
#include "tests/support/Ecusim.h"
#include "tests/support/EnvOverride.h"

namespace {

DiagItem Item(std::uint8_t request, int length, const char* name, const char* factor) {
    DiagItem item;
    item.request = request;
    item.answerLength = length;
    item.name = name;
    item.factor = factor;
    item.offset = "0";
    return item;
}

TEST(MonitorLineTest, AfterALateOrStrayByteTheRowsAreRightWithinTwoRounds) {
    struct Case {
        std::vector<std::string> ecusim;
        int faultyRounds;   // rounds with the random line faults on, then a clean line
    };
    const Case cases[] = {
        // The first identification answer comes in the middle of the first round.
        {{"--fault", "late-id=300"}, 0},
        {{"--chaos", "3"}, 4},   // a seed whose faults leave a stray byte behind
    };
    for (const Case& c : cases) {
        TempDir dir;
        CQelApp app{EcuFixture::MakeOptions(dir)};
        EcuFixture::SetTestLine(app);
        app.speedCode = 5;
        app.readTimeout = 20;
        app.waitTime = 10;
        app.retryCount = 1;
        app.ecRetryCount = 0;
        // ecusim's values: item 01 moves over 0..1250, items 21 and 22 over 0..200.
        app.diagItems = {Item(0x01, 2, "Engine Speed", "1"), Item(0x21, 1, "Throttle", "0.5"),
                         Item(0x22, 1, "Gear", "1")};
        const double limits[] = {1260, 100.5, 200};
        EnvOverride com1("RV_TUNE_COM1", dir.File("ecu"));
        EcusimProcess sim(dir.File("ecu"), c.ecusim);
        ASSERT_TRUE(sim.Ready());
        PosixSerialPort port;
        HeadlessEventPump pump;
        RecordingPrompt prompt;
        RecordingProgress progress;
        EcuSession session(app, app.definitionLines, port, pump, pump, prompt, progress);
        pump.onTick = [&session] { session.OnTick(); };
        Monitor monitor(app.diagItems, session.Link(), session.Protocol(), prompt);
        monitor.SetDialogList({0, 1, 2});
        monitor.OpenWindow();
        int rounds = 0;
        monitor.onCycle = [&] {
            if (++rounds == c.faultyRounds) sim.Signal(SIGUSR2);
            if (rounds < c.faultyRounds + 3) return;
            for (std::size_t row = 0; row < 3; ++row) {
                const std::string value = monitor.Rows()[row].value;
                char* end = nullptr;
                const double number = std::strtod(value.c_str(), &end);
                EXPECT_TRUE(!value.empty() && *end == '\0' && number >= 0 && number <= limits[row])
                    << c.ecusim[0] << " " << c.ecusim[1] << ", round " << rounds << ", row " << row << ": " << value;
            }
        };
        ASSERT_EQ(monitor.StartFromMenu(), 0);
        if (c.faultyRounds > 0) sim.Signal(SIGUSR1);
        // A safety net against a poll that stops going round, not a measure.
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (rounds < c.faultyRounds + 6 && monitor.Running() && std::chrono::steady_clock::now() < bound)
            pump.DispatchOne();
        EXPECT_EQ(rounds, c.faultyRounds + 6) << c.ecusim[0] << " " << c.ecusim[1];
        monitor.Stop();
        pump.onTick = nullptr;
    }
}

}  // namespace
