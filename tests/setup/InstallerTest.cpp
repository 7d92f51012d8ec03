// Installing from a distribution folder into a temporary folder under a
// registry file of its own, and uninstalling again: the files, the machine
// list, the settings, the registry values, the shortcuts, and what is left.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"
#include "setup/Installer.h"
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

const char* const kCodes[] = {"KST26A", "HRN26C", "OSP24B", "MRL25D", "PLV23A", "HRR26E"};

bool Present(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

struct InstallerTest : ::testing::Test {
    TempDir dir;
    std::string dist = fakedist::Make(dir);
    std::string target = dir.File("Program Files/VOZA/RV_Tune");
    EnvOverride tmp{"TMPDIR", dir.File("tmp")};
    RegistryStore registry{dir.File("registry.reg")};
    RecordingPrompt prompt;
    SetupHost host{registry, prompt, {dir.File("home/apps"), dir.File("home/Desktop")}};
    InstallPlan plan;

    void SetUp() override {
        fs::create_directories(dir.File("tmp"));
        fs::create_directories(dir.File("home/Desktop"));
        fs::create_directories(target);
        plan.sourceFolder = dist;
        plan.targetFolder = target;
    }
    std::string In(const std::string& name) const { return JoinPath(target, name); }
    std::string Read(const std::string& path) const {
        std::string text;
        ReadWholeFile(path, text);
        return text;
    }
    void Select(std::initializer_list<int> machines) {
        plan.selected.fill(false);
        for (int i : machines) plan.selected[static_cast<std::size_t>(i)] = true;
    }
};

TEST_F(InstallerTest, AFreshInstallLaysOutEveryMachineAndRecordsItself) {
    std::vector<int> steps;
    ASSERT_EQ(RunInstall(plan, host, [&](int step) { steps.push_back(step); }), kSetupOk);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Setup has finished installing Orvandel on your computer.");

    EXPECT_EQ(Read(In("RV_Tune")), fakedist::kProgram);
    EXPECT_EQ(::access(In("RV_Tune").c_str(), X_OK), 0);
    EXPECT_EQ(Read(In("RV_Tune.bmp")), "BM the picture");
    EXPECT_EQ(Read(In("RV_TuneFc.bmp")), "BM the colour picture");
    EXPECT_EQ(Read(In("setup")), fakedist::kSetup);
    EXPECT_EQ(::access(In("setup").c_str(), X_OK), 0);
    EXPECT_EQ(Read(In("MCN_LIST.DAT")), Read(std::string(RV_SOURCE_DIR) + "/data/MCN_LIST.DAT"));
    for (const char* code : kCodes) {
        SCOPED_TRACE(code);
        const std::string machine = In(code);
        const std::string source = std::string(RV_SOURCE_DIR) + "/data/" + code;
        // The definition stays packed; the settings and the calibration are expanded.
        EXPECT_EQ(Read(machine + "/RV_Tune.stz").substr(0, 4), "SZDD");
        EXPECT_EQ(Read(machine + "/WORK/Standard_data.qsd"), Read(source + "/WORK/" + code + ".qsd"));
        ProfileFile settings(machine + "/RV_Tune.ini");
        EXPECT_EQ(settings.ReadString("DIRECTORY", "PATH1", "none"), machine + "/WORK");
        EXPECT_EQ(settings.ReadString("DIRECTORY", "PATH2", "none"), "");
        EXPECT_EQ(settings.ReadString("RS232C", "SPEED", ""), ProfileFile(source + "/RV_Tune.INI").ReadString("RS232C", "SPEED", ""));
    }

    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), target);
    EXPECT_EQ(RegText(registry, setupreg::kUninstallKey, "DisplayName"), "Orvandel");
    EXPECT_EQ(RegText(registry, setupreg::kUninstallKey, "UninstallString"), target + "/setup /R");
    for (const std::string& folder : {dir.File("home/apps"), dir.File("home/Desktop")}) {
        const std::string entry = Read(folder + "/Orvandel.desktop");
        EXPECT_NE(entry.find("Exec=\"" + target + "/RV_Tune\"\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("Path=" + target + "\n"), std::string::npos);
    }
}

TEST_F(InstallerTest, TheListHoldsChosenMachinesThoseInstalledBeforeAndTheOldest) {
    // An earlier installation left MRL25D complete, HRR26E without its
    // settings, and the oldest machine's definition.
    dir.Write("Program Files/VOZA/RV_Tune/MRL25D/RV_Tune.STZ", "definition");
    dir.Write("Program Files/VOZA/RV_Tune/MRL25D/rv_tune.INI", "[DIRECTORY]\n");
    dir.Write("Program Files/VOZA/RV_Tune/HRR26E/RV_Tune.stz", "definition");
    dir.Write("Program Files/VOZA/RV_Tune/KST19A/RV_Tune.ST0", "definition");
    Select({0, 2});
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_EQ(Read(In("MCN_LIST.DAT")),
              "'26 Kestrel-450(KST26A),TEVARLON,KST26A,8192\n"
              "'24 Osprey-250(OSP24B),TEVARLON,OSP24B,1024\n"
              "'25 Merlin-900(MRL25D),TEVARLON,MRL25D,512\n"
              "'19 Kestrel-400(KST19A),TEVARLON,KST19A,4096\n");
    EXPECT_TRUE(Present(In("OSP24B/WORK/Standard_data.qsd")));
    EXPECT_FALSE(Present(In("HRN26C")));
    EXPECT_EQ(Read(In("MRL25D/RV_Tune.STZ")), "definition");
}

TEST_F(InstallerTest, ASettingsFileWithItsWorkFolderKeepsIt) {
    dir.Write("Program Files/VOZA/RV_Tune/KST26A/RV_Tune.ini", "[DIRECTORY]\nPATH1=/home/tech/bikes\nPATH2=/x\n");
    // Newer than the distribution, so the rule keeps it.
    Select({0});
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_EQ(Read(In("KST26A/RV_Tune.ini")), "[DIRECTORY]\nPATH1=/home/tech/bikes\nPATH2=/x\n");
}

TEST_F(InstallerTest, AReadOnlyMachineListIsReportedAndLeftAsItWas) {
    // Older than the package: the copy would replace it.
    dir.Write("Program Files/VOZA/RV_Tune/MCN_LIST.DAT", "the workshop's own list\n");
    const struct timespec past[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, In("MCN_LIST.DAT").c_str(), past, 0), 0);
    ::chmod(In("MCN_LIST.DAT").c_str(), 0444);
    EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
    EXPECT_EQ(Read(In("MCN_LIST.DAT")), "the workshop's own list\n");
    struct stat info {};
    ::stat(In("MCN_LIST.DAT").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, WithValue(setuptext::kReadOnlyFile, In("MCN_LIST.DAT")));
    // The install stopped there: no machine folder, no registry value.
    EXPECT_FALSE(Present(In("KST26A")));
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), "<missing>");
}

