#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/MachineList.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

TEST(SettingsCodesTest, TextsMapToTheCodesTheLinkUses) {
    struct Case { int (*code)(const std::string&); const char* text; int expected; };
    const Case cases[] = {
        {SpeedCode, "600", 0},     {SpeedCode, "1200", 1},   {SpeedCode, "2400", 2},
        {SpeedCode, "4800", 3},    {SpeedCode, "38400", 3},  {SpeedCode, "9600", 4},
        {SpeedCode, "19200", 5},   {SpeedCode, "", 3},       {SpeedCode, " 9600", 3},
        {DataBitsCode, "7", 0},    {DataBitsCode, "7BIT", 0}, {DataBitsCode, "", 1},
        {DataBitsCode, "8BIT", 1}, {ParityCode, "ODD", 1},   {ParityCode, "EVEN", 2},
        {ParityCode, "even", 0},   {ParityCode, "NO", 0},    {ParityCode, "NON", 0},
        {StopBitsCode, "1.5BIT", 1}, {StopBitsCode, "2BIT", 2}, {StopBitsCode, "1", 0},
        {StopBitsCode, "1.", 0},   {StopBitsCode, "", 0},    {FlowCode, "NO", 1},
        {FlowCode, "no", 0},       {FlowCode, "YES", 0},     {FlowCode, "NO ", 0},
        {PortCode, "PORT1", 0},    {PortCode, "PORT8", 7},   {PortCode, "PORT9", -1},
        {PortCode, "PORT0", -1},   {PortCode, "port1", -1},  {PortCode, "PORT10", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code(c.text), c.expected) << c.text;
}

// A host whose Machine Select dialog closes without a choice.
struct ClosingSelectHost : HeadlessHost {
    using HeadlessHost::HeadlessHost;
    MachineSelectResult RunMachineSelect(CQelApp&) override {
        ++selects;
        return MachineSelectResult::kClosed;
    }
    int selects = 0;
};

// An installation tree with a registry file of its own.
struct StartupTest : ::testing::Test {
    TempDir dir;
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    EnvOverride tmp{"TMPDIR", dir.File("tmp")};

    void SetUp() override { dir.Write("tmp/.keep", ""); }

    void Registry(const std::string& extra = "") {
        dir.Write("registry.reg", TestRegistryText(TestInstallValues(dir.File("install")) +
                                                   "\"MachineName\"=\"'26 Test(T26)\"\n"
                                                   "\"MachineFolder\"=\"T26\"\n"
                                                   "\"InitializeFolder\"=\"C:\\\\Tool\\\\T26\"\n"
                                                   "\"SettingFolder\"=\"T26\"\n" +
                                                   extra));
    }
    void Install(const std::string& ini) {
        dir.Write("install/T26/rv_tune.ini", ini);
        dir.Write("install/T26/RV_Tune.stz", "[Free Map]\n8000,8FFF,0\n");
    }
    AppOptions Options(const std::string& commandLine = "") {
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        options.commandLine = commandLine;
        return options;
    }
};

TEST_F(StartupTest, MissingSettingsFileStopsWithExitCodeZero) {
    // Machine Select comes first, and closes without a machine that has one.
    Registry();
    ClosingSelectHost closing(prompt);
    CQelApp app(Options());
    EXPECT_FALSE(app.InitInstance(closing));
    EXPECT_EQ(closing.selects, 1);
    EXPECT_EQ(app.ExitCode(), 0);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "RV_Tune.ini is not exist.");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
    EXPECT_FALSE(app.HasImage());
}

TEST_F(StartupTest, MissingMachineIsAConfigurationErrorWithoutADialog) {
    CQelApp app(Options());   // no registry file at all
    EXPECT_FALSE(app.InitInstance(host));
    EXPECT_EQ(app.ExitCode(), 2);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);

    // SettingFolder empty counts as no machine, before the settings are searched.
    dir.Write("registry.reg", TestRegistryText("\"MachineName\"=\"X\"\n\"MachineFolder\"=\"T26\"\n"
                                               "\"InitializeFolder\"=\"T26\"\n"));
    CQelApp again(Options());
    EXPECT_FALSE(again.InitInstance(host));
    EXPECT_EQ(again.ExitCode(), 2);
}

