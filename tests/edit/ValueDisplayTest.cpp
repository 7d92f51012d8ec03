#include "edit/ValueDisplay.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// 2 THROT rows x 3 RPM columns; DATA x/20 ms at 0x0100.
struct ShadingTest : ::testing::Test {
    std::unique_ptr<Image> image = std::make_unique<Image>();
    MapRecord map;
    void SetUp() override {
        map.z.count = 2;
        map.x.count = 3;
        map.y.start = 0x0100;
        map.y.hexToPhys = "x/20";
        map.y.physToHex = "x*20";
        map.y.maximum = "12.75";
        map.y.unit = "ms";
        const std::uint8_t raws[] = {10, 200, 30, 40, 250, 5};
        for (int i = 0; i < 6; ++i) (*image)[0x0100 + i] = raws[i];
    }
};

}  // namespace

TEST_F(ShadingTest, TheRangeIsThatOfTheCellsTheFileHolds) {
    struct Case {
        DataSpan data;
        bool valid;
        double low, high;
    };
    const Case cases[] = {
        {{0x0100, 0x0106}, true, 0.25, 12.5},   // all six cells
        {{0x0100, 0x0104}, true, 0.5, 10.0},    // the last two lie outside: 250 and 5 do not count
        {{0x0102, 0x0103}, true, 1.5, 1.5},     // one cell
        {{0x0200, 0x0300}, false, 0, 0},        // none of them
    };
    for (const Case& c : cases) {
        const ScaleRange range = MapDataRange(map, *image, c.data);
        EXPECT_EQ(range.valid, c.valid) << c.data.Text();
        if (!c.valid) continue;
        EXPECT_FLOAT_EQ(range.low, c.low) << c.data.Text();
        EXPECT_FLOAT_EQ(range.high, c.high) << c.data.Text();
    }
    EXPECT_FALSE(DataCellHeld(map, {0x0100, 0x0104}, 1, 1));
    EXPECT_TRUE(DataCellHeld(map, {0x0100, 0x0104}, 1, 0));
}

TEST_F(ShadingTest, TheLegendPrintsTheEndsAsTheCellsDoWithTheUnit) {
    ValueFormats formats;
    formats.y = "%.1f";
    const ScaleRange range = MapDataRange(map, *image, {0x0100, 0x0106});
    LegendText text = ScaleLegendText(range, map, formats);
    EXPECT_EQ(text.low, "0.2 ms");   // 0.25 in one decimal
    EXPECT_EQ(text.high, "12.5 ms");
    formats.stepDecimals = true;
    text = ScaleLegendText(range, map, formats);
    EXPECT_EQ(text.low, "0.25 ms");
    map.y.unit.clear();
    EXPECT_EQ(ScaleLegendText(range, map, formats).high, "12.50");
    EXPECT_EQ(ScaleLegendText(ScaleRange{}, map, formats).low, "");
}
