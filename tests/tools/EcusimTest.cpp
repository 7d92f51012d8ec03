// ecusim as a process on a pseudo-terminal, talked to through the real
// PosixSerialPort, the serial link and the protocol, as RV_Tune and rvtune
// talk to an ECU.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "ecu/EcuProtocol.h"
#include "ecu/ProgressDisplay.h"
#include "ecu/SerialLink.h"
#include "platform/EventPump.h"
#include "platform/SerialPort.h"
#include "tests/support/Ecusim.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// One S1 record of the given bytes at address.
std::string Record(unsigned address, const std::vector<std::uint8_t>& data) {
    unsigned sum = static_cast<unsigned>(data.size() + 3) + (address >> 8) + (address & 0xFF);
    char text[16];
    std::snprintf(text, sizeof text, "S1%02X%04X", static_cast<unsigned>(data.size() + 3), address);
    std::string record = text;
    for (std::uint8_t b : data) {
        std::snprintf(text, sizeof text, "%02X", b);
        record += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X", ~sum & 0xFF);
    return record + text;
}

// 0x1000..0x10FF, value = low address byte + 0x20 (no XON/XOFF bytes).
std::vector<std::uint8_t> Pattern(unsigned offset) {
    std::vector<std::uint8_t> data(16);
    for (unsigned i = 0; i < 16; ++i) data[i] = static_cast<std::uint8_t>((offset + i + 0x20) & 0xFF);
    return data;
}

std::string DataFile() {
    std::string text = "[Machine]\r\nModel,EXAMPLE\r\n\r\n[Data]\r\nCalib:\r\n";
    for (unsigned offset = 0; offset < 0x100; offset += 16)
        text += Record(0x1000 + offset, Pattern(offset)) + "\r\n";
    return text + "S9030000FC\r\nFixed:\r\n";
}

struct EcusimTest : ::testing::Test {
    TempDir dir;
    std::unique_ptr<CQelApp> app;
    std::unique_ptr<PosixSerialPort> port;
    HeadlessEventPump pump;
    std::unique_ptr<SerialLink> link;
    RecordingPrompt prompt;
    SilentProgress progress;
    std::unique_ptr<EcuProtocol> protocol;
    std::unique_ptr<EcusimProcess> sim;

    void Start(std::vector<std::string> arguments) {
        // A second start replaces everything, the users before what they use.
        protocol.reset();
        link.reset();
        port.reset();
        app.reset();
        sim = std::make_unique<EcusimProcess>(dir.File("ecu"), std::move(arguments), dir.File("ecusim.out"));
        ASSERT_TRUE(sim->Ready()) << "ecusim did not come up";
        ::setenv("RV_TUNE_COM1", sim->Link().c_str(), 1);
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        app = std::make_unique<CQelApp>(options);
        app->portCode = 0;
        app->speedCode = 4;
        app->dataBitsCode = 1;
        app->parityCode = 0;
        app->stopBitsCode = 0;
        app->flowCode = 0;          // XON/XOFF on, as by default
        app->readTimeout = 20;      // silence ends a wait after 2 s
        app->waitTime = 10;
        app->retryCount = 2;
        app->ecRetryCount = 1;
        const std::string letters = "JjLMmNSsWRV", setB = "HhKOoQUuXYZ";
        for (std::size_t i = 0; i < letters.size(); ++i) {
            app->commandSetA[letters[i]] = letters[i];
            app->commandSetB[letters[i]] = setB[i];
        }
        port = std::make_unique<PosixSerialPort>(&app->registryStore());
        link = std::make_unique<SerialLink>(*app, *port, pump, pump);
        pump.onTick = [this] { link->OnTick(); };
        protocol = std::make_unique<EcuProtocol>(*app, app->definitionLines, *link, prompt, progress);
    }
    void TearDown() override {
        if (link) link->ClosePort();
        ::unsetenv("RV_TUNE_COM1");
    }
    std::vector<std::string> Lines(unsigned address, const std::vector<std::uint8_t>& data) {
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < data.size(); at += 16) {
            const auto end = std::min(data.size(), at + 16);
            lines.push_back(Record(address + static_cast<unsigned>(at),
                                   std::vector<std::uint8_t>(data.begin() + static_cast<long>(at),
                                                             data.begin() + static_cast<long>(end))));
        }
        lines.push_back("S9030000FC");
        return lines;
    }
};