TEST_F(StartupTest, EmptyInstallDirectoryNeverSearchesTheWorkingFolder) {
    // Install Directory + "/" + InitializeFolder: with no install directory the
    // folder hangs off the root, so a T26 folder in the working folder is not it.
    dir.Write("registry.reg", TestRegistryText("\"MachineName\"=\"X\"\n\"MachineFolder\"=\"T26\"\n"
                                               "\"InitializeFolder\"=\"T26\"\n"
                                               "\"SettingFolder\"=\"T26\"\n"));
    Install("[RS232C]\n");
    const std::string here = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(dir.File("install").c_str()), 0);
    ClosingSelectHost closing(prompt);
    CQelApp app(Options());
    const bool started = app.InitInstance(closing);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    EXPECT_FALSE(started);
    EXPECT_EQ(app.ExitCode(), 0);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "RV_Tune.ini is not exist.");
}

TEST_F(StartupTest, SettingsFileFillsTheApplicationObject) {
    Registry();
    Install("[RS232C]\nMESSAGE=1\nSPEED=38400\nDATA=7BIT\nPARITY=EVEN\nSTOP=1.5BIT\nXFLLOW=no\n"
            "PORT=PORT3\nTIMEOUT=20\nWAITTIME=250\nRETRY=2\nECRETRY=1\n"
            "[undo]\nsize=64\n[PRECISION]\nX=0\nY=3\n[PRINT]\nLEFT=5\nLINE=-2\n"
            "[DIRECTORY]\nPATH1=/data/cal\n");
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host)) << (prompt.shown.empty() ? "" : prompt.Last().text);
    EXPECT_TRUE(app.messageFlag);
    EXPECT_EQ(app.undoSize, 64);
    EXPECT_EQ(app.speedCode, 3);
    EXPECT_EQ(app.dataBitsCode, 0);
    EXPECT_EQ(app.parityCode, 2);
    EXPECT_EQ(app.stopBitsCode, 1);
    EXPECT_EQ(app.flowCode, 0);
    EXPECT_EQ(app.portCode, 2);
    EXPECT_EQ(app.readTimeout, 20);
    EXPECT_EQ(app.waitTime, 250);
    EXPECT_EQ(app.retryCount, 2);
    EXPECT_EQ(app.ecRetryCount, 1);
    EXPECT_EQ(app.formats.x, "%.0f");
    EXPECT_EQ(app.formats.y, "%.3f");
    EXPECT_EQ(app.formats.z, "%.1f");
    EXPECT_EQ(app.printLeft, 5);
    EXPECT_EQ(app.printLine, -2);
    EXPECT_EQ(app.defaultFolder, "/data/cal");
    EXPECT_EQ(app.settingsFilePath, dir.File("install/T26/rv_tune.ini"));
    EXPECT_EQ(app.commandSetSelector, kCommandSetB);
    EXPECT_EQ(app.commandSetB.at('R'), 'Y');
    EXPECT_EQ(app.commandSetA.at('m'), 'm');
    EXPECT_EQ(app.commandSetB.size(), 11u);
    ASSERT_TRUE(app.HasImage());
    EXPECT_EQ(app.image()[0x1234], 0);
    EXPECT_FALSE(host.batchPosted);
    EXPECT_TRUE(prompt.shown.empty());
    app.ExitInstance();
    EXPECT_FALSE(app.HasImage());
}

