#include "model/LineStore.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

LineStore MakeStore(std::initializer_list<const char*> lines) {
    LineStore store;
    for (const char* line : lines) store.Append(line);
    return store;
}

TEST(LineStoreTest, InsertClampsAndRemoveIgnoresIndexesOutOfRange) {
    LineStore store = MakeStore({"b"});
    store.Insert(-5, "a");
    store.Insert(99, "c");
    store.Remove(3);
    store.Remove(-1);
    ASSERT_EQ(store.Count(), 3);
    EXPECT_EQ(store.At(0), "a");
    EXPECT_EQ(store.At(2), "c");
    EXPECT_EQ(store.At(3), "");
    EXPECT_EQ(store.At(-1), "");
}

struct HeaderCase {
    const char* line;
    bool header;
};

TEST(LineStoreTest, RecognisesHeaderLines) {
    const HeaderCase cases[] = {
        {"[Data]", true},   {" \t[ Data ]\t ", true}, {"[x]", true},  {"[]", false},
        {"  []  ", false},  {"[Data", false},         {"Data]", false}, {"; [Data]", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsHeaderLine(c.line), c.header) << '"' << c.line << '"';
}

TEST(LineStoreTest, FindSectionTrimsTheNameAndIgnoresCase) {
    const LineStore store = MakeStore({"[]", "; [Data]", "\t[ Data ] ", "[Data]"});
    EXPECT_EQ(store.FindSection("data"), 2);   // the first of the two wins
    EXPECT_EQ(store.FindSection("DATA"), 2);
    EXPECT_EQ(store.FindSection(""), -1);      // "[]" is no header
    EXPECT_EQ(store.FindSection("Calib"), -1);
}

TEST(LineStoreTest, NextLineSkipsBlanksAndCommentsAndReturnsHeaders) {
    const LineStore store = MakeStore({"[Free Map]", "", " \t ", "  ; note", "  A0, 1 \t", "[Calib]"});
    int index = 0;
    std::string line;
    EXPECT_EQ(store.NextLine(index, line), 5u);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(line, "A0, 1");
    EXPECT_EQ(store.NextLine(index, line), 7u);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(line, "[Calib]");
    EXPECT_EQ(store.NextLine(index, line), 0u);
    EXPECT_EQ(index, store.Count());
    EXPECT_TRUE(line.empty());

    index = -1;   // from before the first line
    EXPECT_EQ(store.NextLine(index, line), 10u);
    EXPECT_EQ(index, 0);
}

TEST(LineStoreTest, NextLineFromAnIndexPastTheEndFindsNothing) {
    const LineStore store = MakeStore({"a", "b"});
    for (int start : {1, 2, 1000, 2147483647}) {
        int index = start;
        std::string line = "old";
        EXPECT_EQ(store.NextLine(index, line), 0u) << start;
        EXPECT_EQ(index, 2) << start;
    }
}

TEST(LineStoreTest, NextKeyLineStopsAtAHeaderAndAtTheEnd) {
    const LineStore store = MakeStore({"[A]", ";c", "k=1", "", "[B]", "k=2", " "});
    EXPECT_EQ(store.NextKeyLine(0), 2);
    EXPECT_EQ(store.NextKeyLine(2), -1);   // next is "[B]"
    EXPECT_EQ(store.NextKeyLine(4), 5);
    EXPECT_EQ(store.NextKeyLine(5), -1);   // only a blank line follows
}

TEST(LineStoreTest, GetLineGivesTrimmedKeyLinesOnly) {
    const LineStore store = MakeStore({" x ", "", "\t;c"});
    std::string line;
    EXPECT_TRUE(store.GetLine(0, line));
    EXPECT_EQ(line, "x");
    EXPECT_FALSE(store.GetLine(1, line));
    EXPECT_FALSE(store.GetLine(2, line));
    EXPECT_FALSE(store.GetLine(3, line));
    EXPECT_FALSE(store.GetLine(-1, line));
}

struct GetValueTest : ::testing::Test {
    LineStore store = MakeStore({
        "[RS232C]",
        "; Speed = 600",
        "Parity",
        " speed = 9600 ",
        "Data=8=x",
        "X = yes",
        "[ rs232c ]",
        "Stop = 2",
        "[Other]",
        "Stop = 1.5",
        "[Individual Information]",
        "RecognitionCode , dm1",
    });
};

TEST_F(GetValueTest, MatchesKeysWithoutRegardToCaseAndUpperCasesTheValue) {
    std::string value;
    EXPECT_TRUE(store.GetValue("rs232c", "SPEED", '=', value));
    EXPECT_EQ(value, "9600");   // the comment line above it does not count
    EXPECT_TRUE(store.GetValue("RS232C", "x", '=', value));
    EXPECT_EQ(value, "YES");
    EXPECT_TRUE(store.GetValue("RS232C", "Data", '=', value));
    EXPECT_EQ(value, "8=X");    // split at the first separator only
    EXPECT_TRUE(store.GetValue("Individual Information", "recognitioncode", ',', value));
    EXPECT_EQ(value, "DM1");
}

TEST_F(GetValueTest, StopsAtTheNextHeader) {
    std::string value = "unchanged";
    // "Stop" lies in the second "[ rs232c ]" and in "[Other]"; only the first section is read.
    EXPECT_FALSE(store.GetValue("RS232C", "Stop", '=', value));
    EXPECT_FALSE(store.GetValue("RS232C", "Parity", '=', value));   // no separator: skipped
    EXPECT_FALSE(store.GetValue("Missing", "Speed", '=', value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(store.GetValue("Other", "stop", '=', value));
    EXPECT_EQ(value, "1.5");
}

}  // namespace
