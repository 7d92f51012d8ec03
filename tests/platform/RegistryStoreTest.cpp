#include "platform/RegistryStore.h"

#include "platform/PathSearch.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;

const char* const kKey = "SOFTWARE\\RV_Tune";
const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n";

struct RegistryStoreTest : ::testing::Test {
    TempDir dir;
    RegistryStore Make(const std::string& content) { return RegistryStore(dir.Write("registry.reg", content)); }
    std::string Content() const { return dir.Read("registry.reg"); }
    static Bytes DataOf(const std::optional<RegistryValue>& value) { return value ? value->data : Bytes{0xEE}; }
};

TEST_F(RegistryStoreTest, TheThreeTypesRoundTripInTheRegFormat) {
    RegistryStore store(dir.File("sub/folder/registry.reg"));   // folders are created
    EXPECT_FALSE(store.KeyExists(kKey));
    ASSERT_TRUE(store.SetString(kKey, "MachineName", "'04 \"Ex\\ample\""));
    ASSERT_TRUE(store.SetString(kKey, "MachineFolder", ""));
    ASSERT_TRUE(store.SetDword(kKey, "ReadEcuNum", 30));
    ASSERT_TRUE(store.SetBinary(kKey, "EcuCheckResult", {0x4d, 0x31, 0x00}));
    ASSERT_TRUE(store.SetBinary(kKey, "Empty", {}));

    EXPECT_EQ(dir.Read("sub/folder/registry.reg"),
              kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
                      "\"MachineName\"=\"'04 \\\"Ex\\\\ample\\\"\"\r\n"
                      "\"MachineFolder\"=\"\"\r\n"
                      "\"ReadEcuNum\"=dword:0000001e\r\n"
                      "\"EcuCheckResult\"=hex:4d,31,00\r\n"
                      "\"Empty\"=hex:\r\n");
    EXPECT_TRUE(store.KeyExists(kKey));
    const auto name = store.Query(kKey, "MachineName");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->type, RegistryValue::Type::kString);
    EXPECT_EQ(std::string(name->data.begin(), name->data.end()), "'04 \"Ex\\ample\"\0"s);
    EXPECT_EQ(DataOf(store.Query(kKey, "MachineFolder")), Bytes{0});
    EXPECT_EQ(store.Query(kKey, "ReadEcuNum")->type, RegistryValue::Type::kDword);
    EXPECT_EQ(DataOf(store.Query(kKey, "ReadEcuNum")), (Bytes{30, 0, 0, 0}));
    EXPECT_EQ(store.Query(kKey, "EcuCheckResult")->type, RegistryValue::Type::kBinary);
    EXPECT_EQ(DataOf(store.Query(kKey, "EcuCheckResult")), (Bytes{0x4d, 0x31, 0x00}));
    EXPECT_EQ(DataOf(store.Query(kKey, "Empty")), Bytes{});
    EXPECT_EQ(store.ParseError(), "");
}

TEST_F(RegistryStoreTest, LongBinaryValuesWrapAndReadBack) {
    RegistryStore store(dir.File("registry.reg"));
    Bytes bytes;
    for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
    ASSERT_TRUE(store.SetBinary(kKey, "Blob", bytes));
    EXPECT_NE(Content().find(",\\\r\n  "), std::string::npos);
    EXPECT_EQ(DataOf(store.Query(kKey, "Blob")), bytes);
    ASSERT_TRUE(store.SetDword(kKey, "Blob", 0xDEADBEEF));   // a wrapped value is replaced whole
    EXPECT_EQ(Content(), kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"Blob\"=dword:deadbeef\r\n");
}