TEST_F(StartupTest, GarbageSettingsGiveTheDefaults) {
    Registry();
    Install(std::string("\x01\x02[RS232C\nSPEED\n") + std::string(100000, 'z') +
            "\n[RS232C]\nTIMEOUT=abc\n[RS232C]\nTIMEOUT=7\n" + std::string("\0\xff\n", 3));
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.speedCode, 3);
    EXPECT_EQ(app.dataBitsCode, 1);
    EXPECT_EQ(app.flowCode, 0);
    EXPECT_EQ(app.portCode, -1);
    EXPECT_EQ(app.readTimeout, 0);   // "abc": no digits; the first section wins
    EXPECT_EQ(app.undoSize, 1024);
    EXPECT_EQ(app.formats.y, "%.1f");
}

TEST_F(StartupTest, EffectivePortComesFromTheRegistryOrIsWrittenThere) {
    Registry("\"Rs232cPort\"=dword:00000004\n");
    Install("[RS232C]\nPORT=PORT2\n");
    {
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(host));
        EXPECT_EQ(app.portCode, 4);
    }
    Registry();
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    EXPECT_EQ(app.portCode, 1);
    RegistrySettings reread;
    ASSERT_EQ(reread.LoadRegistrySettings(RegistryStore(dir.File("registry.reg"))), 0);
    EXPECT_EQ(reread.rs232cPort, 1);
    EXPECT_EQ(reread.machineName, "'26 Test(T26)");   // other values kept
}

TEST_F(StartupTest, CommandLineSplitsAtTheFirstBlank) {
    Registry();
    Install("[RS232C]\n");
    struct Case { const char* line; const char* first; const char* second; bool batch; };
    const Case cases[] = {
        {"in.qsd out.txt", "in.qsd", "out.txt", true},
        {"in.qsd", "", "", false},
        {" out.txt", "", "out.txt", true},
        {"a b c", "a", "b c", true},
        {"", "", "", false},
    };
    for (const Case& c : cases) {
        HeadlessHost quiet(prompt);
        CQelApp app(Options(c.line));
        ASSERT_TRUE(app.InitInstance(quiet)) << c.line;
        EXPECT_EQ(app.firstPart, c.first) << c.line;
        EXPECT_EQ(app.secondPart, c.second) << c.line;
        EXPECT_EQ(quiet.batchPosted, c.batch) << c.line;
    }
}

TEST_F(StartupTest, TwoArgumentsAreTheTwoFileNamesAsGiven) {
    Registry();
    Install("[RS232C]\n");
    struct Case {
        std::vector<std::string> arguments;
        const char* first;
        const char* second;
        bool batch;
    };
    const Case cases[] = {
        {{"my cal.qsd", "out put.txt"}, "my cal.qsd", "out put.txt", true},
        {{"it's \"$HOME\".qsd", " lead"}, "it's \"$HOME\".qsd", " lead", true},
        {{"", "out.txt"}, "", "out.txt", true},
        {{"", ""}, "", "", false},
        // Three or more keep the one line split at its first blank.
        {{"a", "b", "c"}, "a", "b c", true},
    };
    for (const Case& c : cases) {
        AppOptions options = Options();
        for (const std::string& argument : c.arguments) {
            if (!options.arguments.empty()) options.commandLine += ' ';
            options.commandLine += argument;
            options.arguments.push_back(argument);
        }
        HeadlessHost quiet(prompt);
        CQelApp app(options);
        ASSERT_TRUE(app.InitInstance(quiet)) << options.commandLine;
        EXPECT_EQ(app.firstPart, c.first) << options.commandLine;
        EXPECT_EQ(app.secondPart, c.second) << options.commandLine;
        EXPECT_EQ(quiet.batchPosted, c.batch) << options.commandLine;
    }
}

