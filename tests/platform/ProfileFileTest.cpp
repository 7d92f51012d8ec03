#include "platform/ProfileFile.h"

#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProfileFileTest : ::testing::Test {
    TempDir dir;
    ProfileFile Make(const std::string& content) { return ProfileFile(dir.Write("RV_Tune.INI", content)); }
    std::string Content() const { return dir.Read("RV_Tune.INI"); }
};

struct ReadCase {
    const char* content;
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(ProfileFileTest, ReadStringFollowsThePrivateProfileRules) {
    const ReadCase cases[] = {
        {"[RS232C]\nSPEED=9600\n", "rs232c", "speed", "9600"},                      // case of names
        {"  [ RS232C ]  \n  SPEED  =  9600  \n", "RS232C", "SPEED", "9600"},         // blanks trimmed
        {"[RS232C]\r\nSPEED=9600\r\nPORT=PORT2\r\n", "RS232C", "PORT", "PORT2"},    // CR LF
        {"[A]\nK=\"quoted value\"\n", "A", "K", "quoted value"},                    // one pair of quotes
        {"[A]\nK=\"\"twice\"\"\n", "A", "K", "\"twice\""},                          // only one pair
        {"[A]\nK=\"open\n", "A", "K", "\"open"},                                    // no closing quote
        {"[A]\nK=1\n[A]\nK=2\nL=3\n", "A", "L", "dflt"},                            // first section wins
        {"[A]\nK=1\nK=2\n", "A", "K", "1"},                                         // first key wins
        {"[A]\n;K=1\nK=2\n", "A", "K", "2"},                                        // comment ignored
        {"[A]\nK\n[B]\nK=5\n", "A", "K", "dflt"},                                   // key without "="
        {"[A]\nX=1\n[B]\nK=5\n", "A", "K", "dflt"},                                 // other section's key
        {"K=0\n[A]\nK=1\n", "A", "K", "1"},                                         // lines before sections
        {"[A\nK=1\n", "A", "K", "dflt"},                                            // header without "]"
        {"[A]\nK = a=b \n", "A", "K", "a=b"},                                       // split at first "="
        {"[A]\nK=\n", "A", "K", ""},                                                // empty, not default
        {"", "A", "K", "dflt"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(Make(c.content).ReadString(c.section, c.key, "dflt"), c.expected) << c.content;
    }
}

TEST_F(ProfileFileTest, ReadStringCutsValueAndDefaultToTheBuffer) {
    const std::string longText(400, 'x');
    ProfileFile file = Make("[A]\nK=" + longText + "\n");
    EXPECT_EQ(file.ReadString("A", "K", ""), std::string(259, 'x'));
    EXPECT_EQ(file.ReadString("A", "MISSING", longText), std::string(259, 'x'));
    EXPECT_EQ(file.ReadString("A", "MISSING", std::string(259, 'y')), std::string(259, 'y'));
    // Paths are read whole, up to the system's limit.
    EXPECT_EQ(file.ReadPath("A", "K", ""), longText);
    EXPECT_EQ(Make("[A]\nK=\"" + std::string(4096, 'p') + "\"\n").ReadPath("A", "K", "dflt"), "dflt");
}

TEST_F(ProfileFileTest, ReadIntTakesSignAndLeadingDigits) {
    struct IntCase { const char* line; int expected; };
    const IntCase cases[] = {
        {"K=38400", 38400}, {"K=-12", -12}, {"K=12abc", 12}, {"K=abc", 0}, {"K=", 77},
        {"K=  +7", 7}, {"K=- 5", 0}, {"K=\"42\"", 42}, {"K=\"\"", 77}, {"K=0x10", 0},
        {"K=2147483647", INT_MAX}, {"K=99999999999999999999", INT_MAX},
        {"K=-2147483648", INT_MIN}, {"K=-99999999999999999999", INT_MIN}, {"OTHER=5", 77},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(Make(std::string("[UNDO]\n") + c.line + "\n").ReadInt("undo", "k", 77), c.expected) << c.line;
    }
}

TEST_F(ProfileFileTest, ReadingAMissingFileGivesDefaultsAndNeverCreatesIt) {
    ProfileFile file(dir.File("none.ini"));
    EXPECT_EQ(file.ReadString("A", "K", "dflt"), "dflt");
    EXPECT_EQ(file.ReadInt("A", "K", 1024), 1024);
    EXPECT_FALSE(FileExists(file.Path()));
}

TEST_F(ProfileFileTest, WriteReplacesTheFirstKeyInPlaceKeepingEverythingElse) {
    ProfileFile file = Make("; settings\r\n[rs232c]\r\n  Port = PORT1\r\nSPEED=9600\r\n"
                            "PORT=PORT5\r\n[RS232C]\r\nPORT=PORT6\r\n");
    ASSERT_TRUE(file.WriteString("RS232C", "PORT", "PORT3"));
    EXPECT_EQ(Content(), "; settings\r\n[rs232c]\r\n  Port = PORT3\r\nSPEED=9600\r\n"
                         "PORT=PORT5\r\n[RS232C]\r\nPORT=PORT6\r\n");
    EXPECT_EQ(file.ReadString("RS232C", "PORT", ""), "PORT3");
}

TEST_F(ProfileFileTest, WriteAddsAMissingKeyAfterTheSectionsLastNonBlankLine) {
    ProfileFile file = Make("[DIAGSELECT]\nSELECT0=A\n; end of list\n\n\n[UNDO]\nSIZE=5\n");
    ASSERT_TRUE(file.WriteString("diagselect", "SELECT1", "B"));
    EXPECT_EQ(Content(), "[DIAGSELECT]\nSELECT0=A\n; end of list\nSELECT1=B\n\n\n[UNDO]\nSIZE=5\n");
}

TEST_F(ProfileFileTest, WriteAddsAKeyToAnEmptySectionAtTheEndOfAnUnterminatedFile) {
    ProfileFile file = Make("[A]\r\nX=1\r\n[B]");
    ASSERT_TRUE(file.WriteString("B", "K", "v"));
    EXPECT_EQ(Content(), "[A]\r\nX=1\r\n[B]\r\nK=v\r\n");
}

TEST_F(ProfileFileTest, WriteAddsAMissingSectionAtTheEndOfTheFile) {
    ProfileFile file = Make("[A]\nX=1");
    ASSERT_TRUE(file.WriteString("DIRECTORY", "PATH1", "/data"));
    EXPECT_EQ(Content(), "[A]\nX=1\n[DIRECTORY]\nPATH1=/data\n");
    EXPECT_EQ(file.ReadString("Directory", "path1", ""), "/data");
}

TEST_F(ProfileFileTest, WriteCreatesAMissingFile) {
    ProfileFile file(dir.File("new.ini"));
    ASSERT_TRUE(file.WriteString("RS232C", "PORT", "PORT1"));
    EXPECT_EQ(dir.Read("new.ini"), "[RS232C]\nPORT=PORT1\n");
}

TEST_F(ProfileFileTest, WriteRefusesTextThatWouldBreakTheFilesLines) {
    const std::string original = "[A]\nK=1\n";
    ProfileFile file = Make(original);
    EXPECT_FALSE(file.WriteString("A", "K", "1\n[B]"));
    EXPECT_FALSE(file.WriteString("A", "K", std::string("a\0b", 3)));
    EXPECT_FALSE(file.WriteString("A]", "K", "1"));
    EXPECT_FALSE(file.WriteString("A", "K=", "1"));
    EXPECT_FALSE(file.WriteString("A", ";K", "1"));
    EXPECT_FALSE(file.WriteString("", "K", "1"));
    EXPECT_EQ(Content(), original);
}

TEST_F(ProfileFileTest, FailedWriteLeavesTheOldFileAndNoLeftovers) {
    // Root passes every permission check, so an ordinary user tries.
    const OrdinaryUser user;
    if (!user.Available()) GTEST_SKIP() << "runs as root and the system has no account 'nobody'";
    const std::string original = "[A]\nK=1\n";
    ProfileFile file = Make(original);
    user.Own(dir.Path());
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    const int written = user.Run([&] { return file.WriteString("A", "K", "2") ? 1 : 0; });
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(Content(), original);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 1u);   // no temporary file left behind
}

TEST_F(ProfileFileTest, AReadOnlyFileIsRefusedAndALinkedOneWrittenThroughItsLink) {
    const std::string original = "[A]\nK=1\n";
    ProfileFile file = Make(original);
    const std::string path = dir.File("RV_Tune.INI");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(file.WriteString("A", "K", "2"));
    EXPECT_EQ(Content(), original);

    ASSERT_EQ(::chmod(path.c_str(), 0620), 0);
    const std::string link = dir.File("link.INI");
    ASSERT_EQ(::symlink("RV_Tune.INI", link.c_str()), 0);
    EXPECT_TRUE(ProfileFile(link).WriteString("A", "K", "3"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Content(), "[A]\nK=3\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0620u);
}

TEST_F(ProfileFileTest, AFileOverTheSizeLimitGivesDefaultsAndIsNeverRewritten) {
    std::string text = "[UNDO]\nSIZE=77\n;";
    text += std::string(kMaxInputFileSize + 1 - text.size(), 'x');
    ProfileFile file = Make(text);
    EXPECT_EQ(file.ReadInt("UNDO", "SIZE", 5), 5);
    EXPECT_EQ(file.ReadString("UNDO", "SIZE", "none"), "none");
    EXPECT_FALSE(file.WriteString("UNDO", "SIZE", "10"));
    EXPECT_EQ(Content(), text);
}

TEST_F(ProfileFileTest, BinaryBytesAndHugeLinesAreCarriedThrough) {
    using namespace std::string_literals;
    const std::string huge(100000, 'z');
    const std::string original = "\x01\xff\0\x80garbage\0\n"s + huge + "\n[A]\nK=ab\0cd\n"s + huge + "=1\n";
    ProfileFile file = Make(original);
    EXPECT_EQ(file.ReadString("A", "K", ""), "ab");   // a C buffer ends at the NUL
    EXPECT_EQ(file.ReadInt("A", huge, 0), 1);
    ASSERT_TRUE(file.WriteString("A", "NEW", "x"));
    EXPECT_EQ(Content(), original + "NEW=x\n");
}

}  // namespace

namespace {

// The keys of one action go into the file in one rewrite, in order, so a
// later key of the batch sees what an earlier one did; a refused key stops
// the whole batch before anything is written.
TEST_F(ProfileFileTest, WriteStringsSetsAllKeysInOrderOrNoneAtAll) {
    ProfileFile file = Make("; keep\r\n[Directory]\r\nPATH1=C:\\old\r\nPATH2=D:\\older\r\n[Other]\r\nX=1\r\n");
    ASSERT_TRUE(file.WriteStrings("DIRECTORY", {{"PATH1", "E:\\new"}, {"PATH2", ""}, {"PATH3", "F:\\added"},
                                                {"path3", "G:\\last wins"}}));
    EXPECT_EQ(Content(),
              "; keep\r\n[Directory]\r\nPATH1=E:\\new\r\nPATH2=\r\nPATH3=G:\\last wins\r\n[Other]\r\nX=1\r\n");

    const std::string before = Content();
    EXPECT_FALSE(file.WriteStrings("Directory", {{"PATH1", "H:\\would change"}, {"PATH2", "two\nlines"}}));
    EXPECT_FALSE(file.WriteStrings("Directory", {{"PATH1", "H:\\would change"}, {"", "no key"}}));
    EXPECT_EQ(Content(), before);

    // Nothing to write creates nothing.
    ProfileFile missing(dir.File("missing.ini"));
    EXPECT_TRUE(missing.WriteStrings("Directory", {}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.ini")));
}

// Two programs saving their own keys of one settings file at once: each
// rewrite reads the file afresh, so without a lock around the read and the
// rename one program's keys would be dropped by the other's save.
TEST_F(ProfileFileTest, TwoProgramsSavingAtOnceBothKeepTheirKeys) {
    Make("[Monitor]\r\n");
    constexpr int kSaves = 150;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const char* section = child == 0 ? "Recent" : "Operating Point";
    ProfileFile file(dir.File("RV_Tune.INI"));
    bool allSaved = true;
    for (int i = 0; i < kSaves; ++i) allSaved = file.WriteString(section, "Key" + std::to_string(i), "1") && allSaved;
    if (child == 0) ::_exit(allSaved ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(allSaved);
    for (const char* name : {"Recent", "Operating Point"})
        for (int i = 0; i < kSaves; ++i)
            EXPECT_EQ(file.ReadString(name, "Key" + std::to_string(i), "lost"), "1") << name << " Key" << i;
}

}  // namespace
