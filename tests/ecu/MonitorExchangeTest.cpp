// The monitor and an exchange never share the line: an exchange that starts
// while a monitor request awaits its answer lets the answer in first, and
// the monitor sends nothing while the exchange runs.
#include <deque>

#include "ecu/DataExchange.h"
#include "ecu/Monitor.h"
#include "files/SRecord.h"
#include "model/Strings.h"
#include "tests/ecu/EcuFixture.h"

namespace {

std::string RecordText(std::uint16_t start, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    BuildRecords(bytes.data(), bytes.size(), start, static_cast<std::uint16_t>(bytes.size() - 1), lines);
    std::string text;
    for (const std::string& line : lines) text += line;
    return text;
}

// An ECU whose monitor answers take a while: the answer to a monitor request
// leaves on the next link-timer tick, or before the answer to whatever the
// tool sends next, as a serial line keeps its order.
struct MonitorExchangeTest : EcuFixture {
    FakeEcu ecu{port};
    std::deque<std::uint8_t> pendingAnswer;
    std::vector<std::uint8_t> monitorRequests;
    bool exchangeRunning = false;
    std::vector<std::uint8_t> requestsDuringExchange;
    Monitor monitor{app.diagItems, link, protocol, prompt};
    DataExchange exchange{app, app.registry, app.defaultFolder, protocol, prompt};
    std::vector<std::uint8_t> memory;

    void SetUp() override {
        DiagItem speed;
        speed.request = 0x02;
        speed.answerLength = 2;
        speed.name = "Engine Speed";
        speed.factor = "0.1";
        speed.offset = "0";
        app.diagItems = {speed};
        for (int i = 0; i < 64; ++i) memory.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        ecu.records = RecordText(0x2000, memory);
        port.onWrite = [this](std::uint8_t b) {
            ReleaseAnswer();
            if (b == 0x02 && ecu.state == FakeEcu::State::kCommand) {
                monitorRequests.push_back(b);
                if (exchangeRunning) requestsDuringExchange.push_back(b);
                pendingAnswer = {0x01, 0x2C};
                return;
            }
            ecu.OnWrite(b);
        };
        pump.onDispatch = [this] {
            ReleaseAnswer();
            if (pump.running) link.OnTick();
        };
        exchange.onBusyChanged = [this] { exchangeRunning = exchange.Busy(); };
        monitor.SetDialogList({0});
        monitor.OpenWindow();
        ASSERT_EQ(monitor.StartFromButton(), 0);
        port.input.clear();
    }
    void ReleaseAnswer() {
        for (std::uint8_t b : pendingAnswer) port.Feed({b});
        pendingAnswer.clear();
    }
    // One tick: the monitor sends its request; the answer is on its way.
    void RequestOutstanding() {
        link.OnTick();
        ASSERT_EQ(monitorRequests.size(), 1u);
        ASSERT_FALSE(pendingAnswer.empty());
    }
};

TEST_F(MonitorExchangeTest, AReadWaitsForTheOutstandingAnswerAndTheMonitorGoesOnAfterwards) {
    RequestOutstanding();
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kComplete);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(exchange.ExchangeBuffer().start, 0x2000);
    EXPECT_EQ(exchange.ExchangeBuffer().bytes, memory);
    EXPECT_EQ(monitor.Rows()[0].value, "30.0");   // its own answer, not "Error"
    EXPECT_TRUE(requestsDuringExchange.empty());
    EXPECT_FALSE(link.exchangeBusy);
    EXPECT_TRUE(link.portOpen);   // the monitor's port stays open

    ecu.state = FakeEcu::State::kCommand;
    link.OnTick();
    link.OnTick();
    EXPECT_EQ(monitorRequests.size(), 2u);
}

TEST_F(MonitorExchangeTest, AWriteWaitsToo) {
    RequestOutstanding();
    ASSERT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kComplete);
    ecu.state = FakeEcu::State::kCommand;
    link.OnTick();   // the poll starts its round again
    link.OnTick();   // the next request goes out and waits for its answer
    ASSERT_EQ(monitorRequests.size(), 2u);
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEcu), ExchangeOutcome::kComplete);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(ecu.received, RecordText(0x2000, memory));
    EXPECT_TRUE(requestsDuringExchange.empty());
    EXPECT_EQ(monitor.Rows()[0].value, "30.0");
}

TEST_F(MonitorExchangeTest, AnAbandonedReadLetsTheMonitorGoOn) {
    ASSERT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kComplete);
    ecu.state = FakeEcu::State::kCommand;
    link.OnTick();
    link.OnTick();
    ASSERT_FALSE(pendingAnswer.empty());
    prompt.answers.push_back(PromptAnswer::kCancel);
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kAbandoned);
    EXPECT_EQ(prompt.Last().text, Str(str::kCancelCurrentData));
    EXPECT_FALSE(link.exchangeBusy);
    EXPECT_EQ(monitor.Rows()[0].value, "30.0");
    const std::size_t before = monitorRequests.size();
    link.OnTick();
    link.OnTick();
    EXPECT_EQ(monitorRequests.size(), before + 1);
}

}  // namespace