TEST_F(StartupTest, OneArgumentIsADataFileToOpenWhole) {
    Registry();
    Install("[RS232C]\n");
    // The file a desktop passes for a double click: never split, never a
    // conversion, whatever it holds.
    const char* const files[] = {"/home/rider/x.qsd copy.qsd", "cal.qsd", " lead.qsd", "-x.qsd"};
    for (const char* file : files) {
        AppOptions options = Options(file);
        options.arguments = {file};
        HeadlessHost quiet(prompt);
        CQelApp app(options);
        ASSERT_TRUE(app.InitInstance(quiet)) << file;
        EXPECT_EQ(app.openAtStart, file);
        EXPECT_EQ(app.firstPart, "") << file;
        EXPECT_EQ(app.secondPart, "") << file;
        EXPECT_FALSE(quiet.batchPosted) << file;
    }
    // Nothing to open for an empty argument, or beside a conversion.
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{""}, {"in.qsd", "out.txt"}}) {
        AppOptions options = Options();
        options.arguments = arguments;
        HeadlessHost quiet(prompt);
        CQelApp app(options);
        ASSERT_TRUE(app.InitInstance(quiet));
        EXPECT_EQ(app.openAtStart, "");
    }
}

TEST_F(StartupTest, ExitRemovesTheTemporaryDefinition) {
    Registry();
    Install("[RS232C]\n");
    CQelApp app(Options());
    ASSERT_TRUE(app.InitInstance(host));
    ASSERT_FALSE(app.tempDefinitionPath.empty());
    EXPECT_EQ(app.tempDefinitionPath, dir.File("tmp/mzost0.tmp"));
    EXPECT_TRUE(FileExists(app.tempDefinitionPath));
    app.ExitInstance();
    EXPECT_FALSE(FileExists(app.tempDefinitionPath));
}

}  // namespace

namespace {

TEST_F(StartupTest, RvTuneMachineChoosesTheMachineForOneRunAndWritesNothing) {
    dir.Write("registry.reg", TestRegistryText(TestInstallValues(dir.File("install"))));
    dir.Write("install/MCN_LIST.DAT", "'20 Other(OTH20),TEVARLON,OTH20\n'26 Test(T26),TEVARLON,T26,480\n");
    Install("[RS232C]\n");
    const std::string before = dir.Read("registry.reg");
    {
        EnvOverride machine("RV_TUNE_MACHINE", "t26");
        CQelApp app(Options());
        ASSERT_TRUE(app.InitInstance(host)) << (prompt.shown.empty() ? "" : prompt.Last().text);
        EXPECT_EQ(app.registry.machineName, "'26 Test(T26)");
        EXPECT_EQ(app.registry.settingFolder, "T26");
        EXPECT_EQ(app.registry.readEcuNum, 31);
        app.ExitInstance();
    }
    EXPECT_EQ(dir.Read("registry.reg").find("MachineName"), std::string::npos);
    EXPECT_EQ(dir.Read("registry.reg").substr(0, before.size()), before);

    EnvOverride unknown("RV_TUNE_MACHINE", "XYZ99");
    CQelApp app(Options());
    EXPECT_FALSE(app.InitInstance(host));
    EXPECT_EQ(app.ExitCode(), 2);
    EXPECT_NE(prompt.Last().text.find("XYZ99"), std::string::npos);
}

TEST(ShippedMachinesFolderTest, BesideTheProgramsOrOneLevelUp) {
    TempDir dir;
    EXPECT_EQ(ShippedMachinesFolder(dir.File("usr/bin/rvtune")), "");
    EXPECT_EQ(ShippedMachinesFolder("rvtune"), "");
    dir.Write("usr/share/orvandel/MCN_LIST.DAT", "'26 Test(T26),TEVARLON,T26\n");
    dir.Write("usr/bin/.keep", "");
    dir.Write("usr/lib/orvandel/.keep", "");
    const std::string shipped = std::filesystem::canonical(dir.File("usr/share/orvandel")).string();
    EXPECT_EQ(ShippedMachinesFolder(dir.File("usr/bin/rvtune")), shipped);
    EXPECT_EQ(ShippedMachinesFolder(dir.File("usr/lib/orvandel/RV_Tune")), shipped);
    EXPECT_EQ(ShippedMachinesFolder(dir.File("opt/bin/rvtune")), "");
}

}  // namespace
