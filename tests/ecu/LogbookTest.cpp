// The logbook on disk: entries read back as written, every kind of damage is
// listed as damaged, numbers are never reused; the guard's limits.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ecu/Logbook.h"
#include "ecu/WriteGuard.h"
#include "tests/support/LogEntries.h"
#include "tests/support/TempDir.h"

namespace {

struct LogbookTest : ::testing::Test {
    TempDir dir;
    Logbook book{dir.File("WORK/LOGBOOK")};

    LogEntry Data(const char* operation, std::vector<std::uint8_t> data, std::uint16_t start = 0x1000) {
        LogEntry entry = logtest::Entry(operation, logbook::kComplete, start, std::move(data));
        entry.file = "/work/cal,1.qsd";
        std::string error;
        EXPECT_TRUE(book.Add(entry, error)) << error;
        return entry;
    }
};

TEST_F(LogbookTest, EntriesReadBackAsWrittenInOrder) {
    std::vector<std::uint8_t> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    Data(logbook::kRead, bytes, 0xFFFF - 99);   // ends on the last address
    LogEntry failed;
    failed.operation = logbook::kWrite;
    failed.result = logbook::kFail;
    failed.detail = "line one\nline two";
    failed.note = "first\ntry";
    std::string error;
    ASSERT_TRUE(book.Add(failed, error));

    const std::vector<LogEntry> entries = book.List();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, 1);
    EXPECT_EQ(entries[0].data, bytes);
    EXPECT_EQ(entries[0].start, 0xFFFF - 99);
    EXPECT_EQ(entries[0].file, "/work/cal,1.qsd");
    EXPECT_EQ(entries[1].id, 2);
    EXPECT_FALSE(entries[1].hasData);
    EXPECT_EQ(entries[1].detail, "line one line two");   // a value never starts a new key
    EXPECT_EQ(entries[1].note, "first try");
    ASSERT_TRUE(book.SetNote(1, "kept", error));
    EXPECT_EQ(book.List()[0].note, "kept");
    EXPECT_FALSE(book.SetNote(3, "none", error));
}

TEST_F(LogbookTest, EveryKindOfDamageIsListedAsDamaged) {
    const std::vector<std::pair<const char*, std::function<void(TempDir&)>>> damages = {
        {"entry cut short", [](TempDir& d) {
             const std::string text = d.Read("WORK/LOGBOOK/000001.log");
             d.Write("WORK/LOGBOOK/000001.log", text.substr(0, text.size() - 5));
         }},
        {"data file gone", [](TempDir& d) { std::remove(d.File("WORK/LOGBOOK/000001.s19").c_str()); }},
        {"data record dropped", [](TempDir& d) {
             const std::string text = d.Read("WORK/LOGBOOK/000001.s19");
             d.Write("WORK/LOGBOOK/000001.s19", text.substr(text.find('\n') + 1));
         }},
        {"data character changed", [](TempDir& d) {
             std::string text = d.Read("WORK/LOGBOOK/000001.s19");
             text[9] = text[9] == '0' ? '1' : '0';
             d.Write("WORK/LOGBOOK/000001.s19", text);
         }},
        {"sum changed", [](TempDir& d) {
             std::string text = d.Read("WORK/LOGBOOK/000001.log");
             const std::size_t at = text.find("sum=") + 4;
             text[at] = text[at] == 'A' ? 'B' : 'A';
             d.Write("WORK/LOGBOOK/000001.log", text);
         }},
        {"not an entry", [](TempDir& d) { d.Write("WORK/LOGBOOK/000001.log", "garbage\n"); }},
        {"a link to nowhere", [](TempDir& d) {
             std::remove(d.File("WORK/LOGBOOK/000001.log").c_str());
             ASSERT_EQ(::symlink("/nonexistent/x", d.File("WORK/LOGBOOK/000001.log").c_str()), 0);
         }},
    };
    for (const auto& [name, damage] : damages) {
        TempDir fresh;
        Logbook local(fresh.File("WORK/LOGBOOK"));
        LogEntry entry;
        entry.operation = logbook::kBackup;
        entry.result = logbook::kComplete;
        entry.hasData = true;
        entry.start = 0x1000;
        entry.data.assign(40, 0x5A);
        std::string error;
        ASSERT_TRUE(local.Add(entry, error));
        damage(fresh);
        const std::vector<LogEntry> entries = local.List();
        ASSERT_EQ(entries.size(), 1u) << name;
        EXPECT_TRUE(entries[0].Damaged()) << name;
        EXPECT_FALSE(entries[0].hasData) << name;
        LogEntry found;
        EXPECT_TRUE(local.Find(1, found) && found.Damaged()) << name;
        LogEntry last;
        EXPECT_FALSE(local.LastEcuData("", "", last)) << name;
    }
}

