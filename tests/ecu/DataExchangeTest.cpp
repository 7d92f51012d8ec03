// The data exchange over a started application, a scripted ECU and data
// files of our own: what each source puts into the panes, what each target
// receives, the verify verdicts, the messages and the report lines.
#include <gtest/gtest.h>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "ecu/DataExchange.h"
#include "files/DataFile.h"
#include "tests/ecu/EcuFixture.h"
#include "tests/files/TestInstall.h"
#include "tests/support/InstalledApp.h"

namespace {

using testinstall::kDataEnd;
using testinstall::kDataStart;

// A data file of the given machine holding bytes from start on.
std::string DataFileText(std::uint16_t start, const std::vector<std::uint8_t>& bytes,
                         const std::string& model = testinstall::kMachineFolder) {
    std::string text = "[Machine]\nModel," + model + "\n[Data]\nCalib:\n";
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t count = std::min<std::size_t>(16, bytes.size() - at);
        text += MakeDataRecord(static_cast<std::uint16_t>(start + at), &bytes[at], count) + "\n";
    }
    return text + "S9030000FC\nFixed:\n";
}

std::vector<std::uint8_t> Pattern(std::size_t size, int seed = 0) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return bytes;
}

std::uint8_t Sum(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

std::string RecordText(std::uint16_t start, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    BuildRecords(bytes.data(), bytes.size(), start, static_cast<std::uint16_t>(bytes.size() - 1), lines);
    std::string text;
    for (const std::string& line : lines) text += line;
    return text;
}

struct DataExchangeTest : ::testing::Test, InstalledApp {
    FakeSerialPort port;
    FakeEventPump pump;
    SerialLink link{app, port, pump, pump};
    RecordingProgress progress;
    EcuProtocol protocol{app, app.definitionLines, link, prompt, progress};
    FakeEcu ecu{port};
    DataExchange exchange{app, app.registry, app.defaultFolder, protocol, prompt};
    std::string calibration;

    void SetUp() override {
        ASSERT_TRUE(app.InitInstance(host));
        calibration = install.dir.Write("cal.qsd", testinstall::CalibrationFile());
        ASSERT_EQ(LoadDataFile(app, app, prompt, calibration), kLoaded);
        app.dataFileName = "cal.qsd";
        app.portCode = 0;
        app.registry.expectedId = {{'M', '1', 0}};
        app.commandSetSelector = kCommandSetB;
        pump.onDispatch = [this] {
            if (pump.running) link.OnTick();
        };
        link.sleepMs = [](int) {};
        link.clockMs = [] { return 0L; };
    }
    void TearDown() override { app.ExitInstance(); }

    std::string File(const std::string& name, std::uint16_t start, const std::vector<std::uint8_t>& bytes) {
        return install.dir.Write(name, DataFileText(start, bytes));
    }
    std::vector<std::uint8_t> CalibrationBytes() const {
        const Image image = testinstall::CalibrationImage();
        return std::vector<std::uint8_t>(image.begin() + kDataStart, image.begin() + kDataEnd + 1);
    }
};

TEST_F(DataExchangeTest, AFileFillsItsRangeWithTheChecksumByteRecomputed) {
    std::vector<std::uint8_t> bytes = Pattern(0x1001);
    bytes.back() = 0x00;   // a stale checksum byte
    const std::string path = File("big.qsd", 0x0000, bytes);
    EXPECT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);

    const DataPane& pane = exchange.ExchangeBuffer();
    EXPECT_EQ(pane.start, 0x0000);
    ASSERT_EQ(pane.Length(), 0x1001);
    EXPECT_EQ(Sum(pane.bytes), 0x7F);
    EXPECT_TRUE(std::equal(pane.bytes.begin(), pane.bytes.end() - 1, bytes.begin()));
    EXPECT_EQ(pane.title, "File Data [ " + path + " ]");
    EXPECT_EQ(pane.rowCount, 0x101);
    EXPECT_FALSE(pane.partial);
    EXPECT_EQ(exchange.Report(), "Read from file data   --->   Complete\r\n  " + path + "\r\n\r\n");
    EXPECT_EQ(exchange.StatusText(), "");
    const ExchangeButtons buttons = exchange.Buttons();
    EXPECT_TRUE(buttons.read && buttons.write && buttons.verify && buttons.clear);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(DataExchangeTest, AFileWithABrokenRecordChecksumLoadsAndSaysSo) {
    std::string text = DataFileText(0x1000, Pattern(32));
    const std::size_t record = text.find("S113");
    text[record + 41] = text[record + 41] == '0' ? '1' : '0';   // the first record's checksum
    const std::string path = install.dir.Write("sum.qsd", text);
    EXPECT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);
    EXPECT_EQ(exchange.StatusText(), "Check Sum Error!");
    exchange.Clear();
    EXPECT_EQ(exchange.StatusText(), "");
}

