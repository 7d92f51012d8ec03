// The distribution folder the build makes, installed and removed by the real
// setup program in its unattended mode: into a folder whose name holds
// blanks, quotes and shell characters, under a registry file of its own;
// every installed machine's calibration exported by RV_Tune; uninstalled, the
// clean-up script run, and nothing left or touched outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "config/MachineList.h"
#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/RegistryStore.h"
#include "tests/support/InstallChecks.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using installcheck::Tree;
using installcheck::RegText;

const std::string kDist = std::string(RV_BIN_DIR) + "/../dist";
constexpr auto kBound = std::chrono::seconds(60);

struct SetupDistTest : ::testing::Test {
    TempDir dir;
    // Blanks, both quotes, a command substitution and back quotes.
    std::string target = dir.File("Work shop 'A' \"B\" $(touch PWNED) `touch PWNED2`");
    RegistryStore registry{dir.File("registry.reg")};
    std::vector<MachineEntry> machines = ReadMachineList(kDist + "/MCN_LIST.DAT");

    void SetUp() override {
        if (!FileExists(kDist + "/setup")) GTEST_SKIP() << "no distribution folder (built without the windows)";
        fs::create_directories(dir.File("tmp"));
        fs::create_directories(dir.File("home/Desktop"));
        dir.Write("beside.txt", "not the installer's");
    }

