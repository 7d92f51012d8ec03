// rvtune hits, run as a process on the test machine of tests/files/TestInstall.h
// with monitor items added to its definition: Main (THROT 0, 100; RPM 1000,
// 2000, 3000) and Twin (an RPM line per row: 1000, 2000, 3000 and 1500,
// 2500, 3500).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/files/TestInstall.h"
#include "tests/support/Process.h"

namespace {

constexpr std::chrono::seconds kBound{60};

// 1.0 s at 1000 rpm and throttle 0; 2.0 s at 2500 rpm, throttle 50; 0.5 s at
// 3000 rpm, throttle 100; the last row has no duration.
constexpr const char* kRide =
    "time_s,Engine Speed [rpm],Throttle [%],Battery [V]\n"
    "0.000,1000,0.0,13.1\n"
    "1.000,2500,50.0,13.0\n"
    "3.000,3000,100.0,\n"
    "3.500,3000,100.0,13.2\n";

struct RvtuneHitsTest : ::testing::Test {
    testinstall::Install install;
    std::string ride = install.dir.Write("ride.csv", kRide);

    RvtuneHitsTest() {
        install.dir.Write("install/TST01/RV_Tune.STZ", std::string(testinstall::Definition()) +
                                                           "[Diag.Com]\n"
                                                           "D,01,Engine Speed,rpm,2,1,0\n"
                                                           "D,02,Throttle,%,1,0.5,0\n"
                                                           "D,05,Battery,V,1,0.1,0\n");
        install.dir.Write("install/TST01/WORK/TST01.qsd", testinstall::CalibrationFile());
    }
    ProcessResult Tune(std::vector<std::string> args) {
        args.insert(args.begin(), std::string(RV_BIN_DIR) + "/rvtune");
        return RunProcess(args, {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath()},
                          kBound);
    }
};

TEST_F(RvtuneHitsTest, GridOfSecondsAsTextAndCsv) {
    // Main, by hand: row 0 gets 1.0 s at 1000 and a quarter of 2.0 s at 2000
    // and at 3000; row 1 a quarter of 2.0 s at 2000 and at 3000 and 0.5 s at 3000.
    ProcessResult o = Tune({"hits", ride, "--map", "Main"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "THROT\\RPM   1000   2000   3000\n"
              "      0.0  1.000  0.500  0.500\n"
              "    100.0  0.000  0.500  1.000\n"
              "\n"
              "3.500 s in 3 samples of 4 rows on map 'Main'\n");
    EXPECT_EQ(o.err, "");

    // Twin: 2500 rpm lies on row 1's breakpoint (1.0 s there); 3000 rpm lies
    // halfway between row 1's 2500 and 3500 (0.25 s each).
    o = Tune({"hits", ride, "--map", "Twin", "--csv", "--file", install.dir.File("install/TST01/WORK/TST01.qsd")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "RPM,1000,2000,3000\n"
              "0.0,1.000,0.500,0.500\n"
              "RPM,1500,2500,3500\n"
              "100.0,0.000,1.250,0.250\n");
}

TEST_F(RvtuneHitsTest, AHugeTimePrintsWhole) {
    const std::string far = install.dir.Write(
        "far.csv", "time_s,Engine Speed [rpm],Throttle [%]\n0,1000,0\n1e40,1000,0\n");
    const ProcessResult o = Tune({"hits", far, "--map", "Main", "--csv"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("\n0.0,10000000000000000303786028427003666890752.000,0.000,0.000\n"), std::string::npos)
        << o.out;
}

TEST_F(RvtuneHitsTest, ErrorsSayWhatIsWrong) {
    const std::string noThrottle = install.dir.Write("rpm-only.csv", "time_s,Engine Speed [rpm]\n0,1000\n");
    const std::string other = install.dir.Write("other.qsd", testinstall::CalibrationFile("RX250"));
    const std::string bad = install.dir.Write("bad.csv", "time_s,Engine Speed [rpm],Throttle [%]\n0,1000,5\n1,x,5\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"hits", ride, "--map", "Nope"}, 1, "no map named 'Nope'; the maps are: Main, Twin"},
        {{"hits", noThrottle, "--map", "Main"}, 1, "the log has no column \"Throttle\" (the THROT item)"},
        {{"hits", bad, "--map", "Main"}, 1, "line 3: \"x\" in column Engine Speed is not a number"},
        {{"hits", ride, "--map", "Main", "--file", install.dir.File("none.qsd")}, 1, "none.qsd: no such file"},
        {{"hits", ride, "--map", "Main", "--file", other}, 1,
         "other.qsd: it is a data file of machine RX250, not of TST01"},
        {{"hits", install.dir.File("gone.csv"), "--map", "Main"}, 1, "gone.csv: cannot read the file: no such file"},
        {{"hits", ride, "--csv", "Main"}, 2, "give one LOG and --map NAME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ProcessResult o = Tune(c.args);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(o.out, "");
    }
}

}  // namespace
