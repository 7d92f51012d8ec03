#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "model/Strings.h"
#include "config/RegistrySettings.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

struct RegistrySettingsTest : ::testing::Test {
    TempDir dir;
    std::string Registry(const std::string& values) {
        return dir.Write("registry.reg", TestRegistryText(values));
    }
};

TEST_F(RegistrySettingsTest, MissingKeyKeepsEveryDefaultAndReportsMinusOne) {
    RegistrySettings large(true);
    RegistryStore missing(dir.File("none.reg"));
    EXPECT_EQ(large.LoadRegistrySettings(missing), -1);
    EXPECT_EQ(large.programDlgFontSize, 19);
    EXPECT_EQ(large.tableCellWidth, 55);
    EXPECT_EQ(large.tableCellHeight, 20);
    EXPECT_EQ(large.tableFontSize, 16);
    EXPECT_EQ(large.readEcuNum, 30);
    EXPECT_EQ(large.rs232cPort, -1);
    EXPECT_FALSE(large.HasMachine());

    RegistrySettings small(false);
    RegistryStore otherKey(dir.Write("other.reg",
                                     "Windows Registry Editor Version 5.00\n\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"MachineName\"=\"X\"\n"));
    EXPECT_EQ(small.LoadRegistrySettings(otherKey), -1);
    EXPECT_EQ(small.programDlgFontSize, 14);
    EXPECT_EQ(small.tableCellWidth, 50);
    EXPECT_EQ(small.tableCellHeight, 16);
    EXPECT_EQ(small.tableFontSize, 14);
    EXPECT_TRUE(small.machineName.empty());
}

TEST_F(RegistrySettingsTest, ZeroSizesKeepDefaultsExceptTheTableFont) {
    RegistryStore store(Registry("\"ProgramDlgFontSize\"=dword:00000000\n"
                                 "\"TableWndCellWidth\"=dword:00000000\n"
                                 "\"TableWndCellHeight\"=dword:00000018\n"
                                 "\"TableWndFontSize\"=dword:00000000\n"
                                 "\"ReadEcuNum\"=dword:00000201\n"
                                 "\"Rs232cPort\"=dword:00000002\n"));
    RegistrySettings settings(true);
    EXPECT_EQ(settings.LoadRegistrySettings(store), 0);
    EXPECT_EQ(settings.programDlgFontSize, 19);
    EXPECT_EQ(settings.tableCellWidth, 55);
    EXPECT_EQ(settings.tableCellHeight, 24);
    EXPECT_EQ(settings.tableFontSize, 0);
    EXPECT_EQ(settings.readEcuNum, 513);
    EXPECT_EQ(settings.rs232cPort, 2);
}

