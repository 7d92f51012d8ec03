// The single-address writes of the ECU session on a scripted line.
#include "ecu/EcuSession.h"

#include <algorithm>

#include "model/Strings.h"
#include "tests/ecu/EcuFixture.h"

namespace {

struct EcuSessionTest : EcuFixture {
    EcuSession session{app, app.definitionLines, port, pump, pump, prompt, progress};
    std::vector<bool> running;
    int echoesLeft = 1000;   // the ECU stops echoing after this many command bytes

    void SetUp() override {
        pump.onDispatch = [this] {
            if (pump.running) session.OnTick();
        };
        session.Link().sleepMs = [](int) {};
        session.Link().clockMs = [] { return 1234L; };
        session.onWriteRunning = [this](bool r) { running.push_back(r); };
        port.onWrite = [this](std::uint8_t b) {
            if (b == 0xBF) port.Feed("M1");
            else if (echoesLeft-- > 0) port.Feed({b});
        };
    }
    std::size_t Count(std::uint8_t byte) const {
        return static_cast<std::size_t>(std::count(port.written.begin(), port.written.end(), byte));
    }
};

TEST_F(EcuSessionTest, WritesEveryByteOnAPortItOpensAndClosesAgain) {
    EXPECT_EQ(session.WriteBytes({{0x3000, 0xA1}, {0x3001, 0xA2}}), 0);
    EXPECT_EQ(Count(0xA1), 1u);
    EXPECT_EQ(Count(0xA2), 1u);
    EXPECT_FALSE(session.PortOpen());
    EXPECT_FALSE(pump.running);
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
    EXPECT_FALSE(session.WriteRunning());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(EcuSessionTest, AnOpenPortStaysOpen) {
    port.Feed("M1");
    ASSERT_TRUE(session.OpenPort(true));
    EXPECT_EQ(session.WriteBytes({{0x3000, 0xA1}}), 0);
    EXPECT_TRUE(session.PortOpen());
}

TEST_F(EcuSessionTest, TheFirstFailureEndsTheWriteAndIsReportedOnce) {
    echoesLeft = 4;   // the first write's four bytes, then silence
    EXPECT_EQ(session.WriteBytes({{0x3000, 0xA1}, {0x3001, 0xA2}, {0x3002, 0xA3}}), str::kNoResponse);
    EXPECT_EQ(Count(0xA1), 1u);
    EXPECT_EQ(Count(0xA2), 0u);
    EXPECT_EQ(Count(0xA3), 0u);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "No response from ECU.");
    EXPECT_FALSE(session.PortOpen());
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
}

TEST_F(EcuSessionTest, AWriteStartedFromTheWaitsOfAnotherIsRefused) {
    int nested = 0;
    bool tried = false;
    pump.onDispatch = [&] {
        if (!tried && session.WriteRunning()) {
            tried = true;
            nested = session.WriteBytes({{0x3005, 0xEE}});
        }
        if (pump.running) session.OnTick();
    };
    // Silence before the echo of the first byte makes the write wait.
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("M1");
        else port.Feed({b});
    };
    port.Feed("M1");
    ASSERT_TRUE(session.OpenPort(true));
    session.Link().monitorActive = true;   // the write waits for the monitor to stand aside
    session.Link().monitorHook = [this] { session.Link().monitorActive = false; };
    EXPECT_EQ(session.WriteBytes({{0x3000, 0xA1}}), 0);
    EXPECT_TRUE(tried);
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(Count(0xEE), 0u);
    EXPECT_EQ(Count(0xA1), 1u);
}

TEST_F(EcuSessionTest, NothingToWriteTouchesNothing) {
    EXPECT_EQ(session.WriteBytes({}), 0);
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(running.empty());
}

}  // namespace
