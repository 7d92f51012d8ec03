// The block read and block write over a fake ECU: the command bytes of the
// sets, the record reception and its completion rule, the progress text,
// the result byte and its message, and the failing addresses.
#include "tests/ecu/EcuFixture.h"

#include "model/Strings.h"

namespace {

const std::string kThreeRecords =
    "S1130000000102030405060708090A0B0C0D0E0F74"
    "S1130010101112131415161718191A1B1C1D1E1F64"
    "S1130020202122232425262728292A2B2C2D2E2F54";
const std::string kClose = "S9030000FC";

struct ReceiveRecordsTest : EcuFixture {
    void SetUp() override { OpenQuietly(); }
};

TEST_F(ReceiveRecordsTest, CompletesOnTheSecondEmptyReadAfterTheClosingC) {
    port.Feed(kThreeRecords + kClose);
    std::string text;
    pump.dispatchCount = 0;
    EXPECT_TRUE(protocol.ReceiveRecords(text));
    EXPECT_EQ(text, kThreeRecords + kClose);
    EXPECT_EQ(port.WrittenText(), kThreeRecords + kClose);   // every byte echoed
    EXPECT_EQ(pump.dispatchCount, 1);   // between the two empty reads
}

TEST_F(ReceiveRecordsTest, ALineEndAfterTheClosingRecordEndsBySilence) {
    port.Feed(kThreeRecords + kClose + "\r\n");
    std::string text;
    pump.dispatchCount = 0;
    EXPECT_FALSE(protocol.ReceiveRecords(text));
    EXPECT_EQ(pump.dispatchCount, 50);
}

TEST_F(ReceiveRecordsTest, ProgressCountsRecordsAgainstTheExpectedTotal) {
    app.registry.readEcuNum = 2;
    port.Feed(kThreeRecords + kClose);
    std::string text;
    EXPECT_TRUE(protocol.ReceiveRecords(text));
    // The closing record counts as a record started too.
    EXPECT_EQ(progress.texts,
              (std::vector<std::string>{"Wait...50%", "Wait...100%", "Wait...100%", "Wait...100%"}));
}

TEST_F(ReceiveRecordsTest, WithoutAnExpectedTotalProgressShowsTheAddress) {
    app.registry.readEcuNum = 0;
    port.Feed(kThreeRecords + kClose);
    std::string text;
    EXPECT_TRUE(protocol.ReceiveRecords(text));
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Wait...0000", "Wait...0010", "Wait...0020",
                                                        "Wait...0000"}));
}

TEST_F(ReceiveRecordsTest, AFailedReadEndsTheReception) {
    port.Feed(kThreeRecords);
    port.Fail();
    std::string text;
    EXPECT_FALSE(protocol.ReceiveRecords(text));
    EXPECT_EQ(port.clearErrorCount, 1);
}

TEST_F(ReceiveRecordsTest, AnEndlessStreamIsCutOff) {
    // A line that never falls silent would reload the countdown for ever.
    port.onWrite = [this](std::uint8_t) {
        if (port.input.empty()) port.Feed("S1130000");
    };
    port.Feed("S");
    std::string text;
    EXPECT_FALSE(protocol.ReceiveRecords(text));
    EXPECT_GT(text.size(), ecuproto::kMaxRecordText);
}

struct BlockReadTest : EcuFixture {
    FakeEcu ecu{port};
};

TEST_F(BlockReadTest, ReadsIdentifiesAndDecodesOnAPortItOpensAndClosesAgain) {
    ecu.records = kThreeRecords + kClose;
    const EcuReadResult result = protocol.ReadEcu();
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(result.received);
    ASSERT_TRUE(result.data.ok);
    EXPECT_EQ(result.data.start, 0x0000);
    EXPECT_EQ(result.data.bytes.size(), 48u);
    EXPECT_EQ(result.data.bytes[0x2F], 0x2F);
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(link.exchangeBusy);
    EXPECT_EQ(progress.titles, std::vector<std::string>{"Read from ECU"});
    EXPECT_EQ(progress.closeCount, 1);
    // Set B: "K" then "Y" after the identifications.
    const std::string sent = port.WrittenText();
    EXPECT_EQ(sent.substr(sent.find('K'), 2), "KY");
}

TEST_F(BlockReadTest, CommandSetAUsesLAndR) {
    app.commandSetSelector = kCommandSetA;
    ecu.readCommand = 'R';
    ecu.records = kThreeRecords + kClose;
    EXPECT_EQ(protocol.ReadEcu().code, 0);
    const std::string sent = port.WrittenText();
    EXPECT_NE(sent.find("LR"), std::string::npos);
}

TEST_F(BlockReadTest, AWrongCommandEchoFailsBeforeAnyDataMoves) {
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("M1");
        else port.Feed({static_cast<std::uint8_t>(b ^ 0x20)});
    };
    const EcuReadResult result = protocol.ReadEcu();
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    EXPECT_TRUE(result.text.empty());
    EXPECT_EQ(port.WrittenText().find('Y'), std::string::npos);   // stopped after "K"
}