TEST_F(RegistrySettingsTest, FolderValuesKeepOnlyTheirLastComponent) {
    struct Case { const char* value; const char* folder; };
    const Case cases[] = {
        {"C:\\Tool\\ABC03", "ABC03"}, {"ABC03", "ABC03"},          {"/opt/tool/ABC03", "ABC03"},
        {"/opt/tool/ABC03/", "ABC03"}, {"D:\\ABC03", "ABC03"},      {"C:", "C:"},
        {"sub/ABC03", "sub/ABC03"},    {"x:\\", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(TrimFolderValue(c.value), c.folder) << c.value;

    RegistryStore store(Registry("\"MachineName\"=\"'26 Test(T26)\"\n"
                                 "\"MachineFolder\"=\"T26\"\n"
                                 "\"InitializeFolder\"=\"C:\\\\Tool\\\\T26\"\n"
                                 "\"SettingFolder\"=\"/usr/share/orvandel/T26\"\n"
                                 "\"Install Directory\"=\"/opt/orvandel\"\n"));
    RegistrySettings settings;
    ASSERT_EQ(settings.LoadRegistrySettings(store), 0);
    EXPECT_EQ(settings.machineName, "'26 Test(T26)");
    EXPECT_EQ(settings.initializeFolder, "T26");
    EXPECT_EQ(settings.settingFolder, "T26");
    EXPECT_EQ(settings.installDirectory, "/opt/orvandel");
    EXPECT_TRUE(settings.HasMachine());
}

TEST_F(RegistrySettingsTest, EcuCheckResultBySize) {
    struct Case { const char* value; std::array<std::uint8_t, 3> id; };
    const Case cases[] = {
        {"\"EcuCheckResult\"=\"ES\"\n", {{'E', 'S', 0}}},
        {"\"EcuCheckResult\"=hex:41,42,43\n", {{'A', 'B', 'C'}}},
        {"\"EcuCheckResult\"=\"\"\n", {{0, 0, 0}}},
        {"\"EcuCheckResult\"=hex:41,42,43,44\n", {{'M', '1', 0}}},   // other sizes: unchanged
        {"\"EcuCheckResult\"=hex:41,42\n", {{'M', '1', 0}}},
    };
    for (const Case& c : cases) {
        RegistryStore store(Registry(c.value));
        RegistrySettings settings;
        ASSERT_EQ(settings.LoadRegistrySettings(store), 0);
        EXPECT_TRUE(settings.expectedIdPresent) << c.value;
        EXPECT_EQ(settings.expectedId, c.id) << c.value;
    }
}

TEST_F(RegistrySettingsTest, ValuesLargerThanTheirBufferAreNotRead) {
    std::string longName(260, 'N');   // 260 characters + terminating zero: 261 bytes
    RegistryStore store(Registry("\"MachineName\"=\"" + longName + "\"\n" +
                                 "\"MachineFolder\"=\"" + std::string(259, 'F') + "\"\n" +
                                 "\"ReadEcuNum\"=hex:01,02,03,04,05\n"
                                 "\"TableWndCellWidth\"=\"7\"\n"));
    RegistrySettings settings;
    ASSERT_EQ(settings.LoadRegistrySettings(store), 0);
    EXPECT_TRUE(settings.machineName.empty());
    EXPECT_EQ(settings.machineFolder.size(), 259u);
    EXPECT_EQ(settings.readEcuNum, 30);
    // The type plays no part: the text "7" and its zero land in the number's bytes.
    EXPECT_EQ(settings.tableCellWidth, '7');
}

TEST_F(RegistrySettingsTest, CommunicationLogIsOpenedWithItsHeader) {
    std::string log = dir.Write("comm.log", "old line\n");
    RegistryStore store(Registry("\"CommoLog\"=\"" + log + "\"\n\"CommoLogDelete\"=dword:00000001\n"));
    {
        RegistrySettings settings;
        ASSERT_EQ(settings.LoadRegistrySettings(store), 0);
        EXPECT_TRUE(settings.commLog.IsOpen());
    }
    EXPECT_EQ(dir.Read("comm.log"),
              "time, Buffer, NumberOfBytesReadOrWrite, timeOut, GetLastError, FunctionName\n\n");

    // Without the delete flag the header is appended to what is there.
    RegistryStore keep(Registry("\"CommoLog\"=\"" + log + "\"\n"));
    { RegistrySettings settings; settings.LoadRegistrySettings(keep); }
    EXPECT_EQ(dir.Read("comm.log").size(), 2 * Str(str::kCommLogHeader).size());

    // A path that cannot be opened leaves logging off.
    RegistryStore bad(Registry("\"CommoLog\"=\"" + dir.Path() + "/no/such/folder/x.log\"\n"));
    RegistrySettings settings;
    EXPECT_EQ(settings.LoadRegistrySettings(bad), 0);
    EXPECT_FALSE(settings.commLog.IsOpen());
}

TEST_F(RegistrySettingsTest, GarbageFilesReadAsEmpty) {
    const std::string garbage[] = {
        std::string("\x00\x01\xff\xfe garbage", 12),
        "Windows Registry Editor Version 5.00\n" + std::string(100000, 'x') + "\n",
        "Windows Registry Editor Version 5.00\n" + std::string(kTestRegistryKey) + "\"MachineName\"=\"unterminated\n",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"MachineName\"=\"X\"\n",   // no header
    };
    for (const std::string& content : garbage) {
        RegistryStore store(dir.Write("bad.reg", content));
        RegistrySettings settings;
        EXPECT_EQ(settings.LoadRegistrySettings(store), -1);
        EXPECT_TRUE(settings.machineName.empty());
    }
}

}  // namespace
