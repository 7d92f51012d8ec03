#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "app/UserInstall.h"
#include "config/MachineList.h"
#include "ecu/Logbook.h"
#include "platform/PathSearch.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

void SetTime(const std::string& path, long long seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Real(const std::string& path) { return std::filesystem::canonical(path).string(); }

// Machine Select as the user answers it: picks the machine of the list in
// the installation folder whose folder is pick.
struct PickingHost : HeadlessHost {
    using HeadlessHost::HeadlessHost;
    MachineSelectResult RunMachineSelect(CQelApp& app) override {
        ++selects;
        startedEmpty = app.registry.machineName.empty();
        const auto entries = ReadMachineList(JoinPath(app.registry.installDirectory, "MCN_LIST.DAT"));
        int selected = -1;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].folder == pick) selected = static_cast<int>(i);
        MachineSelectOk(entries, selected, app.registry, app.registryStore(), Prompt());
        return MachineSelectResult::kClosed;
    }
    std::string pick;
    int selects = 0;
    bool startedEmpty = false;
};

// The package laid out in a folder of its own (usr/lib/orvandel/RV_Tune,
// usr/share/orvandel with two machines) and the user's data folder in
// $XDG_DATA_HOME.
struct PackageStartTest : ::testing::Test {
    TempDir dir;
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    EnvOverride tmp{"TMPDIR", dir.File("tmp")};
    EnvOverride data{"XDG_DATA_HOME", dir.File("data")};
    EnvOverride machine{"RV_TUNE_MACHINE", nullptr};

    void SetUp() override {
        dir.Write("tmp/.keep", "");
        dir.Write("data/.keep", "");
        dir.Write("usr/lib/orvandel/RV_Tune", "the program");
        Ship("MCN_LIST.DAT", "'26 Test(T26),TEVARLON,T26,480\n'20 Other(OTH20),TEVARLON,OTH20\n");
        for (const char* folder : {"T26", "OTH20"}) {
            Ship(std::string(folder) + "/RV_Tune.INI", "[RS232C]\nTIMEOUT=20\n");
            Ship(std::string(folder) + "/RV_Tune.STZ", "[Free Map]\n8000,8FFF,0\n");
            Ship(std::string(folder) + "/WORK/" + folder + ".qsd", "[Data]\n");
        }
    }
    void Ship(const std::string& name, const std::string& content, long long time = 1000000) {
        SetTime(dir.Write("usr/share/orvandel/" + name, content), time);
    }
    void Registry(const std::string& values) { dir.Write("registry.reg", TestRegistryText(values)); }
    void RegistryWithMachine(const std::string& installValue, const std::string& folder = "T26") {
        Registry(installValue + "\"MachineName\"=\"The Machine\"\n\"MachineFolder\"=\"" + folder +
                 "\"\n\"InitializeFolder\"=\"" + folder + "\"\n\"SettingFolder\"=\"" + folder + "\"\n");
    }
    AppOptions Options() const {
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        options.programPath = dir.File("usr/lib/orvandel/RV_Tune");
        return options;
    }
    std::string User() const { return Real(dir.File("data/orvandel")); }
    std::string Shipped() const { return Real(dir.File("usr/share/orvandel")); }
};

TEST_F(PackageStartTest, FirstStartCopiesTheShippedMachinesAndWorksInTheCopy) {
    RegistryWithMachine("");
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host)) << (prompt.shown.empty() ? "" : prompt.Last().text);
    EXPECT_EQ(app.registry.installDirectory, User());
    EXPECT_EQ(app.settingsFilePath, User() + "/T26/RV_Tune.INI");
    EXPECT_EQ(dir.Read("data/orvandel/OTH20/WORK/OTH20.qsd"), "[Data]\n");
    EXPECT_EQ(dir.Read("registry.reg").find("Install Directory"), std::string::npos);   // derived, not written

    // The logbook of a write lands in the user's copy.
    Logbook book(Logbook::FolderFor(app.settingsFilePath));
    LogEntry entry;
    entry.operation = logbook::kWrite;
    entry.result = logbook::kComplete;
    std::string error;
    ASSERT_TRUE(book.Add(entry, error)) << error;
    EXPECT_TRUE(FileExists(User() + "/T26/WORK/LOGBOOK/000001.log"));
    app.ExitInstance();
}

