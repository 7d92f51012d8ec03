// rvtune and the batch conversion of RV_Tune, run as processes against a
// machine installation of our own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/SRecord.h"
#include "tests/files/TestInstall.h"
#include "tests/support/Process.h"

namespace {

using Outcome = ProcessResult;

// A safety net against hangs only.
constexpr std::chrono::seconds kBound{60};

std::string Rvtune() { return std::string(RV_BIN_DIR) + "/rvtune"; }

struct RvtuneTest : ::testing::Test {
    testinstall::Install install;

    std::vector<std::string> Env() const {
        return {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath()};
    }
    Outcome Tune(std::vector<std::string> args) {
        args.insert(args.begin(), Rvtune());
        return RunProcess(args, Env(), kBound);
    }
    // Through a shell, for limits set with ulimit and trap.
    Outcome Shell(const std::string& script) {
        return RunProcess({"/bin/sh", "-c", script}, Env(), kBound);
    }
    std::string Write(const std::string& name, const std::string& text) {
        return install.dir.Write(name, text);
    }
    bool Exists(const std::string& name) const { return ::access(install.dir.File(name).c_str(), F_OK) == 0; }
};

TEST_F(RvtuneTest, UsageAndHelp) {
    const Outcome help = Tune({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"export IN OUT", "resave IN OUT", "info IN"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;

    struct Case {
        std::vector<std::string> args;
    };
    const Case usage[] = {{{}}, {{"frobnicate"}}, {{"export", "only-in"}}, {{"info", "a", "b"}}};
    for (const Case& c : usage) {
        const Outcome o = Tune(c.args);
        EXPECT_EQ(o.status, 2) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_FALSE(o.err.empty());
    }
}

TEST_F(RvtuneTest, ConfigurationErrorsEndWithStatusTwoAndOneLine) {
    const std::string in = Write("cal.qsd", testinstall::CalibrationFile());
    install.WriteRegistry(false);   // no machine recorded
    Outcome o = Tune({"info", in});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("rvtune: "), std::string::npos);

    install.WriteRegistry(true);
    ::unlink(install.dir.File("install/TST01/RV_Tune.INI").c_str());   // settings missing
    o = Tune({"export", in, install.dir.File("out.txt")});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("RV_Tune.ini is not exist."), std::string::npos) << o.err;
    EXPECT_FALSE(Exists("out.txt"));
}

TEST_F(RvtuneTest, InfoExportAndResaveOfAGoodFile) {
    const std::string in = Write("cal.qsd", testinstall::CalibrationFile());
    const Outcome info = Tune({"info", in});
    EXPECT_EQ(info.status, 0) << info.err;
    for (const char* part : {"data range: 0x1000-0x103F", "checksum: ok", "maps: 2", "Main: type 1",
                             "Twin: type 2", "THROT 2 x RPM 3", "titles: 2", "Rider: A. Tester"})
        EXPECT_NE(info.out.find(part), std::string::npos) << part;

    const Outcome exported = Tune({"export", in, install.dir.File("out.txt")});
    EXPECT_EQ(exported.status, 0) << exported.err;
    const std::string text = install.dir.Read("out.txt");
    EXPECT_NE(text.find("\r\nVersion 1.0\r\nFMDataName,Main\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nMain,0.0,100.0\r\n1000,1.0,4.0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n1,1300\r\n2,12000\r\n[Fixed]\r\n[end]\r\n"), std::string::npos);

    const Outcome resaved = Tune({"resave", in, install.dir.File("re.qsd")});
    EXPECT_EQ(resaved.status, 0) << resaved.err;
    const Outcome again = Tune({"info", install.dir.File("re.qsd")});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("checksum: ok"), std::string::npos);
}

TEST_F(RvtuneTest, CorruptedFilesFailWithAMessageAndStayUntouched) {
    const std::string good = testinstall::CalibrationFile();
    const std::size_t firstRecord = good.find("S113");
    std::string oddLength = good;
    oddLength.insert(firstRecord + 12, "A");
    std::string notHex = good;
    notHex[firstRecord + 20] = 'g';
    std::string countPastLine = good;
    countPastLine.replace(firstRecord, 4, "S1FF");
    std::string hugeLine = good;
    hugeLine.insert(firstRecord, "S1" + std::string(10 * 1024 * 1024, 'Z') + "\n");
    std::string garbage(65536, '\0');
    unsigned seed = 12345;
    for (char& c : garbage) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"truncated in the header", good.substr(0, good.find("[Data]") + 3), "[Data] section is not found"},
        {"truncated after Calib:", good.substr(0, firstRecord), "[Data] section data is not found"},
        {"odd-length record", oddLength, "S-format error in [Data] section"},
        {"non-hex pair", notHex, "Including wrong word in [Data] section"},
        {"count past the line", countPastLine, "S-format error in [Data] section"},
        {"10 MB line", hugeLine, "Including wrong word in [Data] section"},
        {"binary garbage", garbage, "[Data] section is not found"},
        {"other machine", testinstall::CalibrationFile("ABC02"), "Failed to open file"},
    };
    for (const Case& c : cases) {
        const std::string in = Write("bad.qsd", c.text);
        for (const char* command : {"export", "resave", "info"}) {
            std::vector<std::string> args = {command, in};
            if (std::string(command) != "info") args.push_back(install.dir.File("out"));
            const Outcome o = Tune(args);
            EXPECT_EQ(o.status, 1) << c.name << " " << command;
            EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << " " << command << ": " << o.err;
            EXPECT_FALSE(Exists("out")) << c.name << " " << command;
        }
        EXPECT_EQ(install.dir.Read("bad.qsd"), c.text) << c.name;
    }
}

