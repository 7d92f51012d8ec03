// The installer on a machine shared with others: links planted where setup
// writes, a target reached through a link, uninstalling a folder that holds
// no installation, the clean-up script's name, a read-only machine list and
// an install without a machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/RegistryStore.h"
#include "setup/CleanupScript.h"
#include "setup/Installer.h"
#include "setup/SetupCommand.h"
#include "setup/SetupTexts.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/FakeDistribution.h"
#include "tests/support/InstallChecks.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using installcheck::RegText;
using installcheck::Tree;

constexpr const char* kOutsideText = "a file of someone else's\n";
constexpr long long kYear2000 = 946684800;

// What a technician would notice changed in a file: bytes, mode, last write.
std::tuple<std::string, unsigned, long long, long> Snapshot(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return {bytes, info.st_mode & 07777, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

struct InstallSafetyTest : ::testing::Test {
    TempDir dir;
    std::string dist = fakedist::Make(dir);
    std::string target;
    EnvOverride tmp{"TMPDIR", dir.File("tmp")};
    RegistryStore registry{dir.File("registry.reg")};
    RecordingPrompt prompt;
    SetupHost host{registry, prompt, {dir.File("home/apps"), dir.File("home/Desktop")}};
    InstallPlan plan;

    void SetUp() override {
        fs::create_directories(dir.File("tmp"));
        fs::create_directories(dir.File("home/Desktop"));
        fs::create_directories(dir.File("shared/RV_Tune"));
        // The real folder, as setup records it.
        target = fs::canonical(dir.File("shared/RV_Tune")).string();
        plan.sourceFolder = dist;
        plan.targetFolder = target;
    }
    std::string In(const std::string& name) const { return JoinPath(target, name); }
    std::string Real(const std::string& name) const { return JoinPath(fs::canonical(dir.Path()).string(), name); }
    // An old file outside, 0600, that a copy would replace if it reached it.
    std::string Outside(const std::string& name) const {
        const std::string path = dir.Write("outside/" + name, kOutsideText);
        ::chmod(path.c_str(), 0600);
        const struct timespec past[2] = {{kYear2000, 0}, {kYear2000, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), past, 0);
        return path;
    }
};

TEST_F(InstallSafetyTest, ALinkWhereSetupWritesStopsTheInstallAndNothingOutsideChanges) {
    struct Case {
        std::string planted;   // below the test folder: replaced by a link
        std::string outside;   // what the link points at: a file, or a folder holding it
        bool folder;
        std::string named;     // the link the message names
    };
    const std::string t = "shared/RV_Tune/";
    const Case cases[] = {
        {t + "MCN_LIST.DAT", "list", false, t + "MCN_LIST.DAT"},
        {t + "KST26A/RV_Tune.stz", "definition", false, t + "KST26A/RV_Tune.stz"},
        {t + "KST26A/RV_Tune.ini", "settings", false, t + "KST26A/RV_Tune.ini"},
        {t + "setup", "program", false, t + "setup"},
        {t + "RV_Tune", "program", false, t + "RV_Tune"},
        {t + "HRN26C/WORK", "work", true, t + "HRN26C/WORK"},
        {t + "OSP24B", "machine", true, t + "OSP24B"},
        {"home/apps/Orvandel.desktop", "entry", false, "home/apps/Orvandel.desktop"},
        {"home/Desktop/Orvandel.desktop", "entry", false, "home/Desktop/Orvandel.desktop"},
    };
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.planted);
        const std::string planted = dir.File(c.planted);
        fs::remove_all(planted);
        std::vector<std::string> victims;
        if (c.folder) {
            for (const char* name : {"RV_Tune.ini", "RV_Tune.stz", "Standard_data.qsd", "WORK/Standard_data.qsd"})
                victims.push_back(Outside(c.outside + "/" + name));
            fs::create_directory_symlink(dir.File("outside/" + c.outside), planted);
        } else {
            victims.push_back(Outside(c.outside));
            fs::create_symlink(victims.back(), planted);
        }
        std::vector<std::tuple<std::string, unsigned, long long, long>> before;
        for (const std::string& victim : victims) before.push_back(Snapshot(victim));

        prompt.shown.clear();
        EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, WithValue(setuptext::kLinkFound, Real(c.named)));
        for (std::size_t i = 0; i < victims.size(); ++i) EXPECT_EQ(Snapshot(victims[i]), before[i]) << victims[i];
        if (c.folder) {
            EXPECT_EQ(Tree(dir.File("outside/" + c.outside)).size(), 5u);   // nothing added either
        }

        // The link removed, the next install mends the installation.
        fs::remove(planted);
        ASSERT_EQ(RunInstall(plan, host), kSetupOk) << prompt.Last().text;
        fs::remove_all(dir.File("outside"));
    }
}

