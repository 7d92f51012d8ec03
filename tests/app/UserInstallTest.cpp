#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "app/UserInstall.h"
#include "config/MachineList.h"
#include "ecu/Logbook.h"
#include "platform/PathSearch.h"
#include "platform/TreeCopy.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

std::string Real(const std::string& path) { return std::filesystem::canonical(path).string(); }

void SetTime(const std::string& path, long long seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Machine Select as the user answers it: picks the machine whose folder is pick.
struct PickingHost : HeadlessHost {
    using HeadlessHost::HeadlessHost;
    MachineSelectResult RunMachineSelect(CQelApp& app) override {
        startedEmpty = app.registry.machineName.empty();
        const auto entries = ReadMachineList(JoinPath(app.registry.installDirectory, "MCN_LIST.DAT"));
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].folder == pick) MachineSelectOk(entries, int(i), app.registry, app.registryStore(), Prompt());
        return MachineSelectResult::kClosed;
    }
    std::string pick;
    bool startedEmpty = false;
};

// The package laid out in a folder of its own (usr/lib/orvandel/RV_Tune,
// usr/share/orvandel with machines T26 and OTH20), $XDG_DATA_HOME beside it.
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
        for (const std::string folder : {"T26", "OTH20"}) {
            Ship(folder + "/RV_Tune.INI", "[RS232C]\nTIMEOUT=20\n");
            Ship(folder + "/RV_Tune.STZ", "[Free Map]\n8000,8FFF,0\n");
        }
    }
    void Ship(const std::string& name, const std::string& content, long long time = 1000000) {
        SetTime(dir.Write("usr/share/orvandel/" + name, content), time);
    }
    void Registry(const std::string& folder, const std::string& installValue = "") {
        dir.Write("registry.reg", TestRegistryText(installValue + "\"MachineName\"=\"The Machine\"\n\"MachineFolder\"=\"" +
                                                   folder + "\"\n\"InitializeFolder\"=\"" + folder +
                                                   "\"\n\"SettingFolder\"=\"" + folder + "\"\n"));
    }
    AppOptions Options() const {
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        options.programPath = dir.File("usr/lib/orvandel/RV_Tune");
        return options;
    }
    std::string User() const { return Real(dir.File("data/orvandel")); }
    bool Copy() const {
        TreeCopyResult result;
        return CopyTreeByTime(dir.File("usr/share/orvandel"), dir.File("data/orvandel"), result);
    }
};

TEST_F(PackageStartTest, TheUserWorksInACopyThatKeepsTheirChangesAndTakesNewerShippedFiles) {
    Registry("T26", "\"Install Directory\"=\"" + dir.File("usr/share/orvandel") + "\"\n");   // a stale record
    {
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(host)) << (prompt.shown.empty() ? "" : prompt.Last().text);
        EXPECT_EQ(app.registry.installDirectory, User());
        EXPECT_EQ(app.settingsFilePath, User() + "/T26/RV_Tune.INI");
        EXPECT_EQ(dir.Read("data/orvandel/OTH20/RV_Tune.STZ"), "[Free Map]\n8000,8FFF,0\n");
        // A write's logbook lands in the copy.
        Logbook book(Logbook::FolderFor(app.settingsFilePath));
        LogEntry entry;
        entry.operation = logbook::kWrite;
        entry.result = logbook::kComplete;
        std::string error;
        ASSERT_TRUE(book.Add(entry, error)) << error;
        EXPECT_TRUE(FileExists(User() + "/T26/WORK/LOGBOOK/000001.log"));
        app.ExitInstance();
    }
    dir.Write("data/orvandel/T26/RV_Tune.INI", "[RS232C]\nTIMEOUT=35\n");   // saved by the user now
    Ship("T26/RV_Tune.INI", "[RS232C]\nTIMEOUT=99\n", 2000000);               // an update older than the save
    Ship("T26/RV_Tune.STZ", "[Free Map]\n9000,9FFF,0\n", 2000000);            // an update of an untouched file
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.readTimeout, 35);
    EXPECT_EQ(dir.Read("data/orvandel/T26/RV_Tune.STZ"), "[Free Map]\n9000,9FFF,0\n");
    EXPECT_EQ(dir.Read("registry.reg").find(User()), std::string::npos);   // derived, never written
    EXPECT_TRUE(prompt.shown.empty());
    app.ExitInstance();
}

TEST_F(PackageStartTest, AFolderTheCopyCannotUseLeavesTheShippedMachinesReadOnly) {
    ASSERT_EQ(::mkdir(dir.File("data/orvandel").c_str(), 0700), 0);
    ::chmod(dir.File("data/orvandel").c_str(), 0777);   // another user could plant settings there
    Registry("T26");
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.registry.installDirectory, Real(dir.File("usr/share/orvandel")));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.Last().text.find("every user may write"), std::string::npos) << prompt.Last().text;
    app.ExitInstance();
}

