#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/TreeCopy.h"
#include "tests/support/TempDir.h"

namespace {

struct stat Lstat(const std::string& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info;
}

void SetTime(const std::string& path, long long seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

long long TimeOf(const std::string& path) { return Lstat(path).st_mtim.tv_sec; }

// A shipped tree as the package lays it out: the list and one machine with
// its settings, definition and standard data in WORK.
struct TreeCopyTest : ::testing::Test {
    TempDir dir;
    std::string shipped = dir.File("share/orvandel");
    std::string user = dir.File("home/.local/share/orvandel");

    void SetUp() override {
        dir.Write("share/orvandel/MCN_LIST.DAT", "'26 Test(T26),TEVARLON,T26\n");
        dir.Write("share/orvandel/T26/RV_Tune.INI", "[RS232C]\nPORT=PORT1\n");
        dir.Write("share/orvandel/T26/RV_Tune.STZ", "[Free Map]\n8000,8FFF,0\n");
        dir.Write("share/orvandel/T26/WORK/T26.qsd", "[Data]\n");
        for (const char* name : {"MCN_LIST.DAT", "T26/RV_Tune.INI", "T26/RV_Tune.STZ", "T26/WORK/T26.qsd"})
            SetTime(dir.File(std::string("share/orvandel/") + name), 1000000);
    }
    bool Copy(TreeCopyResult& result) { return CopyTreeByTime(shipped, user, result); }
};

TEST_F(TreeCopyTest, FirstCopyMakesThePrivateFolderWithTheShippedTimes) {
    TreeCopyResult result;
    ASSERT_TRUE(Copy(result)) << result.error;
    EXPECT_EQ(result.copied, 4);
    EXPECT_EQ(result.folder, std::filesystem::canonical(user).string());
    EXPECT_EQ(dir.Read("home/.local/share/orvandel/T26/RV_Tune.INI"), "[RS232C]\nPORT=PORT1\n");
    EXPECT_EQ(TimeOf(user + "/T26/WORK/T26.qsd"), 1000000);
    EXPECT_EQ(Lstat(user).st_mode & 077, 0u);                       // made private
    EXPECT_EQ(Lstat(dir.File("home/.local")).st_mode & 077, 0u);    // with its missing parents

    // Started again with nothing changed, nothing is written.
    ASSERT_TRUE(Copy(result));
    EXPECT_EQ(result.copied, 0);
    EXPECT_EQ(result.kept, 4);
}

TEST_F(TreeCopyTest, TheUsersNewerFileStaysAnOlderCopyIsReplaced) {
    TreeCopyResult result;
    ASSERT_TRUE(Copy(result));
    const std::string ini = user + "/T26/RV_Tune.INI";
    const std::string stz = user + "/T26/RV_Tune.STZ";
    const std::string qsd = user + "/T26/WORK/T26.qsd";
    struct Case { std::string path; std::string content; long long userTime; long long shippedTime; bool readOnly; bool replaced; };
    const Case cases[] = {
        {ini, "the user's port\n", 2000000, 1000000, false, false},   // changed by the user after the copy
        {stz, "old copy\n", 1000000, 3000000, false, true},           // the package brought a newer one
        {qsd, "made read-only\n", 1000000, 3000000, true, false},     // the user's way to keep it
    };
    for (const Case& c : cases) {
        dir.Write(c.path.substr(dir.Path().size() + 1), c.content);
        SetTime(c.path, c.userTime);
        if (c.readOnly) ::chmod(c.path.c_str(), 0444);
        const std::string source = shipped + c.path.substr(user.size());
        SetTime(source, c.shippedTime);
    }
    ASSERT_TRUE(Copy(result)) << result.error;
    for (const Case& c : cases) {
        const std::string source = shipped + c.path.substr(user.size());
        std::string wanted = c.content;
        if (c.replaced) wanted = dir.Read(source.substr(dir.Path().size() + 1));
        EXPECT_EQ(dir.Read(c.path.substr(dir.Path().size() + 1)), wanted) << c.path;
        EXPECT_EQ(TimeOf(c.path), c.replaced ? c.shippedTime : c.userTime) << c.path;
    }
    EXPECT_EQ(result.copied, 1);
}

TEST_F(TreeCopyTest, PlantedLinksAreNeverFollowed) {
    TreeCopyResult result;
    ASSERT_TRUE(Copy(result));
    const std::string outside = dir.Write("outside/secret", "keep me\n");
    dir.Write("outside/folder/.keep", "");
    SetTime(outside, 500);
    const mode_t outsideMode = Lstat(outside).st_mode;
    // A link where a file goes, where a folder goes, and one to nowhere.
    ::unlink((user + "/T26/RV_Tune.INI").c_str());
    ASSERT_EQ(::symlink(outside.c_str(), (user + "/T26/RV_Tune.INI").c_str()), 0);
    std::filesystem::remove_all(user + "/T26/WORK");
    ASSERT_EQ(::symlink(dir.File("outside/folder").c_str(), (user + "/T26/WORK").c_str()), 0);
    ::unlink((user + "/MCN_LIST.DAT").c_str());
    ASSERT_EQ(::symlink(dir.File("outside/new").c_str(), (user + "/MCN_LIST.DAT").c_str()), 0);
    SetTime(shipped + "/T26/RV_Tune.INI", 9000000);   // newer: would be copied over a file

    ASSERT_TRUE(Copy(result)) << result.error;
    EXPECT_EQ(dir.Read("outside/secret"), "keep me\n");
    EXPECT_EQ(TimeOf(outside), 500);
    EXPECT_EQ(Lstat(outside).st_mode, outsideMode);
    EXPECT_FALSE(std::filesystem::exists(dir.File("outside/folder/T26.qsd")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("outside/new"))));
    EXPECT_TRUE(S_ISLNK(Lstat(user + "/T26/RV_Tune.INI").st_mode));   // the user's link stays
    EXPECT_EQ(result.leftAlone.size(), 3u);
}

TEST_F(TreeCopyTest, AFolderOthersMayWriteGetsNothing) {
    ASSERT_EQ(::mkdir(dir.File("home").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("shared").c_str(), 0777), 0);
    ::chmod(dir.File("shared").c_str(), 0777);
    TreeCopyResult result;
    EXPECT_FALSE(CopyTreeByTime(shipped, dir.File("shared"), result));
    EXPECT_TRUE(result.folder.empty());
    EXPECT_NE(result.error.find("every user may write"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("shared/MCN_LIST.DAT")));
    EXPECT_FALSE(CopyTreeByTime(shipped, "relative/orvandel", result));
}

TEST_F(TreeCopyTest, ALinkedTargetIsResolvedOnce) {
    dir.Write("disk/.keep", "");
    ASSERT_EQ(::mkdir(dir.File("home").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.File("disk").c_str(), dir.File("home/orvandel").c_str()), 0);
    TreeCopyResult result;
    ASSERT_TRUE(CopyTreeByTime(shipped, dir.File("home/orvandel"), result)) << result.error;
    EXPECT_EQ(result.folder, std::filesystem::canonical(dir.File("disk")).string());
    EXPECT_EQ(dir.Read("disk/T26/RV_Tune.STZ"), "[Free Map]\n8000,8FFF,0\n");
}

TEST_F(TreeCopyTest, ProgramsStartingTogetherLeaveWholeFiles) {
    // Each copier writes its own temporary files and renames them into
    // place, so whichever rename comes last, every name holds a whole file.
    std::string big(200000, 'x');
    dir.Write("share/orvandel/T26/WORK/big.qsd", big);
    constexpr int kCopiers = 4;
    pid_t children[kCopiers];
    for (pid_t& child : children) {
        child = ::fork();
        if (child == 0) {
            TreeCopyResult result;
            ::_exit(CopyTreeByTime(shipped, user, result) ? 0 : 1);
        }
        ASSERT_GT(child, 0);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(dir.Read("home/.local/share/orvandel/T26/WORK/big.qsd"), big);
    EXPECT_EQ(dir.Read("home/.local/share/orvandel/MCN_LIST.DAT"), "'26 Test(T26),TEVARLON,T26\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(user))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
