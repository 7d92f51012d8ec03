#include "edit/GraphGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

MapItem Item(const char* name, const char* hexToPhys, const char* physToHex, const char* minimum,
             const char* maximum) {
    MapItem item;
    item.name = name;
    item.hexToPhys = hexToPhys;
    item.physToHex = physToHex;
    item.minimum = minimum;
    item.maximum = maximum;
    return item;
}

// Two lines of three points, byte items, identity equations.
struct GraphGeometryTest : ::testing::Test {
    Image image{};
    MapRecord map;
    ValueFormats formats;

    void SetUp() override {
        map.type = kMapOneRpmRow;
        map.z = Item("THROT", "x", "x", "0", "255");
        map.x = Item("RPM", "x", "x", "0", "255");
        map.y = Item("DATA", "x", "x", "0", "255");
        map.z.count = 2;
        map.x.count = 3;
        map.y.count = 6;
        map.z.start = 0x100;
        map.x.start = 0x110;
        map.y.start = 0x120;
        SetRpm({0, 128, 255});
        SetData({0, 100, 200, 50, 150, 250});
    }
    void SetRpm(std::vector<int> values) {
        for (std::size_t i = 0; i < values.size(); ++i) image[map.x.start + i] = values[i];
    }
    void SetData(std::vector<int> values) {
        for (std::size_t i = 0; i < values.size(); ++i) image[map.y.start + i] = values[i];
    }
    GraphScales Scales(GraphAxisKind axis, int width = 1050, int height = 170) {
        GraphRangeResult r = ComputeGraphRawRange(map, axis);
        return ComputeGraphScales(map, axis, r.range, width, height);
    }
};

TEST(GraphScaleRule, SmallestScaleWhosePixelsExceedTheRange) {
    struct Case { long long range; int pixels; int per; int scale; };
    const Case cases[] = {
        {255, 130, 100, 197},    // a window of height 170: 197 * 130 / 100 = 256 > 255
        {0, 130, 100, 1},
        {-5, 130, 100, 1},       // a negative range ends up at 1
        {255, 1000, 1000, 256},
        {99, 1000, 1000, 100},
        {255, 0, 100, 25600},    // no pixels: counted as one, never a division by zero
        {255, -20, 1000, 256000},
        {4294967295LL, 1, 1000, std::numeric_limits<int>::max()},   // saturates
    };
    for (const Case& c : cases) {
        int n = SmallestScaleAbove(c.range, c.pixels, c.per);
        EXPECT_EQ(n, c.scale) << c.range << " over " << c.pixels;
    }
}

