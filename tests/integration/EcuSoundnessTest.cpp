// rvtune against ecusim where two programs, foreign logbook entries and
// single writes meet: no entry lost or shared, no byte sent on a taken port,
// no restore of another bike's data, a guard that sees the ECU as it is.
#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <regex>
#include <thread>

#include "ecu/Logbook.h"
#include "platform/SerialPort.h"
#include "tests/integration/EcuCommandsFixture.h"
#include "tests/support/LogEntries.h"

namespace {

using namespace ecutest;

// An entry file of the test logbook, relative to the test folder.
std::string EntryFile(int id, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "install/TST01/WORK/LOGBOOK/%06d%s", id, extension);
    return name;
}

TEST_F(EcuCommandsTest, TwoProgramsOnTwoBikesLoseNoEntryAndEachRestoreCommandNamesItsOwnBackup) {
    // Bike A holds the calibration, bike B the changed one; each write is cut
    // off by the bike (which then stores nothing), so each bike keeps its data.
    EcusimProcess bikeA(install.dir.File("ecuA"), {"--image", original, "--fault", "stop-echo=60"});
    EcusimProcess bikeB(install.dir.File("ecuB"), {"--image", changed, "--fault", "stop-echo=60"});
    ASSERT_TRUE(bikeA.Ready() && bikeB.Ready());
    constexpr int kRounds = 4;
    std::map<int, char> restoreIds;   // the entry each printed restore command names, by bike
    std::mutex lock;
    auto envOf = [this](const EcusimProcess& bike) {
        return std::vector<std::string>{"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath(),
                                        "RV_TUNE_COM1=" + bike.Link()};
    };
    auto ride = [&](const EcusimProcess& bike, const std::string& file, char name) {
        const std::vector<std::string> env = envOf(bike);
        for (int round = 0; round < kRounds; ++round) {
            const Outcome read = RunProcess({kRvtune, "read-ecu", "--out", install.dir.File(std::string(1, name) + ".mot")},
                                            env, kCommandBound);
            EXPECT_EQ(read.status, 0) << read.err;
            const Outcome cut = RunProcess({kRvtune, "write-ecu", file, "--force"}, env, kCommandBound);
            EXPECT_EQ(cut.status, 1) << cut.err;
            std::smatch match;
            const std::string command = RestoreCommand(cut.err);
            ASSERT_TRUE(std::regex_match(command, match, std::regex("rvtune restore ([0-9]+) --force"))) << cut.err;
            std::lock_guard<std::mutex> hold(lock);
            EXPECT_TRUE(restoreIds.emplace(std::stoi(match[1]), name).second);
        }
    };
    std::thread a(ride, std::cref(bikeA), changed, 'A');
    std::thread b(ride, std::cref(bikeB), original, 'B');
    a.join();
    b.join();

    // Every read, backup and failed write of both programs is an entry of its own.
    const Outcome log = RunProcess({kRvtune, "log", "--csv"}, envOf(bikeA), kCommandBound);
    EXPECT_EQ(Lines(log.out).size(), 1u + 2 * kRounds * 3) << log.out;   // the header, then the entries
    EXPECT_EQ(log.out.find("damaged"), std::string::npos) << log.out;
    // Each backup a restore command names holds its own bike's data.
    for (const auto& [id, bike] : restoreIds) {
        const Outcome shown = RunProcess({kRvtune, "log", "export", std::to_string(id), install.dir.File("entry.qsd"), "--base", original},
                                         envOf(bikeA), kCommandBound);
        ASSERT_EQ(shown.status, 0) << shown.err;
        EXPECT_EQ(FileRange(install.dir.File("entry.qsd")),
                  Range(bike == 'A' ? testinstall::CalibrationImage() : ChangedImage()))
            << "entry " << id << " of bike " << bike;
    }
}

TEST_F(EcuCommandsTest, ASecondProgramOnATakenPortIsToldWhoHoldsItAndSendsNothing) {
    StartEcu(original);
    PosixSerialPort holder;   // the first program, in the middle of its exchange
    ASSERT_TRUE(holder.Open(sim->Link(), LineSettings{}));
    PortTimeouts quick;
    quick.readTotalConstantMs = 300;
    holder.SetTimeouts(quick);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"write-byte", "1008", "99"}, {"write-ecu", changed, "--force"},
          {"read-ecu", "--out", install.dir.File("x.mot")}, {"monitor", "--seconds", "1"}}) {
        const Outcome refused = Tune(command);
        EXPECT_EQ(refused.status, 1) << command[0] << ": " << refused.err;
        EXPECT_NE(refused.err.find("The port is used by another program (process " + std::to_string(::getpid()) + ")"),
                  std::string::npos)
            << command[0] << ": " << refused.err;
    }
    // Nothing reached the line: the first program reads nothing that is not its own.
    std::uint8_t byte = 0;
    std::size_t count = 0;
    EXPECT_TRUE(holder.Read(&byte, 1, count));
    EXPECT_EQ(count, 0u);
    holder.Close();
    EXPECT_EQ(Tune({"log", "--csv"}).out, "id,time,operation,result,file,note\n");
    EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
}