TEST_F(DataExchangeTest, AFileOfAnotherMachineOrNoFileFailsWithItsMessage) {
    const std::string other = install.dir.Write("other.qsd", DataFileText(0x1000, Pattern(32), "XYZ99"));
    EXPECT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(other)), ExchangeOutcome::kFail);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Machine type is different.");
    EXPECT_EQ(prompt.Last().caption, "Data Exchange");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
    EXPECT_EQ(exchange.LastReport(), "Read from file data   --->   Fail\r\n");

    EXPECT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(install.dir.File("missing.qsd"))),
              ExchangeOutcome::kFail);
    EXPECT_EQ(prompt.Last().text, "Failed to read file data");
    EXPECT_TRUE(exchange.ExchangeBuffer().Empty());
    EXPECT_FALSE(exchange.Buttons().write);
}

TEST_F(DataExchangeTest, CancellingTheQuestionOrTheFileChoiceKeepsBufferAndReport) {
    const std::string first = File("a.qsd", 0x1000, Pattern(32));
    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(first)), ExchangeOutcome::kComplete);
    const std::string report = exchange.Report();

    prompt.answers.push_back(PromptAnswer::kCancel);
    EXPECT_EQ(exchange.Read(ExchangeSource::kEdit), ExchangeOutcome::kAbandoned);
    EXPECT_EQ(prompt.Last().text, "Do you cancel current data ?");
    EXPECT_EQ(prompt.Last().caption, "Data Read");
    EXPECT_EQ(prompt.Last().buttons, PromptButtons::kOkCancel);
    EXPECT_EQ(exchange.Report(), report);
    EXPECT_EQ(exchange.ExchangeBuffer().start, 0x1000);
    EXPECT_EQ(exchange.ExchangeBuffer().Length(), 32);

    // OK clears the report with the buffer; a cancelled file choice then adds nothing.
    prompt.answers.push_back(PromptAnswer::kOk);
    EXPECT_EQ(exchange.Read(ExchangeSource::kFile, [](std::string&) { return false; }),
              ExchangeOutcome::kAbandoned);
    EXPECT_EQ(exchange.Report(), "");
    EXPECT_TRUE(exchange.ExchangeBuffer().Empty());
}