TEST_F(RegistryStoreTest, KeysAndNamesCompareWithoutRegardToCase) {
    RegistryStore store = Make(kHead + "[hkey_local_machine\\software\\rv_tune\\Ports]\r\n\"com1\"=\"/dev/pts/3\"\r\n");
    EXPECT_TRUE(store.KeyExists("SOFTWARE\\RV_Tune\\PORTS"));
    EXPECT_TRUE(store.KeyExists("SOFTWARE\\RV_Tune"));   // a parent of an existing key exists
    EXPECT_TRUE(store.KeyExists("\\SOFTWARE\\RV_Tune\\"));
    EXPECT_FALSE(store.KeyExists("SOFTWARE\\RV_Tun"));
    EXPECT_FALSE(store.KeyExists("SOFTWARE\\RV_Tune\\Ports\\More"));
    EXPECT_EQ(DataOf(store.Query("Software\\RV_TUNE\\ports", "COM1")), Bytes(std::begin("/dev/pts/3"), std::end("/dev/pts/3")));
    EXPECT_FALSE(store.Query("SOFTWARE\\RV_Tune", "COM1"));
    EXPECT_FALSE(store.Query("SOFTWARE\\RV_Tune\\Ports", "COM2"));

    ASSERT_TRUE(store.SetDword("software\\rv_tune\\PORTS", "Com1", 5));   // replaces, keeping the file's spelling
    EXPECT_EQ(Content(), kHead + "[hkey_local_machine\\software\\rv_tune\\Ports]\r\n\"com1\"=dword:00000005\r\n");
}

TEST_F(RegistryStoreTest, AHandWrittenFileIsReadAsAnImportWouldReadIt) {
    RegistryStore store = Make("\xEF\xBB\xBF" "REGEDIT4\n"
                               "; written by hand\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n"
                               "  \"Path\" = \"C:\\Tool\\ABC03\"\n"
                               "@=\"default\"\n"
                               "\"Wide\"=hex(2):41,00,42,00,00,00\n"
                               "\"Long\"=hex:01,02,\\\n"
                               "  03,04,\\\n"
                               "  05\n"
                               "\"Count\"=DWORD:1F\n"
                               "\"Gone\"=dword:1\n"
                               "\"Gone\"=-\n"
                               "\"Twice\"=dword:1\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"
                               "\"X\"=dword:1\n"
                               "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n"
                               "\"Twice\"=dword:2\n");
    EXPECT_EQ(DataOf(store.Query(kKey, "Path")), Bytes(std::begin("C:\\Tool\\ABC03"), std::end("C:\\Tool\\ABC03")));
    EXPECT_EQ(DataOf(store.Query(kKey, "")), Bytes(std::begin("default"), std::end("default")));
    EXPECT_EQ(store.Query(kKey, "Wide")->type, RegistryValue::Type::kBinary);
    EXPECT_EQ(DataOf(store.Query(kKey, "Wide")), (Bytes{0x41, 0, 0x42, 0, 0, 0}));
    EXPECT_EQ(DataOf(store.Query(kKey, "Long")), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(DataOf(store.Query(kKey, "Count")), (Bytes{0x1F, 0, 0, 0}));
    EXPECT_FALSE(store.Query(kKey, "Gone"));
    EXPECT_EQ(DataOf(store.Query(kKey, "Twice")), (Bytes{2, 0, 0, 0}));   // the later line wins
    EXPECT_FALSE(store.KeyExists("SOFTWARE\\Old"));
    EXPECT_EQ(store.ParseError(), "");
}

TEST_F(RegistryStoreTest, WritesChangeOneValueAndKeepEverythingElse) {
    const std::string original = kHead +
        "; keep me\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
        "\"MachineName\"=\"A\"\r\n"
        "\"Install Directory\"=\"/opt/rv\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune\\Ports]\r\n"
        "\"COM1\"=\"/dev/ttyUSB0\"\r\n";
    RegistryStore store = Make(original);
    ASSERT_TRUE(store.SetString(kKey, "machinename", "B"));
    ASSERT_TRUE(store.SetDword(kKey, "Rs232cPort", 2));
    ASSERT_TRUE(store.SetBinary("SOFTWARE\\Other", "V", {1}));
    EXPECT_EQ(Content(), kHead +
        "; keep me\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
        "\"MachineName\"=\"B\"\r\n"
        "\"Install Directory\"=\"/opt/rv\"\r\n"
        "\"Rs232cPort\"=dword:00000002\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune\\Ports]\r\n"
        "\"COM1\"=\"/dev/ttyUSB0\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "\"V\"=hex:01\r\n");
}

TEST_F(RegistryStoreTest, WritesKeepTheFilesLineEndsAndTakeEffectAfterDeletions) {
    RegistryStore store = Make("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"A\"=dword:1\n"
                               "[-HKEY_LOCAL_MACHINE\\SOFTWARE]");
    ASSERT_TRUE(store.SetDword(kKey, "A", 2));
    EXPECT_EQ(Content(), "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"A\"=dword:1\n"
                         "[-HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"A\"=dword:00000002\n");
    EXPECT_EQ(DataOf(store.Query(kKey, "A")), (Bytes{2, 0, 0, 0}));
}

TEST_F(RegistryStoreTest, FilesThatDoNotParseReadAsEmptyWithTheLineNamed) {
    struct Case { std::string content; const char* line; };
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n";
    const Case cases[] = {
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"A\"=dword:1\n", "line 1"},
        {"\n\n", "line 1"},
        {kHead + key + "\"A\"=dword:1\ngarbage\n", "line 5"},
        {"REGEDIT4\n" + key + "\"A\"=dword:1\0\n"s, "line 3"},
        {"REGEDIT4\n" + key + "\"A\"=\"\x01\xfe\xff\"\n", "line 3"},
        {"REGEDIT4\n" + key + "\"A\"=dword:1\n" + std::string(100000, '#') + "\n", "line 4"},
        {"REGEDIT4\n" + key + "\"A\"=dword:123456789\n", "line 3"},
        {"REGEDIT4\n" + key + "\"A\"=hex:01,0g\n", "line 3"},
        {"REGEDIT4\n" + key + "\"A\"=hex:01,\\\n", "line 3"},
        {"REGEDIT4\n" + key + "\"A\"=\"open\n", "line 3"},
        {"REGEDIT4\n\"A\"=dword:1\n" + key, "line 2"},
        {"REGEDIT4\n[]\n", "line 2"},
        {"REGEDIT4\r\n" + key + "\"A\"=dword:1\r\r\n", "line 3"},
    };
    for (const Case& c : cases) {
        RegistryStore store = Make(c.content);
        EXPECT_FALSE(store.KeyExists(kKey)) << c.line;
        EXPECT_NE(store.ParseError().find(store.Path() + ": " + c.line + ":"), std::string::npos) << store.ParseError();
        EXPECT_FALSE(store.Query(kKey, "A"));
        EXPECT_EQ(store.ParseError().find('\n'), std::string::npos);
    }
}

