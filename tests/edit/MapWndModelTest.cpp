#include "edit/MapWndModel.h"

#include <gtest/gtest.h>

namespace {

MapItem Item(const char* toPhys, const char* toHex, const char* min, const char* max) {
    MapItem item;
    item.hexToPhys = toPhys;
    item.physToHex = toHex;
    item.minimum = min;
    item.maximum = max;
    return item;
}

// An RPM axis of 1000..12000 rpm in steps of 50 (raw 20..240) in a window
// 600 pixels wide: the pane is 550 wide.
struct MapWndModelTest : ::testing::Test {
    MapRecord map;
    Image image{};
    MapWndModelTest() {
        map.z = Item("x", "x", "0", "255");
        map.x = Item("x*50", "x/50", "1000", "12000");
        map.y = Item("x", "x", "0", "255");
        map.z.count = 1;
        map.x.count = 2;
        map.x.start = 0x100;
        map.y.start = 0x110;
        image[0x100] = 20;
        image[0x101] = 240;
    }
    GraphScales Scales(GraphAxisKind axis) {
        const GraphRawRange range = ComputeGraphRawRange(map, axis).range;
        return ComputeGraphScales(map, axis, ScaleRange(range, axis), 600, 460);
    }
};

TEST_F(MapWndModelTest, FreeMapAxisAboveZeroStaysInsideThePane) {
    const GraphScales s = Scales(GraphAxisKind::kFreeMap);
    const std::vector<GraphPoint> points = GraphLinePoints(map, image, s, 0);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_GE(points[0].x, 0);
    EXPECT_LT(points[1].x, s.pane.width);
    EXPECT_GE(points[1].x, s.pane.width - 5);   // and uses the width
}

TEST_F(MapWndModelTest, AxesPlacedFromTheirMinimumKeepTheRange) {
    GraphRawRange range;
    range.xMinimum = 20;
    range.xMaximum = 240;
    for (GraphAxisKind axis : {GraphAxisKind::kImageAxis, GraphAxisKind::kListAxis}) {
        EXPECT_EQ(ScaleRange(range, axis).xMinimum, 20);
    }
    range.xMinimum = -5;   // below 0 it already spans raw 0
    EXPECT_EQ(ScaleRange(range, GraphAxisKind::kFreeMap).xMinimum, -5);
}

}  // namespace
