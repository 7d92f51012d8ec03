// The data file: its line rules, the "Data" reader and writer, titles, and
// whole loads and saves through disk.
#include "files/DataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "files/SRecord.h"
#include "platform/FileIo.h"
#include "tests/files/TestInstall.h"
#include "tests/support/InstalledApp.h"

namespace {

namespace fs = std::filesystem;
using testinstall::kDataEnd;
using testinstall::kDataStart;

LineStore Store(const std::vector<std::string>& lines) {
    LineStore store;
    for (const std::string& line : lines) store.Append(line);
    return store;
}

TEST(SplitDataFileText, EndsLinesAtLineFeedsAndKeepsAnUnfinishedLastLine) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\r\nb\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},            // no line feed after b: kept all the same
        {"a\r\nb\r", {"a", "b"}},
        {"a\n\r\r", {"a"}},            // only carriage returns after the last line feed
        {" ", {" "}},
        {"", {}},
        {"\n\n", {"", ""}},
        {"a\r\r\nb\rc\n", {"a", "bc"}},  // every carriage return goes
    };
    for (const Case& c : cases) {
        LineStore lines;
        SplitDataFileText(c.text, lines);
        EXPECT_EQ(lines.Lines(), c.lines) << c.text;
    }
}

struct ReadDataCase {
    const char* name;
    std::vector<std::string> lines;
    int result;
};

TEST(ReadDataSection, ReportsEachFormatErrorWithItsMessageNumber) {
    const ReadDataCase cases[] = {
        {"no section", {"[Title]", "S1050100010200"}, str::kDataSectionMissing},
        {"no record", {"[Data]", "Calib:", "S9030000FC"}, str::kDataSectionEmpty},
        {"short S1 only", {"[Data]", "S10501"}, str::kDataSectionEmpty},
        {"records without data", {"[Data]", "S1030000FC", "S1031000EC", "S9030000FC"}, str::kDataSectionEmpty},
        {"long line not S", {"[Data]", "S1050100010200", "Fixed: and more"}, str::kSFormatError},
        {"odd length", {"[Data]", "S10501000102F6F"}, str::kSFormatError},
        {"other record type", {"[Data]", "S1050100010200", "S5030001FB"}, str::kSFormatError},
        {"not hex", {"[Data]", "S1050100010G00"}, str::kWrongWordInData},
        {"count below 3", {"[Data]", "S1020100010200"}, str::kSFormatError},
        // Count 0x13 promises 19 bytes; the line holds 5 after the count.
        {"count past the line", {"[Data]", "S113010001020304"}, str::kSFormatError},
        // 16 bytes from 0xFFF8 would run 8 bytes past the image.
        {"past 0xFFFF", {"[Data]", "S113FFF800112233445566778899AABBCCDDEEFF00"}, str::kSFormatError},
        // Later headers are not special: "[Other Section]" is a long non-record.
        {"header inside", {"[Data]", "S1050100010200", "[Other Section]"}, str::kSFormatError},
    };
    for (const ReadDataCase& c : cases) {
        Image image{};
        std::uint16_t start = 1, end = 1;
        EXPECT_EQ(ReadDataSection(Store(c.lines), image, start, end), c.result) << c.name;
    }
}

TEST(ReadDataSection, RefusedRecordsWriteNothing) {
    const std::vector<std::string> refused[] = {
        {"[Data]", "S113FFF800112233445566778899AABBCCDDEEFF00"},
        {"[Data]", "S113FFF0AAAAAAAA"},
    };
    for (const auto& lines : refused) {
        Image image{};
        std::uint16_t start = 0, end = 0;
        EXPECT_EQ(ReadDataSection(Store(lines), image, start, end), str::kSFormatError);
        EXPECT_EQ(image, Image{});
    }
}

TEST(ReadDataSection, ReadsRecordsUpToTheEndRecord) {
    const ReadDataCase cases[] = {
        // Short lines between records are skipped; a wrong checksum is ignored.
        {"short lines", {"[ data ]", "Calib:", "S1050200AABB00", "xx", "S10501000102F6", "S9030000FC"}, 0},
        {"store ends", {"[Data]", "S1050200AABB00", "S10501000102F6"}, 0},
        {"after S9 ignored", {"[Data]", "S1050200AABB00", "S10501000102F6", "S9030000FC",
                               "S1050300CCDD00", "garbage line past the end"}, 0},
    };
    for (const ReadDataCase& c : cases) {
        Image image{};
        std::uint16_t start = 0, end = 0;
        ASSERT_EQ(ReadDataSection(Store(c.lines), image, start, end), 0) << c.name;
        EXPECT_EQ(start, 0x0100) << c.name;
        EXPECT_EQ(end, 0x0201) << c.name;
        EXPECT_EQ(image[0x0100], 0x01);
        EXPECT_EQ(image[0x0101], 0x02);
        EXPECT_EQ(image[0x0200], 0xAA);
        EXPECT_EQ(image[0x0201], 0xBB);
        EXPECT_EQ(image[0x0300], 0x00) << c.name;
    }
}