TEST_F(DataExchangeTest, VerifySaysSameForTheSameFileAndNotSameForOneChangedByte) {
    const std::vector<std::uint8_t> bytes = Pattern(40);
    const std::string path = File("a.qsd", 0x1000, bytes);
    std::vector<std::uint8_t> changed = bytes;
    changed[5] ^= 0x01;
    const std::string changedPath = File("b.qsd", 0x1000, changed);
    const std::string movedPath = File("c.qsd", 0x2000, bytes);

    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);
    EXPECT_EQ(exchange.Verify(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kSame);
    EXPECT_EQ(exchange.LastReport(), "Compare with file data   --->   Same\r\n  " + path + "\r\n\r\n");
    EXPECT_EQ(exchange.Verify(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kSame);
    EXPECT_EQ(exchange.Verify(ExchangeSource::kFile, ChosenFile(changedPath)), ExchangeOutcome::kNotSame);
    EXPECT_EQ(exchange.LastReport(), "Compare with file data   --->   Not same\r\n  " + changedPath + "\r\n\r\n");
    // The same bytes somewhere else are another calibration.
    EXPECT_EQ(exchange.Verify(ExchangeSource::kFile, ChosenFile(movedPath)), ExchangeOutcome::kNotSame);
    EXPECT_EQ(exchange.Verify(ExchangeSource::kFile, ChosenFile(install.dir.File("none.qsd"))),
              ExchangeOutcome::kFail);
    EXPECT_EQ(exchange.LastReport(),
              "Compare with file data   --->   Fail\r\n  " + install.dir.File("none.qsd") + "\r\n\r\n");
    // The buffer under test stays; the report has every line.
    EXPECT_EQ(exchange.ExchangeBuffer().Length(), 40);
    EXPECT_EQ(exchange.Report().find("Read from file data"), 0u);
}

TEST_F(DataExchangeTest, WriteToEditNeedsTheCalibrationsStartAddress) {
    const std::string moved = File("moved.qsd", 0x2000, Pattern(0x40));
    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(moved)), ExchangeOutcome::kComplete);
    const Image before = app.image();
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEdit), ExchangeOutcome::kFail);
    EXPECT_EQ(prompt.Last().text, "Address does not correspond");
    EXPECT_EQ(prompt.Last().caption, "Data Exchange");
    EXPECT_EQ(exchange.LastReport(), "Write to edit data   --->   Fail\r\n\r\n");
    EXPECT_TRUE(app.image() == before);
    EXPECT_FALSE(exchange.DataTakenOver());
}

TEST_F(DataExchangeTest, WriteToEditStoresEveryByteAndMarksTheCalibrationChanged) {
    const std::vector<std::uint8_t> bytes = Pattern(0x40, 7);
    const std::string path = File("new.qsd", kDataStart, bytes);
    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);
    int stored = 0;
    exchange.onByteStored = [&](std::uint16_t address, std::uint8_t value) {
        EXPECT_EQ(app.image()[address], value);
        ++stored;
    };
    app.modified = 0;
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEdit), ExchangeOutcome::kComplete);
    EXPECT_EQ(exchange.LastReport(), "Write to edit data   --->   Complete\r\n\r\n");
    EXPECT_EQ(stored, 0x40);
    EXPECT_NE(app.modified, 0);
    EXPECT_TRUE(exchange.DataTakenOver());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end() - 1, app.image().begin() + kDataStart));
    std::vector<std::uint8_t> range(app.image().begin() + kDataStart, app.image().begin() + kDataEnd + 1);
    EXPECT_EQ(Sum(range), 0x7F);
}

TEST_F(DataExchangeTest, EditDataIsTheDataRangeWithAnUpToDateChecksumAndIsNotWrittenBack) {
    app.image()[kDataStart + 3] ^= 0x10;   // an edit; the checksum byte is fixed only on save
    ASSERT_EQ(exchange.Read(ExchangeSource::kEdit), ExchangeOutcome::kComplete);
    const DataPane& pane = exchange.ExchangeBuffer();
    EXPECT_EQ(pane.title, "Edit Data  [ cal.qsd ]");
    EXPECT_EQ(pane.start, kDataStart);
    ASSERT_EQ(pane.Length(), kDataEnd - kDataStart + 1);
    EXPECT_EQ(pane.bytes[3], app.image()[kDataStart + 3]);
    EXPECT_EQ(Sum(pane.bytes), 0x7F);
    EXPECT_EQ(exchange.LastReport(), "Read from edit data   --->   Complete\r\n\r\n");

    int stored = 0;
    exchange.onByteStored = [&](std::uint16_t, std::uint8_t) { ++stored; };
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEdit), ExchangeOutcome::kComplete);
    EXPECT_EQ(stored, 0);
    EXPECT_FALSE(exchange.DataTakenOver());
}