TEST(EcusimHelpTest, HelpDocumentsTheOptionsAndFaults) {
    TempDir dir;
    const std::string out = dir.File("help.txt");
    const int status = std::system((EcusimPath() + " --help >" + out).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string help = dir.Read("help.txt");
    for (const char* word : {"--link", "--image", "--id", "--set", "--result-byte", "--baud",
                             "--save", "--value", "silent", "wrong-id", "wrong-echo", "stop-after",
                             "flood", "no-result", "stop-echo", "bad-hex", "bad-sum", "bad-count",
                             "--precise", "drop-single"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    EXPECT_NE(std::system((EcusimPath() + " --fault nonsense 2>/dev/null").c_str()), 0);
    for (const char* wrong : {"--fault bad-sum=0", "--fault bad-hex", "--value 01", "--value 01=10000",
                              "--value 40=1", "--value 21=100", "--fault drop-single=5", "--fault drop-single"})
        EXPECT_NE(std::system((EcusimPath() + " --link " + dir.File("x") + " " + wrong + " 2>/dev/null").c_str()), 0)
            << wrong;
}

TEST_F(EcusimTest, ReadsTheImageOfTheDataFile) {
    Start({"--image", dir.Write("cal.qsd", DataFile())});
    const EcuReadResult result = protocol->ReadEcu();
    ASSERT_EQ(result.code, 0);
    ASSERT_TRUE(result.data.ok);
    EXPECT_EQ(result.data.start, 0x1000);
    ASSERT_EQ(result.data.bytes.size(), 0x100u);
    for (unsigned offset = 0; offset < 0x100; offset += 16)
        EXPECT_EQ(std::vector<std::uint8_t>(result.data.bytes.begin() + offset,
                                            result.data.bytes.begin() + offset + 16),
                  Pattern(offset));
    EXPECT_FALSE(result.data.checksumError);
    EXPECT_FALSE(link->portOpen);
}

TEST_F(EcusimTest, WritesReadsBackAndSavesAtTheEnd) {
    const std::string saved = dir.File("saved.s19");
    Start({"--image", dir.Write("cal.qsd", DataFile()), "--save", saved, "--set", "A", "--id", "DS"});
    app->commandSetSelector = kCommandSetA;
    app->registry.expectedId = {{'D', 'S', 0}};
    app->definitionLines.Append("[Error Message]");
    app->definitionLines.Append("0,Data written.");

    std::vector<std::uint8_t> data(0x20);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);
    const EcuWriteResult written = protocol->WriteEcu(Lines(0x1040, data));
    ASSERT_EQ(written.code, 0);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Data written.");

    EXPECT_EQ(protocol->WriteByte(0x10F0, 0x5A), 0);
    EXPECT_EQ(protocol->WriteWord(0x10F4, 0x1234), 0);

    const EcuReadResult read = protocol->ReadEcu();
    ASSERT_EQ(read.code, 0);
    ASSERT_EQ(read.data.bytes.size(), 0x100u);
    EXPECT_EQ(read.data.bytes[0x40], 0xA0);
    EXPECT_EQ(read.data.bytes[0x5F], 0xBF);
    EXPECT_EQ(read.data.bytes[0x60], Pattern(0x60)[0]);
    EXPECT_EQ(read.data.bytes[0xF0], 0x5A);
    EXPECT_EQ(read.data.bytes[0xF4], 0x12);
    EXPECT_EQ(read.data.bytes[0xF5], 0x34);

    EXPECT_EQ(sim->Stop(), 0);
    EXPECT_FALSE(Exists(sim->Link()));
    const std::string text = dir.Read("saved.s19");
    EXPECT_NE(text.find(Record(0x1040, std::vector<std::uint8_t>(data.begin(), data.begin() + 16))),
              std::string::npos);
}

TEST_F(EcusimTest, AReadThatStopsAfterThreeRecordsNamesTheFirstMissingAddress) {
    Start({"--range", "0000-00FF", "--fault", "stop-after=3"});
    const EcuReadResult result = protocol->ReadEcu();
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    ASSERT_TRUE(result.data.ok);
    EXPECT_EQ(result.data.bytes.size(), 48u);
    EXPECT_EQ(result.failAddress, "0030");
}

TEST_F(EcusimTest, ADamagedRecordFailsTheReadAtItsAddressWithOnlyTheRecordsBeforeIt) {
    for (const char* fault : {"bad-hex=2", "bad-sum=2", "bad-count=2"}) {
        SCOPED_TRACE(fault);
        Start({"--range", "0000-00FF", "--fault", fault});
        const EcuReadResult result = protocol->ReadEcu();
        EXPECT_EQ(result.code, str::kFailedToCorrespond);
        EXPECT_TRUE(result.received);   // the text came whole, up to its closing record
        EXPECT_TRUE(result.data.damaged);
        EXPECT_EQ(result.failAddress, "0010");
        EXPECT_EQ(result.data.bytes.size(), 16u);
        sim->Stop();
    }
    // The first record, and the last one of the range.
    Start({"--range", "0000-00FF", "--fault", "bad-sum=1"});
    EXPECT_EQ(protocol->ReadEcu().failAddress, "0000");
    sim->Stop();
    Start({"--range", "0000-00FF", "--fault", "bad-count=16"});
    const EcuReadResult last = protocol->ReadEcu();
    EXPECT_EQ(last.failAddress, "00F0");
    EXPECT_EQ(last.data.bytes.size(), 0xF0u);
}

TEST_F(EcusimTest, IdentificationFaultsGiveTheirCodes) {
    Start({"--fault", "wrong-id"});
    EXPECT_EQ(protocol->CheckEcu(false), str::kEcuTypeDifferent);
    sim->Stop();
    Start({"--fault", "silent"});
    EXPECT_EQ(protocol->ReadEcu().code, str::kNoResponse);
}

TEST_F(EcusimTest, AWriteWhoseEchoStopsFailsAtTheDataByte) {
    Start({"--range", "0000-00FF", "--fault", "stop-echo=12"});
    // "S1130120" and two data bytes echoed: the third byte fails.
    const EcuWriteResult result =
        protocol->WriteEcu(Lines(0x0120, std::vector<std::uint8_t>(16, 0x44)));
    EXPECT_EQ(result.code, str::kFailedToCorrespond);
    EXPECT_EQ(result.failAddress, "0122");
}

TEST_F(EcusimTest, AFloodOnAnOpenPortAbandonsTheExchange) {
    Start({"--fault", "flood"});
    ASSERT_TRUE(link->OpenPort(true));   // its identification starts the flood
    EXPECT_EQ(protocol->ReadEcu().code, str::kDataRemainsInPort);
}

TEST_F(EcusimTest, APacedLineTakesAtLeastTheTimeOfItsBytes) {
    // Timed on a timer, or waited for awake (--precise): never early.
    for (const bool precise : {false, true}) {
        std::vector<std::string> arguments = {"--image", dir.Write("cal.qsd", DataFile()), "--baud", "9600"};
        if (precise) arguments.push_back("--precise");
        Start(arguments);
        const auto start = std::chrono::steady_clock::now();
        const EcuReadResult read = protocol->ReadEcu();
        ASSERT_EQ(read.code, 0) << precise;
        // 16 records of 42 characters and the closing record, 10 bits each.
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 680) << precise;
        EXPECT_EQ(read.data.bytes.size(), 256u) << precise;
        sim->Stop();
    }
}

TEST_F(EcusimTest, AnEmptyReadReturnsAfterTheReadTimeout) {
    Start({});
    PosixSerialPort raw;
    ASSERT_TRUE(raw.Open(sim->Link(), LineSettings{}));
    PortTimeouts timeouts;
    timeouts.readIntervalMs = 50;
    timeouts.readTotalMultiplierMs = 50;
    raw.SetTimeouts(timeouts);
    std::uint8_t byte = 0;
    std::size_t count = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(raw.Read(&byte, 1, count));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(count, 0u);
    EXPECT_GE(ms, 45);
    EXPECT_LT(ms, 5000);   // only a safety net
    // A second program cannot take the port while it is open.
    PosixSerialPort other;
    EXPECT_FALSE(other.Open(sim->Link(), LineSettings{}));
}

}  // namespace