TEST(ReadDataSection, ARecordEndingOnTheLastByteFits) {
    Image image{};
    std::uint16_t start = 0, end = 0;
    ASSERT_EQ(ReadDataSection(Store({"[Data]", "S105FFFE112200"}), image, start, end), 0);
    EXPECT_EQ(start, 0xFFFE);
    EXPECT_EQ(end, 0xFFFF);
    EXPECT_EQ(image[0xFFFF], 0x22);
    EXPECT_EQ(image[0x0000], 0x00);
}

TEST(ReadDataSection, ARecordWithoutDataLeavesTheRangeAlone) {
    Image image{};
    std::uint16_t start = 0, end = 0;
    ASSERT_EQ(ReadDataSection(Store({"[Data]", "S1030000FC", "S10501000102F6"}), image, start, end), 0);
    EXPECT_EQ(start, 0x0100);
    EXPECT_EQ(end, 0x0101);
}

TEST(RegenerateDataSection, WritesSixteenByteRecordsAndKeepsCommentsAndOtherSections) {
    Image image{};
    for (std::uint32_t a = 0x1000; a <= 0x10FF; ++a) image[a] = static_cast<std::uint8_t>(a);
    LineStore lines = Store({"[Data]", "; old records", "S1050200AABB00", "", "S9030000FC",
                             "[Title]", "Rider,me"});
    RegenerateDataSection(lines, image, 0x1000, 0x10FF);
    const auto& out = lines.Lines();
    ASSERT_EQ(out.size(), 1u + 1 + 16 + 2 + 2 + 2);
    EXPECT_EQ(out[1], "Calib:");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out[2 + i].size(), 2u + 2 + 4 + 32 + 2);
        EXPECT_EQ(out[2 + i].substr(0, 8), "S113" + std::string(1, '1') + "0" +
                                               std::string(1, "0123456789ABCDEF"[i]) + "0");
    }
    EXPECT_EQ(out[18], kSRecordEnd);
    EXPECT_EQ(out[19], "Fixed:");
    EXPECT_EQ(out[20], "; old records");
    EXPECT_EQ(out[21], "");
    EXPECT_EQ(out[22], "[Title]");
    EXPECT_EQ(out[23], "Rider,me");

    LineStore noData = Store({"[Title]", "a,b"});
    RegenerateDataSection(noData, image, 0x1000, 0x10FF);
    EXPECT_EQ(noData.Count(), 2);
}

TEST(Titles, ReadAsPairsAndWrittenBackInPlace) {
    LineStore lines = Store({"[Machine]", "Model,X", "[Title]", "; kept", "Rider , A. Tester ",
                             "Note,one, two", "", "[Data]"});
    std::vector<std::string> titles;
    ReadTitles(lines, titles);
    EXPECT_EQ(titles, (std::vector<std::string>{"Rider", "A. Tester", "Note", "one, two"}));

    WriteTitles(lines, {"Track", "North loop", "Tyres", "soft"});
    EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"[Machine]", "Model,X", "[Title]",
                                                       "Track,North loop", "Tyres,soft", "; kept",
                                                       "", "[Data]"}));
    LineStore none = Store({"[Machine]", "Model,X"});
    WriteTitles(none, {"a", "b"});
    ReadTitles(none, titles);
    EXPECT_EQ(none.Count(), 2);
    EXPECT_TRUE(titles.empty());
}

TEST(Titles, StoredInANewSectionWhenTheFileHasNone) {
    LineStore none = Store({"[Machine]", "Model,X", "[Data]", "S9030000FC"});
    StoreTitles(none, {});
    EXPECT_EQ(none.Count(), 4);   // nothing to keep, nothing added
    StoreTitles(none, {"Track", "North loop", "Rider", ""});
    EXPECT_EQ(none.Lines(), (std::vector<std::string>{"[Machine]", "Model,X", "[Data]", "S9030000FC", "[Title]",
                                                      "Track,North loop", "Rider,"}));
    std::vector<std::string> titles;
    ReadTitles(none, titles);
    EXPECT_EQ(titles, (std::vector<std::string>{"Track", "North loop", "Rider", ""}));
    StoreTitles(none, {});
    ReadTitles(none, titles);
    EXPECT_TRUE(titles.empty());
    EXPECT_EQ(none.Count(), 5);   // the section stays, empty
}