TEST_F(DataExchangeTest, ReadFromTheEcuTakesTheDecodedRange) {
    const std::vector<std::uint8_t> bytes = CalibrationBytes();
    ecu.records = RecordText(kDataStart, bytes);
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kComplete);
    EXPECT_EQ(exchange.ExchangeBuffer().title, "ECU Data");
    EXPECT_EQ(exchange.ExchangeBuffer().start, kDataStart);
    EXPECT_EQ(exchange.ExchangeBuffer().bytes, bytes);
    EXPECT_EQ(exchange.Report(), "Read from ECU data   --->   Complete\r\n\r\n");
    EXPECT_FALSE(exchange.Busy());
    EXPECT_FALSE(link.portOpen);

    // The ECU holds what the calibration holds.
    ecu.state = FakeEcu::State::kCommand;
    EXPECT_EQ(exchange.Verify(ExchangeSource::kEdit), ExchangeOutcome::kSame);
    EXPECT_EQ(exchange.LastReport(), "Compare with edit data   --->   Same\r\n\r\n");
}

TEST_F(DataExchangeTest, AReadThatStopsAfterThreeRecordsKeepsThemAsPartialData) {
    ecu.records = RecordText(0x0000, Pattern(0x100)).substr(0, 3 * 42);
    int busyChanges = 0;
    exchange.onBusyChanged = [&] {
        ++busyChanges;
        if (exchange.Busy()) {
            EXPECT_FALSE(exchange.Buttons().read);
        }
    };
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kFail);
    EXPECT_EQ(busyChanges, 2);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Failed to correspond with ECU.\nRead Error Address : 0030");
    EXPECT_EQ(prompt.Last().caption, "Data Exchange");
    const DataPane& pane = exchange.ExchangeBuffer();
    EXPECT_TRUE(pane.partial);
    EXPECT_EQ(pane.title, "ECU Data");
    EXPECT_EQ(pane.Length(), 48);
    EXPECT_EQ(pane.rowCount, 3);
    // A broken-off read is no calibration to pass on.
    EXPECT_EQ(exchange.LastReport(), "Read from ECU data   --->   Fail\r\n\r\n");
    const ExchangeButtons buttons = exchange.Buttons();
    EXPECT_TRUE(buttons.read && buttons.clear);
    EXPECT_FALSE(buttons.write || buttons.verify);
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEcu), ExchangeOutcome::kUnavailable);
    EXPECT_EQ(exchange.Verify(ExchangeSource::kEdit), ExchangeOutcome::kUnavailable);
    exchange.Clear();
    EXPECT_TRUE(exchange.ExchangeBuffer().Empty());
    EXPECT_EQ(exchange.Report(), "");
}

TEST_F(DataExchangeTest, AReadWithADamagedRecordFailsAtItAndNeverReachesTheCalibration) {
    const std::vector<std::uint8_t> bytes = CalibrationBytes();
    std::string text = RecordText(kDataStart, bytes);
    std::string second = text.substr(42, 42);
    second[41] = second[41] == '0' ? '1' : '0';   // a wrong checksum in the record for 1010
    text.replace(42, 42, second);
    ecu.records = text;
    const Image before = app.image();
    app.modified = 0;

    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kFail);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Failed to correspond with ECU.\nRead Error Address : 1010");
    EXPECT_EQ(exchange.LastReport(), "Read from ECU data   --->   Fail\r\n\r\n");
    const DataPane& pane = exchange.ExchangeBuffer();
    EXPECT_TRUE(pane.partial);
    EXPECT_EQ(pane.Length(), 16);
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEdit), ExchangeOutcome::kUnavailable);
    EXPECT_FALSE(exchange.DataTakenOver());
    EXPECT_EQ(app.image(), before);
    EXPECT_EQ(app.modified, 0);

    // Broken in its first record: nothing arrived sound, the address is still named.
    prompt.answers.push_back(PromptAnswer::kOk);   // drop the partial data
    ecu.state = FakeEcu::State::kCommand;
    std::string first = RecordText(kDataStart, bytes);
    first[9] = 'Z';
    ecu.records = first;
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kFail);
    EXPECT_EQ(prompt.Last().text, "Failed to correspond with ECU.\nRead Error Address : 1000");
    EXPECT_TRUE(exchange.ExchangeBuffer().Empty());
}