    // Runs argv in folder, with the test's registry, home and temporary folder and no display.
    ProcessResult Run(const std::string& folder, std::vector<std::string> argv) const {
        argv.insert(argv.begin(), {"/bin/sh", "-c", "cd \"$1\" && shift && exec \"$@\"", "sh", folder});
        return RunProcess(argv,
                          {"RV_TUNE_REGISTRY=" + registry.Path(), "HOME=" + dir.File("home"), "TMPDIR=" + dir.File("tmp")},
                          kBound, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME", "XDG_CONFIG_HOME"});
    }
    ProcessResult Install(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> argv = {"./setup", "--target", target, "--yes"};
        argv.insert(argv.end(), more.begin(), more.end());
        return Run(kDist, argv);
    }
    void ExpectNothingRan() const {
        for (const char* name : {"PWNED", "PWNED2"}) {
            EXPECT_FALSE(FileExists(dir.File(name)));
            EXPECT_FALSE(FileExists(kDist + "/" + name));
        }
        EXPECT_EQ(dir.Read("beside.txt"), "not the installer's");
    }
};

TEST_F(SetupDistTest, InstallExportEveryMachineUninstallAndCleanUp) {
    ASSERT_EQ(machines.size(), 6u);
    const ProcessResult install = Install();
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "Setup has finished installing Orvandel on your computer.\n");
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), target);
    EXPECT_EQ(RegText(registry, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune", "UninstallString"),
              target + "/setup /R");

    // Each machine chosen in turn, its standard calibration exported in batch mode.
    for (const MachineEntry& machine : machines) {
        SCOPED_TRACE(machine.folder);
        for (const char* name : {"MachineName", "MachineFolder", "InitializeFolder", "SettingFolder"})
            registry.SetString("SOFTWARE\\RV_Tune", name, std::string(name) == "MachineName" ? machine.title : machine.folder);
        const std::string out = dir.File("export-" + machine.folder + ".txt");
        const ProcessResult run =
            Run(dir.Path(), {target + "/RV_Tune", target + "/" + machine.folder + "/WORK/Standard_data.qsd", out});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        std::string exported;
        EXPECT_TRUE(ReadWholeFile(out, exported));
        EXPECT_GT(exported.size(), 200u);
    }

    // Uninstall from outside the install folder: only setup itself stays.
    const ProcessResult uninstall = Run(dir.Path(), {target + "/setup", "/R", "--yes"});
    ASSERT_EQ(uninstall.status, 0) << uninstall.err;
    EXPECT_EQ(uninstall.out.rfind("Completed uninstallation.\r\nPlease restart your computer.\n", 0), 0u);
    EXPECT_EQ(Tree(target), (std::vector<std::string>{"setup"}));
    EXPECT_EQ(Tree(dir.File("home")), (std::vector<std::string>{".local", ".local/share", ".local/share/applications", "Desktop"}));
    EXPECT_FALSE(registry.KeyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune"));
    const std::string script = RegText(registry, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Uninstall RV_Tune");
    // A name of its own in the shared temporary folder, and the output says how to run it.
    EXPECT_EQ(script.rfind(dir.File("tmp/RV_Tune-"), 0), 0u) << script;
    EXPECT_NE(uninstall.out.find("\nsh '" + script + "'\n"), std::string::npos) << uninstall.out;

    const ProcessResult cleanup = Run(dir.Path(), {"/bin/sh", script});
    EXPECT_EQ(cleanup.status, 0) << cleanup.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_TRUE(Tree(dir.File("tmp")).empty());
    ExpectNothingRan();

    // The next install removes the RunOnce value the uninstall left.
    ASSERT_EQ(Install({"--machines", "PLV23A"}).status, 0);
    EXPECT_EQ(RegText(registry, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Uninstall RV_Tune"), "<missing>");
    EXPECT_FALSE(fs::exists(target + "/KST26A"));
    ExpectNothingRan();
}

TEST_F(SetupDistTest, ANewerInstalledFileSurvivesAReinstallAnOlderOneIsReplaced) {
    ASSERT_EQ(Install().status, 0);
    const std::string mine = target + "/KST26A/WORK/Standard_data.qsd";
    const std::string old = target + "/HRN26C/WORK/Standard_data.qsd";
    std::string original;
    ReadWholeFile(std::string(RV_SOURCE_DIR) + "/data/HRN26C/WORK/HRN26C.qsd", original);
    ASSERT_TRUE(WriteFileAtomic(mine, "the technician's tuned calibration"));
    ASSERT_TRUE(WriteFileAtomic(old, "an old calibration"));
    const struct timespec past[2] = {{946684800, 0}, {946684800, 0}};   // the year 2000
    ASSERT_EQ(::utimensat(AT_FDCWD, old.c_str(), past, 0), 0);

    const ProcessResult again = Install();
    ASSERT_EQ(again.status, 0) << again.err;
    std::string text;
    ReadWholeFile(mine, text);
    EXPECT_EQ(text, "the technician's tuned calibration");
    ReadWholeFile(old, text);
    EXPECT_EQ(text, original);
}

TEST_F(SetupDistTest, AReadOnlyMachineListStopsTheInstallWithAMessage) {
    // Older than the package, so the copy would replace it.
    dir.Write(fs::relative(target, dir.Path()).string() + "/MCN_LIST.DAT", "the workshop's list\n");
    const struct timespec past[2] = {{946684800, 0}, {946684800, 0}};   // the year 2000
    ASSERT_EQ(::utimensat(AT_FDCWD, (target + "/MCN_LIST.DAT").c_str(), past, 0), 0);
    ::chmod((target + "/MCN_LIST.DAT").c_str(), 0444);
    const ProcessResult run = Install();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("MCN_LIST.DAT\n\nis read-only."), std::string::npos) << run.err;
    EXPECT_EQ(dir.Read(fs::relative(target, dir.Path()).string() + "/MCN_LIST.DAT"), "the workshop's list\n");
    EXPECT_EQ(RegText(registry, "SOFTWARE\\RV_Tune", "Install Directory"), "<missing>");
}

TEST_F(SetupDistTest, UninstallingTheHomeFolderIsRefusedAndDeletesNothing) {
    dir.Write("home/MCN_LIST.DAT", "the user's own list\n");
    dir.Write("home/KST26A/RV_Tune.ini", "the user's settings\n");
    registry.SetString("SOFTWARE\\RV_Tune", "Install Directory", dir.File("home"));
    const std::vector<std::string> before = Tree(dir.File("home"));
    const ProcessResult run = Run(dir.Path(), {kDist + "/setup", "/R", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(dir.File("home") + "\n\nholds no installation"), std::string::npos) << run.err;
    EXPECT_EQ(Tree(dir.File("home")), before);
    EXPECT_TRUE(Tree(dir.File("tmp")).empty());
}

TEST_F(SetupDistTest, OutsideADistributionFolderSetupRefuses) {
    const ProcessResult run = Run(dir.Path(), {kDist + "/setup", "--target", target, "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Can not execute this program.\n");
    EXPECT_FALSE(fs::exists(target));
    const ProcessResult usage = Run(dir.Path(), {kDist + "/setup", "--target", target});
    EXPECT_EQ(usage.status, 2);
    const ProcessResult noDisplay = Run(kDist, {"./setup"});
    EXPECT_EQ(noDisplay.status, 2);
    EXPECT_NE(noDisplay.err.find("--yes"), std::string::npos);
}

}  // namespace