TEST_F(InstallerTest, TheFirstFailedCopyEndsTheInstall) {
    ::unlink((dist + "RV_TuneFC.bm_").c_str());
    EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "[" + In("RV_TuneFc.bmp") + "] Fail to copy file.");
    EXPECT_TRUE(Present(In("RV_Tune")));   // copied before the failure, and stays
    EXPECT_FALSE(Present(In("MCN_LIST.DAT")));

    // A machine's packed calibration missing: the earlier machines stay, no registry.
    prompt.shown.clear();
    fakedist::Pack(dir, "RV_TuneFC.bm_", "BM");
    ::unlink((dist + "S3Stddata.qs_").c_str());
    EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
    EXPECT_EQ(prompt.Last().text, "[" + In("OSP24B/WORK/Standard_data.qsd") + "] Fail to copy file.");
    EXPECT_TRUE(Present(In("HRN26C/WORK/Standard_data.qsd")));
    EXPECT_FALSE(Present(In("setup")));
    EXPECT_FALSE(registry.KeyExists(setupreg::kUninstallKey));
}

TEST_F(InstallerTest, ARegistryFileThatCannotBeWrittenFailsTheInstall) {
    fs::create_directories(dir.File("registry.reg"));   // a folder where the file should be
    EXPECT_EQ(RunInstall(plan, host), kSetupFailed);
    EXPECT_EQ(prompt.Last().text, WithValue(setuptext::kRegistryNotWritten, registry.Path()));
    EXPECT_FALSE(Present(dir.File("home/apps/Orvandel.desktop")));
}

TEST_F(InstallerTest, NoDesktopFolderNoDesktopShortcut) {
    fs::remove(dir.File("home/Desktop"));
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_TRUE(Present(dir.File("home/apps/Orvandel.desktop")));
    EXPECT_FALSE(Present(dir.File("home/Desktop")));
}

TEST_F(InstallerTest, TheNextInstallRemovesOnlyTheCleanUpScriptItWasTold) {
    const std::string script = dir.Write("tmp/RV_Tune.sh", "#!/bin/sh\n");
    registry.SetString(setupreg::kRunOnceKey, setupreg::kRunOnceValue, script);
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_FALSE(Present(script));
    EXPECT_FALSE(registry.Query(setupreg::kRunOnceKey, setupreg::kRunOnceValue));

    // A value naming anything else loses the value, not the file.
    const std::string other = dir.Write("notes.txt", "keep me");
    registry.SetString(setupreg::kRunOnceKey, setupreg::kRunOnceValue, other);
    fs::create_directories(dir.File("tmp/dir/RV_Tune.sh"));
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    EXPECT_EQ(Read(other), "keep me");
    EXPECT_FALSE(registry.Query(setupreg::kRunOnceKey, setupreg::kRunOnceValue));
}

