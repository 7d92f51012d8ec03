// rvtune constants and set-constant, run as processes against the test
// machine with a "Calib" section of every kind.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/files/TestInstall.h"
#include "tests/support/Process.h"

namespace {

constexpr std::chrono::seconds kBound{60};

// The test machine's maps with constants over the calibration's bytes:
// 0x1020 = 130, 0x1021 = 0x5DC0, 0x1023 = 7, 0x1024.. = 0, checksum 0x103F.
const char* kDefinition =
    "[Free Map]\n"
    "1000,10FF,0000\n"
    "Main,0,A,first\n"
    "THROT,0,100,x/2,x*2\n"
    "RPM,0,12750,x*50,x/50\n"
    "Fuel,0,25.5,x/10,x*10\n"
    "[Calib]\n"
    "1020,1,Idle Target,10,0,rpm,1\n"
    "1021,2,Limiter,0.5,0,rpm\n"
    "1023,1,Trim,0.5,10,%,1,0,20,100\n"
    "1024,1,Advance,1,0,deg,3\n"
    "1025,1,Locked,1,0,x,1,1\n"
    "1026,1,Period,1,1,us,2\n"
    "1027,1,Frozen,0,0,u,3\n"
    "1028,1,Fine,1,0,ms,1,0,0,100,0\n"
    "1029,1,Broken Line,1\n"
    "2000,1,Far,1,0,u,1\n"
    "103F,1,On Checksum,1,0,u,1\n";

struct RvtuneConstantsTest : ::testing::Test {
    testinstall::Install install;
    std::string file;

    RvtuneConstantsTest() {
        install.dir.Write("install/TST01/RV_Tune.STZ", kDefinition);
        file = install.dir.Write("cal.qsd", testinstall::CalibrationFile());
    }
    ProcessResult Tune(std::vector<std::string> args) {
        args.insert(args.begin(), std::string(RV_BIN_DIR) + "/rvtune");
        return RunProcess(args, {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath()},
                          kBound);
    }
    // The "constants" line of name in the file at path.
    std::string Line(const std::string& path, const std::string& name) {
        const ProcessResult o = Tune({"constants", path});
        EXPECT_EQ(o.status, 0) << o.err;
        const std::size_t at = o.out.find(name + "\t");
        if (at == std::string::npos) return "";
        return o.out.substr(at, o.out.find('\n', at) - at);
    }
};

TEST_F(RvtuneConstantsTest, ListsEveryListedConstantAsTheDialogShowsIt) {
    ProcessResult o = Tune({"constants", file});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "Idle Target\t1300\trpm\t82\n"
              "Limiter\t12000\trpm\t5DC0\n"
              "Trim\t13.50\t%\t07\n"
              "Advance\t0\tdeg\t00\n"
              "Locked\t0\tx\t00\n"
              "Period\t1000000\tus\t00\n"
              "Frozen\t0\tu\t00\n"
              "Fine\t0\tms\t00\n"
              "Far\t(not in the file)\tu\t-\n"
              "On Checksum\t" + std::to_string(testinstall::CalibrationImage()[0x103F]) + "\tu\t" +
                  [] {
                      char hex[4];
                      std::snprintf(hex, sizeof hex, "%02X", testinstall::CalibrationImage()[0x103F]);
                      return std::string(hex);
                  }() + "\n");

    o = Tune({"constants", file, "--csv"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, o.out.find("Advance")),
              "name,value,unit,raw\nIdle Target,1300,rpm,82\nLimiter,12000,rpm,5DC0\nTrim,13.50,%,07\n");

    EXPECT_EQ(Tune({"constants"}).status, 2);
    EXPECT_EQ(Tune({"constants", file, "other"}).status, 2);
    EXPECT_EQ(Tune({"constants", install.dir.File("missing.qsd")}).status, 1);
}