TEST_F(RegistryStoreTest, AWriteOverABrokenFileKeepsItAsBadAndStartsAfresh) {
    const std::string broken = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n\"A\"=dword:1\n\x00\x01garbage"s;
    RegistryStore store = Make(broken);
    ASSERT_TRUE(store.SetDword(kKey, "ReadEcuNum", 30));
    EXPECT_NE(store.ParseError(), "");
    EXPECT_EQ(dir.Read("registry.reg.bad"), broken);
    EXPECT_EQ(Content(), kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"ReadEcuNum\"=dword:0000001e\r\n");
    EXPECT_TRUE(store.KeyExists(kKey));
    EXPECT_EQ(store.ParseError(), "");
}

TEST_F(RegistryStoreTest, ReadsNeverCreateAndRefusedWritesLeaveTheFile) {
    RegistryStore missing(dir.File("none/registry.reg"));
    EXPECT_FALSE(missing.KeyExists(kKey));
    EXPECT_FALSE(missing.Query(kKey, "A"));
    EXPECT_FALSE(FileExists(dir.File("none")));

    const std::string original = kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"A\"=\"x\"\r\n";
    RegistryStore store = Make(original);
    EXPECT_FALSE(store.SetString(kKey, "A", "two\nlines"));   // the format has no line breaks in text
    EXPECT_FALSE(store.SetString(kKey, "A", "\xff"));         // nor bytes that are not UTF-8
    EXPECT_FALSE(store.SetDword(kKey, "bad\"\rname", 1));
    EXPECT_FALSE(store.SetDword("", "A", 1));
    EXPECT_FALSE(store.SetDword("SOFTWARE\\\\RV_Tune", "A", 1));
    EXPECT_EQ(Content(), original);

    // Root passes every permission check, so an ordinary user tries.
    const OrdinaryUser user;
    if (!user.Available()) GTEST_SKIP() << "runs as root and the system has no account 'nobody'";
    user.Own(dir.Path());
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    const int written = user.Run([&] { return store.SetString(kKey, "A", "y") ? 1 : 0; });
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(Content(), original);
}