TEST_F(BlockReadTest, AReceptionCutShortKeepsThePartialDataAndItsEnd) {
    ecu.records = kThreeRecords;   // then silence
    const EcuReadResult result = protocol.ReadEcu();
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    EXPECT_FALSE(result.received);
    ASSERT_TRUE(result.data.ok);
    EXPECT_EQ(result.data.bytes.size(), 48u);
    EXPECT_EQ(result.failAddress, "0030");
}

TEST_F(BlockReadTest, AnotherEcuTypeEndsTheReadWithItsCode) {
    ecu.id = "X9";
    EXPECT_EQ(protocol.ReadEcu().code, str::kEcuTypeDifferent);
    ecu.answerId = false;
    EXPECT_EQ(protocol.ReadEcu().code, str::kNoResponse);
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(link.exchangeBusy);
}

TEST_F(BlockReadTest, InputThatNeverStopsAbandonsTheExchangeBeforeSending) {
    OpenQuietly();
    port.Feed(std::string(3000, 'x'));
    const EcuReadResult result = protocol.ReadEcu();
    EXPECT_EQ(result.code, str::kDataRemainsInPort);
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(progress.titles.empty());
    EXPECT_TRUE(link.portOpen);   // it was open before
}

TEST_F(BlockReadTest, AnOpenPortStaysOpenAndLeftoversAreDrained) {
    OpenQuietly();
    port.Feed("\x01\x2C");   // a monitor answer nobody collected
    ecu.records = kThreeRecords + kClose;
    EXPECT_EQ(protocol.ReadEcu().code, 0);
    EXPECT_TRUE(link.portOpen);
    EXPECT_EQ(port.closeCount, 0);
}

struct BlockWriteTest : EcuFixture {
    FakeEcu ecu{port};
    std::vector<std::string> lines{"S113012000000000000000000000000000000000CB",
                                   "S113013000000000000000000000000000000000BB", kClose};
    void DefineErrorMessages() {
        app.definitionLines.Append("[Error Message]");
        app.definitionLines.Append("0,Write completed.");
        app.definitionLines.Append("E,Checksum error in the ECU.");
        app.definitionLines.Append("[Other]");
        app.definitionLines.Append("Z,not a message line");
    }
};

TEST_F(BlockWriteTest, SendsEveryCharacterAndShowsTheResultMessage) {
    DefineErrorMessages();
    const EcuWriteResult result = protocol.WriteEcu(lines);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(ecu.received, lines[0] + lines[1] + lines[2]);
    const std::string sent = port.WrittenText();
    EXPECT_NE(sent.find("KX" + lines[0]), std::string::npos);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Write completed.");
    EXPECT_EQ(prompt.Last().caption, "Write to ECU");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kInformation);
    EXPECT_EQ(progress.titles, std::vector<std::string>{"Write to ECU"});
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Wait...33%", "Wait...66%", "Wait...100%"}));
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(link.exchangeBusy);
}

