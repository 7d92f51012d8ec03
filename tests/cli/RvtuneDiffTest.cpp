// rvtune diff and merge, run as processes on the shipped machines: KST26A
// (Free Map, with a map of an RPM row per THROT row) and HRN26C (Config Map,
// axes in the image shared by two maps, and a map with listed axes). The
// second calibrations are the shipped ones with bytes changed in their
// S-records here, so the program's own writer plays no part in them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

constexpr std::chrono::seconds kBound{60};

std::string Shipped(const std::string& machine) {
    return std::string(RV_SOURCE_DIR) + "/data/" + machine + "/WORK/" + machine + ".qsd";
}

std::string ReadAll(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    return text;
}

// The data file text with bytes replaced in its S1 records, each record's
// checksum made right again.
std::string WithBytes(std::string text, const std::map<unsigned, unsigned>& bytes) {
    std::size_t pos = 0;
    while ((pos = text.find("\nS1", pos)) != std::string::npos) {
        ++pos;
        const unsigned count = std::stoul(text.substr(pos + 2, 2), nullptr, 16);
        const unsigned address = std::stoul(text.substr(pos + 4, 4), nullptr, 16);
        unsigned sum = count + (address >> 8) + (address & 0xFF);
        for (unsigned i = 0; i + 3 < count; ++i) {
            const std::size_t at = pos + 8 + 2 * i;
            unsigned value = std::stoul(text.substr(at, 2), nullptr, 16);
            if (auto it = bytes.find(address + i); it != bytes.end()) value = it->second;
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", value);
            text.replace(at, 2, hex);
            sum += value;
        }
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
        text.replace(pos + 8 + 2 * (count - 3), 2, hex);
    }
    return text;
}

struct RvtuneDiffTest : ::testing::Test {
    TempDir dir;
    std::string registry = dir.Write("registry.reg", "Windows Registry Editor Version 5.00\n\n"
                                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n"
                                                     "\"Install Directory\"=\"" RV_SOURCE_DIR "/data\"\n");
    ProcessResult Tune(const std::string& machine, std::vector<std::string> args) {
        args.insert(args.begin(), std::string(RV_BIN_DIR) + "/rvtune");
        return RunProcess(args, {"RV_TUNE_REGISTRY=" + registry, "RV_TUNE_MACHINE=" + machine, "TMPDIR=" + dir.Path()},
                          kBound);
    }
    std::string Changed(const std::string& machine, const std::string& name, const std::map<unsigned, unsigned>& bytes) {
        return dir.Write(name, WithBytes(ReadAll(Shipped(machine)), bytes));
    }
};

