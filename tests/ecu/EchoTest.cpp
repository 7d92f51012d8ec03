// The echo disciplines and the result byte: waits bounded by link-timer
// ticks, failures clear the port's error state.
#include "tests/ecu/EcuFixture.h"

namespace {

struct SendEchoedTest : EcuFixture {
    void SetUp() override { OpenQuietly(); }
};

TEST_F(SendEchoedTest, GivesUpWhenTheCountdownRunsOutOnASilentLine) {
    pump.dispatchCount = 0;
    EXPECT_FALSE(protocol.SendEchoed(0x52));
    EXPECT_EQ(pump.dispatchCount, 50);   // TIMEOUT ticks, not wall time
    EXPECT_EQ(port.clearErrorCount, 1);
    EXPECT_EQ(port.written, std::vector<std::uint8_t>{0x52});
}

TEST_F(SendEchoedTest, WaitsThroughSilenceForTheEchoAndComparesIt) {
    port.Silence(7);
    port.Feed({0x4B});
    pump.dispatchCount = 0;
    EXPECT_TRUE(protocol.SendEchoed(0x4B));
    EXPECT_EQ(pump.dispatchCount, 7);
    port.Feed({0x4C});
    EXPECT_FALSE(protocol.SendEchoed(0x4B));   // a wrong echo: no clearing, just false
    EXPECT_EQ(port.clearErrorCount, 0);
}

TEST_F(SendEchoedTest, AFailedReadEndsTheWaitAtOnce) {
    port.Silence(2);
    port.Fail();
    pump.dispatchCount = 0;
    EXPECT_FALSE(protocol.SendEchoed(0x4B));
    EXPECT_EQ(pump.dispatchCount, 2);
    EXPECT_EQ(port.clearErrorCount, 1);
}

TEST_F(SendEchoedTest, TheSingleValueEchoMustArriveWithinOneRead) {
    port.Feed({0x55});
    EXPECT_TRUE(protocol.SendEchoedOnce(0x55));
    port.Silence();
    port.Feed({0x55});   // one read too late
    pump.dispatchCount = 0;
    EXPECT_FALSE(protocol.SendEchoedOnce(0x55));
    EXPECT_EQ(pump.dispatchCount, 0);
    EXPECT_EQ(port.clearErrorCount, 1);
}

TEST_F(SendEchoedTest, TheResultByteIsAwaitedForTimeoutTicks) {
    std::uint8_t result = 0;
    port.Silence(3);
    port.Feed({'0'});
    EXPECT_TRUE(protocol.ReceiveResultByte(result));
    EXPECT_EQ(result, '0');
    pump.dispatchCount = 0;
    EXPECT_FALSE(protocol.ReceiveResultByte(result));
    EXPECT_EQ(pump.dispatchCount, 50);
    port.Fail();
    EXPECT_FALSE(protocol.ReceiveResultByte(result));
    EXPECT_EQ(port.clearErrorCount, 1);   // only the failed read clears
}

TEST_F(SendEchoedTest, TheDrainGivesUpOnlyWhenAll2048ReadsDeliver) {
    port.Feed(std::string(2047, 'x'));
    EXPECT_TRUE(protocol.DrainBeforeExchange("ReadEcu_GetRestDataFromPort"));
    EXPECT_TRUE(port.input.empty());
    port.Feed(std::string(2049, 'x'));
    EXPECT_FALSE(protocol.DrainBeforeExchange("ReadEcu_GetRestDataFromPort"));
    EXPECT_EQ(port.input.size(), 1u);
    link.ClosePort();
    const int reads = port.readCount;
    EXPECT_TRUE(protocol.DrainBeforeExchange("ReadEcu_GetRestDataFromPort"));   // closed: no reads
    EXPECT_EQ(port.readCount, reads);
}

}  // namespace