TEST_F(RvtuneTest, AFailedOrInterruptedResaveKeepsTheOldFile) {
    std::string text = testinstall::CalibrationFile();
    std::string padding;
    for (int i = 0; i < 200; ++i) padding += "; padding line " + std::to_string(i) + "\n";
    text.insert(0, padding);   // some 4 KB: well past the 1 KB size limit below
    const std::string in = Write("cal.qsd", text);
    const std::string tool = Rvtune();

    // The write fails part-way (file size limit, signal ignored): 1533, status 1.
    Outcome o = Shell("trap '' XFSZ; ulimit -f 2; exec '" + tool + "' resave '" + in + "' '" + in + "'");
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("Orvandel Data File Save Error!"), std::string::npos) << o.err;
    EXPECT_EQ(install.dir.Read("cal.qsd"), text);

    // Without the shell's trap the program is not killed by the limit
    // either: the same failure and message, the old file kept (a kill in
    // the middle of the write is the crash harness's).
    o = Shell("ulimit -f 2; exec '" + tool + "' resave '" + in + "' '" + in + "'");
    EXPECT_EQ(o.signal, 0);
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("Orvandel Data File Save Error!"), std::string::npos) << o.err;
    EXPECT_EQ(install.dir.Read("cal.qsd"), text);
}

TEST_F(RvtuneTest, AResavedFileWhoseLastRecordHadNoLineFeedKeepsEveryByte) {
    std::string text = testinstall::CalibrationFile();
    text = text.substr(0, text.find("\nS9030000FC"));   // ends in the last record's checksum
    const std::string in = Write("cut.qsd", text);
    const Outcome resaved = Tune({"resave", in, install.dir.File("re.qsd")});
    ASSERT_EQ(resaved.status, 0) << resaved.err;
    const Outcome info = Tune({"info", install.dir.File("re.qsd")});
    EXPECT_EQ(info.status, 0) << info.err;
    const Image image = testinstall::CalibrationImage();
    char checksum[64];
    std::snprintf(checksum, sizeof checksum, "checksum: ok (byte 0x%02X at 0x103F)", image[0x103F]);
    for (const std::string& part : {std::string("data range: 0x1000-0x103F"), std::string(checksum)})
        EXPECT_NE(info.out.find(part), std::string::npos) << part << "\n" << info.out;
    // The records of the resaved file are those of the calibration, byte for byte.
    const std::string out = install.dir.Read("re.qsd");
    for (std::uint32_t a = testinstall::kDataStart; a <= testinstall::kDataEnd; a += 16) {
        const std::string record = MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16);
        EXPECT_NE(out.find(record + "\r\n"), std::string::npos) << record;
    }
}