TEST_F(LogbookTest, NumbersAreNeverReusedAndHistoryIsPerMachineAndEcu) {
    Data(logbook::kRead, {1, 2, 3});
    // A data file whose entry never got written (the program stopped between).
    dir.Write("WORK/LOGBOOK/000002.s19", "S9030000FC\n");
    const LogEntry next = Data(logbook::kBackup, {4, 5, 6});
    EXPECT_EQ(next.id, 3);
    LogEntry other = Data(logbook::kRead, {7, 8, 9});
    LogEntry last;
    ASSERT_TRUE(book.LastEcuData("TST01", "M1", last));
    EXPECT_EQ(last.id, other.id);
    LogEntry failed = logtest::Entry(logbook::kWrite, logbook::kFail, 0, {9, 9, 9});
    std::string error;
    ASSERT_TRUE(book.Add(failed, error));

    // After a failed write the ECU may hold anything: nothing is known of it.
    EXPECT_FALSE(book.LastEcuData("TST01", "M1", last));
    EXPECT_FALSE(book.LastEcuData("TST01", "M2", last));
    EXPECT_FALSE(book.LastEcuData("OTHER", "M1", last));
}

TEST_F(LogbookTest, TwoProgramsAddingAtOnceLoseNoEntryAndShareNoNumber) {
    // A stray file of the user's, and a folder where an entry file would go.
    dir.Write("WORK/LOGBOOK/999999 copy.txt", "mine");
    dir.Write("WORK/LOGBOOK/0000099.log", "not an entry");
    ::mkdir(dir.File("WORK/LOGBOOK/000001.log").c_str(), 0755);
    constexpr int kEach = 30;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        if (children[child] == 0) {
            Logbook own(dir.File("WORK/LOGBOOK"));
            for (int i = 0; i < kEach; ++i) {
                LogEntry entry;
                entry.operation = logbook::kBackup;
                entry.result = logbook::kComplete;
                entry.machine = child == 0 ? "BIKE-A" : "BIKE-B";
                entry.hasData = true;
                entry.start = 0x8000;
                entry.data.assign(64, static_cast<std::uint8_t>(child * 100 + i));
                std::string error;
                if (!own.Add(entry, error)) ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int seen[2][kEach] = {};
    for (const LogEntry& entry : book.List()) {
        if (entry.id == 1) continue;   // the folder planted under entry 1's name
        ASSERT_FALSE(entry.Damaged()) << entry.id << ": " << entry.damage;
        const int child = entry.machine == "BIKE-A" ? 0 : 1;
        const int round = entry.data[0] - child * 100;
        ASSERT_TRUE(round >= 0 && round < kEach) << entry.id;
        ++seen[child][round];
    }
    for (const auto& rounds : seen)
        for (const int count : rounds) EXPECT_EQ(count, 1);
}

// Files planted in the folder: a FIFO under an entry's name, a file under
// the last number, a link where a note goes.
TEST_F(LogbookTest, PlantedFilesNeitherHangNorBlockNorAreWrittenThrough) {
    Data(logbook::kRead, {1});
    ASSERT_EQ(::mkfifo(dir.File("WORK/LOGBOOK/000400.log").c_str(), 0644), 0);
    dir.Write("WORK/LOGBOOK/999999.log", "mine");
    const std::string victim = dir.Write("victim", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), dir.File("WORK/LOGBOOK/000001.note").c_str()), 0);

    const std::vector<LogEntry> entries = book.List();   // returns: the FIFO is read as no entry
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[1].Damaged());
    const LogEntry next = Data(logbook::kRead, {2});
    EXPECT_EQ(next.id, 401);   // after the newest entry below the number planted last
    std::string error;
    EXPECT_FALSE(book.SetNote(1, "hello", error));
    EXPECT_EQ(dir.Read("victim"), "precious");
}

