#include "app/HitCounts.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/app/RideFixtures.h"

namespace {

using namespace ridefixtures;

TEST(HitCountsTest, ShortRideWorkedOutByHand) {
    // THROT 0, 50, 100 (rows); RPM 1000, 2000, 3000 (columns).
    const OperatingAxes axes = Axes({0, 50, 100}, {{1000, 2000, 3000}});
    const Datalog log = Log(
        "time_s,Engine Speed [rpm],Throttle [%]\n"
        "0.000,1000,0\n"      // 1.0 s on cell (0,0)
        "1.000,1500,0\n"      // 0.5 s, halfway between (0,0) and (0,1): 0.25 s each
        "1.500,2000,25\n"     // 2.0 s, on RPM 2000, halfway between rows 0 and 1: 1.0 s on (0,1) and (1,1)
        "3.500,,50\n"         // 0.5 s without engine speed: counted nowhere
        "4.000,3500,100\n"    // 1.0 s beyond the RPM axis: held at (2,2)
        "5.000,2500,75\n"     // 0 s: the next sample has the same time
        "5.000,2500,75\n");   // the last sample: no duration
    const HitCounts hits = CountHits(log, 0, 1, axes);
    ASSERT_EQ(hits.rows, 3);
    ASSERT_EQ(hits.columns, 3);
    const double want[3][3] = {{1.25, 1.25, 0}, {0, 1.0, 0}, {0, 0, 1.0}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(hits.Seconds(r, c), want[r][c], 1e-9) << r << "," << c;
    EXPECT_NEAR(hits.countedSeconds, 4.5, 1e-9);
    EXPECT_EQ(hits.countedSamples, 5u);
    EXPECT_EQ(hits.missingSamples, 1u);
    EXPECT_NEAR(hits.missingSeconds, 0.5, 1e-9);
    EXPECT_EQ(hits.clampedSamples, 1u);
    EXPECT_NEAR(hits.clampedSeconds, 1.0, 1e-9);
}

TEST(HitCountsTest, RowsWithTheirOwnRpmLineAndMapsOfOneLine) {
    // Row 0: 1000, 2000; row 1: 2000, 4000. 3000 rpm at throttle 50: row 0
    // held at 2000 (column 1); row 1 halfway (columns 0 and 1); 2 s.
    const Datalog log = Log("time_s,RPM [rpm],TPS [deg]\n0,3000,50\n2,3000,50\n");
    const HitCounts two = CountHits(log, 0, 1, Axes({0, 100}, {{1000, 2000}, {2000, 4000}}));
    EXPECT_NEAR(two.Seconds(0, 0), 0.0, 1e-9);
    EXPECT_NEAR(two.Seconds(0, 1), 1.0, 1e-9);
    EXPECT_NEAR(two.Seconds(1, 0), 0.5, 1e-9);
    EXPECT_NEAR(two.Seconds(1, 1), 0.5, 1e-9);
    EXPECT_EQ(two.clampedSamples, 1u);

    // One THROT row and no THROT column: the rpm alone places the point.
    const HitCounts one = CountHits(log, 0, -1, Axes({0}, {{1000, 5000}}));
    EXPECT_NEAR(one.Seconds(0, 0), 1.0, 1e-9);
    EXPECT_NEAR(one.Seconds(0, 1), 1.0, 1e-9);
    EXPECT_EQ(one.clampedSamples, 0u);
}

TEST(HitCountsTest, ColumnsComeFromTheOperatingPointItems) {
    const std::vector<DiagItem> items = {Item("Engine Speed", "rpm"), Item("Throttle", "%")};
    OperatingPoint point;
    point.rpm.item = 0;
    point.throt.item = 1;
    MapRecord map;
    map.name = "Fuel";
    map.x.name = "RPM";
    map.z.name = "THROT";
    map.z.count = 3;

    struct Case {
        const char* header;
        int rows;
        bool ok;
        int rpm, throt;
        const char* error;
    };
    const Case cases[] = {
        {"time_s,Throttle [%],Engine Speed [rpm]\n", 3, true, 1, 0, ""},
        {"time_s,Engine Speed [rpm]\n", 1, true, 0, -1, ""},   // one row needs no throttle
        {"time_s,Engine Speed [rpm],Throttle [%],Engine Speed [x]\n", 3, false, -1, -1,
         "the log has more than one column \"Engine Speed\" (the RPM item)"},
        {"time_s,Engine Speed [ RPM ],Throttle [km/h]\n", 3, false, -1, -1,
         "the log's column Throttle is in km/h, the machine's item in %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        map.z.count = static_cast<std::uint8_t>(c.rows);
        const Datalog log = Log(c.header);
        int rpm = 9, throt = 9;
        std::string error;
        EXPECT_EQ(FindHitColumns(log, point, items, map, rpm, throt, error), c.ok);
        EXPECT_EQ(error, c.error);
        if (c.ok) {
            EXPECT_EQ(rpm, c.rpm);
            EXPECT_EQ(throt, c.throt);
        }
    }
}

}  // namespace
