// rvtune's ECU commands as processes against ecusim over a pseudo-terminal:
// read, write, verify, single writes and the monitor, and every fault of the
// line with its message, its report line and nothing changed on failure.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/integration/EcuCommandsFixture.h"

namespace {

using namespace ecutest;

TEST_F(EcuCommandsTest, ReadEcuWritesTheEcuDataAsSRecords) {
    StartEcu(changed);
    const std::string out = install.dir.File("ecu.mot");
    const Outcome o = Tune({"read-ecu", "--out", out});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Read from ECU data   --->   Complete\n");
    EXPECT_EQ(FileRange(out), Range(ChangedImage()));
    EXPECT_EQ(install.dir.Read("ecu.mot").substr(0, 4), "S113");
}

TEST_F(EcuCommandsTest, ReadEcuIntoABaseFileSavesTheEcuDataUnderANewName) {
    StartEcu(changed);
    const std::string out = install.dir.File("out.qsd");
    const Outcome o = Tune({"read-ecu", "--into", original, "--save", out});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Read from ECU data   --->   Complete\nWrite to edit data   --->   Complete\n");
    EXPECT_EQ(FileRange(out), Range(ChangedImage()));
    EXPECT_EQ(FileRange(original), Range(testinstall::CalibrationImage()));
}

TEST_F(EcuCommandsTest, WriteEcuThenVerifySaysSameAndTheOldFileIsNotSame) {
    StartEcu(original);
    // Every map cell moves by a third or more: past the guard only with --force.
    const Outcome written = Tune({"write-ecu", changed, "--force"});
    ASSERT_FALSE(written.hung);
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "Read from edit data   --->   Complete\nBackup from ECU data   --->   Complete\n"
                           "Read back from ECU data   --->   Same\nWrite to ECU data   --->   Complete\n");

    const Outcome same = Tune({"verify", changed});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "Read from file data   --->   Complete\n  " + changed +
                            "\nCompare with ECU data   --->   Same\n");
    const Outcome differs = Tune({"verify", original});
    EXPECT_EQ(differs.status, 1) << differs.err;
    EXPECT_NE(differs.out.find("Compare with ECU data   --->   Not same"), std::string::npos);
    EXPECT_EQ(EcuMemory(), Range(ChangedImage()));
}

// Not same says where: the map, its cell count and the largest difference.
TEST_F(EcuCommandsTest, VerifyNotSameListsWhereTheEcuDiffers) {
    const std::string doubled = install.dir.Write("doubled.qsd", DataFile(OneCellDoubled()));
    StartEcu(doubled);
    const Outcome one = Tune({"verify", original});
    EXPECT_EQ(one.status, 1) << one.err;
    // Fuel is x/10: 2.0 against 4.0, and nothing else differs.
    EXPECT_EQ(Lines(one.out), (std::vector<std::string>{"Read from file data   --->   Complete", "  " + original,
                                                         "Compare with ECU data   --->   Not same",
                                                         "    map Main: 1 cell differs, largest by 2.0"}));
}

TEST_F(EcuCommandsTest, SingleWritesChangeOneByteAndOneWord) {
    StartEcu(original);
    const Outcome byte = Tune({"write-byte", "1005", "5A"});
    EXPECT_EQ(byte.status, 0) << byte.err;
    EXPECT_EQ(byte.out, "Write ( 1005 ) = 5A   --->   Complete\n");
    const Outcome word = Tune({"write-word", "0x1010", "BEEF"});
    EXPECT_EQ(word.status, 0) << word.err;
    const Outcome wide = Tune({"write-byte", "1005", "100"});
    EXPECT_EQ(wide.status, 2);
    const Outcome address = Tune({"write-word", "10000", "1"});
    EXPECT_EQ(address.status, 2);

    std::vector<std::uint8_t> expected = Range(testinstall::CalibrationImage());
    expected[0x05] = 0x5A;
    expected[0x10] = 0xBE;
    expected[0x11] = 0xEF;
    EXPECT_EQ(EcuMemory(), expected);
}

