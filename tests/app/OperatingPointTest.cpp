#include "app/OperatingPoint.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<DiagItem> Items(std::vector<std::pair<const char*, const char*>> namesAndUnits) {
    std::vector<DiagItem> items;
    for (const auto& [name, unit] : namesAndUnits) {
        DiagItem item;
        item.name = name;
        item.unit = unit;
        items.push_back(item);
    }
    return items;
}

const std::vector<DiagItem> kKestrel =
    Items({{"Engine Speed", "rpm"}, {"Throttle", "%"}, {"Coolant Temp", "degC"}, {"Engine RPM", "rpm"}});

TEST(OperatingPointTest, DefaultsAreFoundByNameAndUnit) {
    struct Case {
        std::vector<DiagItem> items;
        int rpm, throt;
    };
    const Case cases[] = {
        {kKestrel, 0, 1},
        {Items({{"Battery", "V"}, {" engine rpm ", "RPM"}, {"tps", " DEG"}}), 1, 2},
        {Items({{"Throttle Position", "%"}, {"RPM", "rpm"}}), 1, 0},
        // The right name with another unit, or the unit under another name.
        {Items({{"Engine Speed", "km/h"}, {"Throttle", "V"}, {"Idle Speed", "rpm"}, {"Lean", "%"}}), -1, -1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(DefaultRpmItem(cases[i].items), cases[i].rpm);
        EXPECT_EQ(DefaultThrotItem(cases[i].items), cases[i].throt);
    }
}

TEST(OperatingPointTest, TheSettingsChooseAndADefaultNeverStandsInForAMissingName) {
    TempDir dir;
    struct Case {
        const char* section;
        int rpm, throt;
        const char* rpmSet;
    };
    const Case cases[] = {
        {"", 0, 1, ""},
        {"[Operating Point]\nRPM=Engine RPM\n", 3, 1, "Engine RPM"},
        {"[operating point]\nrpm=engine rpm\nTHROT=\n", 3, 1, "engine rpm"},   // any case
        {"[Operating Point]\nRPM=Crank Speed\nTHROT=Coolant Temp\n", -1, 2, "Crank Speed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        const std::string path = dir.Write("RV_Tune.INI", std::string("[RS232C]\nPORT=PORT1\n") + c.section);
        const OperatingPoint point = LoadOperatingPoint(ProfileFile(path), kKestrel);
        EXPECT_EQ(point.rpm.item, c.rpm);
        EXPECT_EQ(point.throt.item, c.throt);
        EXPECT_EQ(point.rpm.setName, c.rpmSet);
    }
}

TEST(OperatingPointTest, SavingRewritesOnlyItsOwnSection) {
    TempDir dir;
    const std::string before = "; machine settings\n[RS232C]\nPORT=PORT1\n\n[DIAGSELECT]\nSELECT0=Throttle\n";
    const std::string path = dir.Write("RV_Tune.INI", before);
    ProfileFile settings(path);
    ASSERT_TRUE(SaveOperatingPoint(settings, kKestrel, 3, -1));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text.substr(0, before.size()), before);
    EXPECT_NE(text.find("[Operating Point]\nRPM=Engine RPM\nTHROT=\n"), std::string::npos) << text;
    const OperatingPoint point = LoadOperatingPoint(settings, kKestrel);
    EXPECT_EQ(point.rpm.item, 3);
    EXPECT_EQ(point.throt.item, 1);   // an empty value is the default again
}

TEST(OperatingPointTest, ANameTheFileWouldNotGiveBackIsNotSaved) {
    TempDir dir;
    const std::string before = "[RS232C]\nPORT=PORT1\n";
    const std::string path = dir.Write("RV_Tune.INI", before);
    ProfileFile settings(path);
    for (const std::string& name : {std::string(" Engine Speed"), std::string("\"Engine Speed\""),
                                    std::string(ProfileFile::kBufferSize, 'R')}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(SaveOperatingPoint(settings, Items({{"Throttle", "%"}, {name.c_str(), "rpm"}}), 1, 0));
        std::string text;
        ASSERT_TRUE(ReadWholeFile(path, text));
        EXPECT_EQ(text, before);
    }
}

TEST(OperatingPointTest, ReasonsWhyNoCursorIsShown) {
    MapRecord map;
    map.name = "Warm-up Trim";
    map.x.name = "RPM";
    map.z.name = "THROT";
    map.z.count = 3;
    OperatingPoint both;
    both.rpm.item = 0;
    both.throt.item = 1;
    OperatingPoint noThrot = both;
    noThrot.throt.item = -1;
    OperatingPoint unknownRpm = both;
    unknownRpm.rpm = {-1, "Crank Speed"};

    struct Case {
        const char* what;
        const char* x;
        const char* z;
        int rows;
        OperatingPoint point;
        std::string reason;
    };
    const Case cases[] = {
        {"all there", "RPM", "THROT", 3, both, ""},
        {"names in another case", " rpm", "Throt", 3, both, ""},
        {"rows of coolant", "RPM", "COOLANT", 3, both,
         "The map \"Warm-up Trim\" has rows of COOLANT, not THROT, so no operating point is shown."},
        {"one row of coolant is a line along RPM", "RPM", "COOLANT", 1, noThrot, ""},
        {"columns of speed", "SPEED", "THROT", 3, both,
         "The map \"Warm-up Trim\" runs along SPEED, not RPM, so no operating point is shown."},
        {"no RPM item", "RPM", "THROT", 3, OperatingPoint{},
         "No monitor item gives the engine speed for the RPM axis; name one as RPM= in [Operating Point] of "
         "the machine's settings."},
        {"an RPM item the settings name", "RPM", "THROT", 3, unknownRpm,
         "The machine's settings name \"Crank Speed\" for the RPM axis, but no monitor item has that name."},
        {"no THROT item", "RPM", "THROT", 3, noThrot,
         "No monitor item gives the throttle for the THROT axis; name one as THROT= in [Operating Point] of "
         "the machine's settings."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        map.x.name = c.x;
        map.z.name = c.z;
        map.z.count = static_cast<std::uint8_t>(c.rows);
        EXPECT_EQ(NoCursorReason(c.point, kKestrel, map), c.reason);
    }
}

}  // namespace