TEST_F(InstallerTest, FolderChecksRefuseAskAndCreate) {
    struct Case {
        std::string folder;
        FolderCheck expected;
    };
    dir.Write("plain-file", "x");
    const Case cases[] = {
        {"", FolderCheck::kInvalid},
        {"relative/folder", FolderCheck::kInvalid},
        {dir.File("line\nbreak"), FolderCheck::kInvalid},
        {dir.File("tab\there"), FolderCheck::kInvalid},
        {dir.File("plain-file"), FolderCheck::kInvalid},
        {dir.File("plain-file/below"), FolderCheck::kInvalid},
        {target + "///", FolderCheck::kExists},
        {dir.File("new folder"), FolderCheck::kMissing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string folder = c.folder;
        EXPECT_EQ(CheckInstallFolder(folder), c.expected);
    }

    std::string invalid = "relative";
    EXPECT_FALSE(ConfirmInstallFolder(invalid, prompt));
    EXPECT_EQ(prompt.Last().text, "The folder:\n\nrelative\n\nis invalid. Please reenter.");

    std::string fresh = dir.File("new folder/RV_Tune");
    prompt.answers = {PromptAnswer::kNo};
    EXPECT_FALSE(ConfirmInstallFolder(fresh, prompt));
    EXPECT_EQ(prompt.Last().text, "The folder:\n\n" + fresh + "\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_FALSE(Present(fresh));
    prompt.answers = {PromptAnswer::kYes};
    EXPECT_TRUE(ConfirmInstallFolder(fresh, prompt));
    EXPECT_TRUE(fs::is_directory(fresh));

    // Below a read-only folder (run as an ordinary user, so the bits count).
    fs::create_directories(dir.File("locked"));
    ::chmod(dir.File("locked").c_str(), 0555);
    std::string blocked = dir.File("locked/RV_Tune");
    prompt.answers = {PromptAnswer::kYes};
    if (::geteuid() != 0) {
        EXPECT_FALSE(ConfirmInstallFolder(blocked, prompt));
        EXPECT_EQ(prompt.Last().text, "The folder:\n\n" + blocked + "\n\ncan not be created. Please double check.");
    }
    ::chmod(dir.File("locked").c_str(), 0755);
}

TEST_F(InstallerTest, TheDefaultDestinationFollowsTheRegistry) {
    EXPECT_EQ(DefaultDestination(registry, "/home/tech"), "/home/tech/VOZA/RV_Tune");
    EXPECT_EQ(DefaultDestination(registry, ""), "");
    registry.SetString(setupreg::kCurrentVersionKey, "ProgramFilesDir", "/opt");
    EXPECT_EQ(DefaultDestination(registry, "/home/tech"), "/opt/VOZA/RV_Tune");
    registry.SetString("SOFTWARE\\RV_Tune", "Install Directory", "/srv/rv");
    EXPECT_EQ(DefaultDestination(registry, "/home/tech"), "/srv/rv");
}

TEST_F(InstallerTest, TheDistributionFolderIsWhereThePackedProgramIs) {
    EXPECT_EQ(DistributionFolder(dist.substr(0, dist.size() - 1)), dist);
    EXPECT_EQ(DistributionFolder(dist), dist);
    EXPECT_EQ(DistributionFolder(dir.Path()), "");
}

TEST_F(InstallerTest, UninstallRemovesTheInstallAndLeavesTheCleanUpScript) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    dir.Write("Program Files/VOZA/beside.txt", "not ours");
    prompt.shown.clear();
    std::string script;
    ASSERT_EQ(RunUninstall(host, &script), kSetupOk);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Completed uninstallation.\r\nPlease restart your computer.\n\n"
                                  "To remove the setup program and the emptied folder once Setup has ended, run:\n"
                                  "sh '" + script + "'");
    // Only the running setup program is left, for the script.
    EXPECT_EQ(Tree(target), (std::vector<std::string>{"setup"}));
    EXPECT_EQ(Read(dir.File("Program Files/VOZA/beside.txt")), "not ours");
    EXPECT_FALSE(Present(dir.File("home/apps/Orvandel.desktop")));
    EXPECT_FALSE(Present(dir.File("home/Desktop/Orvandel.desktop")));
    EXPECT_EQ(FileNamePart(script).substr(0, 8), "RV_Tune-");
    EXPECT_EQ(Tree(dir.File("tmp")), (std::vector<std::string>{FileNamePart(script)}));
    EXPECT_EQ(RegText(registry, setupreg::kRunOnceKey, setupreg::kRunOnceValue), script);
    EXPECT_FALSE(registry.KeyExists(setupreg::kUninstallKey));
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), target);
    EXPECT_NE(Read(script).find("rmdir -- '" + target + "'"), std::string::npos);
}