TEST_F(DataExchangeTest, ASilentEcuLeavesThePaneEmpty) {
    ecu.answerId = false;
    EXPECT_EQ(exchange.Read(ExchangeSource::kEcu), ExchangeOutcome::kFail);
    EXPECT_EQ(prompt.Last().text, "No response from ECU.");
    EXPECT_EQ(prompt.Last().caption, "Data Exchange");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
    EXPECT_TRUE(exchange.ExchangeBuffer().Empty());
    EXPECT_EQ(exchange.Report(), "Read from ECU data   --->   Fail\r\n\r\n");
}

TEST_F(DataExchangeTest, AComparisonReadThatBreaksOffIsAFailureNotADifference) {
    ASSERT_EQ(exchange.Read(ExchangeSource::kEdit), ExchangeOutcome::kComplete);
    ecu.records = RecordText(kDataStart, CalibrationBytes()).substr(0, 42);
    EXPECT_EQ(exchange.Verify(ExchangeSource::kEcu), ExchangeOutcome::kFail);
    EXPECT_EQ(exchange.LastReport(), "Compare with ECU data   --->   Fail\r\n\r\n");
    EXPECT_EQ(prompt.Last().text, "Failed to correspond with ECU.\nRead Error Address : 1010");
}

TEST_F(DataExchangeTest, WriteToTheEcuSendsTheBufferAsRecords) {
    const std::vector<std::uint8_t> bytes = Pattern(0x24);
    const std::string path = File("w.qsd", kDataStart, bytes);
    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);
    std::vector<std::uint8_t> sent = exchange.ExchangeBuffer().bytes;
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEcu), ExchangeOutcome::kComplete);
    EXPECT_EQ(ecu.received, RecordText(kDataStart, sent));
    EXPECT_EQ(exchange.LastReport(), "Write to ECU data   --->   Complete\r\n\r\n");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(DataExchangeTest, AWriteThatLosesItsEchoNamesTheFailingAddress) {
    const std::string path = File("w.qsd", kDataStart, Pattern(0x24));
    ASSERT_EQ(exchange.Read(ExchangeSource::kFile, ChosenFile(path)), ExchangeOutcome::kComplete);
    ecu.echoCharacters = 42 + 10;   // the first record, then 10 characters of the second
    EXPECT_EQ(exchange.Write(ExchangeTarget::kEcu), ExchangeOutcome::kFail);
    EXPECT_EQ(prompt.Last().text, "Failed to correspond with ECU.\nWrite Error Address : 1011");
    EXPECT_EQ(exchange.LastReport(), "Write to ECU data   --->   Fail\r\n\r\n");
}

TEST(DataPaneTest, RowsCoverPartlyFilledFirstAndLastRowsAndScrollingStaysInside) {
    DataPane pane;
    pane.Fill(0x0008, Pattern(16), "t", false);
    EXPECT_EQ(pane.rowCount, 2);
    const HexRow first = PaneRow(pane, 0);
    EXPECT_EQ(first.address, "0000");
    EXPECT_EQ(first.cells[7], "");
    EXPECT_EQ(first.cells[8], "00");
    EXPECT_EQ(first.cells[9], "0D");
    const HexRow second = PaneRow(pane, 1);
    EXPECT_EQ(second.address, "0010");
    EXPECT_EQ(second.cells[7], "C3");   // offset 15
    EXPECT_EQ(second.cells[8], "");
    EXPECT_EQ(PaneRow(pane, 2).address, "");

    pane.Fill(0xFFF0, Pattern(16), "t", false);
    EXPECT_EQ(pane.rowCount, 1);
    EXPECT_EQ(PaneRow(pane, 0).address, "FFF0");

    pane.Fill(0x0000, Pattern(0x200), "t", false);
    EXPECT_EQ(pane.rowCount, 32);
    pane.ScrollRows(DataPane::kVisibleRows * 5);
    EXPECT_EQ(pane.firstVisibleRow, 22);
    pane.ScrollRows(-100);
    EXPECT_EQ(pane.firstVisibleRow, 0);
    pane.Clear();
    EXPECT_EQ(pane.rowCount, 0);
    EXPECT_TRUE(pane.Empty());
}

}  // namespace