TEST_F(InstallSafetyTest, ATargetReachedThroughALinkIsInstalledAndRecordedAsTheRealFolder) {
    fs::create_directory_symlink(target, dir.File("via-link"));
    plan.targetFolder = dir.File("via-link") + "/";
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), target);
    EXPECT_EQ(RegText(registry, setupreg::kUninstallKey, "UninstallString"), target + "/setup /R");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(In("KST26A/RV_Tune.ini"))));
    std::string entry;
    ReadWholeFile(dir.File("home/apps/Orvandel.desktop"), entry);
    EXPECT_NE(entry.find("Exec=\"" + target + "/RV_Tune\"\n"), std::string::npos) << entry;
    // The link itself is still a link, to the same folder.
    EXPECT_TRUE(fs::is_symlink(dir.File("via-link")));
}

TEST_F(InstallSafetyTest, UninstallDeletesNothingWhereNoInstallationIs) {
    struct Case {
        std::string folder;
        std::string what;
    };
    fs::create_directories(dir.File("empty"));
    dir.Write("home/.profile", "the user's profile\n");
    dir.Write("home/MCN_LIST.DAT", "a list of the user's own\n");
    dir.Write("home/KST26A/RV_Tune.ini", "the user's settings\n");
    dir.Write("linked/MCN_LIST.DAT", "list\n");
    dir.Write("elsewhere/RV_Tune", "a program elsewhere\n");
    fs::create_symlink(dir.File("elsewhere/RV_Tune"), dir.File("linked/RV_Tune"));
    dir.Write("folderprog/MCN_LIST.DAT", "list\n");
    fs::create_directories(dir.File("folderprog/RV_Tune"));
    const Case cases[] = {
        {"/", "the root"},
        {dir.File("home"), "a home folder"},
        {dir.File("empty"), "an empty folder"},
        {dir.File("linked"), "the program a link"},
        {dir.File("folderprog"), "the program a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.SetString("SOFTWARE\\RV_Tune", "Install Directory", c.folder);
        registry.SetString(setupreg::kUninstallKey, "DisplayName", "Orvandel");
        const std::vector<std::string> before = c.folder == "/" ? std::vector<std::string>{} : Tree(c.folder);
        prompt.shown.clear();
        std::string script = "none";
        EXPECT_EQ(RunUninstall(host, &script), kSetupFailed);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, WithValue(WithProduct(setuptext::kNotAnInstallation), c.folder));
        if (c.folder != "/") {
            EXPECT_EQ(Tree(c.folder), before);
        }
        EXPECT_EQ(script, "none");
        EXPECT_TRUE(Tree(dir.File("tmp")).empty());
        EXPECT_EQ(RegText(registry, setupreg::kRunOnceKey, setupreg::kRunOnceValue), "<missing>");
        EXPECT_TRUE(registry.KeyExists(setupreg::kUninstallKey));
    }
    EXPECT_EQ(dir.Read("elsewhere/RV_Tune"), "a program elsewhere\n");
}

TEST_F(InstallSafetyTest, UninstallWithoutARoomForItsScriptDeletesNothing) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    const std::vector<std::string> before = Tree(target);
    EnvOverride gone("TMPDIR", dir.File("no such folder"));
    prompt.shown.clear();
    EXPECT_EQ(RunUninstall(host), kSetupFailed);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text.rfind("The clean-up script " + dir.File("no such folder/RV_Tune-"), 0), 0u);
    EXPECT_EQ(Tree(target), before);
    EXPECT_TRUE(fs::exists(dir.File("home/apps/Orvandel.desktop")));
    EXPECT_TRUE(registry.KeyExists(setupreg::kUninstallKey));
}

TEST_F(InstallSafetyTest, EachUninstallGetsAScriptOfItsOwnAndTheUnattendedOutputSaysHowToRunIt) {
    // Whatever another user left under the old fixed name stays theirs.
    dir.Write("tmp/RV_Tune.sh", "someone else's script\n");
    ConsolePrompt console;   // what a script running setup --yes reads
    SetupHost unattended{registry, console, host.shortcuts};
    std::vector<std::string> scripts;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(RunInstall(plan, host), kSetupOk);
        EXPECT_EQ(RegText(registry, setupreg::kRunOnceKey, setupreg::kRunOnceValue), "<missing>");
        SetupArguments uninstall = ParseSetupArguments({"/R", "--yes"});
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunUnattended(uninstall, dir.Path(), unattended), kExitOk);
        const std::string out = testing::internal::GetCapturedStdout();
        scripts.push_back(RegText(registry, setupreg::kRunOnceKey, setupreg::kRunOnceValue));
        EXPECT_TRUE(IsCleanupScriptName(FileNamePart(scripts.back()))) << scripts.back();
        EXPECT_NE(out.find("\nsh '" + scripts.back() + "'\n"), std::string::npos) << out;
        struct stat info {};
        ASSERT_EQ(::lstat(scripts.back().c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode) && (info.st_mode & 0777) == 0700 && info.st_uid == ::geteuid());
    }
    EXPECT_NE(scripts[0], scripts[1]);
    EXPECT_FALSE(fs::exists(scripts[0]));   // the second install removed the first script
    EXPECT_EQ(dir.Read("tmp/RV_Tune.sh"), "someone else's script\n");
}