// An ECU whose first identification answer comes after the read time-out,
// as one still waking up: the answer of the first request must not be read
// as half of the next one's, or the ECU is taken for another type.
TEST_F(EcuCommandsTest, ALateIdentificationAnswerIsNotMistakenForTheNext) {
    for (const char* late : {"30", "60", "120", "250", "500", "1000"}) {
        StartEcu(original, {"--fault", std::string("late-id=") + late});
        const Outcome byte = Tune({"write-byte", "1005", "5A"});
        EXPECT_EQ(byte.status, 0) << late << " ms: " << byte.err;
        EXPECT_EQ(byte.out, "Write ( 1005 ) = 5A   --->   Complete\n");
        EXPECT_EQ(EcuMemory()[0x05], 0x5A) << late << " ms";
    }
}

// A single write whose address low byte is lost on the line leaves the ECU
// waiting for the rest of the command. The next command must not reach it
// before it has given up on that one, or its first bytes land as the
// missing address and value: a byte nobody meant to write. Checked over
// the whole of the ECU's memory.
TEST_F(EcuCommandsTest, ASingleWriteCutOnTheLineLetsNoLaterByteLandInItsPlace) {
    StartEcu(original, {"--fault", "drop-single=2", "--range", "0000-FFFF"});
    const Outcome cut = Tune({"write-byte", "1005", "5A"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "Write ( 1005 ) = 5A   --->   Fail\n");
    EXPECT_NE(cut.err.find("No response from ECU."), std::string::npos) << cut.err;
    const Outcome next = Tune({"write-byte", "1006", "77"});
    EXPECT_EQ(next.status, 0) << next.err;

    ASSERT_EQ(sim->Stop(), 0);
    ImageFileData memory;
    ASSERT_EQ(ReadImageFile(saved, "", memory), 0xFFFF);
    Image expected = testinstall::CalibrationImage();
    expected[0x1006] = 0x77;
    ASSERT_EQ(memory.bytes.size(), expected.size());
    for (std::size_t a = 0; a < expected.size(); ++a)
        ASSERT_EQ(memory.bytes[a], expected[a]) << "a byte changed at " << std::hex << a;
}

TEST_F(EcuCommandsTest, MonitorPrintsTimeStampedRowsOfTheItemValues) {
    StartEcu(original);
    const std::string csv = install.dir.File("monitor.csv");
    const Outcome o = Tune({"monitor", "--items", "Engine Speed,Gear", "--seconds", "5", "--csv", csv});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(install.dir.Read("monitor.csv"), o.out);
    const std::string header = "time,Engine Speed [rpm],Gear [-]\n";
    ASSERT_EQ(o.out.compare(0, header.size(), header), 0) << o.out;
    // One round takes 6 ticks; 5 s hold several.
    const std::string row = o.out.substr(header.size(), o.out.find('\n', header.size()) - header.size());
    ASSERT_FALSE(row.empty()) << o.out;
    std::vector<std::string> fields;
    std::string rest = row;
    for (std::size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1))
        fields.push_back(rest.substr(0, comma));
    fields.push_back(rest);
    ASSERT_EQ(fields.size(), 3u) << row;
    for (const std::string& field : fields) {
        EXPECT_EQ(field.find_first_not_of("0123456789.-"), std::string::npos) << row;
        EXPECT_NE(field.find('.'), std::string::npos) << row;
    }
}