TEST_F(RvtuneTest, SavesAndExportsDoNoMoreThanAWriteInPlaceCould) {
    const OrdinaryUser user;
    if (!user.Available()) GTEST_SKIP() << "runs as root and the system has no account 'nobody'";
    const std::string in = Write("cal.qsd", testinstall::CalibrationFile());
    const std::string readOnly = Write("read-only.qsd", "kept\n");
    const std::string readOnlyText = Write("read-only.txt", "kept\n");
    const std::string real = Write("real/linked.qsd", "old\n");
    const std::string link = install.dir.File("link.qsd");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    user.Own(install.dir.Path());
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(readOnlyText.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    auto asUser = [&](std::vector<std::string> args) {
        args.insert(args.begin(), Rvtune());
        return RunProcess(args, Env(), kBound, {}, user.Account());
    };

    Outcome o = asUser({"resave", in, readOnly});
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("Orvandel Data File Save Error!"), std::string::npos) << o.err;
    EXPECT_EQ(install.dir.Read("read-only.qsd"), "kept\n");
    o = asUser({"export", in, readOnlyText});
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("Failed to write file"), std::string::npos) << o.err;
    EXPECT_EQ(install.dir.Read("read-only.txt"), "kept\n");

    // A file of another user that only its owner may write, in the user's
    // own (writable) folder.
    if (user.Account() != nullptr) {
        const std::string theirs = Write("theirs.qsd", "theirs\n");
        ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);
        o = asUser({"resave", in, theirs});
        EXPECT_EQ(o.status, 1) << o.err;
        EXPECT_EQ(install.dir.Read("theirs.qsd"), "theirs\n");
    }

    o = asUser({"resave", in, link});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(install.dir.Read("real/linked.qsd").find("S9030000FC\r\nFixed:\r\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    for (const std::string& folder : {install.dir.Path(), install.dir.File("real")})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// The calibration with the counts of its second map, Twin, raised to 16 x 16:
// 256 cells, one more than a map may have.
std::string OversizedTwinFile() {
    Image image = testinstall::CalibrationImage();
    image[0x100D] = 16;
    image[0x100E] = 16;
    std::string text = "[Machine]\nModel,TST01\n[Data]\nCalib:\n";
    for (std::uint32_t a = testinstall::kDataStart; a <= testinstall::kDataEnd; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    return text + "S9030000FC\nFixed:\n";
}

const char* const kTwinRefused =
    "The map \"Twin\" and the maps after it are not loaded: its table of 16 x 16 = 256 cells is larger "
    "than 255 cells. Only the maps before it are loaded.";

TEST_F(RvtuneTest, AMapTheLoaderRefusesIsNamedOnStderrAndTheOthersLoad) {
    const std::string in = Write("big.qsd", OversizedTwinFile());
    const Outcome info = Tune({"info", in});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.err, std::string("rvtune: ") + kTwinRefused + "\n");
    EXPECT_NE(info.out.find("maps: 1\n  Main: type 1"), std::string::npos) << info.out;

    const Outcome exported = Tune({"export", in, install.dir.File("out.txt")});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.err.find(kTwinRefused), std::string::npos) << exported.err;
    const std::string text = install.dir.Read("out.txt");
    EXPECT_NE(text.find("FMDataName,Main\r\n"), std::string::npos);
    EXPECT_EQ(text.find("FMDataName,Twin"), std::string::npos);
}

// RV_Tune exists only in builds with the Qt windows.
struct BatchConversionTest : RvtuneTest {
    std::string program = std::string(RV_BIN_DIR) + "/RV_Tune";
    void SetUp() override {
        if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "RV_Tune is not built here";
    }
    Outcome Batch(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, Env(), kBound, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
    }
};

TEST_F(BatchConversionTest, ConvertsWithoutADisplayAndReportsFailures) {
    const std::string in = Write("cal.qsd", testinstall::CalibrationFile());
    const std::string out = install.dir.File("out.txt");
    Outcome o = Batch({in, out});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(install.dir.Read("out.txt").find("[end]\r\n"), std::string::npos);

    // One argument is one file to open (a double-clicked name may hold a
    // blank), never a conversion that writes another file.
    ::unlink(out.c_str());
    o = Batch({in + " " + out});
    EXPECT_FALSE(Exists("out.txt")) << o.err;

    const std::string bad = Write("bad.qsd", testinstall::CalibrationFile("ABC02"));
    o = Batch({bad, install.dir.File("never.txt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Failed to open file"), std::string::npos) << o.err;
    EXPECT_FALSE(Exists("never.txt"));

    o = Batch({in, install.dir.File("no/such/folder/out.txt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Failed to write file"), std::string::npos) << o.err;
}

TEST_F(BatchConversionTest, TakesItsTwoArgumentsAsGivenWhateverTheyHold) {
    const std::string text = testinstall::CalibrationFile();
    for (const std::string& folder : {std::string("with blank"), std::string("it's \"$HOME\" & more")}) {
        SCOPED_TRACE(folder);
        const std::string in = Write(folder + "/cal ibration.qsd", text);
        const std::string out = install.dir.File(folder + "/ex port $1.txt");
        const Outcome o = Batch({in, out});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "");
        EXPECT_NE(install.dir.Read(folder + "/ex port $1.txt").find("[end]\r\n"), std::string::npos);
    }
    // Other argument counts still join into one line split at its first blank.
    const std::string in = Write("cal.qsd", text);
    const Outcome three = Batch({in, install.dir.File("a"), "b.txt"});
    EXPECT_EQ(three.status, 0) << three.err;
    EXPECT_TRUE(Exists("a b.txt"));
}

TEST_F(BatchConversionTest, AMapTheLoaderRefusesIsNamedOnStderr) {
    const std::string in = Write("big.qsd", OversizedTwinFile());
    const Outcome o = Batch({in, install.dir.File("out.txt")});
    EXPECT_EQ(o.status, 0) << o.err;
    std::string oneLine = o.err;
    for (char& c : oneLine)
        if (c == '\n') c = ' ';
    EXPECT_NE(oneLine.find(std::string("Orvandel [warning]: ") + kTwinRefused), std::string::npos) << o.err;
    EXPECT_EQ(install.dir.Read("out.txt").find("FMDataName,Twin"), std::string::npos);
}

}  // namespace
