// The safe write against a scripted ECU: the write is in the logbook before
// its first record; a write the user stops ends at a record boundary and says
// so; a write whose result byte never came is judged by its read-back; data
// the guard cannot check is asked about.
#include <gtest/gtest.h>

#include <memory>

#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "files/SRecord.h"
#include "tests/ecu/EcuFixture.h"
#include "tests/support/LogEntries.h"

namespace {

struct SafeWriteTest : EcuFixture {
    FakeEcu ecu{port};
    Logbook book{dir.File("LOGBOOK")};
    SafeWrite write{protocol, book, prompt, "TST01", "M1"};
    std::vector<std::uint8_t> data;   // 0x1000..0x103F, four records

    SafeWriteTest() {
        for (int i = 0; i < 64; ++i) data.push_back(static_cast<std::uint8_t>(i * 3));
        std::vector<std::string> lines;
        BuildRecords(data.data(), data.size(), 0x1000, 63, lines);
        for (const std::string& line : lines) ecu.records += line;   // what a read-back finds
    }
    SafeWriteJob Job() const {
        SafeWriteJob job;
        job.start = 0x1000;
        job.bytes = data;
        job.backup = false;
        job.guard = false;
        return job;
    }
};

TEST_F(SafeWriteTest, AStopEndsTheWriteAtARecordBoundaryAndIsLoggedAsInterrupted) {
    int asked = 0;
    write.stopRequested = [&asked] { return ++asked > 2; };   // the third question: after two records
    const SafeWriteResult result = write.Run(Job());
    EXPECT_EQ(result.status, SafeWriteStatus::kInterrupted);
    EXPECT_TRUE(result.EcuTouched());
    // Two whole records went out, nothing of the third, and no closing record.
    std::vector<std::string> lines;
    BuildRecords(data.data(), data.size(), 0x1000, 63, lines);
    EXPECT_EQ(ecu.received, lines[0] + lines[1]);
    LogEntry entry;
    ASSERT_TRUE(book.Find(result.entryId, entry));
    EXPECT_EQ(entry.result, logbook::kInterrupted);
    EXPECT_NE(entry.detail.find("1020"), std::string::npos) << entry.detail;
    LogEntry known;
    EXPECT_FALSE(book.LastEcuData("TST01", "M1", known));
}

TEST_F(SafeWriteTest, TheWriteIsEnteredAsStartedBeforeItsFirstRecordAndNotSentWithoutIt) {
    // A program killed between two records leaves this entry behind.
    std::vector<LogEntry> whileSending;
    write.stopRequested = [&] {
        if (!ecu.received.empty() && whileSending.empty()) whileSending = book.List();
        return false;
    };
    const SafeWriteResult result = write.Run(Job());
    ASSERT_EQ(whileSending.size(), 1u);
    EXPECT_EQ(whileSending[0].operation, std::string(logbook::kWrite));
    EXPECT_EQ(whileSending[0].result, logbook::kStarted);
    LogEntry entry;
    ASSERT_TRUE(book.Find(result.entryId, entry));
    EXPECT_EQ(entry.result, logbook::kComplete);
    EXPECT_EQ(book.List().size(), 1u);

    // A logbook that cannot take the entry: nothing goes out.
    ecu.received.clear();
    dir.Write("FILE", "x");
    Logbook blocked{dir.File("FILE/LOGBOOK")};
    SafeWrite unlogged{protocol, blocked, prompt, "TST01", "M1"};
    EXPECT_EQ(unlogged.Run(Job()).status, SafeWriteStatus::kNotLogged);
    EXPECT_EQ(ecu.received, "");
}

TEST_F(SafeWriteTest, AWriteTheEcuRefusedBeforeItsCommandLeavesTheHistoryStanding) {
    LogEntry read = logtest::Entry(logbook::kRead, logbook::kComplete, 0x1000, data);
    std::string error;
    ASSERT_TRUE(book.Add(read, error));
    ecu.id = "X9";   // another ECU type: nothing goes out
    const SafeWriteResult result = write.Run(Job());
    EXPECT_FALSE(result.EcuTouched());
    LogEntry entry;
    ASSERT_TRUE(book.Find(result.entryId, entry));
    EXPECT_EQ(entry.result, logbook::kNotSent);
    LogEntry known;
    ASSERT_TRUE(book.LastEcuData("TST01", "M1", known));
    EXPECT_EQ(known.id, read.id);
}

TEST_F(SafeWriteTest, DataTheGuardCannotCheckIsAskedAboutFirst) {
    MapList elsewhere;   // one map, at 0x2000: none lies in the data written
    elsewhere.push_back(std::make_unique<MapRecord>());
    elsewhere[0]->y.count = 4;
    elsewhere[0]->y.start = 0x2000;
    for (const MapList* maps : std::vector<const MapList*>{&elsewhere, nullptr}) {
        std::string asked;
        write.confirm = [&asked](const GuardReport& report, bool noHistory) {
            asked = noHistory ? UncheckedText(report) : "flagged";
            return false;
        };
        SafeWriteJob job = Job();
        job.backup = true;
        job.guard = true;
        job.maps = maps;
        const SafeWriteResult result = write.Run(job);
        EXPECT_EQ(result.status, SafeWriteStatus::kRefused);
        EXPECT_NE(asked.find("cannot check"), std::string::npos) << asked;
        if (maps) {
            EXPECT_NE(asked.find("1000-103F"), std::string::npos) << asked;
        }
        EXPECT_EQ(ecu.received.find('S'), std::string::npos) << "nothing of the data went out";
    }
}

TEST_F(SafeWriteTest, AMissingResultByteLeavesTheVerdictToTheReadBack) {
    ecu.sendResult = false;
    const SafeWriteResult result = write.Run(Job());
    EXPECT_EQ(result.status, SafeWriteStatus::kComplete) << result.detail;
    LogEntry entry;
    ASSERT_TRUE(book.Find(result.entryId, entry));
    EXPECT_EQ(entry.result, logbook::kComplete);
    EXPECT_NE(entry.detail.find("no result byte"), std::string::npos) << entry.detail;
    for (const RecordedPrompt& shown : prompt.shown) EXPECT_EQ(shown.text.find("Write Error Address"), std::string::npos);
}

}  // namespace
