#include "files/DatalogReader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/FileIo.h"   // kMaxInputFileSize
#include "tests/support/TempDir.h"

namespace {

TEST(DatalogReaderTest, ReadsHeaderRowsAndEmptyFields) {
    Datalog log;
    std::string error;
    ASSERT_TRUE(ParseDatalog("time_s,Engine Speed [rpm],Throttle [%],Gear\n"
                             "0.000,3000,12.5,2\n"
                             "0.300,3100,,2\n"
                             "0.600,3250,13.0,\n",
                             log, error))
        << error;
    ASSERT_EQ(log.columns.size(), 3u);
    const std::pair<std::string, std::string> named[] = {{"Engine Speed", "rpm"}, {"Throttle", "%"}, {"Gear", ""}};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::make_pair(log.columns[i].name, log.columns[i].unit), named[i]);
    EXPECT_EQ(log.columns[1].decimals, 1);
    EXPECT_EQ(FindDatalogColumn(log, "Gear"), 2);
    EXPECT_EQ(FindDatalogColumn(log, "gear"), kNoDatalogColumn);
    ASSERT_EQ(log.Rows(), 3u);
    EXPECT_DOUBLE_EQ(log.times[2], 0.6);
    EXPECT_DOUBLE_EQ(log.Value(1, 0), 3100);
    EXPECT_FALSE(log.Has(1, 1));
    EXPECT_FALSE(log.Has(2, 2));
    EXPECT_FALSE(log.droppedPartialLine);
}

TEST(DatalogReaderTest, AcceptsQuotedFieldsAndCrLf) {
    Datalog log;
    std::string error;
    ASSERT_TRUE(ParseDatalog("\xEF\xBB\xBFtime_s,\"Temp, \"\"head\"\" [degC]\",\"Two\nlines\"\r\n"
                             "\"0.5\",\"-4.25\",1e2\r\n",
                             log, error))
        << error;
    ASSERT_EQ(log.columns.size(), 2u);
    EXPECT_EQ(log.columns[0].name, "Temp, \"head\"");
    EXPECT_EQ(log.columns[0].unit, "degC");
    EXPECT_EQ(log.columns[1].name, "Two\nlines");
    EXPECT_DOUBLE_EQ(log.Value(0, 0), -4.25);
    EXPECT_DOUBLE_EQ(log.Value(0, 1), 100);
}

TEST(DatalogReaderTest, ALastLineWithoutItsLineEndIsDropped) {
    struct Case {
        const char* text;
        std::size_t rows;
        bool dropped;
    };
    const Case cases[] = {
        {"time_s,A\n0.0,1\n0.1,2\n", 2, false},
        {"time_s,A\n0.0,1\n0.1,2", 1, true},
        {"time_s,A\n0.0,1\n0.1,", 1, true},
        {"time_s,\"A\"\n0.0,\"1", 0, true},    // cut inside a quoted field
        {"time_s,A\n", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Datalog log;
        std::string error;
        ASSERT_TRUE(ParseDatalog(c.text, log, error)) << error;
        EXPECT_EQ(log.Rows(), c.rows);
        EXPECT_EQ(log.droppedPartialLine, c.dropped);
    }
}

TEST(DatalogReaderTest, RefusalsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "the file is empty"},
        {"time_s,A", "line 1: the header line has no line end"},
        {"time,A\n0,1\n", "line 1: the header begins with \"time\", not time_s"},
        {"time_s,A,,B\n", "line 1: header field 3 has no name"},
        {"time_s,A,B\n0.0,1,2\n0.1,1\n", "line 3: 2 fields, but the header has 3"},
        {"time_s,A\n0.0,1,2\n", "line 2: 3 fields, but the header has 2"},
        {"time_s,A\n0.0,abc\n", "line 2: \"abc\" in column A is not a number"},
        {"time_s,A\n0.0,nan\n", "line 2: \"nan\" in column A is not a number"},
        {"time_s,A\n0.0,1e999\n", "line 2: \"1e999\" in column A is not a number"},
        {"time_s,A\n0.0,1.2.3\n", "line 2: \"1.2.3\" in column A is not a number"},
        {"time_s,A\n,1\n", "line 2: time_s is empty"},
        {"time_s,A\n0.5,1\n0.4,1\n", "line 3: time_s 0.4 goes back from line 2"},
        {"time_s,A\n0.0,\"1\"x\n", "line 2: text after the closing quote of field 2"},
        // A quoted line end moves the line count on.
        {"time_s,\"A\nB\"\n0.0,1\nx,1\n", "line 4: time_s \"x\" is not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Datalog log;
        log.times.push_back(1.0);   // a refusal leaves nothing behind
        std::string error;
        EXPECT_FALSE(ParseDatalog(c.text, log, error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(log.Rows(), 0u);
        EXPECT_TRUE(log.columns.empty());
    }
}

TEST(DatalogReaderTest, FilesOverTheLimitOrMissingAreRefused) {
    TempDir dir;
    Datalog log;
    std::string error;
    EXPECT_FALSE(ReadDatalog(dir.File("missing.csv"), log, error));
    EXPECT_EQ(error, "cannot read the file: no such file");

    const std::string big = dir.File("big.csv");
    std::FILE* f = std::fopen(big.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("time_s,A\n", f);
    ASSERT_EQ(std::fseek(f, static_cast<long>(kMaxInputFileSize), SEEK_SET), 0);
    std::fputs("0,1\n", f);
    std::fclose(f);
    EXPECT_FALSE(ReadDatalog(big, log, error));
    EXPECT_EQ(error, "the file is larger than 16 MB");
}

TEST(DatalogReaderTest, HeaderFieldsSplitIntoNameAndUnit) {
    struct Case {
        const char* field;
        const char* name;
        const char* unit;
    };
    // Brackets holding only blanks are no unit: the field reads back the
    // same when a writer puts the name alone.
    const Case cases[] = {{" TPS [ % ] ", "TPS", "%"}, {"Mode [a] [b]", "Mode [a]", "b"},
                          {"nje [ ] [ ]", "nje [ ] [ ]", ""}, {"Gear[x]", "Gear[x]", ""}};
    for (const Case& c : cases) {
        const DatalogColumn column = ParseDatalogHeaderField(c.field);
        EXPECT_EQ(column.name, c.name) << c.field;
        EXPECT_EQ(column.unit, c.unit) << c.field;
    }
    Datalog log;
    std::string error;
    ASSERT_TRUE(ParseDatalog("time_s,TPS [%],TPS [deg]\n", log, error));
    EXPECT_EQ(FindDatalogColumn(log, "TPS"), kAmbiguousDatalogColumn);
}

}  // namespace