TEST_F(RvtuneDiffTest, SameDataIsExitZeroEvenWithAnotherChecksumOrTitle) {
    std::string text = ReadAll(Shipped("KST26A"));
    text.replace(text.find("Date,"), 15, "Date,1999/01/01");
    const std::string other = dir.Write("other.qsd", text);
    ProcessResult o = Tune("KST26A", {"diff", Shipped("KST26A"), other, "--csv"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "kind,name,row,column,a,b\n");
}

// KST26A: Fuel Injection (THROT x/2 from 0x8002, RPM x*50 from 0x800A, DATA
// x/20 from 0x8016, 8 x 12); Ignition Timing, an RPM row per THROT row (DATA
// from 0x80BA, 6 x 10); constants at 0x8200..; nothing at 0x81F0.
TEST_F(RvtuneDiffTest, FreeMapDifferencesAreListedAsTheTableShowsThem) {
    const std::string b = Changed("KST26A", "b.qsd",
                                  {{0x8016 + 12 * 2 + 3, 0xFF},   // Fuel Injection row 2, column 3
                                   {0x8003, 0x0B},                // THROT[1] 5.0 -> 5.5
                                   {0x80BA + 10 * 1 + 4, 0x50},   // Ignition Timing row 1, column 4
                                   {0x8205, 0x96},                // Idle Target
                                   {0x81F0, 0x12},
                                   {0x81F1, 0x34}});
    ProcessResult o = Tune("KST26A", {"diff", Shipped("KST26A"), b, "--csv"});
    ASSERT_EQ(o.status, 1) << o.err;
    // Cells name THROT and RPM of A's table (row 2: THROT 10.0; column 3:
    // RPM 4000), DATA as the table prints it: 0x32 / 20 = 2.5, 0xFF / 20 = 12.75.
    EXPECT_EQ(o.out,
              "kind,name,row,column,a,b\n"
              "cell,Fuel Injection,10.0,4000,2.5,12.8\n"
              "axis,Fuel Injection,THROT,1,5.0,5.5\n"
              "cell,Ignition Timing,10.0,4000,20.0,30.0\n"
              "constant,Idle Target,,,1300,1500\n"
              "bytes,81F0-81F1,,,0000,1234\n");
}

// HRN26C: Main Fuel and Ignition share their axes (THROT bytes at 0x4100,
// RPM words x*10 at 0x4110); Warm-up Trim has listed axes (COOLANT -10, 30,
// 80; RPM 1000 .. 6000), DATA x/5-25.6 from 0x4060.
TEST_F(RvtuneDiffTest, ConfigMapDifferencesNameListedAxesAndSharedAxes) {
    const std::string b = Changed("HRN26C", "b.qsd", {{0x4112, 0x00}, {0x4113, 0x64},   // RPM[1] -> 1000
                                                      {0x4060 + 6 * 2 + 5, 0x80}});     // Trim at 80, 6000
    ProcessResult o = Tune("HRN26C", {"diff", Shipped("HRN26C"), b, "--csv"});
    ASSERT_EQ(o.status, 1) << o.err;
    // The shared RPM axis is listed for both maps; 0x80 of Trim is 0.0.
    EXPECT_EQ(o.out.substr(0, o.out.find("\n") + 1), "kind,name,row,column,a,b\n");
    std::istringstream lines(o.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u) << o.out;
    EXPECT_EQ(rows[1].rfind("axis,Main Fuel,RPM,1,", 0), 0u) << rows[1];
    EXPECT_EQ(rows[1].substr(rows[1].rfind(',')), ",1000");
    EXPECT_EQ(rows[2].substr(rows[2].find("RPM")), rows[1].substr(rows[1].find("RPM")));
    EXPECT_EQ(rows[2].rfind("axis,Ignition,RPM,1,", 0), 0u) << rows[2];
    EXPECT_EQ(rows[3], "cell,Warm-up Trim,80.0,6000,-2.0,0.0");
}

TEST_F(RvtuneDiffTest, ErrorsAreExitTwo) {
    EXPECT_EQ(Tune("KST26A", {"diff", Shipped("KST26A"), dir.File("missing.qsd")}).status, 2);
    // A calibration of another machine.
    EXPECT_EQ(Tune("KST26A", {"diff", Shipped("KST26A"), Shipped("HRN26C")}).status, 2);
    EXPECT_EQ(Tune("KST26A", {"diff", Shipped("KST26A")}).status, 2);
}

TEST_F(RvtuneDiffTest, MergeCopiesTheNamedMapsAndConstantsAndKeepsEverythingElse) {
    for (const char* machine : {"KST26A", "HRN26C"}) {
        SCOPED_TRACE(machine);
        const bool free = std::string(machine) == "KST26A";
        const std::string map = free ? "Fuel Injection" : "Warm-up Trim";
        const std::string other = free ? "Fuel Trim" : "Main Fuel";
        const unsigned mapByte = free ? 0x8016 : 0x4060;
        const unsigned axisByte = free ? 0x8003 : 0x4060 + 17;   // KST26A THROT[1]; HRN26C: its last cell
        const unsigned otherByte = free ? 0x8102 : 0x4000;
        const unsigned constant = free ? 0x8205 : 0x4182;
        const std::string from = Changed(machine, std::string(machine) + "from.qsd",
                                         {{mapByte, 0x21}, {axisByte, 0x0B}, {otherByte, 0x44}, {constant, 0x33}});
        const std::string out = dir.File(std::string(machine) + "out.qsd");
        ProcessResult o = Tune(machine, {"merge", Shipped(machine), from, "--maps", map, "--constants", "Idle Target",
                                         "--out", out});
        ASSERT_EQ(o.status, 0) << o.err;
        // Only the map and constant came over: against FROM the other map
        // differs, against BASE only what was merged.
        ProcessResult fromDiff = Tune(machine, {"diff", out, from, "--csv"});
        EXPECT_EQ(fromDiff.status, 1);
        EXPECT_NE(fromDiff.out.find("cell," + other + ","), std::string::npos) << fromDiff.out;
        EXPECT_EQ(fromDiff.out.find(map), std::string::npos) << fromDiff.out;
        EXPECT_EQ(fromDiff.out.find("constant,"), std::string::npos) << fromDiff.out;
        ProcessResult baseDiff = Tune(machine, {"diff", Shipped(machine), out, "--csv"});
        EXPECT_EQ(baseDiff.status, 1);
        EXPECT_EQ(baseDiff.out.find(other), std::string::npos) << baseDiff.out;
        EXPECT_NE(baseDiff.out.find("constant,Idle Target"), std::string::npos) << baseDiff.out;
        EXPECT_EQ(baseDiff.out.find("bytes,"), std::string::npos) << baseDiff.out;
        ProcessResult info = Tune(machine, {"info", out});
        EXPECT_NE(info.out.find("checksum: ok"), std::string::npos) << info.out;
    }
}

TEST_F(RvtuneDiffTest, MergeRefusesUnknownNamesAndOtherShapesAndWritesNothing) {
    // KST26A's Fuel Trim counts (0x80F6: 4 x 6) made 4 x 5: its shape differs.
    const std::string from = Changed("KST26A", "from.qsd", {{0x80F7, 0x05}});
    const std::string out = dir.File("out.qsd");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--maps", "Fuel Trim"}, "map 'Fuel Trim' has another shape"},
        {{"--maps", "Fuel Injection,Nothing"}, "unknown map 'Nothing'"},
        {{"--maps", "Fuel Injection", "--constants", "Nothing"}, "unknown constant 'Nothing'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args{"merge", Shipped("KST26A"), from};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--out", out});
        ProcessResult o = Tune("KST26A", args);
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(Tune("KST26A", {"merge", Shipped("KST26A"), from, "--out", out}).status, 2);
}