TEST_F(PackageStartTest, TheUsersChangesStayANewerPackageFileReplacesTheCopy) {
    RegistryWithMachine("");
    {
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(host));
        app.ExitInstance();
    }
    dir.Write("data/orvandel/T26/RV_Tune.INI", "[RS232C]\nTIMEOUT=35\n");   // saved by the user now
    Ship("T26/RV_Tune.INI", "[RS232C]\nTIMEOUT=99\n", 2000000);               // an update, older than the save
    Ship("T26/RV_Tune.STZ", "[Free Map]\n9000,9FFF,0\n", 2000000);            // an update of an untouched file
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.readTimeout, 35);
    EXPECT_EQ(dir.Read("data/orvandel/T26/RV_Tune.STZ"), "[Free Map]\n9000,9FFF,0\n");
    app.ExitInstance();
}

TEST_F(PackageStartTest, AStaleRecordGivesWayToTheUsersCopy) {
    dir.Write("emptied/.keep", "");
    dir.Write("setup-install/MCN_LIST.DAT", "'26 Test(T26),TEVARLON,T26\n");
    dir.Write("setup-install/RV_Tune", "the program");
    dir.Write("setup-install/T26/RV_Tune.INI", "[RS232C]\n");
    dir.Write("setup-install/T26/RV_Tune.STZ", "[Free Map]\n8000,8FFF,0\n");
    dir.Write("data/orvandel/.keep", "");
    struct Case { std::string recorded; std::string used; };
    const Case cases[] = {
        {dir.File("usr/share/orvandel"), User()},     // the shipped folder itself: not writable
        {dir.File("usr/share/orvandel/"), User()},
        {dir.File("uninstalled"), User()},             // setup /R removed it
        {dir.File("emptied"), User()},                 // no machine list, no program
        {dir.File("setup-install"), dir.File("setup-install")},   // an installation of the user's
    };
    for (const Case& c : cases) {
        RegistryWithMachine("\"Install Directory\"=\"" + c.recorded + "\"\n");
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(host)) << c.recorded << ": " << (prompt.shown.empty() ? "" : prompt.Last().text);
        EXPECT_EQ(app.registry.installDirectory, c.used) << c.recorded;
        app.ExitInstance();
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PackageStartTest, AFolderTheCopyCannotUseLeavesTheShippedMachinesReadOnly) {
    ASSERT_EQ(::mkdir(dir.File("data/orvandel").c_str(), 0777), 0);
    ::chmod(dir.File("data/orvandel").c_str(), 0777);   // another user could plant settings there
    RegistryWithMachine("");
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.registry.installDirectory, Shipped());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
    EXPECT_NE(prompt.Last().text.find("every user may write"), std::string::npos) << prompt.Last().text;
    EXPECT_FALSE(FileExists(dir.File("data/orvandel/MCN_LIST.DAT")));
    app.ExitInstance();
}

