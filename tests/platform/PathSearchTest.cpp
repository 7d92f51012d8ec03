#include "platform/FileIo.h"
#include "platform/PathSearch.h"

#include "tests/support/EnvOverride.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::size_t FileCount(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file();
    return count;
}

TEST(PathSearchTest, JoinPathPutsExactlyOneSlashBetween) {
    struct Case { const char* folder; const char* name; const char* expected; };
    const Case cases[] = {
        {"/opt/rv", "RV_Tune.INI", "/opt/rv/RV_Tune.INI"}, {"/opt/rv/", "a", "/opt/rv/a"},
        {"/opt/rv//", "/a", "/opt/rv/a"}, {"/", "a", "/a"}, {"", "a", "a"}, {"rel", "a/b", "rel/a/b"},
    };
    for (const Case& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
}

TEST(PathSearchTest, FileNamePartTakesTheLastComponentOfEitherSeparator) {
    EXPECT_EQ(FileNamePart("/a/b/RV_Tune.STZ"), "RV_Tune.STZ");
    EXPECT_EQ(FileNamePart("C:\\Tool\\ABC03"), "ABC03");
    EXPECT_EQ(FileNamePart("a\\b/c"), "c");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_EQ(FileNamePart("dir/"), "");
}

TEST(PathSearchTest, FindFileNoCaseFindsRegularFilesRegardlessOfCase) {
    TempDir dir;
    dir.Write("rv_tune.ini", "x");
    EXPECT_EQ(FindFileNoCase(dir.Path(), "RV_Tune", ".INI"), dir.File("rv_tune.ini"));
    EXPECT_EQ(FindFileNoCase(dir.Path(), "RV_Tune", ".STZ"), "");
    EXPECT_EQ(FindFileNoCase(dir.Path() + "/missing", "RV_Tune", ".INI"), "");
    EXPECT_EQ(FindFileNoCase(dir.Path(), "../" + FileNamePart(dir.Path()) + "/rv_tune", ".ini"), "");

    dir.Write("RV_Tune.INI", "y");   // the exact name wins over a folded one
    EXPECT_EQ(FindFileNoCase(dir.Path(), "RV_Tune", ".INI"), dir.File("RV_Tune.INI"));

    std::filesystem::create_directory(dir.File("RV_TUNE.STZ"));   // a folder does not count
    EXPECT_EQ(FindFileNoCase(dir.Path(), "rv_tune", ".stz"), "");
}

TEST(PathSearchTest, TempFolderComesFromTmpdirAndEndsWithASlash) {
    {
        EnvOverride tmp("TMPDIR", "/var/rvtmp");
        EXPECT_EQ(TempFolder(), "/var/rvtmp/");
    }
    {
        EnvOverride tmp("TMPDIR", "/var/rvtmp/");
        EXPECT_EQ(TempFolder(), "/var/rvtmp/");
    }
    {
        EnvOverride tmp("TMPDIR", "");
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
    {
        EnvOverride tmp("TMPDIR", nullptr);
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
}

TEST(PathSearchTest, WriteFileAtomicReplacesContentAndKeepsPermissions) {
    TempDir dir;
    const std::string path = dir.Write("data.qsd", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomic(path, std::string("new\0bytes", 9)));
    EXPECT_EQ(dir.Read("data.qsd"), std::string("new\0bytes", 9));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FileCount(dir.Path()), 1u);
}

TEST(PathSearchTest, WriteFileAtomicThroughALinkReplacesTheLinkedFile) {
    TempDir dir;
    const std::string real = dir.Write("real.ini", "old");
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomic(link, "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(dir.Read("real.ini"), "new");
}

TEST(PathSearchTest, WriteFileAtomicFailsWithoutTouchingAnything) {
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomic(dir.File("missing/file"), "x"));
    std::filesystem::create_directory(dir.File("folder"));
    EXPECT_FALSE(WriteFileAtomic(dir.File("folder"), "x"));   // a folder is never replaced
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));

    // A folder the user may not write: root passes that check, so an ordinary user tries.
    const OrdinaryUser user;
    if (!user.Available()) GTEST_SKIP() << "runs as root and the system has no account 'nobody'";
    const std::string path = dir.Write("keep.reg", "old");
    user.Own(dir.Path());
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    const int written = user.Run([&] { return WriteFileAtomic(path, "new") ? 1 : 0; });
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(dir.Read("keep.reg"), "old");
    EXPECT_EQ(FileCount(dir.Path()), 1u);
}