TEST(GraphLabelSteps, DataStepIsTheFirstCandidateCoveringSpanAndResolution) {
    struct Case { float span; float resolution; float step; };
    const Case cases[] = {
        {3.2f, 0.1f, 5.0f},     // p = 10: 0.5, 1 and 2 lie below 3.2
        {37.0f, 1.0f, 50.0f},   // p = 100
        {10.0f, 1.0f, 10.0f},   // exactly 10 gives p = 100
        {0.3f, 0.1f, 0.5f},
        {0.3f, 0.7f, 1.0f},     // one raw step is wider than the span
        {4.0f, 20.0f, 10.0f},   // no candidate covers the resolution: p itself
        {0.0f, 0.0f, 0.5f},
        {120.0f, 1.0f, 200.0f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(DataLabelStep(c.span, c.resolution), c.step) << c.span;
}

TEST(GraphLabelSteps, RpmStepIsOneTwoOrFiveTimesAPowerOfTen) {
    struct Case { float span; float step; };
    const Case cases[] = {
        {0.7f, 1.0f}, {12.0f, 20.0f}, {20.0f, 20.0f}, {21.0f, 50.0f},
        {10.0f, 10.0f}, {60.0f, 100.0f}, {-3.0f, 1.0f}, {250.0f, 500.0f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(RpmLabelStep(c.span), c.step) << c.span;
}

TEST(GraphLabelSteps, UnboundedSpansStillGiveAFiniteStep) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float span : {inf, nan, 3e38f}) {
        EXPECT_GT(DataLabelStep(span, 0.0f), 0.0f) << span;
        EXPECT_GT(RpmLabelStep(span), 0.0f) << span;
    }
}

TEST_F(GraphGeometryTest, RawRangeStopsAtTheFirstFailedConversion) {
    struct Case { const char* xToHex; const char* yToHex; GraphRawRange expected; };
    const Case cases[] = {
        {"x", "x", {0, 0, 255, 255}},
        {"x+10", "x*2", {10, 0, 265, 510}},
        // The DATA minimum fails: it and everything after keep their defaults.
        {"x+10", "x/0", {10, 0, 255, 255}},
        {"(x", "x*2", {0, 0, 255, 255}},
    };
    for (const Case& c : cases) {
        map.x.physToHex = c.xToHex;
        map.y.physToHex = c.yToHex;
        GraphRangeResult r = ComputeGraphRawRange(map, GraphAxisKind::kListAxis);
        EXPECT_EQ(r.code, kConversionOk);
        EXPECT_EQ(r.range.xMinimum, c.expected.xMinimum) << c.xToHex << " " << c.yToHex;
        EXPECT_EQ(r.range.dataMinimum, c.expected.dataMinimum) << c.xToHex << " " << c.yToHex;
        EXPECT_EQ(r.range.xMaximum, c.expected.xMaximum) << c.xToHex << " " << c.yToHex;
        EXPECT_EQ(r.range.dataMaximum, c.expected.dataMaximum) << c.xToHex << " " << c.yToHex;
    }
}

TEST_F(GraphGeometryTest, RawRangeIsWidenedByTheXValuesOfImageAxes) {
    map.x.minimum = "20";
    map.x.maximum = "100";
    map.x.values = {10.0f, 50.0f, 180.0f, 250.0f};   // the fourth lies past the X count
    GraphRangeResult image3 = ComputeGraphRawRange(map, GraphAxisKind::kImageAxis);
    EXPECT_EQ(image3.code, kConversionOk);
    EXPECT_EQ(image3.range.xMinimum, 10);
    EXPECT_EQ(image3.range.xMaximum, 180);
    EXPECT_EQ(ComputeGraphRawRange(map, GraphAxisKind::kFreeMap).range.xMaximum, 180);
    EXPECT_EQ(ComputeGraphRawRange(map, GraphAxisKind::kListAxis).range.xMaximum, 100);

    map.x.values = {10.0f, 300.0f, 50.0f};
    EXPECT_EQ(ComputeGraphRawRange(map, GraphAxisKind::kFreeMap).code, kConversionAboveByte);

    map.x.count = 1;   // one entry: the values are not looked at
    EXPECT_EQ(ComputeGraphRawRange(map, GraphAxisKind::kFreeMap).code, kConversionOk);
}

TEST_F(GraphGeometryTest, PaneHeight140PutsRaw255At11) {
    GraphScales s = Scales(GraphAxisKind::kFreeMap, 1050, 170);
    EXPECT_EQ(s.pane.x, 50);
    EXPECT_EQ(s.pane.y, 0);
    EXPECT_EQ(s.pane.width, 1000);
    EXPECT_EQ(s.pane.height, 140);
    EXPECT_EQ(s.dataScale, 197);
    EXPECT_EQ(DataY(s, 255), 11);
    EXPECT_EQ(DataY(s, 0), 140);
    // 20 pixels are 39 raw units: 39 physical, so p = 100 and the step 50.
    EXPECT_FLOAT_EQ(s.dataLabelStep, 50.0f);
}

TEST_F(GraphGeometryTest, XScaleAndRpmStepByAxisKind) {
    map.x.hexToPhys = "x*50";
    GraphScales free = Scales(GraphAxisKind::kFreeMap);
    EXPECT_EQ(free.xScale, 256);
    EXPECT_EQ(free.xRawMinimum, 0);
    EXPECT_FLOAT_EQ(free.rpmLabelStep, 1000.0f);   // 50 pixels: raw 12, 600 rpm

    map.x.minimum = "40";
    map.x.maximum = "140";
    GraphScales image3 = Scales(GraphAxisKind::kImageAxis);
    EXPECT_EQ(image3.xScale, 101);
    EXPECT_EQ(image3.xRawMinimum, 40);
    EXPECT_FLOAT_EQ(image3.rpmLabelStep, 500.0f);   // raw 5: 250 rpm

    // List axes: one below the rule, the largest n with n * 400 / 1000 <= 8000.
    map.x.minimum = "1000";
    map.x.maximum = "9000";
    GraphScales list = Scales(GraphAxisKind::kListAxis, 450, 170);
    EXPECT_EQ(list.xScale, 20002);
    EXPECT_EQ(list.xRawMinimum, 0);
    EXPECT_FLOAT_EQ(list.rpmLabelStep, 0.0f);
}

TEST_F(GraphGeometryTest, DegenerateMapsAndWindowsKeepScalesAtLeastOne) {
    struct Case { const char* minimum; const char* maximum; int width; int height; };
    const Case cases[] = {
        {"0", "0", 1050, 170},     // equal minimum and maximum
        {"200", "100", 1050, 170}, // minimum above maximum
        {"0", "255", 0, 0},        // no client area at all
        {"0", "255", 50, 30},      // margins only
        {"0", "255", 20, 10},      // smaller than the margins
    };
    map.x.valueListText = "0,128,255";
    for (GraphAxisKind axis : {GraphAxisKind::kFreeMap, GraphAxisKind::kImageAxis, GraphAxisKind::kListAxis}) {
        for (const Case& c : cases) {
            map.x.minimum = map.y.minimum = c.minimum;
            map.x.maximum = map.y.maximum = c.maximum;
            GraphScales s = Scales(axis, c.width, c.height);
            EXPECT_GE(s.xScale, 1);
            EXPECT_GE(s.dataScale, 1);
            EXPECT_GE(s.pane.width, 0);
            EXPECT_GE(s.pane.height, 0);
            GraphPoint p;
            EXPECT_TRUE(GraphPointPosition(map, image, s, 1, 2, p));
        }
    }
    map.x.count = 0;
    map.z.count = 0;
    GraphScales s = Scales(GraphAxisKind::kFreeMap);
    EXPECT_TRUE(GraphLinePoints(map, image, s, 0).empty());
}

TEST_F(GraphGeometryTest, PointAccessorReadsTheLinesOwnAxisOfType2) {
    map.type = kMapRpmPerRow;
    SetRpm({0, 128, 255, 10, 20, 30});
    map.y.start = 0x130;
    SetData({1, 2, 3, 4, 5, 6});
    struct Case { int line; int point; bool ok; int rpm; int data; };
    const Case cases[] = {
        {0, 0, true, 0, 1}, {0, 2, true, 255, 3}, {1, 0, true, 10, 4}, {1, 2, true, 30, 6},
        {2, 0, false, 0, 0}, {0, 3, false, 0, 0}, {-1, 0, false, 0, 0}, {0, -1, false, 0, 0},
    };
    for (const Case& c : cases) {
        std::uint16_t rpm = 0, data = 0;
        EXPECT_EQ(MapPointAt(map, image, c.line, c.point, rpm, data), c.ok) << c.line << "," << c.point;
        if (!c.ok) continue;
        EXPECT_EQ(rpm, c.rpm);
        EXPECT_EQ(data, c.data);
    }
    map.type = kMapOneRpmRow;   // every line shares the first row's breakpoints
    std::uint16_t rpm = 0, data = 0;
    ASSERT_TRUE(MapPointAt(map, image, 1, 2, rpm, data));
    EXPECT_EQ(rpm, 255);
}

TEST_F(GraphGeometryTest, WordItemsAreReadHighByteFirst) {
    map.x.elementSize = 2;
    map.y.elementSize = 2;
    WriteWord(image, map.x.start + 2, 0x1234);
    WriteWord(image, map.y.start + 2 * 4, 0xBEEF);   // line 1, point 1
    std::uint16_t rpm = 0, data = 0;
    ASSERT_TRUE(MapPointAt(map, image, 1, 1, rpm, data));
    EXPECT_EQ(rpm, 0x1234);
    EXPECT_EQ(data, 0xBEEF);
}

TEST_F(GraphGeometryTest, PointPositionsByAxisKind) {
    GraphScales free = Scales(GraphAxisKind::kFreeMap);   // X scale 256, DATA scale 197
    std::vector<GraphPoint> line0 = GraphLinePoints(map, image, free, 0);
    ASSERT_EQ(line0.size(), 3u);
    EXPECT_EQ(line0[1].x, 500);   // 128 * 1000 / 256
    EXPECT_EQ(line0[2].x, 996);   // truncated toward zero
    EXPECT_EQ(line0[1].y, 90);    // 140 - 100 * 100 / 197

    // Image axes are offset by the X raw minimum; Free Map axes are not.
    map.x.minimum = "28";
    GraphScales image3 = Scales(GraphAxisKind::kImageAxis);
    EXPECT_EQ(image3.xScale, 228);
    EXPECT_EQ(GraphLinePoints(map, image, image3, 0)[1].x, 438);   // (128 - 28) * 1000 / 228
    EXPECT_EQ(GraphLinePoints(map, image, image3, 0)[0].x, -122);  // left of the pane
    GraphScales free28 = Scales(GraphAxisKind::kFreeMap);
    EXPECT_EQ(GraphLinePoints(map, image, free28, 0)[1].x, 561);   // 128 * 1000 / 228

    // List axes take the value list text, not the image.
    map.x.minimum = "1000";
    map.x.maximum = "3000";
    map.x.valueListText = "1000, 1500.5,3000";
    GraphScales list = Scales(GraphAxisKind::kListAxis);   // largest n with n <= 2000: 2000
    EXPECT_EQ(list.xScale, 2000);
    std::vector<GraphPoint> points = GraphLinePoints(map, image, list, 1);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].x, 0);
    EXPECT_EQ(points[1].x, 250);    // 500.5 * 1000 / 2000, truncated
    EXPECT_EQ(points[2].x, 1000);
    map.x.valueListText = "1000,2000";   // shorter than the X count: the line ends early
    EXPECT_EQ(GraphLinePoints(map, image, list, 1).size(), 2u);
}

