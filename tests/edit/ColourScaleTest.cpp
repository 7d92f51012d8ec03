#include "edit/ColourScale.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

// The order of the values must survive a greyscale print: luminance rises
// strictly along the whole scale, not only from stop to stop (in steps of a
// hundredth: finer ones meet the rounding to whole channel values), and the
// two ends differ enough to tell apart.
TEST(ColourScaleTest, LuminanceRisesAlongTheWholeScale) {
    double previous = -1.0;
    for (int step = 0; step <= 100; ++step) {
        const double luminance = ScaleLuminance(ScaleColourAt(step / 100.0));
        EXPECT_GT(luminance, previous) << "step " << step;
        previous = luminance;
    }
    EXPECT_GT(ScaleLuminance(ScaleColourAt(1.0)) - ScaleLuminance(ScaleColourAt(0.0)), 0.7);
}

TEST(ColourScaleTest, PositionsOutsideTheScaleAndTextColours) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ScaleColour low = ScaleColourAt(0.0);
    const ScaleColour high = ScaleColourAt(1.0);
    for (double t : {-1.0, nan, -std::numeric_limits<double>::infinity()}) {
        const ScaleColour c = ScaleColourAt(t);
        EXPECT_EQ(c.red, low.red);
        EXPECT_EQ(c.blue, low.blue);
    }
    EXPECT_EQ(ScaleColourAt(7.0).green, high.green);
    EXPECT_EQ(ScaleTextColour(low).red, 255);    // white on the dark end
    EXPECT_EQ(ScaleTextColour(high).red, 0);     // black on the light end
}

TEST(ColourScaleTest, RangeLeavesOutValuesThatAreNotFinite) {
    const double inf = std::numeric_limits<double>::infinity();
    const ScaleRange range = ScaleRangeOf({4.0, std::nan(""), -2.0, inf, 10.0});
    ASSERT_TRUE(range.valid);
    EXPECT_EQ(range.low, -2.0);
    EXPECT_EQ(range.high, 10.0);
    EXPECT_DOUBLE_EQ(range.PositionOf(4.0), 0.5);
    EXPECT_EQ(range.PositionOf(-50.0), 0.0);
    EXPECT_EQ(range.PositionOf(inf), 0.0);

    EXPECT_FALSE(ScaleRangeOf({std::nan(""), inf}).valid);
    EXPECT_EQ(ScaleRangeOf({3.0, 3.0}).PositionOf(3.0), 0.5);
}