TEST_F(BlockWriteTest, AResultWithoutAMessageLineSucceedsSilently) {
    DefineErrorMessages();
    ecu.result = 'Z';   // only in another section
    EXPECT_EQ(protocol.WriteEcu(lines).code, 0);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(BlockWriteTest, AnEchoThatStopsNamesTheDataByteItStoppedAt) {
    ecu.echoCharacters = 10;   // "S1130120" and the first data byte
    const EcuWriteResult result = protocol.WriteEcu(lines);
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    EXPECT_EQ(result.failAddress, "0121");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(BlockWriteTest, AnEchoThatStopsInTheAddressKeepsTheRecordAddress) {
    ecu.echoCharacters = 6;
    EXPECT_EQ(protocol.WriteEcu(lines).failAddress, "0120");
}

TEST_F(BlockWriteTest, AMissingResultByteFailsWithNoAddress) {
    ecu.sendResult = false;
    const EcuWriteResult result = protocol.WriteEcu(lines);
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    EXPECT_EQ(result.failAddress, "");
}

TEST_F(BlockWriteTest, NothingAfterTheClosingLineIsSent) {
    lines.push_back("S113014000000000000000000000000000000000AB");
    EXPECT_EQ(protocol.WriteEcu(lines).code, 0);
    EXPECT_EQ(port.WrittenText().find("S1130140"), std::string::npos);
}

TEST_F(BlockWriteTest, AShortLineFailsTheWrite) {
    lines.insert(lines.begin() + 1, "S10");
    EXPECT_EQ(protocol.WriteEcu(lines).code, str::kFailedToCorrespond);
    EXPECT_EQ(port.WrittenText().find("S1130130"), std::string::npos);
}

struct SingleWriteTest : EcuFixture {
    void SetUp() override {
        port.onWrite = [this](std::uint8_t b) {
            if (b == 0xBF) port.Feed("M1");
            else if (echo) port.Feed({b});
        };
    }
    bool echo = true;
};

TEST_F(SingleWriteTest, AByteGoesOutAsCommandAddressAndValue) {
    EXPECT_EQ(protocol.WriteByte(0x1234, 0x56), 0);
    const std::vector<std::uint8_t> tail(port.written.end() - 4, port.written.end());
    EXPECT_EQ(tail, (std::vector<std::uint8_t>{'U', 0x12, 0x34, 0x56}));
    EXPECT_EQ(progress.titles, std::vector<std::string>{"( 1234 ) = 56"});
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_FALSE(link.portOpen);
    EXPECT_FALSE(link.exchangeBusy);
}

TEST_F(SingleWriteTest, AWordGoesOutHighByteFirstInSetA) {
    app.commandSetSelector = kCommandSetA;
    EXPECT_EQ(protocol.WriteWord(0xD001, 0x0A0B), 0);
    const std::vector<std::uint8_t> tail(port.written.end() - 5, port.written.end());
    EXPECT_EQ(tail, (std::vector<std::uint8_t>{'s', 0xD0, 0x01, 0x0A, 0x0B}));
    EXPECT_EQ(progress.titles, std::vector<std::string>{"( D001 ) = 0A0B"});
}

TEST_F(SingleWriteTest, AMissingEchoStopsTheWriteAndIsReported) {
    echo = false;
    EXPECT_EQ(protocol.WriteByte(0x0100, 1), str::kNoResponse);
    EXPECT_EQ(port.written.back(), 'U');   // nothing after the command byte
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "No response from ECU.");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
}

TEST_F(SingleWriteTest, AWrongEchoStopsTheWriteAndIsReported) {
    // The address high byte comes back changed: the ECU may have taken another
    // address, so neither the rest of the address nor the value may follow.
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("M1");
        else port.Feed({static_cast<std::uint8_t>(b == 0x12 ? 0x13 : b)});
    };
    EXPECT_EQ(protocol.WriteByte(0x1234, 0x56), str::kNoResponse);
    EXPECT_EQ(port.written.back(), 0x12);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "No response from ECU.");
}

TEST_F(SingleWriteTest, AnIdentifiedEcuIsNotAskedAgainOnAnOpenPort) {
    OpenQuietly();
    link.ecuChecked = true;
    port.Feed("junk");   // stale input goes before the write
    EXPECT_EQ(protocol.WriteByte(0x0100, 1), 0);
    EXPECT_EQ(port.written, (std::vector<std::uint8_t>{'U', 0x01, 0x00, 0x01}));
    EXPECT_TRUE(link.portOpen);
}

TEST_F(SingleWriteTest, WaitsForTheMonitorToStandAside) {
    OpenQuietly();
    link.ecuChecked = true;
    link.monitorActive = true;
    int ticks = 0;
    link.monitorHook = [&] {
        if (++ticks == 3 && link.exchangeBusy) link.monitorActive = false;
    };
    EXPECT_EQ(protocol.WriteByte(0x0100, 1), 0);
    EXPECT_EQ(ticks, 3);
}

TEST_F(SingleWriteTest, AnIdentificationFailureSkipsTheTransfer) {
    port.onWrite = [this](std::uint8_t b) {
        if (b == 0xBF) port.Feed("Q7");
    };
    EXPECT_EQ(protocol.WriteByte(0x0100, 1), str::kEcuTypeDifferent);
    EXPECT_EQ(std::count(port.written.begin(), port.written.end(), 'U'), 0);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "ECU type is different.");
}

TEST(CommandSetTest, EachLetterMapsToItsByteInBothSets) {
    TempDir dir;
    AppOptions options;
    options.registryPath = dir.File("registry.reg");
    CQelApp app(options);
    const std::string letters = "JjLMmNSsWRV", setB = "HhKOoQUuXYZ";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        app.commandSetA[letters[i]] = letters[i];
        app.commandSetB[letters[i]] = setB[i];
    }
    FakeSerialPort port;
    FakeEventPump pump;
    SerialLink link(app, port, pump, pump);
    RecordingPrompt prompt;
    SilentProgress progress;
    EcuProtocol protocol(app, app.definitionLines, link, prompt, progress);
    app.commandSetSelector = kCommandSetB;
    EXPECT_EQ(protocol.CommandByte('L'), 0x4B);
    EXPECT_EQ(protocol.CommandByte('R'), 0x59);
    EXPECT_EQ(protocol.CommandByte('W'), 0x58);
    EXPECT_EQ(protocol.CommandByte('s'), 0x75);
    EXPECT_EQ(protocol.CommandByte('Q'), 0x00);   // not a command letter
    app.commandSetSelector = kCommandSetA;
    EXPECT_EQ(protocol.CommandByte('L'), 0x4C);
    EXPECT_EQ(protocol.CommandByte('V'), 0x56);
    EXPECT_EQ(protocol.CommandByte('x'), 0x00);
}

}  // namespace
