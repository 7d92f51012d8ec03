#include "edit/OperatingCells.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tests/edit/EditFixture.h"

namespace {

struct Share {
    int row, column;
    float weight;
};

// The fixture's map: THROT 10, 20, 30 (x); RPM 1000, 1500, 2000, 2500 (x*50).
struct OperatingCellsTest : EditFixture {
    OperatingCells At(float rpm, float throt) { return CellsAround(ReadOperatingAxes(context, map), rpm, throt); }

    static void ExpectShares(const OperatingCells& got, std::vector<Share> want) {
        ASSERT_TRUE(got.found);
        ASSERT_EQ(got.cells.size(), want.size());
        float sum = 0.0f;
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got.cells[i].row, want[i].row) << i;
            EXPECT_EQ(got.cells[i].column, want[i].column) << i;
            EXPECT_NEAR(got.cells[i].weight, want[i].weight, 1e-5) << i;
            sum += got.cells[i].weight;
        }
        EXPECT_NEAR(sum, 1.0f, 1e-5);
    }
};

TEST(LocateOnAxisTest, FindsTheSegmentWhicheverWayTheAxisRuns) {
    struct Case {
        std::vector<float> axis;
        float value;
        int low, high;
        float fraction;
        bool clamped;
    };
    const Case cases[] = {
        {{1, 2, 3}, 2.5f, 1, 2, 0.5f, false},
        {{1, 2, 3}, 3.0f, 2, 2, 0.0f, false},           // last breakpoint
        {{1, 2, 3}, 0.0f, 0, 0, 0.0f, true},            // below: held at the first
        {{1, 2, 3}, 9.0f, 2, 2, 0.0f, true},            // above: held at the last
        {{30, 20, 10}, 25.0f, 0, 1, 0.5f, false},       // falling
        {{30, 20, 10}, 40.0f, 0, 0, 0.0f, true},        // falling, above its first value
        {{10, 20, 20, 30}, 20.0f, 1, 1, 0.0f, false},   // equal neighbours: the first takes it
        {{10, 20, 20, 30}, 25.0f, 2, 3, 0.5f, false},
        {{10, 10}, 12.0f, 0, 0, 0.0f, true},
        {{5}, 700.0f, 0, 0, 0.0f, false},               // one value: no extent to lie outside of
        {{1000, 1500, 3000}, 2000.0f, 1, 2, 1.0f / 3, false},   // by value, not by index
    };
    for (const Case& c : cases) {
        const AxisPosition at = LocateOnAxis(c.axis, c.value);
        SCOPED_TRACE(c.value);
        EXPECT_EQ(at.low, c.low);
        EXPECT_EQ(at.high, c.high);
        EXPECT_NEAR(at.fraction, c.fraction, 1e-6);
        EXPECT_EQ(at.clamped, c.clamped);
    }
}

TEST_F(OperatingCellsTest, PointsBetweenOnAndOutsideTheBreakpoints) {
    struct Case {
        float rpm, throt;
        std::vector<Share> shares;
        int nearestRow, nearestColumn;
        float row, column;
        bool rpmClamped = false, throtClamped = false;
    };
    const Case cases[] = {
        // Halfway between four cells: a quarter each, the first is nearest.
        {1250, 15, {{0, 0, .25f}, {0, 1, .25f}, {1, 0, .25f}, {1, 1, .25f}}, 0, 0, 0.5f, 0.5f},
        // Three quarters of the way in both: 1/16, 3/16, 3/16, 9/16.
        {1375, 27.5f, {{1, 0, .0625f}, {1, 1, .1875f}, {2, 0, .1875f}, {2, 1, .5625f}}, 2, 1, 1.75f, 0.75f},
        // On both breakpoints one cell takes all; on one of them, two cells.
        {1500, 20, {{1, 1, 1}}, 1, 1, 1.0f, 1.0f},
        {1500, 15, {{0, 1, .5f}, {1, 1, .5f}}, 0, 1, 0.5f, 1.0f},
        {1100, 20, {{1, 0, .8f}, {1, 1, .2f}}, 1, 0, 1.0f, 0.2f},
        // Outside: held at the edge, and said so.
        {500, 5, {{0, 0, 1}}, 0, 0, 0.0f, 0.0f, true, true},
        {12000, 25, {{1, 3, .5f}, {2, 3, .5f}}, 1, 3, 1.5f, 3.0f, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rpm << " rpm, " << c.throt);
        const OperatingCells got = At(c.rpm, c.throt);
        ExpectShares(got, c.shares);
        EXPECT_EQ(got.nearestRow, c.nearestRow);
        EXPECT_EQ(got.nearestColumn, c.nearestColumn);
        EXPECT_NEAR(got.row, c.row, 1e-5);
        EXPECT_NEAR(got.column, c.column, 1e-5);
        EXPECT_EQ(got.rpmClamped, c.rpmClamped);
        EXPECT_EQ(got.throtClamped, c.throtClamped);
    }
}

TEST_F(OperatingCellsTest, EachRowOfATypeTwoMapUsesItsOwnRpmLine) {
    MakeFreeMap(kMapRpmPerRow);
    // Row 0: 1000, 1500, 2000, 2500; row 1: 2000, 2500, 3000, 3500.
    for (int c = 0; c < 4; ++c) image[map.x.start + 4 + c] = static_cast<std::uint8_t>(40 + 10 * c);
    const OperatingCells got = At(2250, 15);
    // Row 0: 2250 lies halfway between columns 2 and 3; row 1: between 0 and 1.
    ExpectShares(got, {{0, 2, .25f}, {0, 3, .25f}, {1, 0, .25f}, {1, 1, .25f}});
    EXPECT_NEAR(got.column, 0.5f * 2.5f + 0.5f * 0.5f, 1e-5);
    EXPECT_FALSE(got.rpmClamped);
}

TEST_F(OperatingCellsTest, AxesThatGiveNoValuesGiveNoCells) {
    struct Case {
        const char* what;
        std::function<void(OperatingCellsTest&)> change;
        AxesStatus status;
    };
    const Case cases[] = {
        {"no RPM column", [](OperatingCellsTest& t) { t.map.x.count = 0; }, AxesStatus::kEmptyMap},
        {"an RPM byte outside the data",
         [](OperatingCellsTest& t) { t.context.keptData = DataSpan{0x0100, 0x0107}; }, AxesStatus::kNotInData},
        {"a THROT byte on the checksum",
         [](OperatingCellsTest& t) { t.context.keptData = DataSpan{0x0000, 0x0103}; }, AxesStatus::kNotInData},
        {"an equation that fails", [](OperatingCellsTest& t) { t.map.x.hexToPhys = "x/0"; },
         AxesStatus::kBadEquation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MapItem z = map.z, x = map.x;
        c.change(*this);
        const OperatingAxes axes = ReadOperatingAxes(context, map);
        EXPECT_EQ(axes.status, c.status);
        EXPECT_FALSE(CellsAround(axes, 1250, 15).found);
        map.z = z;
        map.x = x;
        context.keptData.reset();
    }
    // Inside the data the same axes are read.
    context.keptData = DataSpan{0x0100, 0x0200};
    EXPECT_TRUE(At(1250, 15).found);
    EXPECT_FALSE(At(NAN, 15).found);
}

}  // namespace
