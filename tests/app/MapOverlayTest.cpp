#include "app/MapOverlay.h"

#include <gtest/gtest.h>

#include "tests/app/RideFixtures.h"

namespace {

using namespace ridefixtures;

TEST(MapOverlayTest, EveryMapThatCanShowHitsGetsThemAndTheOthersSayWhy) {
    const std::vector<DiagItem> items = {Item("Engine Speed", "rpm"), Item("Throttle", "%")};
    OperatingPoint point;
    point.rpm.item = 0;
    point.throt.item = 1;
    MapRecord fuel, spark, boost, broken;
    fuel.name = "Fuel";
    spark.name = "Spark";
    boost.name = "Boost";
    broken.name = "Broken";
    for (MapRecord* map : {&fuel, &spark, &boost, &broken}) {
        map->x.name = "RPM";
        map->z.name = "THROT";
        map->z.count = 2;
    }
    boost.x.name = "Gear";
    Datalog log;
    std::string error;
    ASSERT_TRUE(ParseDatalog("time_s,Engine Speed [rpm],Throttle [%]\n0,1000,0\n3,2000,100\n", log, error));
    const MapHits hits = CountHitsOnMaps(log, point, items, {&fuel, &boost, &spark, &broken},
                                         [](const MapRecord& map) {
                                             OperatingAxes axes;
                                             axes.status = map.name == "Broken" ? AxesStatus::kBadEquation
                                                                                : AxesStatus::kReady;
                                             axes.throt = {0, 100};
                                             axes.rpm = {{1000, 2000}};
                                             return axes;
                                         });
    ASSERT_EQ(hits.hits.size(), 2u);
    const CellSeconds& grid = hits.hits.at("Fuel");
    EXPECT_DOUBLE_EQ(grid.At(0, 0), 3.0);
    EXPECT_DOUBLE_EQ(grid.maximum, 3.0);
    EXPECT_DOUBLE_EQ(grid.At(5, 5), 0.0);   // outside the grid
    EXPECT_EQ(hits.hits.count("Spark"), 1u);
    ASSERT_EQ(hits.skipped.size(), 2u);
    EXPECT_NE(hits.skipped[0].find("Boost: "), std::string::npos);
    EXPECT_NE(hits.skipped[0].find("not RPM"), std::string::npos);
    EXPECT_EQ(hits.skipped[1], "Broken: an axis value does not convert");

    // A log whose throttle never answered counts nothing: the map says why
    // rather than showing an empty shading.
    ASSERT_TRUE(ParseDatalog("time_s,Engine Speed [rpm],Throttle [%]\n0,1000,\n3,2000,\n", log, error));
    const MapHits none = CountHitsOnMaps(log, point, items, {&fuel}, [](const MapRecord&) {
        OperatingAxes axes;
        axes.status = AxesStatus::kReady;
        axes.throt = {0, 100};
        axes.rpm = {{1000, 2000}};
        return axes;
    });
    EXPECT_TRUE(none.hits.empty());
    ASSERT_EQ(none.skipped.size(), 1u);
    EXPECT_EQ(none.skipped[0], "Fuel: no row of the log could be counted (1 without a usable value for RPM or THROT)");
}

}  // namespace