// KST26A cut to its first eight records, 8000-807F: Fuel Injection whole,
// Ignition Timing (counts 8076, RPM rows from 807E, DATA 80BA-80F5) only to
// its first RPM value, no constant. 807F is this file's checksum.
std::string FirstRecordsOnly(const std::string& text) {
    std::string kept;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("S1", 0) != 0 || std::stoul(line.substr(4, 4), nullptr, 16) < 0x8080) kept += line + "\n";
    return kept;
}

TEST_F(RvtuneDiffTest, MergeFromAFileThatDoesNotHoldANamedMapOrConstantWritesNothing) {
    const std::string from = dir.Write("short.qsd", FirstRecordsOnly(ReadAll(Shipped("KST26A"))));
    const std::string out = dir.File("out.qsd");
    const std::string outside = " outside the data of " + from + " (8000-807E; 807F is the checksum)";
    ProcessResult o = Tune("KST26A", {"merge", Shipped("KST26A"), from, "--maps", "Ignition Timing,Fuel Injection",
                                      "--constants", "Idle Target", "--out", out});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("map 'Ignition Timing': bytes 807F-80F5 lie" + outside + "; constant 'Idle Target': byte "
                         "8205 lies" + outside + "; nothing written"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    // What the short file holds merges.
    EXPECT_EQ(Tune("KST26A", {"merge", Shipped("KST26A"), from, "--maps", "Fuel Injection", "--out", out}).status, 0);
}

TEST_F(RvtuneDiffTest, ValuesOneFileDoesNotHoldAreListedAsMissingNotAsZeros) {
    const std::string shortFile = dir.Write("short.qsd", FirstRecordsOnly(ReadAll(Shipped("KST26A"))));
    ProcessResult o = Tune("KST26A", {"diff", Shipped("KST26A"), shortFile, "--csv"});
    ASSERT_EQ(o.status, 1) << o.err;
    EXPECT_EQ(o.out.rfind("kind,name,row,column,a,b\n", 0), 0u);
    // Row 0's first Advance is 10.0; the short file has none there, not -10.0 (raw 0).
    EXPECT_NE(o.out.find("\ncell,Ignition Timing,0.0,1000,10.0,\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nconstant,Idle Target,,,1300,\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find(",-10.0\n"), std::string::npos) << o.out;
    // The other way round a cell is named by the axis value of the file
    // that holds it (RPM[1], 1500, lies on the short file's checksum).
    o = Tune("KST26A", {"diff", shortFile, Shipped("KST26A"), "--csv"});
    EXPECT_NE(o.out.find("\ncell,Ignition Timing,0.0,1500,,13.0\n"), std::string::npos) << o.out;
    o = Tune("KST26A", {"diff", Shipped("KST26A"), shortFile});
    EXPECT_NE(o.out.find("  Ignition Timing THROT 0.0 RPM 1000: 10.0 -> (not in " + shortFile + ")"), std::string::npos)
        << o.out;
}

}  // namespace