// XON/XOFF on, as the settings file has it by default, and an ECU whose
// answers are full of 0x11 and 0x13: its identification, the echoes of the
// single writes, the monitor values and the block write's result byte.
TEST_F(EcuCommandsTest, FlowControlBytesInEveryAnswerArriveWithXonXoffOn) {
    install.dir.Write("install/TST01/RV_Tune.INI",
                      "[RS232C]\nSPEED=19200\nXFLLOW=YES\nPORT=PORT1\nTIMEOUT=20\nWAITTIME=10\nRETRY=1\n"
                      "ECRETRY=0\n");
    install.WriteRegistry(true, "\"ReadEcuNum\"=dword:00000004\n\"EcuCheckResult\"=hex:11,13,00\n");
    StartEcu(original, {"--id", "0x1113", "--value", "01=1311", "--value", "21=11", "--value", "22=13",
                        "--result-byte", "0x13"});

    const Outcome block = Tune({"write-ecu", changed, "--force"});
    EXPECT_EQ(block.status, 0) << block.err;
    EXPECT_EQ(block.err, "");
    const Outcome byte = Tune({"write-byte", "1011", "13"});
    EXPECT_EQ(byte.status, 0) << byte.err;
    EXPECT_EQ(byte.out, "Write ( 1011 ) = 13   --->   Complete\n");
    const Outcome word = Tune({"write-word", "1013", "1311"});
    EXPECT_EQ(word.status, 0) << word.err;

    const Outcome monitor = Tune({"monitor", "--items", "Engine Speed,Throttle,Gear", "--seconds", "3"});
    ASSERT_FALSE(monitor.hung);
    EXPECT_EQ(monitor.status, 0) << monitor.err;
    const std::string header = "time,Engine Speed [rpm],Throttle [%],Gear [-]\n";
    ASSERT_EQ(monitor.out.compare(0, header.size(), header), 0) << monitor.out;
    std::size_t rows = 0;
    for (std::size_t at = header.size(); at < monitor.out.size();) {
        const std::size_t end = monitor.out.find('\n', at);
        const std::string row = monitor.out.substr(at, end - at);
        at = end == std::string::npos ? monitor.out.size() : end + 1;
        ++rows;
        // 0x1311 rpm, 0x11 half-percents, gear 0x13.
        EXPECT_EQ(row.substr(row.find(',')), ",4881.0,8.5,19.0") << row;
    }
    EXPECT_GE(rows, 1u) << monitor.out;

    std::vector<std::uint8_t> expected = Range(ChangedImage());
    expected[0x11] = 0x13;
    expected[0x13] = 0x13;
    expected[0x14] = 0x11;
    EXPECT_EQ(EcuMemory(), expected);
}