TEST(GraphListAxis, EntriesAreCommaSeparatedDecimalTexts) {
    struct Case { const char* text; int index; bool ok; float value; };
    const Case cases[] = {
        {"1000,2000, 3000", 2, true, 3000.0f}, {"1000,2000", 0, true, 1000.0f},
        {"1000,2000", 2, false, 0.0f},         {"", 0, true, 0.0f},
        {" 12.5rpm,x", 0, true, 12.5f},        {"1,,3", 1, true, 0.0f},
        {"1,2", -1, false, 0.0f},
    };
    for (const Case& c : cases) {
        float value = -1.0f;
        EXPECT_EQ(ListAxisEntry(c.text, c.index, value), c.ok) << c.text << " " << c.index;
        if (c.ok) {
            EXPECT_FLOAT_EQ(value, c.value) << c.text;
        }
    }
}

TEST_F(GraphGeometryTest, DataLabelsWalkUpFromAWholeMultipleOfTheStep) {
    GraphScales s = Scales(GraphAxisKind::kFreeMap);   // step 50, DATA scale 197
    std::vector<GraphLabel> labels = DataAxisLabels(map, s, &map, formats);
    ASSERT_EQ(labels.size(), 6u);   // 300 would lie above the pane's top
    const int ys[] = {140, 115, 90, 64, 39, 14};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_FLOAT_EQ(labels[i].value, 50.0f * i);
        EXPECT_EQ(labels[i].anchor.y, ys[i] + 3);
        EXPECT_EQ(labels[i].anchor.x, 45);
        EXPECT_EQ(labels[i].tickFrom.y, ys[i]);
        EXPECT_EQ(labels[i].drawTick, i != 0);   // no tick on the axis itself
    }
    EXPECT_EQ(labels[1].text, "50.0");

    // The first label starts at the multiple of the step below the minimum,
    // which lies below the pane and is skipped.
    map.y.hexToPhys = "x+130";
    map.y.physToHex = "x-130";
    map.y.minimum = "130";
    map.y.maximum = "385";
    labels = DataAxisLabels(map, Scales(GraphAxisKind::kFreeMap), &map, formats);
    ASSERT_FALSE(labels.empty());
    EXPECT_FLOAT_EQ(labels.front().value, 150.0f);
}

