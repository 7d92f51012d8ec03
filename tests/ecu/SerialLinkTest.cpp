// The serial link: opening from the codes, the log lines, the buffer
// inversion of ReadBytes and the link timer's tick.
#include "tests/ecu/EcuFixture.h"

#include "ecu/CommLog.h"

namespace {

using SerialLinkTest = EcuFixture;

TEST(CommLogLineTest, FieldsFollowTheThreeFormats) {
    const CommLogFields fields{1500, 0x0B, 1, 47, 0};
    EXPECT_EQ(CommLogReadLine(fields, "InComm"), "1500, 0B, 1, 47, 0, ReadFile:InComm\n");
    EXPECT_EQ(CommLogWriteLine(fields, "OutComm"), "1500, 0B, 1, 47, 0, WriteFile:OutComm\n");
    EXPECT_EQ(CommLogEventLine(CommLogFields{7, 0, 0, 0, 2}, "Open COM0"), "7, 00, 0, 0, 2, Open COM0\n");
}

TEST_F(SerialLinkTest, OpensTheComNameOfThePortCodeWithTheLineOfTheCodes) {
    app.portCode = 2;
    app.speedCode = 5;
    app.dataBitsCode = 0;
    app.parityCode = 2;
    app.stopBitsCode = 1;
    app.flowCode = 1;   // the settings file's "NO"
    app.readTimeout = 40;
    port.Feed("M1");
    ASSERT_TRUE(link.OpenPort(false));
    ASSERT_EQ(port.openedDevices, std::vector<std::string>{"COM3"});
    EXPECT_EQ(port.line.baud, 19200);
    EXPECT_EQ(port.line.dataBits, 7);
    EXPECT_EQ(port.line.parity, Parity::kEven);
    EXPECT_EQ(port.line.stopBits, StopBits::kOneAndHalf);
    EXPECT_FALSE(port.line.xonXoff);
    EXPECT_EQ(port.timeouts.readIntervalMs, 40);
    EXPECT_EQ(port.timeouts.readTotalMultiplierMs, 40);
    EXPECT_EQ(port.timeouts.readTotalConstantMs, 0);
    EXPECT_EQ(port.timeouts.writeTotalMultiplierMs, 40);
    EXPECT_EQ(port.timeouts.writeTotalConstantMs, 0);
    EXPECT_FALSE(pump.running);
}

TEST_F(SerialLinkTest, AZeroTimeoutStillGivesThePortAFiniteReadTimeout) {
    app.readTimeout = 0;
    ASSERT_TRUE(link.OpenPort(false));
    EXPECT_EQ(port.timeouts.readTotalMultiplierMs, 1);
}

TEST_F(SerialLinkTest, CodesOutOfRangeOpenNothingAndTheEventNamesThePort) {
    ASSERT_TRUE(app.registry.commLog.Open(dir.File("comm.log"), true));
    app.portCode = -1;
    EXPECT_FALSE(link.OpenPort(true));
    app.portCode = 0;
    app.speedCode = 6;
    EXPECT_FALSE(link.OpenPort(true));
    EXPECT_TRUE(port.openedDevices.empty());
    EXPECT_FALSE(pump.running);
    app.registry.commLog.Close();
    const std::string log = Log();
    EXPECT_NE(log.find("1234, 00, 0, 0, 0, Open COM0\n"), std::string::npos);
    EXPECT_NE(log.find("1234, 00, 0, 0, 0, Open COM1\n"), std::string::npos);
}

TEST_F(SerialLinkTest, ReopeningClosesFirstAndClearsTheFlags) {
    ASSERT_TRUE(app.registry.commLog.Open(dir.File("comm.log"), true));
    OpenQuietly();
    link.exchangeBusy = true;
    link.monitorActive = true;
    link.ecuChecked = true;
    port.Feed("M1");
    EXPECT_TRUE(link.OpenPort(true));
    EXPECT_EQ(port.closeCount, 1);
    EXPECT_FALSE(link.exchangeBusy);
    EXPECT_FALSE(link.monitorActive);
    EXPECT_FALSE(link.ecuChecked);   // the open-time identification does not count
    link.ClosePort();
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(pump.running);
    link.ClosePort();   // closed: nothing happens
    EXPECT_EQ(port.closeCount, 2);
    app.registry.commLog.Close();
    const std::string log = Log();
    const auto firstOpen = log.find("Open COM1");
    const auto firstClose = log.find("1234, 00, 1, 0, 0, Close COM1\n");
    const auto secondOpen = log.find("1234, 00, 1, 0, 0, Open COM1\n", firstClose);
    EXPECT_LT(firstOpen, firstClose);
    EXPECT_NE(secondOpen, std::string::npos);
    int closeLines = 0;
    for (auto at = log.find("Close COM1"); at != std::string::npos; at = log.find("Close COM1", at + 1))
        ++closeLines;
    EXPECT_EQ(closeLines, 2);
}

TEST_F(SerialLinkTest, AnEmptyReadInvertsTheBufferAndTheLogShowsIt) {
    ASSERT_TRUE(app.registry.commLog.Open(dir.File("comm.log"), true));
    OpenQuietly();
    link.silenceCountdown = 12;
    std::uint8_t buffer = 0x43;
    std::size_t count = 9;
    EXPECT_TRUE(link.ReadBytes(&buffer, 1, count, "InComm"));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(buffer, 0xBC);
    EXPECT_TRUE(link.ReadBytes(&buffer, 1, count, "InComm"));
    EXPECT_EQ(buffer, 0x43);
    port.Feed({0x07});
    EXPECT_TRUE(link.ReadBytes(&buffer, 1, count, "InComm"));
    EXPECT_EQ(buffer, 0x07);
    EXPECT_EQ(count, 1u);
    app.registry.commLog.Close();
    const std::string log = Log();
    EXPECT_NE(log.find("1234, BC, 0, 12, 0, ReadFile:InComm\n1234, 43, 0, 12, 0, ReadFile:InComm\n"
                       "1234, 07, 1, 12, 0, ReadFile:InComm\n"),
              std::string::npos);
}

TEST_F(SerialLinkTest, WriteLinesReachTheFileAtOnce) {
    ASSERT_TRUE(app.registry.commLog.Open(dir.File("comm.log"), true));
    OpenQuietly();
    link.silenceCountdown = 0;
    const std::uint8_t byte = 0x4B;
    std::size_t count = 0;
    EXPECT_TRUE(link.WriteBytes(&byte, 1, count, "OutComm"));
    EXPECT_EQ(count, 1u);
    // Still open: only a flushed line can be in the file already.
    EXPECT_NE(Log().find("1234, 4B, 1, 0, 0, WriteFile:OutComm\n"), std::string::npos);
}

TEST_F(SerialLinkTest, FailedTransfersReportFailureWithNothingMoved) {
    OpenQuietly();
    std::uint8_t buffer = 0;
    std::size_t count = 0;
    port.Fail();
    EXPECT_FALSE(link.ReadBytes(&buffer, 1, count, "InComm"));
    EXPECT_EQ(port.LastError(), port.errorOnFail);
    port.failWrites = true;
    EXPECT_FALSE(link.WriteBytes(&buffer, 1, count, "OutComm"));
    EXPECT_EQ(count, 0u);
    link.ClosePort();
    EXPECT_FALSE(link.ReadBytes(&buffer, 1, count, "InComm"));
}

TEST_F(SerialLinkTest, TicksCountDownOnlyWhileOpenAndAboveZeroThenPollTheMonitor) {
    int polls = 0;
    link.monitorHook = [&] { ++polls; };
    link.silenceCountdown = 2;
    link.OnTick();   // closed: nothing
    EXPECT_EQ(link.silenceCountdown, 2);
    EXPECT_EQ(polls, 0);
    OpenQuietly();
    link.silenceCountdown = 2;
    link.OnTick();
    link.OnTick();
    link.OnTick();
    EXPECT_EQ(link.silenceCountdown, 0);
    EXPECT_EQ(polls, 3);
}

TEST_F(SerialLinkTest, AWaitWithoutTheTimerCountsDownByItself) {
    port.Feed("M1");
    ASSERT_TRUE(link.OpenPort(false));
    link.silenceCountdown = 3;
    link.WaitStep();
    EXPECT_EQ(link.silenceCountdown, 2);
}

}  // namespace