TEST_F(LogbookTest, SingleWritesAfterTheLastReadAreWhatTheEcuHoldsNow) {
    Data(logbook::kRead, {0x10, 0x20, 0x30, 0x40}, 0x8014);
    Data(logbook::kWriteByte, {0x80}, 0x8016);
    Data(logbook::kWriteWord, {0x01, 0x02}, 0x8017);   // its second byte lies past the read
    LogEntry now;
    ASSERT_TRUE(book.LastEcuData("TST01", "M1", now));
    EXPECT_EQ(now.data, (std::vector<std::uint8_t>{0x10, 0x20, 0x80, 0x01}));
    EXPECT_EQ(now.start, 0x8014);

    LogEntry relative;
    relative.operation = logbook::kWriteByte;
    relative.result = logbook::kFail;
    relative.machine = "TST01";
    relative.ecu = "M1";
    relative.file = "cal.qsd";
    std::string error;
    ASSERT_TRUE(book.Add(relative, error));
    EXPECT_EQ(relative.file.front(), '/');
    EXPECT_FALSE(book.LastEcuData("TST01", "M1", now));   // a single write failed: anything may be there
}

TEST_F(LogbookTest, AStartedWriteTakesItsOutcomeOnceAndWithoutItTheEcuIsUnknown) {
    Data(logbook::kRead, {1, 2, 3, 4});
    LogEntry write = logtest::Entry(logbook::kWrite, logbook::kStarted, 0x1000, {9, 9, 9, 9});
    std::string error;
    ASSERT_TRUE(book.Add(write, error)) << error;
    LogEntry now;
    EXPECT_FALSE(book.LastEcuData("TST01", "M1", now));   // killed mid-write: anything may be there
    EXPECT_NE(DoubtfulDataText(book.List().back()), "");

    EXPECT_FALSE(book.Finish(1, logbook::kComplete, "", error)) << "a read has no outcome to add";
    ASSERT_TRUE(book.Finish(write.id, logbook::kComplete, "backup in entry 1", error)) << error;
    EXPECT_FALSE(book.Finish(write.id, logbook::kFail, "", error)) << "an outcome is never replaced";
    ASSERT_TRUE(book.Find(write.id, now));
    EXPECT_EQ(now.result, logbook::kComplete);
    EXPECT_EQ(now.detail, "backup in entry 1");
    ASSERT_TRUE(book.LastEcuData("TST01", "M1", now));
    EXPECT_EQ(now.data, write.data);

    // An outcome file that does not read back makes the entry damaged.
    for (const char* planted : {"", "RV_Tune logbook outcome 1\nresult=Complete\n", "Complete"}) {
        LogEntry next = write;
        ASSERT_TRUE(book.Add(next, error));
        dir.Write("WORK/LOGBOOK/" + std::string(6 - std::to_string(next.id).size(), '0') + std::to_string(next.id) +
                      ".end",
                  planted);
        ASSERT_TRUE(book.Find(next.id, now));
        EXPECT_TRUE(now.Damaged()) << planted;
    }
    // An outcome copied from another entry, or laid beside one that awaited
    // none, is no outcome of it.
    LogEntry copied = write;
    ASSERT_TRUE(book.Add(copied, error));
    char name[16];
    std::snprintf(name, sizeof name, "%06d.end", copied.id);
    dir.Write("WORK/LOGBOOK/" + std::string(name), dir.Read("WORK/LOGBOOK/000002.end"));
    dir.Write("WORK/LOGBOOK/000001.end", dir.Read("WORK/LOGBOOK/000002.end"));
    for (int id : {copied.id, 1}) {
        ASSERT_TRUE(book.Find(id, now));
        EXPECT_TRUE(now.Damaged()) << id;
    }
}