TEST_F(GraphGeometryTest, DataLabelWalkEndsOnEquationsThatRunBackwards) {
    map.y.physToHex = "0-x";   // raw falls as the label value rises
    GraphScales s = Scales(GraphAxisKind::kFreeMap);
    EXPECT_LE(DataAxisLabels(map, s, &map, formats).size(), 1u);
    map.y.physToHex = "5";     // every label value converts to the same raw value
    std::vector<GraphLabel> labels = DataAxisLabels(map, Scales(GraphAxisKind::kFreeMap), &map, formats);
    EXPECT_GT(labels.size(), 0u);
    EXPECT_LE(labels.size(), 5000u);
}

TEST_F(GraphGeometryTest, FreeMapRpmLabelsStartAtTheAxisWithoutATick) {
    map.x.hexToPhys = "x*50";
    map.x.physToHex = "x/50";
    map.x.maximum = "12750";   // raw 255
    GraphScales s = Scales(GraphAxisKind::kFreeMap, 1050, 170);   // X scale 256, step 1000
    auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 8; };
    std::vector<GraphLabel> labels = RpmAxisLabels(map, s, formats, width);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels[0].anchor.x, 50);
    EXPECT_EQ(labels[0].anchor.y, 145);
    EXPECT_FALSE(labels[0].drawTick);
    EXPECT_EQ(labels[0].text, "0.0");
    EXPECT_EQ(labels[1].anchor.x, 50 + 20 * 1000 / 256);   // 1000 rpm is raw 20
    EXPECT_TRUE(labels[1].drawTick);
    EXPECT_EQ(labels[1].tickFrom.y, 144);
    EXPECT_EQ(labels[1].tickTo.y, 139);
    // The walk ends with the first position at or past the right edge (13000
    // rpm, raw 260, x = 1065); its label does not fit, its tick is still given.
    const GraphLabel& last = labels.back();
    EXPECT_GE(last.anchor.x, 1050);
    EXPECT_FALSE(last.drawText);
    EXPECT_TRUE(last.drawTick);
    for (std::size_t i = 0; i + 1 < labels.size(); ++i) EXPECT_LT(labels[i].anchor.x, 1050);
    // 12000 rpm (raw 240, x = 987) still fits with a 56-pixel text: 987 + 28 < 1050.
    EXPECT_TRUE(labels[12].drawText);
    EXPECT_EQ(labels[12].anchor.x, 987);
}