TEST_F(PackageStartTest, AMachineWithoutItsFilesLeadsToMachineSelect) {
    ::unlink(dir.File("usr/share/orvandel/OTH20/RV_Tune.STZ").c_str());
    struct Case { const char* recorded; const char* missing; };
    const Case cases[] = {
        {"GONE", "RV_Tune.ini is not exist."},     // a machine this installation does not have
        {"OTH20", "Setup file is not exist."},     // its definition is gone
    };
    for (const Case& c : cases) {
        RegistryWithMachine("", c.recorded);
        const std::string before = dir.Read("registry.reg");
        // Without a dialog: what is missing and how to choose, exit 2, nothing written.
        {
            CQelApp app(Options());
            EXPECT_FALSE(app.InitInstance(host));
            EXPECT_EQ(app.ExitCode(), 2);
            ASSERT_FALSE(prompt.shown.empty());
            EXPECT_EQ(prompt.Last().text.rfind(c.missing, 0), 0u) << prompt.Last().text;
            EXPECT_NE(prompt.Last().text.find("RV_TUNE_MACHINE"), std::string::npos);
            EXPECT_EQ(dir.Read("registry.reg"), before);
        }
        // With one: the choice starts afresh and the machine picked runs.
        PickingHost picking(prompt);
        picking.pick = "T26";
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(picking)) << prompt.Last().text;
        EXPECT_EQ(picking.selects, 1);
        EXPECT_TRUE(picking.startedEmpty);
        EXPECT_EQ(app.settingsFilePath, User() + "/T26/RV_Tune.INI");
        RegistrySettings reread;
        reread.LoadRegistrySettings(RegistryStore(dir.File("registry.reg")));
        EXPECT_EQ(reread.machineFolder, "T26");
        app.ExitInstance();
    }
}

TEST(ChooseInstallFolderTest, TheRecordWhileItIsAnInstallationElseTheUsersCopyOrTheProgramsFolder) {
    TempDir dir;
    for (const char* folder : {"setup-install", "usr/share/orvandel", "other-install"})
        dir.Write(std::string(folder) + "/MCN_LIST.DAT", "'26 Test(T26),TEVARLON,T26\n");
    for (const char* program : {"setup-install/RV_Tune", "other-install/RV_Tune", "usr/lib/orvandel/RV_Tune"})
        dir.Write(program, "the program");
    dir.Write("build/bin/RV_Tune", "the program");
    const std::string packaged = dir.File("usr/lib/orvandel/RV_Tune");
    const std::string shipped = Real(dir.File("usr/share/orvandel"));
    const std::string user = dir.File("data/orvandel");
    struct Case { std::string recorded; std::string program; std::string userFolder; InstallChoice wanted; };
    const Case cases[] = {
        {dir.File("setup-install"), packaged, user, {dir.File("setup-install"), ""}},
        {shipped, packaged, user, {user, shipped}},
        {dir.File("gone"), packaged, user, {user, shipped}},
        {"", packaged, user, {user, shipped}},
        {"", packaged, "", {shipped, ""}},   // no home: the shipped machines as they are
        {dir.File("gone"), dir.File("other-install/RV_Tune"), user, {dir.File("other-install"), ""}},
        {dir.File("gone"), dir.File("build/bin/RV_Tune"), user, {dir.File("gone"), ""}},
        {"", dir.File("build/bin/RV_Tune"), user, {"", ""}},
    };
    for (const Case& c : cases) {
        const InstallChoice choice = ChooseInstallFolder(c.recorded, c.program, "RV_Tune", c.userFolder);
        EXPECT_EQ(choice.folder, c.wanted.folder) << c.recorded << " / " << c.program;
        EXPECT_EQ(choice.shipped, c.wanted.shipped) << c.recorded << " / " << c.program;
    }
}

TEST(UserInstallFolderTest, DataHomeWhenAbsoluteElseTheHomeFolder) {
    struct Case { const char* dataHome; const char* home; const char* wanted; };
    const Case cases[] = {
        {"/x/data", "/home/u", "/x/data/orvandel"},
        {"relative", "/home/u", "/home/u/.local/share/orvandel"},
        {"", "/home/u", "/home/u/.local/share/orvandel"},
        {nullptr, "/home/u/", "/home/u/.local/share/orvandel"},
    };
    for (const Case& c : cases) {
        EnvOverride data("XDG_DATA_HOME", c.dataHome);
        EnvOverride home("HOME", c.home);
        EXPECT_EQ(UserInstallFolder(), c.wanted) << (c.dataHome ? c.dataHome : "(unset)");
    }
}

}  // namespace
