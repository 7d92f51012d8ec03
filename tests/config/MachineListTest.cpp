#include <gtest/gtest.h>

#include "config/MachineList.h"
#include "config/RegistrySettings.h"
#include "platform/RegistryStore.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

namespace {

TEST(MachineListTest, LinesAreSplitAndCheckedLikeTheInstallerWritesThem) {
    struct Case { const char* line; bool valid; const char* title; const char* folder; int readCount; };
    const Case cases[] = {
        {"'26 Kestrel(K26),ORV,K26,480", true, "'26 Kestrel(K26)", "K26", 31},
        {"'26 Kestrel(K26),ORV,K26", true, "'26 Kestrel(K26)", "K26", 30},
        {"'26 Kestrel(K26),ORV,K26,", true, "'26 Kestrel(K26)", "K26", 30},
        {"'26 Kestrel(K26),ORV,K26,0", true, "'26 Kestrel(K26)", "K26", 1},
        {"'26 Kestrel(K26),ORV,K26,8", true, "'26 Kestrel(K26)", "K26", 1},
        {"'26 Kestrel(K26),ORV,K26,32,extra", true, "'26 Kestrel(K26)", "K26", 3},
        {"'26 Kestrel(K26),ORV,K26,-16", true, "'26 Kestrel(K26)", "K26", 30},
        {"'26 Kestrel(K26),ORV,K26,12x", true, "'26 Kestrel(K26)", "K26", 1},
        {"'26 Kestrel(K26),ORV,K26,99999999999999999999", true, "'26 Kestrel(K26)", "K26", 6250000},
        {"A,B,C\r", true, "A", "C", 30},
        {" A , B , C ", true, " A ", " C ", 30},   // not trimmed
        {"no commas at all", false, "", "", 0},
        {"one,comma", false, "", "", 0},
        {",ORV,K26", false, "", "", 0},
        {"T,,K26", false, "", "", 0},
        {"T,ORV,", false, "", "", 0},
        {"T,ORV,,480", false, "", "", 0},
        {"", false, "", "", 0},
    };
    for (const Case& c : cases) {
        auto entry = ParseMachineLine(c.line);
        ASSERT_EQ(entry.has_value(), c.valid) << c.line;
        if (!entry) continue;
        EXPECT_EQ(entry->title, c.title) << c.line;
        EXPECT_EQ(entry->folder, c.folder) << c.line;
        EXPECT_EQ(entry->readCount, c.readCount) << c.line;
    }
}

TEST(MachineListTest, FileKeepsOrderAndSkipsBadLines) {
    TempDir dir;
    std::string path = dir.Write("MCN_LIST.DAT", "First,M,F1,480\r\nbroken line\r\n\r\nSecond,M,F2\n"
                                                 + std::string(100000, ',') + "\nThird,M,F3");
    auto entries = ReadMachineList(path);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].title, "First");
    EXPECT_EQ(entries[1].folder, "F2");
    EXPECT_EQ(entries[2].title, "Third");
    EXPECT_TRUE(ReadMachineList(dir.File("missing.dat")).empty());
}

struct MachineSelectTest : ::testing::Test {
    TempDir dir;
    RegistryStore store{dir.File("registry.reg")};
    RegistrySettings settings;
    RecordingPrompt prompt;
    std::vector<MachineEntry> entries{*ParseMachineLine("Alpha,M,FA,480"),
                                      *ParseMachineLine("Beta,M,FB")};

    std::string Value(const char* name) {
        auto value = store.Query(ProgramRegistryKey(), name);
        if (!value) return "<missing>";
        return std::string(value->data.begin(), value->data.end());
    }
};

TEST_F(MachineSelectTest, FirstStartRecordsTheMachineWithoutAsking) {
    EXPECT_EQ(MachineSelectOk(entries, 0, settings, store, prompt), MachineSelectStep::kCloseOk);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(settings.machineName, "Alpha");
    EXPECT_EQ(settings.readEcuNum, 31);
    EXPECT_TRUE(settings.HasMachine());
    RegistrySettings reread;
    ASSERT_EQ(reread.LoadRegistrySettings(store), 0);
    EXPECT_EQ(reread.machineName, "Alpha");
    EXPECT_EQ(reread.machineFolder, "FA");
    EXPECT_EQ(reread.initializeFolder, "FA");
    EXPECT_EQ(reread.settingFolder, "FA");
    EXPECT_EQ(reread.readEcuNum, 31);
}

TEST_F(MachineSelectTest, ChangingTheMachineAsksFirstAndCancelChangesNothing) {
    ASSERT_EQ(MachineSelectOk(entries, 0, settings, store, prompt), MachineSelectStep::kCloseOk);
    prompt.answers = {PromptAnswer::kCancel};
    EXPECT_EQ(MachineSelectOk(entries, 1, settings, store, prompt), MachineSelectStep::kStayOpen);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().caption, "Orvandel");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kInformation);
    EXPECT_EQ(prompt.Last().buttons, PromptButtons::kOkCancel);
    EXPECT_NE(prompt.Last().text.find("after restart Orvandel."), std::string::npos);
    EXPECT_EQ(settings.machineName, "Alpha");

    prompt.answers = {PromptAnswer::kOk};
    EXPECT_EQ(MachineSelectOk(entries, 1, settings, store, prompt), MachineSelectStep::kCloseOk);
    EXPECT_EQ(settings.machineName, "Beta");
    EXPECT_EQ(Value("SettingFolder"), std::string("FB") + '\0');
}

TEST_F(MachineSelectTest, ReselectingTheRecordedMachineClosesWithoutAskingOrWriting) {
    ASSERT_EQ(MachineSelectOk(entries, 0, settings, store, prompt), MachineSelectStep::kCloseOk);
    std::string before = dir.Read("registry.reg");
    EXPECT_EQ(MachineSelectOk(entries, 0, settings, store, prompt), MachineSelectStep::kCloseOk);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(dir.Read("registry.reg"), before);
    EXPECT_EQ(MachineSelectOk(entries, -1, settings, store, prompt), MachineSelectStep::kStayOpen);
    EXPECT_EQ(MachineSelectOk({}, 0, settings, store, prompt), MachineSelectStep::kStayOpen);
}

TEST_F(MachineSelectTest, CancelWithoutAMachineAsksWhetherToExit) {
    prompt.answers = {PromptAnswer::kCancel, PromptAnswer::kOk};
    EXPECT_EQ(MachineSelectCancel(settings, prompt), MachineSelectStep::kStayOpen);
    EXPECT_EQ(MachineSelectCancel(settings, prompt), MachineSelectStep::kExitProcess);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
    EXPECT_EQ(prompt.Last().text.rfind("Target machine is not selected.", 0), 0u);

    ASSERT_EQ(MachineSelectOk(entries, 1, settings, store, prompt), MachineSelectStep::kCloseOk);
    EXPECT_EQ(MachineSelectCancel(settings, prompt), MachineSelectStep::kCloseCancel);
    EXPECT_EQ(prompt.shown.size(), 2u);
}

TEST_F(MachineSelectTest, UnwritableRegistryRecordsNothing) {
    RegistryStore blocked(dir.Write("file", "x") + "/registry.reg");   // parent is a file
    EXPECT_EQ(MachineSelectOk(entries, 0, settings, blocked, prompt), MachineSelectStep::kCloseOk);
    EXPECT_FALSE(settings.HasMachine());
    EXPECT_TRUE(settings.machineName.empty());
}

}  // namespace