// One map of 2 x 3 byte cells at 0x1007 and one of 2 word cells at 0x1010.
MapList TwoMaps() {
    MapList maps;
    auto bytes = std::make_unique<MapRecord>();
    bytes->name = "Fuel";
    bytes->x.count = 3;
    bytes->y.count = 6;
    bytes->y.start = 0x1007;
    maps.push_back(std::move(bytes));
    auto words = std::make_unique<MapRecord>();
    words->name = "Boost";
    words->x.count = 2;
    words->y.count = 2;
    words->y.start = 0x1010;
    words->y.elementSize = 2;
    maps.push_back(std::move(words));
    return maps;
}

TEST(WriteGuardTest, CellAndShareLimits) {
    const MapList maps = TwoMaps();
    std::vector<std::uint8_t> old(32, 0);
    for (int i = 0; i < 6; ++i) old[7 + i] = static_cast<std::uint8_t>(100 + i);
    old[0x10] = 0x10, old[0x11] = 0x00, old[0x12] = 0x00, old[0x13] = 0x01;   // 4096 and 1
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> change;
        GuardLimits limits;
        std::vector<std::string> flagged;
    };
    const std::vector<Case> cases = {
        {"unchanged", [](auto&) {}, {}, {}},
        {"25% of 100 is not more than 25", [](auto& b) { b[7] = 125; }, {}, {}},
        {"26 is", [](auto& b) { b[7] = 126; }, {}, {"Fuel"}},
        {"a word cell's high byte", [](auto& b) { b[0x10] = 0x20; }, {}, {"Boost"}},
        {"one raw step from 1 is never large", [](auto& b) { b[0x13] = 2; }, {}, {}},
        {"two steps from 1 are", [](auto& b) { b[0x13] = 3; }, {}, {"Boost"}},
        {"of the range: 60 of 255 passes", [](auto& b) { b[7] = 160; }, {25, true, 50}, {}},
        {"of the range: 64 does not", [](auto& b) { b[7] = 164; }, {25, true, 50}, {"Fuel"}},
        {"3 of 6 small changes is the share", [](auto& b) { for (int i = 0; i < 3; ++i) ++b[7 + i]; }, {}, {}},
        {"4 of 6 is over it", [](auto& b) { for (int i = 0; i < 4; ++i) ++b[7 + i]; }, {}, {"Fuel"}},
        {"tests off", [](auto& b) { b[7] = 255; for (int i = 0; i < 6; ++i) b[7 + i] = 1; }, {0, false, 0}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> now = old;
        c.change(now);
        const GuardReport report = CheckPlausibility(maps, 0x1000, now, 0x1000, old, c.limits);
        std::vector<std::string> names;
        for (const MapGuardResult& map : report.maps) names.push_back(map.map);
        EXPECT_EQ(names, c.flagged) << c.name;
    }
}

TEST(WriteGuardTest, CellsOutsideEitherBlockAreNotCompared) {
    const MapList maps = TwoMaps();
    std::vector<std::uint8_t> old(10, 1);   // 0x1000..0x1009: three Fuel cells only
    std::vector<std::uint8_t> now(32, 200);
    const GuardReport report = CheckPlausibility(maps, 0x1000, now, 0x1000, old, {});
    ASSERT_EQ(report.maps.size(), 1u);
    EXPECT_EQ(report.maps[0].cells, 3);
    EXPECT_EQ(report.Summary(), "Fuel: 3 of 3 cells changed, 3 over the limit; row 1 column 1: 1 -> 200; "
                                "row 1 column 2: 1 -> 200; row 1 column 3: 1 -> 200\n");
}

}  // namespace