// A "Title" section from elsewhere: Latin-1 bytes, a text over 100
// characters, blanks around a comma, no comma, a comment between pairs.
std::vector<std::string> ForeignTitleLines() {
    return {"[Title]", "Fahrer , J\xFCrgen", "; between", "Notes," + std::string(130, 'n'), "Bare", "Tyres,soft", "", "[Data]"};
}

TEST(Titles, StoringChangesOnlyTheEditedPairs) {
    LineStore lines = Store(ForeignTitleLines());
    std::vector<std::string> titles;
    std::vector<int> pairLines;
    ReadTitles(lines, titles, &pairLines);
    EXPECT_EQ(pairLines, (std::vector<int>{1, 3, 4, 5}));
    EXPECT_FALSE(StoreTitles(lines, titles, pairLines));   // unchanged: byte for byte
    EXPECT_EQ(lines.Lines(), ForeignTitleLines());

    // Tyres edited, Notes deleted, Pit added.
    EXPECT_TRUE(StoreTitles(lines, {"Fahrer", "J\xFCrgen", "Bare", "", "Tyres", "hard", "Pit", "3"}, {1, 4, 5, -1}));
    EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"[Title]", "Fahrer , J\xFCrgen", "; between", "Bare",
                                                       "Tyres,hard", "Pit,3", "", "[Data]"}));
}

// A started application on the test machine.
struct DataFileTest : ::testing::Test, InstalledApp {
    void SetUp() override { ASSERT_TRUE(app.InitInstance(host)); }
    void TearDown() override { app.ExitInstance(); }
    std::string WriteFile(const std::string& name, const std::string& text) {
        return install.dir.Write(name, text);
    }
};

TEST_F(DataFileTest, LoadFillsTheImageAndBuildsTheMaps) {
    const std::string path = WriteFile("cal.qsd", testinstall::CalibrationFile());
    ASSERT_EQ(LoadDataFile(app, app, prompt, path), kLoaded);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(app.dataStart, kDataStart);
    EXPECT_EQ(app.dataEnd, kDataEnd);
    const Image expected = testinstall::CalibrationImage();
    EXPECT_TRUE(std::equal(&expected[kDataStart], &expected[kDataEnd] + 1, &app.image()[kDataStart]));
    ASSERT_EQ(app.maps.size(), 2u);
    EXPECT_EQ(app.maps[1]->type, kMapRpmPerRow);
    EXPECT_EQ(app.maps[1]->base, 0x100D);
    EXPECT_EQ(app.modified, 0);
}