// A temporary file of an atomic write left in folder.
bool HasLeftover(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp") != std::string::npos) return true;
    return false;
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(PathSearchTest, WriteFileAtomicKeepsLinksAndTheModeAndOwnerOfTheLinkedFile) {
    TempDir dir;
    const std::string real = dir.Write("real.qsd", "old");
    ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
    // A chain: an absolute link to a relative one in another folder.
    std::filesystem::create_directory(dir.File("sub"));
    ASSERT_EQ(::symlink("../real.qsd", dir.File("sub/relative.qsd").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("sub/relative.qsd").c_str(), dir.File("link.qsd").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomic(dir.File("link.qsd"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.qsd")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("sub/relative.qsd")));
    EXPECT_EQ(dir.Read("real.qsd"), "new");
    EXPECT_EQ(ModeOf(real), 0604u);
    EXPECT_FALSE(HasLeftover(dir.Path()));
    EXPECT_FALSE(HasLeftover(dir.File("sub")));

    // A link to a file not there yet: the write creates the file it names.
    ASSERT_EQ(::symlink("later.qsd", dir.File("dangling.qsd").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomic(dir.File("dangling.qsd"), "first"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.qsd")));
    EXPECT_EQ(dir.Read("later.qsd"), "first");

    // A loop of links is no file at all.
    ASSERT_EQ(::symlink("loop-b", dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", dir.File("loop-b").c_str()), 0);
    EXPECT_FALSE(WriteFileAtomic(dir.File("loop-a"), "x"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("loop-a")));

    // Root saving a file of another user leaves it that user's.
    const OrdinaryUser user;
    if (::geteuid() != 0 || user.Account() == nullptr) return;
    user.Own(real);
    ASSERT_TRUE(WriteFileAtomic(dir.File("link.qsd"), "newer"));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, user.Account()->uid);
    EXPECT_EQ(info.st_gid, user.Account()->gid);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
}

// A write in place would fail on these targets, so the replacement must not
// slip past through the folder's permission: refused, the file untouched,
// no temporary file left.
TEST(PathSearchTest, WriteFileAtomicRefusesAFileTheUserMayNotWrite) {
    TempDir dir;
    // No write bit at all is read-only for everyone, root included.
    const std::string readOnly = dir.Write("read-only.qsd", "old");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_FALSE(WriteFileAtomic(readOnly, "new"));
    EXPECT_EQ(dir.Read("read-only.qsd"), "old");
    ASSERT_EQ(::symlink(readOnly.c_str(), dir.File("link.qsd").c_str()), 0);
    EXPECT_FALSE(WriteFileAtomic(dir.File("link.qsd"), "new"));
    EXPECT_EQ(dir.Read("read-only.qsd"), "old");
    EXPECT_FALSE(HasLeftover(dir.Path()));

    // An ordinary user in a folder of their own: their read-only file, and a
    // file of somebody else that only its owner may write, stay as they are.
    const OrdinaryUser user;
    if (!user.Available()) GTEST_SKIP() << "runs as root and the system has no account 'nobody'";
    TempDir own;
    const std::string mine = own.Write("mine.qsd", "mine");
    const std::string theirs = own.Write("theirs.qsd", "theirs");
    const std::string writable = own.Write("writable.qsd", "writable");
    user.Own(own.Path());
    ASSERT_EQ(::chmod(mine.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);
    if (user.Account() != nullptr) ASSERT_EQ(::chown(theirs.c_str(), 0, 0), 0);
    else ASSERT_EQ(::chmod(theirs.c_str(), 0444), 0);   // no other owner to give it to
    const int result = user.Run([&] {
        const bool wroteMine = WriteFileAtomic(mine, "new");
        const bool wroteTheirs = WriteFileAtomic(theirs, "new");
        const bool wroteWritable = WriteFileAtomic(writable, "new");
        return (wroteMine ? 1 : 0) | (wroteTheirs ? 2 : 0) | (wroteWritable ? 0 : 4);
    });
    EXPECT_EQ(result, 0) << "1: own read-only file written, 2: other's file written, 4: own file refused";
    EXPECT_EQ(own.Read("mine.qsd"), "mine");
    EXPECT_EQ(own.Read("theirs.qsd"), "theirs");
    EXPECT_EQ(own.Read("writable.qsd"), "new");
    EXPECT_FALSE(HasLeftover(own.Path()));
}

TEST(PathSearchTest, ReadWholeFileReadsRegularFilesOnly) {
    TempDir dir;
    std::string content = "stale";
    const std::string bytes("a\0b\xff", 4);
    ASSERT_TRUE(ReadWholeFile(dir.Write("f", bytes), content));
    EXPECT_EQ(content, bytes);
    EXPECT_FALSE(ReadWholeFile(dir.File("missing"), content));
    EXPECT_EQ(content, "");
    EXPECT_FALSE(ReadWholeFile(dir.Path(), content));
    EXPECT_TRUE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace

TEST(PathSearchTest, UserTempFolderIsNeverSharedWithAnotherUser) {
    TempDir dir;   // private (mode 0700), like a runtime folder
    for (const char* folder : {"open/.keep", "home/.keep", "shared/orvandel/.keep", "ptmp/.keep", "stmp/.keep"})
        dir.Write(folder, "");
    ::chmod(dir.File("shared/orvandel").c_str(), 0777);
    ::chmod(dir.File("ptmp").c_str(), 0700);
    ::chmod(dir.File("stmp").c_str(), 01777);
    EnvOverride home("HOME", dir.File("home"));
    const std::string own = dir.File("home/.cache/orvandel/"), shared = dir.File("shared");
    const std::string ptmp = dir.File("ptmp"), stmp = dir.File("stmp");
    struct Case { const char* tmpdir; std::string runtime; const char* cache; std::string wanted; };
    const Case cases[] = {
        {ptmp.c_str(), dir.Path(), nullptr, ptmp + "/"},   // the user's own private choice
        // a shared one (as /tmp is) gets a folder of the user's in it
        {stmp.c_str(), dir.Path(), nullptr, stmp + "/orvandel-" + std::to_string(::geteuid()) + "/"},
        {nullptr, dir.Path(), nullptr, dir.Path() + "/"},
        {"", dir.File("open"), "relative", own},               // others may enter it (mode 0755)
        {nullptr, "", shared.c_str(), "/tmp/"},                // others may write in it
    };
    for (const Case& c : cases) {
        EnvOverride tmp("TMPDIR", c.tmpdir);
        EnvOverride runtime("XDG_RUNTIME_DIR", c.runtime);
        EnvOverride cache("XDG_CACHE_HOME", c.cache);
        EXPECT_EQ(UserTempFolder(), c.wanted) << c.runtime;
    }
}