TEST_F(RegistryStoreTest, AReadOnlyFileIsRefusedAndALinkedOneWrittenThroughItsLink) {
    const std::string original = kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"A\"=\"x\"\r\n";
    RegistryStore store = Make(original);
    const std::string path = dir.File("registry.reg");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(store.SetString(kKey, "A", "y"));
    EXPECT_EQ(Content(), original);

    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    const std::string link = dir.File("link.reg");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    RegistryStore linked(link);
    EXPECT_TRUE(linked.SetString(kKey, "A", "z"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(DataOf(RegistryStore(path).Query(kKey, "A")), (Bytes{'z', 0}));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(RegistryStoreTest, AHugeValidValueIsReadAndWritten) {
    const std::string text(100000, 'm');
    RegistryStore store(dir.File("registry.reg"));
    ASSERT_TRUE(store.SetString(kKey, "Big", text));
    ASSERT_TRUE(store.SetDword(kKey, "After", 1));
    const auto value = store.Query(kKey, "Big");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data.size(), text.size() + 1);
}

TEST(RegistryStoreDefaultPathTest, FollowsTheEnvironment) {
    EnvOverride home("HOME", "/home/rider");
    {
        EnvOverride explicitPath("RV_TUNE_REGISTRY", "/srv/rv.reg");
        EnvOverride config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(RegistryStore::DefaultPath(), "/srv/rv.reg");
    }
    {
        EnvOverride explicitPath("RV_TUNE_REGISTRY", "");
        EnvOverride config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(RegistryStore::DefaultPath(), "/cfg/RV_Tune/registry.reg");
    }
    {
        EnvOverride explicitPath("RV_TUNE_REGISTRY", nullptr);
        EnvOverride config("XDG_CONFIG_HOME", "");
        EXPECT_EQ(RegistryStore::DefaultPath(), "/home/rider/.config/RV_Tune/registry.reg");
    }
    {
        EnvOverride explicitPath("RV_TUNE_REGISTRY", nullptr);
        EnvOverride config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(RegistryStore::DefaultPath(), "/home/rider/.config/RV_Tune/registry.reg");
    }
}

}  // namespace

namespace {

TEST_F(RegistryStoreTest, DeletingAValueOrAKeyTakesOutTheirLinesOnly) {
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune";
    RegistryStore store = Make(kHead +
                               "; kept comment\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
                               "\"Install Directory\"=\"/opt/rv\"\r\n"
                               "\"MachineName\"=\"M\"\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\" + uninstall + "]\r\n"
                               "\"DisplayName\"=\"Orvandel\"\r\n"
                               "\"UninstallString\"=hex:41,\\\r\n  42\r\n"
                               "\r\n"
                               "[hkey_local_machine\\" + uninstall + "\\Sub]\r\n"
                               "\"X\"=dword:00000001\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune2]\r\n"
                               "\"Y\"=\"other program\"\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
                               "\"installdirectory\"=\"kept\"\r\n"
                               "\"INSTALL DIRECTORY\"=\"/again\"\r\n");
    ASSERT_TRUE(store.DeleteValue(kKey, "install directory"));
    EXPECT_FALSE(store.Query(kKey, "Install Directory"));
    EXPECT_TRUE(store.Query(kKey, "MachineName"));
    EXPECT_TRUE(store.Query(kKey, "InstallDirectory"));

    ASSERT_TRUE(store.DeleteKey(uninstall));
    EXPECT_FALSE(store.KeyExists(uninstall));
    EXPECT_FALSE(store.KeyExists(uninstall + "\\Sub"));
    EXPECT_TRUE(store.Query(uninstall + "2", "Y"));   // a key that only begins with the same name stays
    EXPECT_EQ(Content(), kHead +
                             "; kept comment\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
                             "\"MachineName\"=\"M\"\r\n"
                             "\r\n"
                             "\r\n"
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune2]\r\n"
                             "\"Y\"=\"other program\"\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
                             "\"installdirectory\"=\"kept\"\r\n");
}