TEST_F(DataFileTest, SavedFileReloadsToTheSameImageWithItsOtherLinesKept) {
    const std::string path = WriteFile("cal.qsd", testinstall::CalibrationFile());
    ASSERT_EQ(LoadDataFile(app, app, prompt, path), kLoaded);
    app.image()[0x1007] = 99;          // an edit
    app.image()[kDataEnd] = 0x00;      // and a stale checksum byte
    app.modified = 1;
    const std::string saved = install.dir.File("saved.qsd");
    ASSERT_TRUE(SaveDataFile(app, saved));
    EXPECT_EQ(app.modified, 0);

    const std::string text = install.dir.Read("saved.qsd");
    // Every line ends with CR LF and nothing else ends one.
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        ++lineFeeds;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(text[i - 1], '\r');
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (const char* kept : {"; calibration of the test machine\r\n", "[Notes]\r\nkeep me,as I am\r\n",
                             "Rider,A. Tester\r\n", "[Data]\r\nCalib:\r\nS113100002", "S9030000FC\r\nFixed:\r\n; records follow\r\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;

    Image before = app.image();
    std::uint8_t sum = 0;
    for (std::uint32_t a = kDataStart; a <= kDataEnd; ++a) sum = static_cast<std::uint8_t>(sum + before[a]);
    EXPECT_EQ(sum, 0x7F);

    app.image().fill(0);
    ASSERT_EQ(LoadDataFile(app, app, prompt, saved), kLoaded);
    EXPECT_EQ(app.image(), before);
    EXPECT_EQ(app.image()[0x1007], 99);
    EXPECT_EQ(lineFeeds, static_cast<std::size_t>(app.dataLines.Count()));
}

TEST_F(DataFileTest, ALastRecordWithoutALineFeedIsKeptAndTheChecksumStaysOnItsByte) {
    // The file ends right after the last record: no line feed, no end record.
    std::string text = testinstall::CalibrationFile();
    text = text.substr(0, text.find("\nS9030000FC"));
    ASSERT_EQ(text.substr(text.size() - 42, 8), "S1131030");
    const std::string path = WriteFile("cut.qsd", text);
    ASSERT_EQ(LoadDataFile(app, app, prompt, path), kLoaded);
    EXPECT_EQ(app.dataStart, kDataStart);
    EXPECT_EQ(app.dataEnd, kDataEnd);

    const std::string saved = install.dir.File("resaved.qsd");
    ASSERT_TRUE(SaveDataFile(app, saved));
    ASSERT_EQ(LoadDataFile(app, app, prompt, saved), kLoaded);
    EXPECT_EQ(app.dataEnd, kDataEnd);
    EXPECT_EQ(app.image(), testinstall::CalibrationImage());   // every byte, checksum at 0x103F
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(DataFileTest, EachLoadStartsFromAZeroImage) {
    const std::string full = WriteFile("cal.qsd", testinstall::CalibrationFile());
    ASSERT_EQ(LoadDataFile(app, app, prompt, full), kLoaded);
    ASSERT_EQ(app.maps.at(0)->z.count, 2);

    // A calibration holding only the constants, 0x1020..0x103F: the maps'
    // counts of the file before must not survive into it.
    const Image image = testinstall::CalibrationImage();
    std::string text = "[Machine]\nModel,TST01\n[Data]\nCalib:\n";
    for (std::uint32_t a = 0x1020; a <= kDataEnd; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    text += "S9030000FC\nFixed:\n";
    const std::string constants = WriteFile("constants.qsd", text);
    ASSERT_EQ(LoadDataFile(app, app, prompt, constants), kLoaded);
    EXPECT_EQ(app.dataStart, 0x1020);
    Image expected{};
    std::copy(&image[0x1020], &image[kDataEnd] + 1, &expected[0x1020]);
    EXPECT_EQ(app.image(), expected);
    ASSERT_EQ(app.maps.size(), 2u);
    EXPECT_EQ(app.maps[0]->z.count, 0);   // laid out over zeros
    EXPECT_EQ(app.maps[0]->x.count, 0);

    // An unreadable file leaves no calibration behind either.
    ASSERT_EQ(LoadDataFile(app, app, prompt, full), kLoaded);
    EXPECT_EQ(LoadDataFile(app, app, prompt, install.dir.File("missing.qsd")), kUnreadable);
    EXPECT_EQ(app.image(), Image{});
    EXPECT_GT(app.dataStart, app.dataEnd);

    // Saved, the constants file holds its own range and nothing else.
    ASSERT_EQ(LoadDataFile(app, app, prompt, constants), kLoaded);
    const std::string saved = install.dir.File("saved.qsd");
    ASSERT_TRUE(SaveDataFile(app, saved));
    const std::string out = install.dir.Read("saved.qsd");
    EXPECT_EQ(out.find("S1131000"), std::string::npos);
    EXPECT_NE(out.find("S1131020"), std::string::npos);
}

TEST_F(DataFileTest, MachineCheckIgnoresCaseAndSkipsFilesWithoutAMachine) {
    struct Case {
        std::string text;
        int result;
    };
    std::string noMachine = testinstall::CalibrationFile();
    noMachine.replace(noMachine.find("[Machine]"), 9, "[Mechanic]");
    const Case cases[] = {
        {testinstall::CalibrationFile("tst01"), kLoaded},
        {testinstall::CalibrationFile("ABC02"), kOtherMachine},
        {noMachine, kLoaded},
    };
    for (const Case& c : cases) {
        const std::string path = WriteFile("m.qsd", c.text);
        EXPECT_EQ(LoadDataFile(app, app, prompt, path), c.result);
    }
    EXPECT_EQ(LoadDataFile(app, app, prompt, install.dir.File("missing.qsd")), kUnreadable);
    EXPECT_EQ(LoadDataFile(app, app, prompt, install.dir.Path()), kUnreadable);   // a folder
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(DataFileTest, DataErrorsShowTheirMessageAndAbandonTheLoad) {
    const std::string good = testinstall::CalibrationFile();
    struct TextCase {
        std::string text;
        int message;
    };
    std::string missing = good;
    missing.replace(missing.find("[Data]"), 6, "[Dada]");
    std::string empty = good.substr(0, good.find("Calib:\n") + 7);
    std::string notRecord = good;
    notRecord.insert(notRecord.find("S1131010"), "Not a record line\n");
    std::string wrongWord = good;
    wrongWord.replace(wrongWord.find("S1131010") + 10, 1, "Q");
    const TextCase textCases[] = {
        {missing, str::kDataSectionMissing},
        {empty, str::kDataSectionEmpty},
        {notRecord, str::kSFormatError},
        {wrongWord, str::kWrongWordInData},
    };
    for (const TextCase& c : textCases) {
        prompt.shown.clear();
        const std::string path = WriteFile("bad.qsd", c.text);
        EXPECT_EQ(LoadDataFile(app, app, prompt, path), kAbandoned) << c.message;
        ASSERT_EQ(prompt.shown.size(), 1u) << c.message;
        EXPECT_EQ(prompt.Last().text, Str(c.message));
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
        EXPECT_TRUE(app.maps.empty());
        EXPECT_EQ(app.currentMap, nullptr);
    }
}

// Found by the fuzz target: two "[Data]" headers, a damaged "Calib:" and
// one record of no data loaded with an empty range and saved unloadable.
TEST_F(DataFileTest, AFileWhoseRecordsHoldNoByteIsRefused) {
    std::string text;
    ASSERT_TRUE(ReadWholeFile(std::string(RV_TEST_DATA_DIR) + "/datafiles/records-without-data.qsd", text));
    EXPECT_EQ(LoadDataFile(app, app, prompt, WriteFile("nodata.qsd", text)), kAbandoned);
    EXPECT_EQ(prompt.Last().text, Str(str::kDataSectionEmpty));
    EXPECT_FALSE(SaveDataFile(app, install.dir.File("saved.qsd")));   // no range: nothing written
    EXPECT_FALSE(fs::exists(install.dir.File("saved.qsd")));
}

TEST_F(DataFileTest, AFailedSaveLeavesTheOldFileAndReportsFailure) {
    const std::string path = WriteFile("cal.qsd", testinstall::CalibrationFile());
    ASSERT_EQ(LoadDataFile(app, app, prompt, path), kLoaded);
    const std::string old = install.dir.Read("cal.qsd");

    // A target that is a folder, and one in a folder that does not exist.
    fs::create_directories(install.dir.File("folder.qsd"));
    EXPECT_FALSE(SaveDataFile(app, install.dir.File("folder.qsd")));
    EXPECT_FALSE(SaveDataFile(app, install.dir.File("no/such/folder/cal.qsd")));
    EXPECT_EQ(app.modified, 1);

    // A disk that fills up in the middle of the write: the file size limit
    // makes the write fail part-way (in a child, so the limit stays there).
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(SaveDataFile(app, path) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(install.dir.Read("cal.qsd"), old);
    for (const auto& entry : fs::directory_iterator(install.dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(DataFileTest, AFileOverTheSizeLimitIsRefusedAsUnreadable) {
    // The calibration with a comment that brings the file to the limit
    // loads; one byte more and the file is not read at all.
    const std::string calibration = testinstall::CalibrationFile();
    std::string atLimit = calibration + ";";
    atLimit += std::string(kMaxInputFileSize - atLimit.size() - 1, 'x') + "\n";
    ASSERT_EQ(atLimit.size(), kMaxInputFileSize);
    const std::string path = WriteFile("big.qsd", atLimit);
    ASSERT_EQ(LoadDataFile(app, app, prompt, path), kLoaded);
    EXPECT_EQ(app.dataEnd, kDataEnd);

    // Saved with CR LF, the same lines would pass the limit: not written.
    EXPECT_FALSE(SaveDataFile(app, install.dir.File("big-saved.qsd")));
    EXPECT_FALSE(fs::exists(install.dir.File("big-saved.qsd")));

    const std::string over = WriteFile("over.qsd", atLimit + "\n");
    EXPECT_EQ(LoadDataFile(app, app, prompt, over), kUnreadable);
    EXPECT_TRUE(app.maps.empty());
    EXPECT_EQ(app.dataLines.Count(), 0);
    EXPECT_EQ(fs::file_size(over), kMaxInputFileSize + 1);   // read only, never written
}

TEST_F(DataFileTest, ResetDropsALinkInForceWithItsMessage) {
    EXPECT_FALSE(ResetToDataLoaded(app, prompt));
    EXPECT_TRUE(prompt.shown.empty());
    app.mapLinkState = kLinkAllInOne;
    app.mapLink.linkList = {"Main", "Twin"};
    EXPECT_TRUE(ResetToDataLoaded(app, prompt));
    EXPECT_EQ(app.mapLinkState, kLinkNone);
    EXPECT_TRUE(app.mapLink.linkList.empty());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, Str(str::kMapLinkCleared));
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kQuestion);
}

}  // namespace
