// The clean-up script run by a real shell over folders whose names try to
// break it: it removes the setup program and the emptied folder, itself, and
// nothing else, and runs nothing the names hold.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "setup/CleanupScript.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CleanupScriptTest, HostileFolderNamesStayOneWordAndRunNothing) {
    const std::string names[] = {
        "Program Files",  "it's \"quoted\"", "$(touch PWNED)", "`touch PWNED`", "line\nbreak; touch PWNED",
        "-rf",            "a'b'c\\",         "${HOME}",        "*",             "; rm -rf .. #",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string folder = dir.File(name);
        dir.Write(name + "/setup", "program");
        dir.Write("beside/setup", "another program");
        const std::string script = dir.File("RV_Tune.sh");
        ASSERT_TRUE(WriteFileAtomic(script, CleanupScriptText(folder, "setup", script)));
        const ProcessResult run = RunProcess({"/bin/sh", script}, {}, std::chrono::seconds(10));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Orvandel UnInstaller finished\nPlease close this window\n");
        EXPECT_FALSE(FileExists(folder + "/setup"));
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder)));
        EXPECT_FALSE(FileExists(script));
        EXPECT_TRUE(FileExists(dir.File("beside/setup")));
        EXPECT_FALSE(FileExists(dir.File("PWNED")));
        EXPECT_FALSE(FileExists("PWNED"));
    }
}

TEST(CleanupScriptTest, AFolderTheUserStillUsesIsLeftStanding) {
    TempDir dir;
    dir.Write("inst/setup", "program");
    dir.Write("inst/KST26A/WORK/mine.qsd", "the user's calibration");
    const std::string script = dir.File("RV_Tune.sh");
    ASSERT_TRUE(WriteFileAtomic(script, CleanupScriptText(dir.File("inst"), "setup", script)));
    RunProcess({"/bin/sh", script}, {}, std::chrono::seconds(10));
    EXPECT_FALSE(FileExists(dir.File("inst/setup")));
    EXPECT_EQ(dir.Read("inst/KST26A/WORK/mine.qsd"), "the user's calibration");
    EXPECT_FALSE(FileExists(script));
}

TEST(CleanupScriptTest, QuotingKeepsEveryCharacter) {
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("a b"), "'a b'");
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellQuote("$x`y`\n"), "'$x`y`\n'");
}

}  // namespace
