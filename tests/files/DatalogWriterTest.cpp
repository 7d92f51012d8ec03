// The datalog writer: the decimals of each item, the header's quoting, the
// rows with values missing, and a file that is made new every time, never
// over a name and never through a link.
#include "files/DatalogWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

namespace {

DiagItem Item(const char* name, const char* unit, const char* factor, const char* offset) {
    DiagItem item;
    item.name = name;
    item.unit = unit;
    item.factor = factor;
    item.offset = offset;
    return item;
}

TEST(DatalogWriter, EachItemGetsTheDecimalsItsFactorAndOffsetNeed) {
    struct Case {
        const char* factor;
        const char* offset;
        std::uint16_t raw;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {"1", "0", 1234, 0, "1234"},
        {"0.1", "0", 123, 1, "12.3"},
        {"0.5", "-10", 21, 1, "0.5"},
        {"0.05", "0", 7, 2, "0.35"},
        {"0.004", "0", 300, 3, "1.200"},
        {"0.005", "0", 199, 3, "0.995"},
        {"1", "-40", 0, 0, "-40"},
        {"2.50", "0", 3, 1, "7.5"},               // a trailing zero asks for nothing
        {"1", "0.25", 1, 2, "1.25"},              // the offset counts too
        {"0.0000001", "0", 65535, 6, "0.006553"},  // at most 6; single precision, as the monitor
        {"0.333333333", "0", 3, 6, "1.000000"},    // no decimal fraction holds it
        {"abc", "", 9, 0, "0"},                   // a factor that is no number reads as 0
    };
    for (const Case& c : cases) {
        const DiagItem item = Item("x", "", c.factor, c.offset);
        const std::vector<DatalogColumn> columns = DatalogColumns({item});
        EXPECT_EQ(columns[0].decimals, c.decimals) << c.factor << " " << c.offset;
        EXPECT_EQ(DatalogRowText(0, {item}, columns, {c.raw}), std::string("0.000,") + c.text + "\n")
            << c.factor << " " << c.offset;
    }
}

TEST(DatalogWriter, NumbersTakeAPointInEveryLocaleAndNeverReadMinusZero) {
    // A locale with a decimal comma, where the system has one.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(DatalogNumber(12.345, 2), "12.35");
    EXPECT_EQ(DatalogNumber(-0.0004, 3), "0.000");
    EXPECT_EQ(DatalogNumber(-0.0006, 3), "-0.001");
    EXPECT_EQ(DatalogNumber(7, 0), "7");
    EXPECT_EQ(DatalogNumber(1.5, 9), "1.500000");   // held to 6
    std::setlocale(LC_NUMERIC, before.c_str());
    if (!comma) GTEST_LOG_(INFO) << "no de_DE locale here: the point was checked in " << before;
}

TEST(DatalogWriter, TheHeaderNamesEachColumnAndQuotesWhatMustBe) {
    const std::vector<DatalogColumn> columns = {
        {"Engine Speed", "rpm", 0}, {"Gear", "", 0}, {"Air, Intake", "degC", 0}, {"Lambda \"wide\"", "", 3}};
    EXPECT_EQ(DatalogHeader(columns),
              "time_s,Engine Speed [rpm],Gear,\"Air, Intake [degC]\",\"Lambda \"\"wide\"\"\"\n");
}

TEST(DatalogWriter, AValueNotAnsweredIsAnEmptyField) {
    const std::vector<DiagItem> items = {Item("A", "", "1", "0"), Item("B", "", "0.5", "0"), Item("C", "", "1", "0")};
    const auto columns = DatalogColumns(items);
    EXPECT_EQ(DatalogRowText(1.2346, items, columns, {std::nullopt, 3, std::nullopt}), "1.235,,1.5,\n");
    EXPECT_EQ(DatalogRowText(2, items, columns, {5}), "2.000,5,,\n");   // fewer answers than columns
}

TEST(DatalogWriter, NamesTheLogAfterTheLocalTime) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_hour = 20;
    local.tm_min = 15;
    local.tm_sec = 0;
    EXPECT_EQ(DatalogFileName(local), "20261208-201500.csv");
    EXPECT_EQ(DatalogFileName(local, 3), "20261208-201500-3.csv");
    EXPECT_EQ(DatalogFolderFor("/m/KST26A/RV_Tune.INI"), "/m/KST26A/WORK/LOGS");
}

struct DatalogFileTest : ::testing::Test {
    TempDir dir;
    std::vector<DiagItem> items = {Item("Engine Speed", "rpm", "1", "0"), Item("Throttle", "%", "0.5", "0")};
    const std::string header = "time_s,Engine Speed [rpm],Throttle [%]\n";
};

TEST_F(DatalogFileTest, ALogInTheFolderGetsAFreeTimeStampedNameAndHoldsItsRows) {
    const std::time_t now = std::time(nullptr);
    DatalogWriter first(items), second(items);
    ASSERT_EQ(first.CreateInFolder(dir.File("WORK/LOGS"), now), DatalogOpen::kOk);
    ASSERT_EQ(second.CreateInFolder(dir.File("WORK/LOGS"), now), DatalogOpen::kOk);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(first.Name(), DatalogFileName(local));
    EXPECT_EQ(second.Name(), DatalogFileName(local, 2));
    EXPECT_EQ(first.Path(), dir.File("WORK/LOGS/" + first.Name()));
    // The header is there before any row.
    EXPECT_EQ(dir.Read("WORK/LOGS/" + first.Name()), header);
    ASSERT_TRUE(first.WriteRow(0.5, {1200, 40}));
    ASSERT_TRUE(first.WriteRow(0.75, {std::nullopt, 41}));
    EXPECT_EQ(first.Rows(), 2u);
    EXPECT_TRUE(first.Close());
    EXPECT_EQ(dir.Read("WORK/LOGS/" + first.Name()), header + "0.500,1200,20.0\n0.750,,20.5\n");
    EXPECT_FALSE(first.WriteRow(1, {1, 1}));   // closed
}