TEST_F(RegistryStoreTest, DeletionsOfWhatIsNotThereChangeNothingAndBrokenFilesAreNotRewritten) {
    RegistryStore missing(dir.File("none.reg"));
    EXPECT_TRUE(missing.DeleteKey(kKey));
    EXPECT_TRUE(missing.DeleteValue(kKey, "X"));
    EXPECT_FALSE(FileExists(dir.File("none.reg")));

    const std::string text = kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"A\"=\"1\"\r\n";
    RegistryStore store = Make(text);
    EXPECT_TRUE(store.DeleteValue(kKey, "B"));
    EXPECT_TRUE(store.DeleteKey("SOFTWARE\\Other"));
    EXPECT_EQ(Content(), text);
    EXPECT_FALSE(store.DeleteKey(""));

    const std::string broken = "not a registry file\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n";
    RegistryStore bad = Make(broken);
    EXPECT_FALSE(bad.DeleteKey(kKey));
    EXPECT_FALSE(bad.ParseError().empty());
    EXPECT_EQ(Content(), broken);
    EXPECT_FALSE(FileExists(dir.File("registry.reg.bad")));
}

}  // namespace

namespace {

// Several values of one action in one rewrite: a missing file (and folder)
// is made with all of them; a string that cannot be written stops the whole
// batch before anything is written; over a file that does not parse, the
// old file is kept aside first, as for one value.
TEST_F(RegistryStoreTest, SetValuesWritesAllValuesInOneRewriteOrNone) {
    RegistryStore fresh(dir.File("made/here/registry.reg"));
    ASSERT_TRUE(fresh.SetValues({{kKey, "MachineName", RegistryStore::StringValue("'24 Plover")},
                                 {kKey, "ReadEcuNum", RegistryStore::DwordValue(4097)},
                                 {"SOFTWARE\\Other", "V", RegistryStore::StringValue("x")},
                                 {kKey, "machinename", RegistryStore::StringValue("'26 Corvid")}}));
    EXPECT_EQ(dir.Read("made/here/registry.reg"), kHead +
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n"
        "\"MachineName\"=\"'26 Corvid\"\r\n"
        "\"ReadEcuNum\"=dword:00001001\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "\"V\"=\"x\"\r\n");

    RegistryStore store = Make(kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"MachineName\"=\"A\"\r\n");
    const std::string before = Content();
    EXPECT_FALSE(store.SetValues({{kKey, "MachineName", RegistryStore::StringValue("B")},
                                  {kKey, "MachineFolder", RegistryStore::StringValue("two\r\nlines")}}));
    EXPECT_FALSE(store.SetValues({{kKey, "MachineName", RegistryStore::StringValue("B")},
                                  {"", "MachineFolder", RegistryStore::StringValue("C")}}));
    EXPECT_EQ(Content(), before);

    RegistryStore broken = Make("not a registry file\r\n");
    ASSERT_TRUE(broken.SetValues({{kKey, "A", RegistryStore::DwordValue(1)}, {kKey, "B", RegistryStore::DwordValue(2)}}));
    EXPECT_FALSE(broken.ParseError().empty());
    EXPECT_EQ(dir.Read("registry.reg.bad"), "not a registry file\r\n");
    EXPECT_EQ(DataOf(broken.Query(kKey, "A")), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(DataOf(broken.Query(kKey, "B")), (Bytes{2, 0, 0, 0}));
}

}  // namespace

// RV_Tune and rvtune (or setup) saving at once: each rewrite reads the file
// afresh, so without a lock around the read and the rename one program's
// values would be dropped by the other's save.
TEST_F(RegistryStoreTest, TwoProgramsSavingAtOnceBothKeepTheirValues) {
    Make(kHead + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\r\n\"MachineName\"=\"A\"\r\n");
    constexpr int kSaves = 100;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const std::string prefix = child == 0 ? "Child" : "Parent";
    RegistryStore store(dir.File("registry.reg"));
    bool allSaved = true;
    for (int i = 0; i < kSaves; ++i)
        allSaved = store.SetDword(kKey, prefix + std::to_string(i), 1) && allSaved;
    if (child == 0) ::_exit(allSaved ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(allSaved);
    for (const char* name : {"Child", "Parent"})
        for (int i = 0; i < kSaves; ++i)
            EXPECT_TRUE(store.Query(kKey, name + std::to_string(i)).has_value()) << name << i;
}