TEST_F(EcuCommandsTest, ARestoreOfAnEntryTheEcuNeverHeldOrOfAnotherBikeIsRefused) {
    StartEcu(original);
    ASSERT_EQ(Tune({"read-ecu", "--out", install.dir.File("ecu.mot")}).status, 0);   // entry 1
    const std::string log = install.dir.Read("install/TST01/WORK/LOGBOOK/000001.log");
    const std::string data = install.dir.Read("install/TST01/WORK/LOGBOOK/000001.s19");
    struct Case {
        const char* name;
        std::string from, to;   // one line of entry 1's .log changed
        const char* said;
        bool forceHelps;
    };
    const std::vector<Case> cases = {
        {"another machine", "machine=TST01", "machine=OTHER9", "belongs to machine OTHER9", false},
        {"another ECU", "ecu=M1", "ecu=Q7", "ECU Q7", false},
        {"a failed write", "operation=read\nresult=Complete", "operation=write\nresult=Fail", "\"Fail\"", true},
    };
    int id = 1;
    for (const Case& c : cases) {
        ++id;
        std::string changedLog = log;
        ASSERT_NE(changedLog.find(c.from), std::string::npos) << c.name;
        changedLog.replace(changedLog.find(c.from), c.from.size(), c.to);
        install.dir.Write(EntryFile(id, ".s19"), data);
        install.dir.Write(EntryFile(id, ".log"), changedLog);
        const Outcome refused = Tune({"restore", std::to_string(id)});
        EXPECT_EQ(refused.status, 1) << c.name << ": " << refused.err;
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << c.name << ": " << refused.err;
        EXPECT_EQ(refused.err.find("--force") != std::string::npos, c.forceHelps) << c.name << ": " << refused.err;
        if (!c.forceHelps) {
            EXPECT_EQ(Tune({"restore", std::to_string(id), "--force"}).status, 1) << c.name;
        }
    }
    EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
}

// An entry of this ECU whose bytes hold no map cell (the constants): the
// guard has nothing to weigh, so only --force writes it.
TEST_F(EcuCommandsTest, ARestoreTheGuardCannotCheckNeedsForce) {
    StartEcu(original);
    const Image image = testinstall::CalibrationImage();
    LogEntry entry = logtest::Entry(logbook::kRead, logbook::kComplete, 0x1020,
                                    std::vector<std::uint8_t>(image.begin() + 0x1020, image.begin() + 0x1030));
    entry.data[3] = 9;   // Six Fields: 7 -> 9
    Logbook book(install.dir.File("install/TST01/WORK/LOGBOOK"));
    std::string error;
    ASSERT_TRUE(book.Add(entry, error)) << error;

    const Outcome refused = Tune({"restore", "1"});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("the plausibility guard cannot check this write"), std::string::npos) << refused.err;
    EXPECT_NE(refused.out.find("Plausibility guard   --->   Refused"), std::string::npos) << refused.out;
    const Outcome forced = Tune({"restore", "1", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    std::vector<std::uint8_t> expected = Range(image);
    expected[0x23] = 9;
    EXPECT_EQ(EcuMemory(), expected);
}

// Map sizes lie in the data: a file whose first map shrinks to one cell
// moves the second map, and its cells, where the ECU has none of them. The
// guard places the maps over what the ECU holds and weighs the cells there.
TEST_F(EcuCommandsTest, TheGuardWeighsCellsWhereTheEcuHasTheMaps) {
    StartEcu(original);
    Image image = testinstall::CalibrationImage();
    image[0x1000] = 1, image[0x1001] = 1;   // Main: 1 x 1
    for (int a = 0x1014; a <= 0x101C; ++a) image[a] = 0xF0;   // Twin's cells in the ECU's layout
    std::uint8_t sum = 0;
    for (int a = kDataStart; a < kDataEnd; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kDataEnd] = static_cast<std::uint8_t>(0x7F - sum);
    const std::string moved = install.dir.Write("moved.qsd", DataFile(image));

    const Outcome refused = Tune({"write-ecu", moved});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("Main: DATA at 1004 (1 bytes), in the ECU at 1007 (6 bytes)"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("Twin: "), std::string::npos) << refused.err;
    EXPECT_EQ(EcuMemory(), Range(testinstall::CalibrationImage()));
}

// A single write moves a cell; a later write of the old calibration moves it
// back by three quarters. The guard weighs that against the ECU as it is now.
TEST_F(EcuCommandsTest, TheGuardWeighsAWriteAgainstTheEcuAsItIsNow) {
    StartEcu(original);
    ASSERT_EQ(Tune({"read-ecu", "--out", install.dir.File("ecu.mot")}).status, 0);
    ASSERT_EQ(Tune({"write-byte", "1008", "50"}).status, 0);   // Main row 1 column 2: 20 -> 80
    const Outcome refused = Tune({"write-ecu", original});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("row 1 column 2: 80 -> 20"), std::string::npos) << refused.err;
    EXPECT_NE(refused.out.find("Plausibility guard   --->   Refused"), std::string::npos) << refused.out;
    const Outcome log = Tune({"log", "--csv"});
    EXPECT_EQ(OperationsAndResults(log.out),
              (std::vector<std::string>{"operation result", "read Complete", "write-byte Complete",
                                        "backup Complete"}));
    std::vector<std::uint8_t> expected = Range(testinstall::CalibrationImage());
    expected[8] = 0x50;
    EXPECT_EQ(EcuMemory(), expected);
}

// The ECU took every record but its result byte never came: the read-back
// finds the data there, so the write is complete, and says so.
TEST_F(EcuCommandsTest, AWriteWithoutItsResultByteIsJudgedByItsReadBack) {
    StartEcu(original, {"--fault", "no-result"});
    const Outcome written = Tune({"write-ecu", changed, "--force"});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_NE(written.out.find("Read back from ECU data   --->   Same"), std::string::npos) << written.out;
    EXPECT_EQ(written.err.find("Write Error Address"), std::string::npos) << written.err;
    EXPECT_NE(Tune({"log", "show", "2"}).out.find("the ECU sent no result byte"), std::string::npos);
    EXPECT_EQ(EcuMemory(), Range(ChangedImage()));
}

}  // namespace
