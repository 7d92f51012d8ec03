// The monitor against ecusim over a pseudo-terminal, polled by the headless
// link timer: after a late or stray byte on the line every row is right again
// within two rounds, and stays right.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>

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

// A safety net against a poll that stops going round, not a measure.
constexpr auto kRoundsBound = std::chrono::seconds(60);

struct MonitorLineTest : ::testing::Test {
    TempDir dir;
    CQelApp app{EcuFixture::MakeOptions(dir)};
    EnvOverride com1{"RV_TUNE_COM1", dir.File("ecu")};
    PosixSerialPort port;
    HeadlessEventPump pump;
    RecordingPrompt prompt;
    RecordingProgress progress;
    std::unique_ptr<EcusimProcess> sim;
    std::unique_ptr<EcuSession> session;
    std::unique_ptr<Monitor> monitor;
    std::vector<std::vector<std::string>> rounds;   // the row values at the end of each round

    void SetUp() override {
        EcuFixture::SetTestLine(app);
        app.speedCode = 5;
        app.readTimeout = 20;
        app.waitTime = 10;
        app.retryCount = 1;
        app.ecRetryCount = 0;
        // ecusim's values: item 01 moves over 0..1250, items 21 and 22 over 0..200.
        app.diagItems = {Item(0x01, 2, "Engine Speed", "1"), Item(0x21, 1, "Throttle", "0.5"),
                         Item(0x22, 1, "Gear", "1")};
        session = std::make_unique<EcuSession>(app, app.definitionLines, port, pump, pump, prompt, progress);
        pump.onTick = [this] { session->OnTick(); };
        monitor = std::make_unique<Monitor>(app.diagItems, session->Link(), session->Protocol(), prompt);
        monitor->SetDialogList({0, 1, 2});
        monitor->OpenWindow();
        monitor->onCycle = [this] {
            std::vector<std::string> values;
            for (const MonitorRow& row : monitor->Rows()) values.push_back(row.value);
            rounds.push_back(values);
        };
    }
    void TearDown() override {
        if (monitor) monitor->Stop();
        pump.onTick = nullptr;
    }

    void StartEcu(std::vector<std::string> arguments) {
        sim = std::make_unique<EcusimProcess>(dir.File("ecu"), std::move(arguments));
        ASSERT_TRUE(sim->Ready()) << "ecusim did not come up";
    }
    // Polls until n rounds in all have ended.
    void RunRounds(std::size_t n) {
        const auto bound = std::chrono::steady_clock::now() + kRoundsBound;
        while (rounds.size() < n && monitor->Running() && std::chrono::steady_clock::now() < bound)
            pump.DispatchOne();
        ASSERT_GE(rounds.size(), n) << "the poll stopped going round";
    }
    // Every value of round r is an answer inside its item's range.
    static std::string Wrong(const std::vector<std::string>& round) {
        const double limits[] = {1260, 100.5, 200};
        for (std::size_t row = 0; row < round.size(); ++row) {
            char* end = nullptr;
            const double value = std::strtod(round[row].c_str(), &end);
            if (round[row].empty() || *end != '\0' || value < 0 || value > limits[row])
                return "row " + std::to_string(row) + " shows '" + round[row] + "'";
        }
        return "";
    }
};

// The first identification answer comes 300 ms late, in the middle of the
// first rounds, two bytes nobody asked for.
TEST_F(MonitorLineTest, ALateIdentificationAnswerShiftsNoLaterRound) {
    StartEcu({"--fault", "late-id=300"});
    ASSERT_EQ(monitor->StartFromMenu(), 0);
    RunRounds(6);
    for (std::size_t r = 2; r < rounds.size(); ++r) EXPECT_EQ(Wrong(rounds[r]), "") << "round " << r;
}

// Random faults of the line (stray, changed and lost bytes, XON and XOFF,
// silences and floods), then a clean line.
TEST_F(MonitorLineTest, AfterAFaultyLineTheRowsAreRightWithinTwoRounds) {
    StartEcu({"--chaos", "3"});   // a seed whose faults leave a stray byte behind
    ASSERT_EQ(monitor->StartFromMenu(), 0);
    sim->Signal(SIGUSR1);
    RunRounds(4);
    sim->Signal(SIGUSR2);
    const std::size_t clean = rounds.size();
    RunRounds(clean + 5);
    for (std::size_t r = clean + 2; r < rounds.size(); ++r) EXPECT_EQ(Wrong(rounds[r]), "") << "round " << r;
}

}  // namespace