TEST_F(GraphGeometryTest, ImageAxisRpmLabelsLeftOfTheAxisAreLeftOut) {
    map.x.minimum = "28";
    GraphScales s = Scales(GraphAxisKind::kImageAxis);   // X scale 228, step 20 (raw 10 at 50 px)
    EXPECT_FLOAT_EQ(s.rpmLabelStep, 20.0f);
    std::vector<GraphLabel> labels = RpmAxisLabels(map, s, formats, nullptr);
    ASSERT_FALSE(labels.empty());
    EXPECT_FLOAT_EQ(labels.front().value, 40.0f);   // 0 and 20 lie left of x = 50
    EXPECT_EQ(labels.front().anchor.x, 50 + (40 - 28) * 1000 / 228);
    for (const GraphLabel& label : labels) EXPECT_GE(label.anchor.x, 50);
}

TEST_F(GraphGeometryTest, ListAxisLabelsCloserThanTenPixelsGetTheShortTick) {
    map.x.count = 5;
    map.x.minimum = "0";
    map.x.maximum = "1000";
    map.x.valueListText = "0,50,51,80,1000";
    GraphScales s = Scales(GraphAxisKind::kListAxis, 1050, 170);   // X scale 1000: 1 px per unit
    ASSERT_EQ(s.xScale, 1000);
    auto width = [](const std::string&) { return 40; };   // half width 20
    std::vector<GraphLabel> labels = RpmAxisLabels(map, s, formats, width);
    ASSERT_EQ(labels.size(), 5u);
    // The first label ends at 70: a label must start right of 80. The one at
    // 100 starts exactly at 80 and is dropped; the one at 101 fits.
    const bool drawn[] = {true, false, true, false, true};
    const int xs[] = {50, 100, 101, 130, 1050};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(labels[i].anchor.x, xs[i]);
        EXPECT_EQ(labels[i].drawText, drawn[i]) << i;
        EXPECT_TRUE(labels[i].drawTick);
        EXPECT_EQ(labels[i].tickFrom.y, drawn[i] ? 144 : 141) << i;
        EXPECT_EQ(labels[i].tickTo.y, 139);
    }
    // Measured by the drawn labels only: with 50-pixel texts 101 is too close
    // to the first label, and 130 then fits.
    auto wide = [](const std::string&) { return 50; };
    labels = RpmAxisLabels(map, s, formats, wide);
    EXPECT_FALSE(labels[2].drawText);
    EXPECT_TRUE(labels[3].drawText);
}

TEST_F(GraphGeometryTest, AxisNamesAreCentredInTheMargins) {
    GraphScales s = Scales(GraphAxisKind::kFreeMap, 600, 400);
    EXPECT_EQ(DataAxisNameCentre(s).x, 11);
    EXPECT_EQ(DataAxisNameCentre(s).y, 200);
    EXPECT_EQ(RpmAxisNameCentre(s).x, 300);
    EXPECT_EQ(RpmAxisNameCentre(s).y, 386);
}

TEST(GraphPhysical, WideRawValuesAreNotCutToAByte) {
    MapItem item = Item("DATA", "x*2", "x/2", "0", "5000");
    EXPECT_FLOAT_EQ(PhysicalAt(item, 200), 400.0f);
    EXPECT_FLOAT_EQ(PhysicalAt(item, 461), 922.0f);   // a byte would have read 205
    item.hexToPhys = "x/0";
    EXPECT_FLOAT_EQ(PhysicalAt(item, 3), 0.0f);
}

}  // namespace