TEST_F(InstallSafetyTest, OnlyAScriptOfTheUsersOwnUnderAScriptNameIsRemoved) {
    for (const char* name : {"RV_Tune-a1B2c.sh", "RV_Tune-a1B2c34.sh", "RV_Tune-a1.2c3.sh", "RV_Tune-a1B2c3.sh.txt",
                             "rv_tune-a1B2c3.sh", "notes.txt"})
        EXPECT_FALSE(IsCleanupScriptName(name)) << name;
    const std::string victim = dir.Write("home/.profile", "the user's profile\n");
    fs::create_symlink(victim, dir.File("tmp/RV_Tune-aaaaaa.sh"));
    fs::create_directories(dir.File("tmp/RV_Tune-bbbbbb.sh"));
    dir.Write("tmp/RV_Tune-cccccc.sh", "another user's\n");
    const bool canGiveAway = ::chown(dir.File("tmp/RV_Tune-cccccc.sh").c_str(), 54321, 54321) == 0;
    const std::pair<std::string, bool> removals[] = {   // the path, and whether it goes
        {dir.Write("tmp/RV_Tune-dd1DD2.sh", "#!/bin/sh\n"), true},
        {dir.Write("tmp/RV_Tune.sh", "#!/bin/sh\n"), true},   // the name earlier versions used
        {dir.File("tmp/RV_Tune-aaaaaa.sh"), false},          // a link
        {dir.File("tmp/RV_Tune-bbbbbb.sh"), false},          // a folder
        {dir.File("tmp/RV_Tune-cccccc.sh"), !canGiveAway},   // another user's file
        {dir.Write("tmp/keep.sh", "#!/bin/sh\n"), false},
    };
    for (const auto& [path, removed] : removals) {
        RemoveCleanupScriptFile(path);
        EXPECT_EQ(fs::exists(fs::symlink_status(path)), !removed) << path;
    }
    EXPECT_EQ(dir.Read("home/.profile"), "the user's profile\n");
}

TEST_F(InstallSafetyTest, AReadOnlyMachineListNewerThanThePackageIsMadeWritableAndRewritten) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    dir.Write("shared/RV_Tune/MCN_LIST.DAT", "the workshop's list\n");   // written now: newer
    ::chmod(In("MCN_LIST.DAT").c_str(), 0444);
    plan.selected = {{false, false, true, false, false, false}};
    prompt.shown.clear();
    ASSERT_EQ(RunInstall(plan, host), kSetupOk) << prompt.Last().text;
    // The chosen machine and every one the first install left complete.
    EXPECT_EQ(dir.Read("shared/RV_Tune/MCN_LIST.DAT"), fakedist::ReadSource("data/MCN_LIST.DAT"));
    struct stat info {};
    ::stat(In("MCN_LIST.DAT").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(InstallSafetyTest, AnInstallWithoutAMachineIsRefusedBeforeAnythingIsWritten) {
    plan.selected.fill(false);
    EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, setuptext::kNoMachineSelected);
    EXPECT_TRUE(Tree(target).empty());
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), "<missing>");

    const SetupArguments none = ParseSetupArguments({"--target", target, "--machines", "", "--yes"});
    EXPECT_EQ(none.error, "--machines names no machine: choose at least one");
}

TEST_F(InstallSafetyTest, ARelativeTargetIsTakenFromTheCurrentFolder) {
    SetupArguments arguments = ParseSetupArguments({"--target", "rel/RV_Tune", "--machines", "PLV23A", "--yes"});
    ASSERT_EQ(arguments.error, "");
    prompt.answers = {PromptAnswer::kYes};   // create the folder
    ASSERT_EQ(RunUnattended(arguments, dist, host), kExitOk) << prompt.Last().text;
    const std::string installed = fs::canonical(dist + "rel/RV_Tune").string();
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), installed);
    EXPECT_TRUE(fs::is_regular_file(installed + "/PLV23A/WORK/Standard_data.qsd"));
}

}  // namespace
