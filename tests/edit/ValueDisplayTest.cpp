#include "edit/ValueDisplay.h"

#include <gtest/gtest.h>

#include <memory>

// 2 THROT rows x 3 RPM columns of x/20 at 0x0100: a cell the file does not
// hold neither shades nor stretches the range.
TEST(MapDataRange, TheRangeIsThatOfTheCellsTheFileHolds) {
    auto image = std::make_unique<Image>();
    MapRecord map;
    map.z.count = 2;
    map.x.count = 3;
    map.y.start = 0x0100;
    map.y.hexToPhys = "x/20";
    const std::uint8_t raws[] = {10, 200, 30, 40, 250, 5};
    for (int i = 0; i < 6; ++i) (*image)[0x0100 + i] = raws[i];
    struct Case {
        DataSpan data;
        bool valid;
        double low, high;
    };
    const Case cases[] = {
        {{0x0100, 0x0106}, true, 0.25, 12.5},   // all six cells
        {{0x0100, 0x0104}, true, 0.5, 10.0},    // 250 and 5 lie outside
        {{0x0200, 0x0300}, false, 0, 0},        // none of them
    };
    for (const Case& c : cases) {
        const ScaleRange range = MapDataRange(map, *image, c.data);
        EXPECT_EQ(range.valid, c.valid) << c.data.Text();
        if (!c.valid) continue;
        EXPECT_FLOAT_EQ(range.low, c.low) << c.data.Text();
        EXPECT_FLOAT_EQ(range.high, c.high) << c.data.Text();
    }
}