TEST_F(DatalogFileTest, NeverWritesOverANameOrThroughALink) {
    const std::string victim = dir.Write("victim.txt", "keep me");
    ASSERT_EQ(::symlink(victim.c_str(), dir.File("planted.csv").c_str()), 0);
    dir.Write("old.csv", "old rows");
    struct Case {
        const char* name;
        bool replace;
        DatalogOpen expected;
        const char* leftUnderName;   // nullptr: the new log
    };
    const Case cases[] = {
        {"old.csv", false, DatalogOpen::kExists, "old rows"},
        {"planted.csv", false, DatalogOpen::kExists, nullptr},
        {"old.csv", true, DatalogOpen::kOk, nullptr},
        {"planted.csv", true, DatalogOpen::kOk, nullptr},   // the link goes, not what it names
        {"new.csv", false, DatalogOpen::kOk, nullptr},
    };
    for (const Case& c : cases) {
        DatalogWriter writer(items);
        EXPECT_EQ(writer.Create(dir.File(c.name), c.replace), c.expected) << c.name;
        writer.Close();
        if (c.leftUnderName) EXPECT_EQ(dir.Read(c.name), c.leftUnderName) << c.name;
        else if (c.expected == DatalogOpen::kOk) EXPECT_EQ(dir.Read(c.name), header) << c.name;
        EXPECT_EQ(dir.Read("victim.txt"), "keep me") << c.name;
    }
    struct stat info {};
    ASSERT_EQ(::lstat(dir.File("planted.csv").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    ASSERT_EQ(::mkdir(dir.File("folder.csv").c_str(), 0700), 0);
    DatalogWriter writer(items);
    EXPECT_EQ(writer.Create(dir.File("folder.csv"), true), DatalogOpen::kFailed);
}

TEST_F(DatalogFileTest, ALinkPlantedAsTheLogsFolderIsRefused) {
    ASSERT_EQ(::mkdir(dir.File("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("WORK").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), dir.File("WORK/LOGS").c_str()), 0);
    DatalogWriter writer(items);
    EXPECT_EQ(writer.CreateInFolder(dir.File("WORK/LOGS"), std::time(nullptr)), DatalogOpen::kLink);
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(DatalogFileTest, DiscardRemovesOnlyTheFileItMade) {
    DatalogWriter writer(items);
    ASSERT_EQ(writer.Create(dir.File("log.csv"), false), DatalogOpen::kOk);
    writer.Discard();
    struct stat info {};
    EXPECT_NE(::lstat(dir.File("log.csv").c_str(), &info), 0);

    // Someone put another file under the name meanwhile: it stays.
    ASSERT_EQ(writer.Create(dir.File("log.csv"), false), DatalogOpen::kOk);
    ASSERT_EQ(::unlink(dir.File("log.csv").c_str()), 0);
    dir.Write("log.csv", "theirs");
    writer.Discard();
    EXPECT_EQ(dir.Read("log.csv"), "theirs");
}

// A replacing log grows beside the old file and takes its name only when it
// closes with its rows: a recording that keeps nothing, or two recordings
// racing for one name, never leave the name without a whole log.
TEST_F(DatalogFileTest, AReplacingLogTakesTheNameOnlyWhenItCloses) {
    dir.Write("keep.csv", "old rows");
    DatalogWriter discarded(items);
    ASSERT_EQ(discarded.Create(dir.File("keep.csv"), true), DatalogOpen::kOk);
    EXPECT_EQ(discarded.Path(), dir.File("keep.csv"));
    EXPECT_EQ(dir.Read("keep.csv"), "old rows");   // while it records
    discarded.Discard();
    EXPECT_EQ(dir.Read("keep.csv"), "old rows");
    struct stat info {};
    EXPECT_NE(::lstat(dir.File("keep.csv.part" + std::to_string(::getpid())).c_str(), &info), 0);

    DatalogWriter kept(items);
    ASSERT_EQ(kept.Create(dir.File("keep.csv"), true), DatalogOpen::kOk);
    ASSERT_TRUE(kept.WriteRow(0, {1000, 10}));
    EXPECT_EQ(dir.Read("keep.csv"), "old rows");
    ASSERT_TRUE(kept.Close());
    EXPECT_EQ(dir.Read("keep.csv"), header + "0.000,1000,5.0\n");
}

// A disk that takes part of a row: the file is cut back to its last whole
// row, so no reader finds "7" where the ECU said "70".
TEST_F(DatalogFileTest, ARowTheDiskTakesOnlyInPartIsCutBack) {
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    DatalogWriter writer(items);
    ASSERT_EQ(writer.Create(dir.File("full.csv"), false), DatalogOpen::kOk);
    const std::string row = "0.000,1000,5.0\n";
    rlimit small = old;
    small.rlim_cur = header.size() + row.size() + row.size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool firstRow = writer.WriteRow(0, {1000, 10});
    const bool secondRow = writer.WriteRow(0, {1000, 10});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(firstRow);
    EXPECT_FALSE(secondRow);
    EXPECT_EQ(writer.LastError(), EFBIG);
    EXPECT_EQ(dir.Read("full.csv"), header + row);
}

}  // namespace