TEST_F(InstallerTest, UninstallListsWhatTheUserKeptAndWritesNoScript) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    dir.Write("Program Files/VOZA/RV_Tune/KST26A/WORK/race.qsd", "the technician's calibration");
    dir.Write("Program Files/VOZA/RV_Tune/KST19A/RV_Tune.STZ", "the oldest machine's definition");
    prompt.shown.clear();
    EXPECT_EQ(RunUninstall(host), kSetupFailed);
    EXPECT_EQ(prompt.Last().text, "Some files were not deleted. Please delete yourself.\n[" + In("KST26A/WORK") + "]\n[" +
                                      In("KST26A") + "]\n[" + In("KST19A") + "]");
    EXPECT_EQ(Read(In("KST26A/WORK/race.qsd")), "the technician's calibration");
    EXPECT_FALSE(Present(In("KST26A/RV_Tune.ini")));
    EXPECT_TRUE(Tree(dir.File("tmp")).empty());   // the script written first went again
    EXPECT_FALSE(registry.Query(setupreg::kRunOnceKey, setupreg::kRunOnceValue));
}

TEST_F(InstallerTest, UninstallNeverFollowsALinkOutOfTheInstallFolder) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    // A machine folder and a work folder replaced by links to folders elsewhere.
    dir.Write("elsewhere/RV_Tune.ini", "someone else's");
    dir.Write("elsewhere/WORK/Standard_data.qsd", "someone else's");
    dir.Write("other/Standard_data.qsd", "another one");
    fs::remove_all(In("HRN26C"));
    fs::create_directory_symlink(dir.File("elsewhere"), In("HRN26C"));
    fs::remove_all(In("OSP24B/WORK"));
    fs::create_directory_symlink(dir.File("other"), In("OSP24B/WORK"));
    prompt.shown.clear();
    EXPECT_EQ(RunUninstall(host), kSetupFailed);
    EXPECT_EQ(Read(dir.File("elsewhere/RV_Tune.ini")), "someone else's");
    EXPECT_EQ(Read(dir.File("elsewhere/WORK/Standard_data.qsd")), "someone else's");
    EXPECT_EQ(Read(dir.File("other/Standard_data.qsd")), "another one");
    const std::string text = prompt.Last().text;
    EXPECT_NE(text.find("[" + In("HRN26C") + "]"), std::string::npos) << text;
    EXPECT_NE(text.find("[" + In("OSP24B/WORK") + "]"), std::string::npos) << text;
    EXPECT_FALSE(Present(In("OSP24B/RV_Tune.ini")));
}

TEST_F(InstallerTest, AnEmptyOrRelativeInstallFolderDeletesNothing) {
    // Files of the install's names in the current folder must survive.
    TempDir cwd;
    cwd.Write("MCN_LIST.DAT", "list");
    cwd.Write("KST26A/RV_Tune.ini", "settings");
    const std::string before = fs::current_path().string();
    fs::current_path(cwd.Path());
    for (const std::string& value : {std::string(""), std::string("."), std::string("KST26A/.."), std::string("RV_Tune")}) {
        SCOPED_TRACE(value);
        registry.SetString("SOFTWARE\\RV_Tune", "Install Directory", value);
        registry.SetString(setupreg::kUninstallKey, "DisplayName", "Orvandel");
        prompt.shown.clear();
        EXPECT_EQ(RunUninstall(host), kSetupFailed);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, WithValue(setuptext::kBadInstallDirectory, value));
        EXPECT_TRUE(registry.KeyExists(setupreg::kUninstallKey));
    }
    fs::current_path(before);
    EXPECT_EQ(cwd.Read("MCN_LIST.DAT"), "list");
    EXPECT_EQ(cwd.Read("KST26A/RV_Tune.ini"), "settings");
}

TEST_F(InstallerTest, APlantedLinkInTheTemporaryFolderIsNotWrittenThrough) {
    ASSERT_EQ(RunInstall(plan, host), kSetupOk);
    const std::string victim = dir.Write("home/.profile", "the user's profile\n");
    fs::create_symlink(victim, dir.File("tmp/RV_Tune.sh"));
    std::string script;
    ASSERT_EQ(RunUninstall(host, &script), kSetupOk);
    EXPECT_EQ(Read(victim), "the user's profile\n");
    struct stat info {};
    ASSERT_EQ(::lstat(script.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
}

}  // namespace