TEST_F(RvtuneConstantsTest, SetsTheValueAndReportsARangeCorrection) {
    const std::string out = install.dir.File("out.qsd");
    const std::string before = install.dir.Read("cal.qsd");
    ProcessResult o = Tune({"set-constant", file, "Trim", "200", "--out", out});
    ASSERT_EQ(o.status, 3) << o.err;   // saved, but not the value asked for
    EXPECT_NE(o.err.find("Input Data Range Over:200.00 \n (20.00<=Data<=100.00)\n set 100.00"), std::string::npos)
        << o.err;
    EXPECT_EQ(install.dir.Read("cal.qsd"), before);   // --out leaves the input alone
    EXPECT_EQ(Line(out, "Trim"), "Trim\t100\t%\tB4");
    EXPECT_EQ(Line(out, "Idle Target"), "Idle Target\t1300\trpm\t82");
    const ProcessResult info = Tune({"info", out});
    EXPECT_NE(info.out.find("checksum: ok"), std::string::npos) << info.out;

    // In place, a signed value and a word; no message, nothing on stderr.
    o = Tune({"set-constant", file, "Advance", "-1"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(Line(file, "Advance"), "Advance\t-1\tdeg\tFF");
    o = Tune({"set-constant", file, "Limiter", "+12.5"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Line(file, "Limiter"), "Limiter\t12.50\trpm\t0019");

    // Decimals 0 picks the "%.0f" message.
    o = Tune({"set-constant", file, "Fine", "150"});
    ASSERT_EQ(o.status, 3) << o.err;
    EXPECT_NE(o.err.find("Input Data Range Over:150 \n (0<=Data<=100)\n set 100"), std::string::npos) << o.err;
    EXPECT_EQ(Line(file, "Fine"), "Fine\t100\tms\t64");
    // Between the signed halves: 1531 with both ranges.
    o = Tune({"set-constant", file, "Advance", "-0.4"});
    ASSERT_EQ(o.status, 3) << o.err;
    EXPECT_NE(o.err.find("(-128.00<=Data<=-1.00)\n(0.00<=Data<=127.00)\n set 0.00"), std::string::npos) << o.err;
    // A word without Min and Max, past what its raw size holds: once saved silently.
    o = Tune({"set-constant", file, "Limiter", "40000"});
    EXPECT_EQ(o.status, 3);
    EXPECT_EQ(o.err, "Input Data Range Over:40000.00 \n (0.00<=Data<=32767.50)\n set 32767.50\n");
    EXPECT_EQ(Line(file, "Limiter"), "Limiter\t32767.50\trpm\tFFFF");
}

TEST_F(RvtuneConstantsTest, RefusalsSaveNothing) {
    const std::string before = install.dir.Read("cal.qsd");
    struct Case { const char* name; const char* value; const char* message; };
    const Case cases[] = {
        {"Trim", "12-5", "Including wrong word"},
        {"Trim", "1e3", "Including wrong word"},
        {"Trim", "", "Including wrong word"},
        {"Frozen", "3", "A value cannot be edited."},
        {"Locked", "3", "read-only"},
        {"Nothing Such", "3", "unknown constant"},
        {"Broken Line", "3", "unknown constant"},   // not a listed line
        {"Far", "3", "outside the data"},
        {"On Checksum", "3", "checksum"},
    };
    for (const Case& c : cases) {
        const ProcessResult o = Tune({"set-constant", file, c.name, c.value, "--out", install.dir.File("x.qsd")});
        EXPECT_EQ(o.status, 1) << c.name;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << ": " << o.err;
        EXPECT_EQ(o.out, "");
    }
    EXPECT_EQ(install.dir.Read("cal.qsd"), before);
    EXPECT_EQ(install.dir.Read("x.qsd"), "");   // never written
    EXPECT_EQ(Tune({"set-constant", file, "Trim"}).status, 2);
    EXPECT_EQ(Tune({"set-constant", file, "Trim", "5", "--out"}).status, 2);
}

}  // namespace
