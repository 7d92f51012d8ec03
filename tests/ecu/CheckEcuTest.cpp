// Identification: attempts, pauses, log labels, the two failure codes and
// the runs at port open.
#include "tests/ecu/EcuFixture.h"

#include "model/Strings.h"

namespace {

using CheckEcuTest = EcuFixture;

TEST_F(CheckEcuTest, AFirstExpectedByteOfZeroPassesWithoutTraffic) {
    app.registry.expectedId = {{0, 0, 0}};
    EXPECT_EQ(protocol.CheckEcu(true), 0);
    EXPECT_TRUE(link.ecuChecked);
    EXPECT_TRUE(port.openedDevices.empty());
    EXPECT_TRUE(port.written.empty());
}

TEST_F(CheckEcuTest, ASilentEcuGetsTenNumberedAttemptsWithAPauseAfterEach) {
    ASSERT_TRUE(app.registry.commLog.Open(dir.File("comm.log"), true));
    OpenQuietly();
    pauses.clear();
    EXPECT_EQ(protocol.CheckEcu(true), str::kNoResponse);
    EXPECT_EQ(port.written, std::vector<std::uint8_t>(10, 0xBF));
    EXPECT_EQ(pauses, std::vector<int>(10, 100));
    EXPECT_EQ(port.clearErrorCount, 1);
    EXPECT_TRUE(link.portOpen);   // it was open before
    app.registry.commLog.Close();
    const std::string log = Log();
    EXPECT_NE(log.find("WriteFile:EcuCheckCommand [  1/ 10]\n"), std::string::npos);
    EXPECT_NE(log.find("WriteFile:EcuCheckCommand [ 10/ 10]\n"), std::string::npos);
    EXPECT_NE(log.find("ReadFile:EcuCheckCommand1\n"), std::string::npos);
    EXPECT_NE(log.find("ReadFile:EcuCheckCommand2\n"), std::string::npos);
}

TEST_F(CheckEcuTest, WithoutRetriesOneAttemptAndNoPause) {
    OpenQuietly();
    pauses.clear();
    EXPECT_EQ(protocol.CheckEcu(false), str::kNoResponse);
    EXPECT_EQ(port.written.size(), 1u);
    EXPECT_TRUE(pauses.empty());
}

TEST_F(CheckEcuTest, TheAnswerMustMatchBothExpectedBytes) {
    OpenQuietly();
    port.Feed("M1");
    EXPECT_EQ(protocol.CheckEcu(false), 0);
    EXPECT_TRUE(link.ecuChecked);
    port.Feed("M2");
    EXPECT_EQ(protocol.CheckEcu(false), str::kEcuTypeDifferent);
    EXPECT_FALSE(link.ecuChecked);
    EXPECT_EQ(port.clearErrorCount, 0);
}

TEST_F(CheckEcuTest, AnAnswerOfOneByteIsNoAnswer) {
    OpenQuietly();
    port.Feed("M");
    port.Silence();
    port.Feed("M1");   // the second attempt succeeds
    pauses.clear();
    EXPECT_EQ(protocol.CheckEcu(true), 0);
    EXPECT_EQ(pauses.size(), 1u);
}

TEST_F(CheckEcuTest, AClosedPortIsOpenedWithoutTimerAndClosedAgain) {
    port.Feed("M1");   // the identification at open
    port.Feed("M1");   // the check itself
    EXPECT_EQ(protocol.CheckEcu(false), 0);
    EXPECT_EQ(port.openedDevices.size(), 1u);
    EXPECT_EQ(pump.startCount, 0);
    EXPECT_FALSE(link.portOpen);
    EXPECT_EQ(port.closeCount, 1);
    EXPECT_TRUE(link.ecuChecked);
}

TEST_F(CheckEcuTest, OpeningRetriesWhileTheTypeDiffersThenForgetsTheResult) {
    app.ecRetryCount = 2;
    for (int run = 0; run < 5; ++run) port.Feed("E1");
    EXPECT_TRUE(link.OpenPort(true));
    EXPECT_EQ(port.written.size(), 3u);   // ECRETRY + 1 runs of one answered attempt
    EXPECT_FALSE(link.ecuChecked);
    port.written.clear();
    port.input.clear();
    port.Feed("M1");
    EXPECT_TRUE(link.OpenPort(true));
    EXPECT_EQ(port.written.size(), 1u);   // a match ends the runs
    EXPECT_FALSE(link.ecuChecked);
}

}  // namespace
