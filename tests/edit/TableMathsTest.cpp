#include "edit/TableMaths.h"

#include <cmath>

#include "edit/CellAccess.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"

namespace {

// The fixture's map: THROT 10, 20, 30; RPM 1000, 1500, 2000, 2500; DATA
// x * 0.5 in 0..100 holding 0..11 row by row.
struct TableMathsTest : EditFixture {
    TableMathsTest() { PutCursor(kEditData, 0, 0, 0); }

    std::vector<CellRef> Rect(int top, int left, int bottom, int right) {
        map.selection = {top, left, bottom, right};
        return SelectedCells(map);
    }
    TableMathsPlan Run(TableMathsOp op, float value, const std::vector<CellRef>& cells) {
        const TableMathsPlan plan = PlanTableMaths(context, map, cells, op, value);
        ApplyTableMaths(context, map, plan);
        return plan;
    }
    void SetData(std::initializer_list<std::uint8_t> raws) {
        int i = 0;
        for (std::uint8_t raw : raws) image[map.y.start + i++] = raw;
    }
    std::vector<int> Table() const {
        std::vector<int> raws;
        for (int i = 0; i < 12; ++i) raws.push_back(image[map.y.start + i]);
        return raws;
    }
};

TEST_F(TableMathsTest, SetAddAndScaleWorkInPhysicalValuesOnTheSelectionOnly) {
    const std::vector<int> before = Table();
    // Add 2.5 to the middle two cells of row 1 (physical 5 and 6): raw + 5.
    Run(TableMathsOp::kAdd, 2.5f, Rect(1, 1, 1, 2));
    EXPECT_EQ(Data(1, 1), 15);
    EXPECT_EQ(Data(1, 2), 17);
    // Scale row 2 (8, 9, 10, 11) to 150 %: 12, 13.5, 15, 16.5.
    Run(TableMathsOp::kScale, 150.0f, Rect(2, 0, 2, 3));
    EXPECT_EQ((std::vector<int>{Data(2, 0), Data(2, 1), Data(2, 2), Data(2, 3)}), (std::vector<int>{24, 27, 30, 33}));
    // Set the first column to 7.
    Run(TableMathsOp::kSet, 7.0f, Rect(0, 0, 2, 0));
    EXPECT_EQ(Data(0, 0), 14);
    EXPECT_EQ(Data(1, 0), 14);
    EXPECT_EQ(Data(2, 0), 14);
    // Nothing else moved.
    EXPECT_EQ(Data(0, 1), before[1]);
    EXPECT_EQ(Data(0, 3), before[3]);
    EXPECT_EQ(Data(1, 3), before[7]);
}

TEST_F(TableMathsTest, NoSelectionMeansTheWholeTable) {
    EXPECT_EQ(MathsCells(map).size(), 12u);
    Run(TableMathsOp::kAdd, 1.0f, MathsCells(map));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(image[map.y.start + i], 2 * i + 2) << i;
}

TEST_F(TableMathsTest, ResultsAreHeldAtTheItemsLimitsAndCounted) {
    struct Case {
        const char* name;
        TableMathsOp op;
        float value;
        const char* minimum2;
        const char* maximum2;
        std::vector<int> row0;   // raw after the operation on row 0 (0, 1, 2, 3)
        int limited;
    };
    const Case cases[] = {
        {"above the maximum", TableMathsOp::kSet, 150.0f, "", "", {200, 200, 200, 200}, 4},
        {"below the minimum", TableMathsOp::kAdd, -2.0f, "", "", {0, 0, 0, 2}, 2},
        {"second range", TableMathsOp::kAdd, 60.0f, "1", "61.5", {120, 122, 123, 123}, 2},
        {"scale past the byte", TableMathsOp::kScale, 100000.0f, "", "", {0, 200, 200, 200}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFreeMap(kMapOneRpmRow);
        map.y.minimum2 = c.minimum2;
        map.y.maximum2 = c.maximum2;
        const TableMathsPlan plan = Run(c.op, c.value, Rect(0, 0, 0, 3));
        EXPECT_EQ((std::vector<int>{Data(0, 0), Data(0, 1), Data(0, 2), Data(0, 3)}), c.row0);
        EXPECT_EQ(plan.limitedCount, c.limited);
        EXPECT_EQ(plan.cellCount, 4);
    }
}

TEST_F(TableMathsTest, ResultIsTheNearestRawValueNotATruncation) {
    // x / 10: 1.2 + 0.1 lands a hair below 13 in single precision.
    map.y.hexToPhys = "x/10";
    map.y.physToHex = "x*10";
    map.y.maximum = "25.5";
    SetData({12, 12, 12, 12});
    Run(TableMathsOp::kAdd, 0.1f, Rect(0, 0, 0, 3));
    EXPECT_EQ(Data(0, 0), 13);
    // 3 x 33.3 % of 1.2 is 0.3996: nearest 0.4.
    Run(TableMathsOp::kScale, 33.3f, Rect(0, 1, 0, 1));
    EXPECT_EQ(Data(0, 1), 4);
}

TEST_F(TableMathsTest, InterpolationFollowsTheAxisValuesNotTheCellIndex) {
    // RPM 1000, 1500, 3000, 3500 and THROT 10, 20, 60.
    const std::uint8_t rpm[] = {20, 30, 60, 70};
    for (int i = 0; i < 4; ++i) image[map.x.start + i] = rpm[i];
    image[map.z.start + 2] = 60;
    // Row 0 from 0 to 10: 1500 is a fifth of the way, 3000 four fifths.
    SetData({0, 99, 99, 20, 0, 0, 0, 0, 40, 0, 0, 0});
    Run(TableMathsOp::kInterpolateRows, 0, Rect(0, 0, 0, 3));
    EXPECT_EQ((std::vector<int>{Data(0, 0), Data(0, 1), Data(0, 2), Data(0, 3)}), (std::vector<int>{0, 4, 16, 20}));
    // Column 0 from 0 (THROT 10) to 20 (THROT 60): THROT 20 gets 4.
    Run(TableMathsOp::kInterpolateColumns, 0, Rect(0, 0, 2, 0));
    EXPECT_EQ(Data(1, 0), 8);
    EXPECT_EQ(Data(0, 0), 0);
    EXPECT_EQ(Data(2, 0), 40);
}

TEST_F(TableMathsTest, InterpolationAcrossBothIsBilinearFromTheCorners) {
    // Corners: top 0 .. 30 (raw 0, 60), bottom 20 .. 50 (raw 40, 100); the
    // rest holds junk. Axes as in the fixture: RPM even, THROT 10, 20, 30.
    SetData({0, 7, 7, 60, 7, 7, 7, 7, 40, 7, 7, 100});
    Run(TableMathsOp::kInterpolateBoth, 0, MathsCells(map));
    // value = 10 * column + 10 * row: raw twice that.
    const std::vector<int> expected{0, 20, 40, 60, 20, 40, 60, 80, 40, 60, 80, 100};
    EXPECT_EQ(Table(), expected);
}

TEST_F(TableMathsTest, InterpolationOnAnAxisThatDoesNotRiseFallsBackToTheIndex) {
    for (int i = 0; i < 4; ++i) image[map.x.start + i] = 40;
    SetData({0, 0, 0, 30});
    Run(TableMathsOp::kInterpolateRows, 0, Rect(0, 0, 0, 3));
    EXPECT_EQ((std::vector<int>{Data(0, 0), Data(0, 1), Data(0, 2), Data(0, 3)}), (std::vector<int>{0, 10, 20, 30}));
}

TEST_F(TableMathsTest, InterpolationWeighsByTheAxisOnlyWhereItRisesFromEndToEnd) {
    // Row 0 from raw 0 to 60 along the RPM row; column 0 from raw 0 to 40
    // down the THROT column. By position: 0, 20, 40, 60 and 0, 20, 40.
    struct Case {
        const char* name;
        bool rows;
        std::vector<std::uint8_t> axis;   // raw RPM (x * 50) or THROT values
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"RPM rising unevenly", true, {20, 30, 60, 70}, {0, 12, 48, 60}},
        {"RPM level in the middle", true, {20, 30, 30, 40}, {0, 30, 30, 60}},
        {"RPM equal at both ends", true, {40, 20, 60, 40}, {0, 20, 40, 60}},
        {"RPM falling", true, {70, 60, 30, 20}, {0, 20, 40, 60}},
        {"RPM up and down between the ends", true, {20, 70, 30, 40}, {0, 20, 40, 60}},
        {"THROT rising unevenly", false, {10, 40, 50}, {0, 30, 40}},
        {"THROT falling", false, {30, 20, 10}, {0, 20, 40}},
        {"THROT up and down between the ends", false, {10, 40, 20}, {0, 20, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFreeMap(kMapOneRpmRow);
        const std::uint16_t axisStart = c.rows ? map.x.start : map.z.start;
        for (std::size_t i = 0; i < c.axis.size(); ++i) image[axisStart + i] = c.axis[i];
        SetData({0, 99, 99, 60, 99, 0, 0, 0, 40});
        std::vector<int> line;
        if (c.rows) {
            Run(TableMathsOp::kInterpolateRows, 0, Rect(0, 0, 0, 3));
            line = {Data(0, 0), Data(0, 1), Data(0, 2), Data(0, 3)};
        } else {
            Run(TableMathsOp::kInterpolateColumns, 0, Rect(0, 0, 2, 0));
            line = {Data(0, 0), Data(1, 0), Data(2, 0)};
        }
        EXPECT_EQ(line, c.expected);
    }
}

TEST_F(TableMathsTest, SmoothAveragesOnlyNeighboursInsideTheSelection) {
    // A spike of 16 in the middle of the 3 x 3 selection; column 3, outside
    // it, holds large values that must not leak in.
    SetData({0, 0, 0, 200, 0, 32, 0, 200, 0, 0, 0, 200});
    const TableMathsPlan plan = Run(TableMathsOp::kSmooth, 0, Rect(0, 0, 2, 2));
    // Centre 16 * 4 / 16 = 4; edges 16 * 2 / 12 = 2.67 -> 2.5; corners
    // 16 / 9 = 1.78 -> 2.0.
    const std::vector<int> expected{4, 5, 4, 200, 5, 8, 5, 200, 4, 5, 4, 200};
    EXPECT_EQ(Table(), expected);
    EXPECT_EQ(plan.changes.size(), 9u);
    EXPECT_FLOAT_EQ(plan.largestChange, 12.0f);
}

TEST_F(TableMathsTest, PlanWritesNothingAndReportsTheChange) {
    const std::vector<int> before = Table();
    const TableMathsPlan plan = PlanTableMaths(context, map, Rect(0, 0, 1, 3), TableMathsOp::kAdd, 0.5f);
    EXPECT_EQ(Table(), before);
    EXPECT_EQ(plan.cellCount, 8);
    EXPECT_EQ(plan.changes.size(), 8u);
    EXPECT_FLOAT_EQ(plan.largestChange, 0.5f);
    EXPECT_EQ(modified, 0);
    EXPECT_TRUE(map.undo.Empty());
    // Adding less than a raw step changes nothing at all.
    const TableMathsPlan tiny = PlanTableMaths(context, map, Rect(0, 0, 1, 3), TableMathsOp::kAdd, 0.1f);
    EXPECT_TRUE(tiny.changes.empty());
    EXPECT_EQ(ApplyTableMaths(context, map, tiny), 0);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(TableMathsTest, RefusesNoCellsAndAValueThatIsNoNumber) {
    EXPECT_EQ(PlanTableMaths(context, map, {}, TableMathsOp::kSet, 1.0f).result, kMathsNoCells);
    EXPECT_EQ(PlanTableMaths(context, map, {{5, 0}, {0, 9}}, TableMathsOp::kSet, 1.0f).result, kMathsNoCells);
    EXPECT_EQ(PlanTableMaths(context, map, MathsCells(map), TableMathsOp::kAdd, NAN).result, kMathsBadValue);
    EXPECT_EQ(PlanTableMaths(context, map, MathsCells(map), TableMathsOp::kScale, INFINITY).result, kMathsBadValue);
}

// The operation reaches the linked map through the propagation, and one Undo
// puts back every byte of both maps, each operation on its own.
struct LinkedTableMathsTest : TableMathsTest {
    LinkedTableMathsTest() {
        context.linkTargets = [this](std::uint16_t a) {
            const long long offset = static_cast<long long>(a) - map.y.start;
            return offset >= 0 && offset < 12 ? std::vector<std::uint16_t>{static_cast<std::uint16_t>(a + 0x100)}
                                              : std::vector<std::uint16_t>{};
        };
        context.propagate = [this](std::uint16_t a, std::uint8_t v, int s) {
            if (s != 0) return;
            for (std::uint16_t linked : context.linkTargets(a)) context.StoreByte(linked, v, 1);
        };
        for (int i = 0; i < 12; ++i) image[map.y.start + 0x100 + i] = static_cast<std::uint8_t>(100 + i);
    }
};

TEST_F(LinkedTableMathsTest, OneUndoTakesBackEachOperationWithItsLinkedBytes) {
    const Image original = image;
    // An earlier edit stays undoable after the maths is undone.
    PutCursor(kEditData, 2, 3, Data(2, 3));
    PushUndo(context, map, kUndoActionEdit, 0);
    WriteDataCell(context, map, 50, 3, 2);
    const Image afterEdit = image;
    PutCursor(kEditData, 1, 1, Data(1, 1));

    Run(TableMathsOp::kInterpolateBoth, 0, MathsCells(map));
    const Image afterInterpolation = image;
    Run(TableMathsOp::kSmooth, 0, MathsCells(map));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(image[map.y.start + 0x100 + i], image[map.y.start + i]) << i;
    EXPECT_EQ(UndoMenuText(&map), "&Undo Smooth 10 cells\tCtrl+Z");   // the maths names its step

    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_TRUE(image == afterInterpolation);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_TRUE(image == afterEdit);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_TRUE(image == original);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(LinkedTableMathsTest, AnOperationHeavierThanTheUndoSizeStillUndoesWhole) {
    context.undoSize = 8;
    const Image original = image;
    Run(TableMathsOp::kSet, 42.0f, MathsCells(map));
    ASSERT_EQ(image[map.y.start + 0x100 + 11], 84);
    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_TRUE(image == original);
}

}  // namespace
