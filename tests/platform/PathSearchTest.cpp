#include "platform/PathSearch.h"

#include "tests/support/EnvOverride.h"
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

    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    const std::string path = dir.Write("keep.reg", "old");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    const bool written = WriteFileAtomic(path, "new");
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_FALSE(written);
    EXPECT_EQ(dir.Read("keep.reg"), "old");
    EXPECT_EQ(FileCount(dir.Path()), 1u);
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
