#include "app/OperatingTrail.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/MapOverlay.h"

namespace {

// Items: 0 coolant, 1 engine speed, 2 throttle.
std::vector<std::optional<double>> Values(std::optional<double> rpm, std::optional<double> throt) {
    return {std::optional<double>(80.0), rpm, throt};
}

struct OperatingTrailTest : ::testing::Test {
    OperatingTrail trail;
    void SetUp() override { trail.SetItems(1, 2); }
};

TEST_F(OperatingTrailTest, ForgetsPointsOlderThanTwoSeconds) {
    struct Case {
        double time;
        double rpm;
        std::size_t size;   // points kept after the feed
    };
    const Case cases[] = {
        {0.0, 1000, 1}, {0.5, 1500, 2}, {1.9, 2000, 3},
        {2.0, 2500, 4},   // the first is exactly two seconds old: kept
        {2.6, 3000, 3},   // 0.0 and 0.5 go
        {10.0, 3500, 1},  // all older ones go; the newest is where the engine is
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(trail.Feed(c.time, Values(c.rpm, 20.0))) << c.time;
        EXPECT_EQ(trail.Size(), c.size) << c.time;
        EXPECT_EQ(trail.Current()->rpm, c.rpm);
    }
}

TEST_F(OperatingTrailTest, OlderPointsAgeTowardsOneAndVanishAtTheSpan) {
    trail.Feed(0.0, Values(1000, 10.0));
    trail.Feed(1.0, Values(2000, 20.0));
    trail.Feed(1.5, Values(3000, 30.0));
    const std::vector<AgedTrailPoint> at2 = trail.Older(2.0);
    ASSERT_EQ(at2.size(), 2u);   // the newest is not among them
    EXPECT_DOUBLE_EQ(at2[0].age, 1.0);
    EXPECT_DOUBLE_EQ(at2[0].point.rpm, 1000);
    EXPECT_DOUBLE_EQ(at2[1].age, 0.5);
    // Later on the oldest is past the span even before the next feed.
    const std::vector<AgedTrailPoint> at25 = trail.Older(2.5);
    ASSERT_EQ(at25.size(), 1u);
    EXPECT_DOUBLE_EQ(at25[0].point.rpm, 2000);
}

TEST_F(OperatingTrailTest, AnswersOfOneItemMoveThePointWithTheOtherKept) {
    EXPECT_FALSE(trail.Feed(0.0, Values(std::nullopt, 40.0)));   // no engine speed yet: no point
    EXPECT_TRUE(trail.Empty());
    EXPECT_TRUE(trail.Feed(0.1, Values(2500, std::nullopt)));
    EXPECT_EQ(trail.Current()->throt, std::optional<double>(40.0));
    EXPECT_TRUE(trail.Feed(0.2, Values(std::nullopt, 55.0)));
    EXPECT_EQ(trail.Current()->rpm, 2500);
    EXPECT_EQ(trail.Current()->throt, std::optional<double>(55.0));
    // Other items, and values that are no number, move nothing.
    EXPECT_FALSE(trail.Feed(0.3, Values(std::nullopt, std::nullopt)));
    EXPECT_FALSE(trail.Feed(0.4, Values(std::numeric_limits<double>::quiet_NaN(), std::nullopt)));
    EXPECT_FALSE(trail.Feed(0.5, {std::optional<double>(1.0)}));   // a short row
    EXPECT_EQ(trail.Size(), 2u);
}

TEST_F(OperatingTrailTest, TimeGoingBackStartsOver) {
    trail.Feed(5.0, Values(1000, 10.0));
    trail.Feed(5.5, Values(2000, 20.0));
    EXPECT_TRUE(trail.Feed(1.0, Values(3000, std::nullopt)));
    ASSERT_EQ(trail.Size(), 1u);
    EXPECT_FALSE(trail.Current()->throt.has_value());   // the old throttle went with the old points
}

TEST_F(OperatingTrailTest, OtherItemsStartTheTrailOver) {
    trail.Feed(0.0, Values(1000, 10.0));
    trail.SetItems(1, 2);
    EXPECT_EQ(trail.Size(), 1u);   // the same items: kept
    trail.SetItems(1, 0);
    EXPECT_TRUE(trail.Empty());
}

OperatingAxes Axes(std::vector<float> throt, std::vector<float> rpm) {
    OperatingAxes axes;
    axes.status = AxesStatus::kReady;
    axes.throt = std::move(throt);
    axes.rpm = {std::move(rpm)};
    return axes;
}

MapRecord Map(const char* name, int rows) {
    MapRecord map;
    map.name = name;
    map.z.count = rows;
    return map;
}

TEST_F(OperatingTrailTest, MarksArePlacedOnTheMapWithTheTrailAged) {
    const OperatingAxes axes = Axes({0, 50, 100}, {1000, 2000, 3000});
    trail.Feed(0.0, Values(1000, 0.0));
    trail.Feed(1.0, Values(2500, 75.0));
    const LiveMarks marks = PlaceLiveMarks(trail, 1.0, Map("Fuel", 3), axes);
    EXPECT_EQ(marks.mapName, "Fuel");
    ASSERT_TRUE(marks.cells.found);
    EXPECT_EQ(marks.cells.cells.size(), 4u);
    EXPECT_FLOAT_EQ(marks.cells.row, 1.5f);
    EXPECT_FLOAT_EQ(marks.cells.column, 1.5f);
    ASSERT_EQ(marks.trail.size(), 1u);
    EXPECT_FLOAT_EQ(marks.trail[0].row, 0.0f);
    EXPECT_FLOAT_EQ(marks.trail[0].column, 0.0f);
    EXPECT_FLOAT_EQ(marks.trail[0].age, 0.5f);
}

TEST_F(OperatingTrailTest, NoMarksWithoutThrottleOnAMapOfRowsOrWithoutAxes) {
    trail.Feed(0.0, Values(1500, std::nullopt));
    EXPECT_TRUE(PlaceLiveMarks(trail, 0.0, Map("Fuel", 3), Axes({0, 50, 100}, {1000, 2000})).mapName.empty());
    // A line along RPM needs no throttle.
    const LiveMarks line = PlaceLiveMarks(trail, 0.0, Map("Idle", 1), Axes({0}, {1000, 2000}));
    EXPECT_EQ(line.mapName, "Idle");
    EXPECT_FLOAT_EQ(line.cells.column, 0.5f);
    OperatingAxes broken = Axes({0}, {1000, 2000});
    broken.status = AxesStatus::kNotInData;
    EXPECT_TRUE(PlaceLiveMarks(trail, 0.0, Map("Idle", 1), broken).mapName.empty());
}

TEST(HitShadeTest, VisitedCellsShowAndDarkOnesTurnTheTextWhite) {
    struct Case {
        double seconds, maximum;
        bool shaded, lightText;
    };
    const Case cases[] = {
        {0.0, 10.0, false, false}, {0.01, 10.0, true, false}, {2.5, 10.0, true, false},
        {10.0, 10.0, true, true},  {5.0, 0.0, false, false},  {-1.0, 10.0, false, false},
    };
    for (const Case& c : cases) {
        const double shade = HitShade(c.seconds, c.maximum);
        EXPECT_EQ(shade > 0.0, c.shaded) << c.seconds;
        EXPECT_EQ(HitTextLight(shade), c.lightText) << c.seconds;
        if (c.shaded) {
            EXPECT_LT(HitGrey(shade), 255) << c.seconds;
        }
    }
    EXPECT_LT(HitGrey(HitShade(9, 10)), HitGrey(HitShade(1, 10)));   // more time, darker
    EXPECT_EQ(HitSecondsText(12.34), "12.3 s");
}

}  // namespace
