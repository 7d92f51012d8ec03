#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DirectoryList.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

using List = std::vector<std::string>;

struct DirectoryListTest : ::testing::Test {
    TempDir dir;
    std::string Settings(const std::string& directory) {
        return dir.Write("RV_Tune.INI", "[RS232C]\nPORT=PORT2\n[DIRECTORY]\n" + directory + "[UNDO]\nSIZE=99\n");
    }
};

TEST_F(DirectoryListTest, ReadStopsAtTheFirstMissingOrEmptyKey) {
    EXPECT_EQ(ReadDirectoryList(ProfileFile(Settings("PATH1=/a\nPATH2=/b\n"))), (List{"/a", "/b"}));
    // PATH2 missing but PATH3 present: only PATH1.
    EXPECT_EQ(ReadDirectoryList(ProfileFile(Settings("PATH1=/a\nPATH3=/c\n"))), (List{"/a"}));
    EXPECT_EQ(ReadDirectoryList(ProfileFile(Settings("PATH1=/a\nPATH2=\nPATH3=/c\n"))), (List{"/a"}));
    EXPECT_TRUE(ReadDirectoryList(ProfileFile(Settings(""))).empty());
    EXPECT_TRUE(ReadDirectoryList(ProfileFile(dir.File("missing.INI"))).empty());
    std::string nine;
    for (int n = 1; n <= 9; ++n) nine += "PATH" + std::to_string(n) + "=/f" + std::to_string(n) + "\n";
    EXPECT_EQ(ReadDirectoryList(ProfileFile(Settings(nine))).size(), 8u);
}

TEST_F(DirectoryListTest, ChoosingMovesTheFolderToTheTopWithoutItsDuplicate) {
    const List three{"/a", "/b", "/c", "/d"};
    // PATH3 chosen: it becomes PATH1, the old PATH1 and PATH2 move down one.
    EXPECT_EQ(ChooseDirectory(three, "/c"), (List{"/c", "/a", "/b", "/d"}));
    EXPECT_EQ(ChooseDirectory(three, "/a"), three);
    EXPECT_EQ(ChooseDirectory(three, "/C"), (List{"/C", "/a", "/b", "/c", "/d"}));   // case counts
    EXPECT_EQ(ChooseDirectory({}, "/x"), (List{"/x"}));
    // Eight stored and a new one: the oldest drops out.
    const List eight{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
    EXPECT_EQ(ChooseDirectory(eight, "/new"), (List{"/new", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}));
    EXPECT_EQ(ChooseDirectory(eight, "/8"), (List{"/8", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}));
}

TEST_F(DirectoryListTest, WritingGivesBackTheListAndKeepsTheRestOfTheFile) {
    ProfileFile settings(Settings("PATH1=/a\nPATH2=/b\nPATH3=/c\nPATH4=/d\n"));
    ASSERT_TRUE(WriteDirectoryList(settings, {"/new", "/a"}));
    EXPECT_EQ(ReadDirectoryList(settings), (List{"/new", "/a"}));
    EXPECT_EQ(settings.ReadString("DIRECTORY", "PATH3", "NO_DIR"), "");   // emptied, not left behind
    EXPECT_EQ(settings.ReadString("RS232C", "PORT", ""), "PORT2");
    EXPECT_EQ(settings.ReadInt("UNDO", "SIZE", 0), 99);

    ProfileFile fresh(dir.Write("other.INI", "[RS232C]\nPORT=PORT1\n"));
    ASSERT_TRUE(WriteDirectoryList(fresh, {"/only"}));
    EXPECT_EQ(ReadDirectoryList(fresh), (List{"/only"}));
    EXPECT_EQ(fresh.ReadString("DIRECTORY", "PATH2", "NO_DIR"), "NO_DIR");   // nothing added

    // A folder past the 260-character buffer stays whole through a shift.
    const std::string deep = "/" + std::string(300, 'd');
    ASSERT_TRUE(WriteDirectoryList(fresh, {deep}));
    ASSERT_TRUE(WriteDirectoryList(fresh, ChooseDirectory(ReadDirectoryList(fresh), "/b")));
    EXPECT_EQ(ReadDirectoryList(fresh), (List{"/b", deep}));

    ProfileFile unwritable(dir.Path() + "/no/such/folder/RV_Tune.INI");
    EXPECT_FALSE(WriteDirectoryList(unwritable, {"/x"}));
}

}  // namespace
