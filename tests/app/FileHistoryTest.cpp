#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "app/FileHistory.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

using List = std::vector<std::string>;

TEST(DialogStartFolderTest, TakesTheFirstAbsoluteFolderThatExistsNeverARelativeOne) {
    const std::set<std::string> folders{"/cal", "/tech/runs", "/inst/KST26A/WORK"};
    const auto exists = [&folders](const std::string& f) { return folders.count(f) > 0; };
    const std::string settings = "/inst/KST26A/RV_Tune.INI";
    struct Case {
        const char* directory;
        const char* calibration;
        const char* expected;
    } cases[] = {
        {"/cal", "/tech/runs/a.qsd", "/cal"},                  // the Directory dialog's first folder
        {"", "/tech/runs/a.qsd", "/tech/runs"},                // else the open calibration's folder
        {"/gone", "/tech/runs/a.qsd", "/tech/runs"},           // a folder that is not there is passed over
        {"cal", "", "/inst/KST26A/WORK"},                      // relative: the working folder, never taken
        {"", "runs/a.qsd", "/inst/KST26A/WORK"},
        {"", "", "/inst/KST26A/WORK"},                         // else the machine's WORK folder
        {"/gone", "/gone/a.qsd", "/inst/KST26A/WORK"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DialogStartFolder(c.directory, c.calibration, settings, exists), c.expected)
            << c.directory << " | " << c.calibration;
}

struct RecentFilesTest : ::testing::Test {
    TempDir dir;
    std::string settingsPath;
    void SetUp() override { settingsPath = dir.Write("RV_Tune.INI", "[RS232C]\nPORT=PORT1\n[DIRECTORY]\nPATH1=/x\n"); }
};

TEST_F(RecentFilesTest, NewestFirstWithoutDuplicatesAndTheNinthDropsTheOldest) {
    List list;
    for (int n = 1; n <= 9; ++n) list = AddRecentFile(list, "/cal/f" + std::to_string(n) + ".qsd");
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list.front(), "/cal/f9.qsd");
    EXPECT_EQ(list.back(), "/cal/f2.qsd");   // f1 went with the ninth
    list = AddRecentFile(list, "/cal/f5.qsd");
    EXPECT_EQ(list[0], "/cal/f5.qsd");
    EXPECT_EQ(list[1], "/cal/f9.qsd");
    EXPECT_EQ(list.size(), 8u);
    EXPECT_EQ(RemoveRecentFile(list, "/cal/f9.qsd").size(), 7u);
}

TEST_F(RecentFilesTest, WrittenAndReadBackEveryOtherSectionKept) {
    ProfileFile settings(settingsPath);
    const List list{"/cal/a & b.qsd", "/cal/ spaced name.qsd", "/cal/c.qsd"};
    ASSERT_TRUE(WriteRecentFiles(settings, list));
    EXPECT_EQ(ReadRecentFiles(settings), list);
    EXPECT_EQ(settings.ReadString("RS232C", "PORT", ""), "PORT1");
    EXPECT_EQ(settings.ReadString("DIRECTORY", "PATH1", ""), "/x");
    // A shorter list empties the keys after it.
    ASSERT_TRUE(WriteRecentFiles(settings, {"/cal/c.qsd"}));
    EXPECT_EQ(ReadRecentFiles(settings), (List{"/cal/c.qsd"}));
    // Another machine's settings file keeps its own list.
    ProfileFile other(dir.Write("other.INI", "[RS232C]\n"));
    EXPECT_TRUE(ReadRecentFiles(other).empty());
}

TEST_F(RecentFilesTest, APathThatWouldNotReadBackIsNotStored) {
    const List before{"/cal/a.qsd"};
    for (const std::string& bad : {std::string("relative.qsd"), std::string("/cal/line\nbreak.qsd"),
                                   std::string("/cal/trailing blank "), std::string(""),
                                   "/" + std::string(ProfileFile::kMaxPathSize, 'x')}) {
        EXPECT_FALSE(RecentPathReadsBack(bad));
        EXPECT_EQ(AddRecentFile(before, bad), before);
    }
}

TEST_F(RecentFilesTest, TheWriteFailsWholeOnASettingsFileWithoutWriteBits) {
    ProfileFile settings(settingsPath);
    ASSERT_TRUE(WriteRecentFiles(settings, {"/cal/a.qsd"}));
    const std::string before = dir.Read("RV_Tune.INI");
    // No write bit at all stops even the superuser.
    ASSERT_EQ(::chmod(settingsPath.c_str(), 0444), 0);
    EXPECT_FALSE(WriteRecentFiles(settings, {"/cal/b.qsd"}));
    ::chmod(settingsPath.c_str(), 0644);
    EXPECT_EQ(dir.Read("RV_Tune.INI"), before);
    EXPECT_EQ(ReadRecentFiles(settings), (List{"/cal/a.qsd"}));
}

}  // namespace