TEST_F(EcuCommandsTest, MonitorWithoutItemsShowsTheStoredSelectionAndRefusesUnknownNames) {
    StartEcu(original);
    // Long enough for a first round even on a busy machine: a run without a
    // value would fail.
    const Outcome o = Tune({"monitor", "--seconds", "1.5"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, o.out.find('\n')), "time,Gear [-]");
    const Outcome unknown = Tune({"monitor", "--items", "Nothing"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Nothing"), std::string::npos);
}

// An item the ECU never answers: the rows come as always, each "Error", and
// a run that read no value at all is a failure.
TEST_F(EcuCommandsTest, MonitorThatReadsNoValueFails) {
    install.dir.Write("install/TST01/RV_Tune.STZ", std::string(testinstall::Definition()) +
                                                      "[Individual Information]\nRecognitionCode,BM1\n"
                                                      "[Diag.Com]\nD,45,Unplugged,V,1,1,0\n");
    StartEcu(original);
    const Outcome o = Tune({"monitor", "--items", "Unplugged", "--seconds", "2.5"});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("no value was read from the ECU"), std::string::npos) << o.err;
    const std::string header = "time,Unplugged [V]\n";
    EXPECT_EQ(o.out.compare(0, header.size(), header), 0) << o.out;
    EXPECT_NE(o.out.find(",Error\n", header.size()), std::string::npos) << o.out;
}

TEST_F(EcuCommandsTest, APortGivenOnTheCommandLineIsUsedAndAMissingOneIsAFailure) {
    StartEcu(original);
    const std::string link = sim->Link();
    const Outcome named = RunProcess({kRvtune, "verify", original, "--port", link},
                                     {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath(),
                                      "RV_TUNE_COM1=/nonexistent/tty"},
                                     kCommandBound);
    EXPECT_EQ(named.status, 0) << named.err;
    const Outcome missing = Tune({"verify", original, "--port", install.dir.File("no-such-tty")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("No response from ECU."), std::string::npos) << missing.err;
}

// A write cut in the middle by an ECU that stores each record as it comes:
// the write fails, the ECU holds part of the new data, and the restore the
// failure names puts back exactly the bytes it held before.
TEST_F(EcuCommandsTest, AWriteCutInTheMiddleIsRestoredToTheBytesBefore) {
    StartEcu(original, {"--fault", "stop-echo=80", "--fault", "store-each", "--fault", "first-write"});
    const Outcome cut = Tune({"write-ecu", changed, "--force"});
    ASSERT_FALSE(cut.hung);
    EXPECT_EQ(cut.status, 1) << cut.err;
    EXPECT_NE(cut.out.find("Write to ECU data   --->   Fail"), std::string::npos) << cut.out;
    const std::string restore = RestoreCommand(cut.err);
    ASSERT_EQ(restore, "rvtune restore 1 --force") << cut.err;
    // The records before the cut are in the ECU.
    { const Outcome v = Tune({"verify", original}); EXPECT_EQ(v.status, 1) << v.err << v.out; }

    const Outcome restored = Tune({"restore", "1", "--force"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.out.find("Write to ECU data   --->   Complete"), std::string::npos) << restored.out;
    EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));

    // backup, failed write, the verify, the restore's own backup (of the
    // half-written ECU) and the restore.
    const Outcome log = Tune({"log", "--csv"});
    EXPECT_EQ(OperationsAndResults(log.out),
              (std::vector<std::string>{"operation result", "backup Complete", "write Fail", "verify Not same",
                                        "backup Complete", "restore Complete"}));
}

// The ECU answers the write with its result byte but stores one byte wrong:
// the read-back finds it and the write is no success.
TEST_F(EcuCommandsTest, AByteStoredWrongFailsTheWrite) {
    StartEcu(original, {"--fault", "store-wrong=1009"});
    const Outcome o = Tune({"write-ecu", changed, "--force"});
    ASSERT_FALSE(o.hung);
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.out.find("Read back from ECU data   --->   Not same"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Write to ECU data   --->   Fail"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("Write to ECU data   --->   Complete"), std::string::npos) << o.out;
    EXPECT_NE(o.err.find("1009"), std::string::npos) << o.err;
    EXPECT_EQ(RestoreCommand(o.err), "rvtune restore 1 --force") << o.err;
}

// An ECU that answers as if it took the data, with a message of the
// definition's "Error Message" list or without, and keeps its old bytes.
TEST_F(EcuCommandsTest, AnAnsweredWriteThatStoredNothingFails) {
    for (const std::vector<std::string>& faults :
         {std::vector<std::string>{"--fault", "ignore-write"},
          std::vector<std::string>{"--fault", "ignore-write", "--result-byte", "E"}}) {
        StartEcu(original, faults);
        const Outcome o = Tune({"write-ecu", changed, "--force"});
        EXPECT_EQ(o.status, 1) << o.err;
        EXPECT_NE(o.out.find("Write to ECU data   --->   Fail"), std::string::npos) << o.out;
        EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
    }
}

TEST_F(EcuCommandsTest, TheGuardRefusesOneDoubledCellUnlessForced) {
    StartEcu(original);
    const std::string doubled = install.dir.Write("doubled.qsd", DataFile(OneCellDoubled()));
    const Outcome refused = Tune({"write-ecu", doubled});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("Main: 1 of 6 cells changed, 1 over the limit; row 1 column 2: 20 -> 40"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find("Twin"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out.find("Write to ECU data"), std::string::npos) << refused.out;

    // With the backup now in the logbook, the guard refuses before any read.
    const Outcome again = Tune({"write-ecu", doubled, "--no-backup"});
    EXPECT_EQ(again.status, 1) << again.err;
    EXPECT_EQ(again.out.find("Backup"), std::string::npos) << again.out;

    const Outcome forced = Tune({"write-ecu", doubled, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    // What is verified in the ECU is the new history: the same file passes.
    const Outcome same = Tune({"write-ecu", doubled});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(EcuMemory(), Range(OneCellDoubled()));
}

// Without a backup and without a history there is nothing to check against.
TEST_F(EcuCommandsTest, TheFirstWriteWithoutBackupOrHistoryNeedsForce) {
    StartEcu(original);
    const Outcome asked = Tune({"write-ecu", original, "--no-backup"});
    EXPECT_EQ(asked.status, 1) << asked.err;
    EXPECT_NE(asked.err.find("--force"), std::string::npos) << asked.err;
    const Outcome forced = Tune({"write-ecu", original, "--no-backup", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    const Outcome log = Tune({"log", "--csv"});
    EXPECT_EQ(OperationsAndResults(log.out), (std::vector<std::string>{"operation result", "write Complete"}));
}

TEST_F(EcuCommandsTest, TheLogbookListsAMixedSessionInOrderAndExportsAnEntry) {
    StartEcu(original);
    const std::string mot = install.dir.File("ecu.mot");
    EXPECT_EQ(Tune({"read-ecu", "--out", mot}).status, 0);
    const std::string doubled = install.dir.Write("doubled.qsd", DataFile(OneCellDoubled()));
    EXPECT_EQ(Tune({"write-ecu", doubled, "--force"}).status, 0);
    EXPECT_EQ(Tune({"verify", doubled}).status, 0);
    EXPECT_EQ(Tune({"log", "note", "2", "before the doubled cell, \"race\" map"}).status, 0);

    const Outcome log = Tune({"log", "--csv"});
    EXPECT_EQ(log.status, 0) << log.err;
    EXPECT_EQ(OperationsAndResults(log.out),
              (std::vector<std::string>{"operation result", "read Complete", "backup Complete", "write Complete",
                                        "verify Same"}));
    const std::vector<std::string> lines = Lines(log.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1].substr(0, 2), "1,");
    EXPECT_NE(lines[1].find("," + mot + ","), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(",\"before the doubled cell, \"\"race\"\" map\""), std::string::npos) << lines[2];
    EXPECT_EQ(lines[4].substr(0, 2), "4,");

    // The backup holds the ECU's data from before the write.
    const std::string out = install.dir.File("backup.qsd");
    const Outcome exported = Tune({"log", "export", "2", out, "--base", original});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(FileRange(out), Range(testinstall::CalibrationImage()));
    const Outcome shown = Tune({"log", "show", "3"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("operation: write"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("backup in entry 2"), std::string::npos) << shown.out;
    EXPECT_EQ(Tune({"log", "show", "9"}).status, 2);
}

TEST_F(EcuCommandsTest, ADamagedEntryIsListedAsDamagedAndCannotBeRestored) {
    StartEcu(original);
    EXPECT_EQ(Tune({"read-ecu", "--out", install.dir.File("a.mot")}).status, 0);
    EXPECT_EQ(Tune({"read-ecu", "--out", install.dir.File("b.mot")}).status, 0);
    EXPECT_EQ(Tune({"read-ecu", "--out", install.dir.File("c.mot")}).status, 0);
    // One data byte changed with its record's checksum made to fit: only the
    // entry's own sum can tell. Entry 3 loses its end.
    const std::string book = "install/TST01/WORK/LOGBOOK/";
    std::string records = install.dir.Read(book + "000001.s19");
    DataRecord record;
    ASSERT_EQ(ParseDataRecord(records.substr(0, records.find('\n')), record), RecordFault::kNone);
    record.data[0] ^= 0x40;
    records.replace(0, records.find('\n'), MakeDataRecord(record.address, record.data.data(), record.data.size()));
    install.dir.Write(book + "000001.s19", records);
    const std::string entry = install.dir.Read(book + "000003.log");
    install.dir.Write(book + "000003.log", entry.substr(0, entry.size() / 2));

    const Outcome log = Tune({"log", "--csv"});
    EXPECT_EQ(log.status, 0) << log.err;
    EXPECT_EQ(OperationsAndResults(log.out),
              (std::vector<std::string>{"operation result", "read damaged", "read Complete", "read damaged"}));
    const Outcome restore = Tune({"restore", "1"});
    EXPECT_EQ(restore.status, 1) << restore.err;
    EXPECT_NE(restore.err.find("damaged"), std::string::npos) << restore.err;
    EXPECT_EQ(Tune({"log", "show", "1"}).status, 1);
    EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
}

// One fault of the line: the command fails with its message and report line
// within the bound, and neither the ECU nor the output file changes.
struct Fault {
    const char* name;
    std::vector<std::string> ecusim;
    const char* command;          // "read-out", "read-into" or "write"
    std::vector<std::string> messages;   // one of them is shown
    const char* report;
    bool ecuKeepsItsMemory = true;
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

struct EcuFaultTest : EcuCommandsTest, ::testing::WithParamInterface<Fault> {};

TEST_P(EcuFaultTest, FailsWithItsMessageAndChangesNothing) {
    const Fault& fault = GetParam();
    StartEcu(original, fault.ecusim);
    const std::string out = install.dir.Write("out.file", "old content\n");
    Outcome o;
    const std::string command = fault.command;
    if (command == "read-out") o = Tune({"read-ecu", "--out", out});
    else if (command == "read-into") o = Tune({"read-ecu", "--into", original, "--save", out});
    else o = Tune({"write-ecu", changed, "--force"});

    ASSERT_FALSE(o.hung) << fault.name << " did not end";
    EXPECT_EQ(o.status, 1) << o.err;
    bool shown = false;
    for (const std::string& message : fault.messages) shown = shown || o.err.find("rvtune: " + message) != std::string::npos;
    EXPECT_TRUE(shown) << o.err;
    EXPECT_NE(o.out.find(fault.report), std::string::npos) << o.out;
    EXPECT_EQ(install.dir.Read("out.file"), "old content\n");
    if (fault.ecuKeepsItsMemory) {
        EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
    }
}

const char* kReadFail = "Read from ECU data   --->   Fail";
const char* kWriteFail = "Write to ECU data   --->   Fail";
// A write reads the ECU's data for its backup first; a line that fails a
// read stops it there, before anything is sent.
const char* kBackupFail = "Backup from ECU data   --->   Fail";
const std::string kNoResponse = "No response from ECU.";
const std::string kOtherEcu = "ECU type is different.";
const std::string kCorrespond = "Failed to correspond with ECU.";
const std::string kRemains = "The data to read remains in port.";

INSTANTIATE_TEST_SUITE_P(
    Faults, EcuFaultTest,
    ::testing::Values(
        Fault{"SilentRead", {"--fault", "silent"}, "read-out", {kNoResponse}, kReadFail},
        Fault{"SilentWrite", {"--fault", "silent"}, "write", {kNoResponse}, kBackupFail},
        Fault{"WrongIdRead", {"--fault", "wrong-id"}, "read-into", {kOtherEcu}, kReadFail},
        Fault{"WrongIdWrite", {"--fault", "wrong-id"}, "write", {kOtherEcu}, kBackupFail},
        Fault{"WrongEchoRead", {"--fault", "wrong-echo"}, "read-out", {kCorrespond}, kReadFail},
        Fault{"WrongEchoWrite", {"--fault", "wrong-echo"}, "write", {kCorrespond}, kBackupFail},
        Fault{"StopAfterThreeRecords", {"--range", "0000-00FF", "--fault", "stop-after=3"}, "read-out",
              {kCorrespond + " Read Error Address : 0030"}, kReadFail, false},
        Fault{"StopAfterThreeRecordsInto", {"--range", "0000-00FF", "--fault", "stop-after=3"}, "read-into",
              {kCorrespond + " Read Error Address : 0030"}, kReadFail, false},
        Fault{"FloodRead", {"--fault", "flood"}, "read-out", {kOtherEcu, kRemains}, kReadFail},
        Fault{"FloodWrite", {"--fault", "flood"}, "write", {kOtherEcu, kRemains}, kBackupFail},
        // The second record (1010) stops after its first 8 characters.
        Fault{"StopEchoMidWrite", {"--fault", "stop-echo=50"}, "write",
              {kCorrespond + " Write Error Address : 1010"}, kWriteFail},
        // A record damaged on the line: the read fails at it and nothing is written.
        Fault{"NonHexRecordRead", {"--fault", "bad-hex=2"}, "read-out",
              {kCorrespond + " Read Error Address : 1010"}, kReadFail},
        Fault{"NonHexRecordInto", {"--fault", "bad-hex=2"}, "read-into",
              {kCorrespond + " Read Error Address : 1010"}, kReadFail},
        Fault{"WrongChecksumRead", {"--fault", "bad-sum=3"}, "read-out",
              {kCorrespond + " Read Error Address : 1020"}, kReadFail},
        Fault{"WrongChecksumInto", {"--fault", "bad-sum=1"}, "read-into",
              {kCorrespond + " Read Error Address : 1000"}, kReadFail},
        Fault{"WrongCountRead", {"--fault", "bad-count=4"}, "read-out",
              {kCorrespond + " Read Error Address : 1030"}, kReadFail},
        Fault{"WrongCountInto", {"--fault", "bad-count=4"}, "read-into",
              {kCorrespond + " Read Error Address : 1030"}, kReadFail},
        // The records went out but no result byte came: the read-back judges,
        // and finds that the ECU stored nothing.
        Fault{"NoResultByteNothingStored", {"--fault", "no-result", "--fault", "ignore-write"}, "write",
              {"The ECU did not store the data"}, kWriteFail}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

}  // namespace