TEST_F(PackageStartTest, AMachineWithoutItsFilesLeadsToMachineSelect) {
    ::unlink(dir.File("usr/share/orvandel/OTH20/RV_Tune.STZ").c_str());
    struct Case { const char* recorded; const char* missing; };
    const Case cases[] = {{"GONE", "RV_Tune.ini is not exist."}, {"OTH20", "Setup file is not exist."}};
    for (const Case& c : cases) {
        Registry(c.recorded);
        const std::string before = dir.Read("registry.reg");
        {   // Without a dialog: what is missing and how to choose, exit 2, nothing written.
            CQelApp app(Options());
            EXPECT_FALSE(app.InitInstance(host));
            EXPECT_EQ(app.ExitCode(), 2);
            EXPECT_EQ(prompt.Last().text.rfind(c.missing, 0), 0u) << prompt.Last().text;
            EXPECT_NE(prompt.Last().text.find("RV_TUNE_MACHINE"), std::string::npos);
            EXPECT_EQ(dir.Read("registry.reg"), before);
        }
        // With one: the choice starts afresh and the machine picked runs.
        PickingHost picking(prompt);
        picking.pick = "T26";
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(picking)) << prompt.Last().text;
        EXPECT_TRUE(picking.startedEmpty);
        EXPECT_EQ(app.settingsFilePath, User() + "/T26/RV_Tune.INI");
        EXPECT_NE(dir.Read("registry.reg").find("\"MachineFolder\"=\"T26\""), std::string::npos);
        app.ExitInstance();
    }
}

TEST_F(PackageStartTest, LinksPlantedInTheCopyAreNeverFollowed) {
    ASSERT_TRUE(Copy());
    const std::string outside = dir.Write("outside/secret", "keep me\n");
    dir.Write("outside/folder/.keep", "");
    SetTime(outside, 500);   // older than the shipped file: a copy through the link would replace it
    struct stat before {}, after {};
    ::lstat(outside.c_str(), &before);
    // A link where a file goes, where a folder goes, and one to nowhere.
    std::filesystem::remove_all(User() + "/OTH20");
    for (const char* name : {"/T26/RV_Tune.INI", "/MCN_LIST.DAT"}) ::unlink((User() + name).c_str());
    ASSERT_EQ(::symlink(outside.c_str(), (User() + "/T26/RV_Tune.INI").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("outside/folder").c_str(), (User() + "/OTH20").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("outside/new").c_str(), (User() + "/MCN_LIST.DAT").c_str()), 0);
    Ship("T26/RV_Tune.INI", "[RS232C]\n", 9000000);   // newer: would be copied over a file

    ASSERT_TRUE(Copy());
    ::lstat(outside.c_str(), &after);
    EXPECT_EQ(dir.Read("outside/secret"), "keep me\n");
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_FALSE(std::filesystem::exists(dir.File("outside/folder/RV_Tune.INI")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("outside/new"))));
    EXPECT_TRUE(std::filesystem::is_symlink(User() + "/T26/RV_Tune.INI"));   // the user's link stays
}

TEST_F(PackageStartTest, ProgramsStartingTogetherLeaveWholeFiles) {
    // Each copier writes temporary files of its own and renames them into
    // place: whichever rename comes last, every name holds a whole file.
    const std::string big(200000, 'x');
    Ship("T26/big.qsd", big);
    pid_t children[4];
    for (pid_t& child : children)
        if ((child = ::fork()) == 0) ::_exit(Copy() ? 0 : 1);
    for (const pid_t child : children) {
        int status = 1;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(dir.Read("data/orvandel/T26/big.qsd"), big);
    EXPECT_EQ(dir.Read("data/orvandel/T26/RV_Tune.STZ"), "[Free Map]\n8000,8FFF,0\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(User()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(ChooseInstallFolderTest, TheRecordWhileItIsAnInstallationElseTheUsersCopy) {
    TempDir dir;
    for (const char* name : {"setup-install/MCN_LIST.DAT", "setup-install/RV_Tune", "usr/share/orvandel/MCN_LIST.DAT",
                             "usr/lib/orvandel/RV_Tune", "emptied/.keep"})
        dir.Write(name, "");
    const std::string packaged = dir.File("usr/lib/orvandel/RV_Tune");
    const std::string shipped = Real(dir.File("usr/share/orvandel")), user = dir.File("data/orvandel");
    struct Case { std::string recorded; std::string program; std::string userFolder; InstallChoice wanted; };
    const Case cases[] = {
        {dir.File("setup-install"), packaged, user, {dir.File("setup-install"), ""}},
        {dir.File("emptied"), packaged, user, {user, shipped}},  // uninstalled
        {"", packaged, "", {shipped, ""}},                       // no home: the shipped machines as they are
        {dir.File("emptied"), dir.File("build/RV_Tune"), user, {dir.File("emptied"), ""}},
    };
    for (const Case& c : cases) {
        const InstallChoice choice = ChooseInstallFolder(c.recorded, c.program, "RV_Tune", c.userFolder);
        EXPECT_EQ(choice.folder, c.wanted.folder) << c.recorded;
        EXPECT_EQ(choice.shipped, c.wanted.shipped) << c.recorded;
    }
}

}  // namespace
