#include "edit/GraphEditing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MapItem Identity(const char* name) {
    MapItem item;
    item.name = name;
    item.hexToPhys = "x";
    item.physToHex = "x";
    item.minimum = "0";
    item.maximum = "255";
    return item;
}

// Two lines of three points. With a window of 1050 x 170 the X scale is 256
// and the DATA scale 197 (pane 1000 x 140):
//   line 0: (39, 140) (500, 90) (781, 39)     RPM 10, 128, 200
//   line 1: (39, 115) (500, 64) (781, 14)     DATA 0, 100, 200 / 50, 150, 250
struct GraphEditingTest : ::testing::Test {
    Image image{};
    MapRecord map;
    GraphScales scales;

    void SetUp() override {
        map.type = kMapOneRpmRow;
        map.z = Identity("THROT");
        map.x = Identity("RPM");
        map.y = Identity("DATA");
        map.z.count = 2;
        map.x.count = 3;
        map.y.count = 6;
        map.x.start = 0x110;
        map.y.start = 0x120;
        Set(map.x.start, {10, 128, 200, 10, 128, 200});   // a second row for type 2
        Set(map.y.start, {0, 100, 200, 50, 150, 250});
        scales = Scales(GraphAxisKind::kFreeMap);
        Cursor(kEditData, 0, 0, 0, 0, 255);
    }
    void Set(std::uint16_t address, std::vector<int> values) {
        for (std::size_t i = 0; i < values.size(); ++i) image[address + i] = values[i];
    }
    GraphScales Scales(GraphAxisKind axis) {
        return ComputeGraphScales(map, axis, ComputeGraphRawRange(map, axis).range, 1050, 170);
    }
    void Cursor(int mode, int row, int column, int raw, int lower, int upper) {
        map.cursor = {mode, row, column, static_cast<std::uint16_t>(raw), lower, upper};
    }
};

TEST_F(GraphEditingTest, FixtureGeometry) {
    ASSERT_EQ(scales.xScale, 256);
    ASSERT_EQ(scales.dataScale, 197);
    GraphPoint p;
    ASSERT_TRUE(GraphPointPosition(map, image, scales, 1, 2, p));
    EXPECT_EQ(p.x, 781);
    EXPECT_EQ(p.y, 14);
}

TEST_F(GraphEditingTest, HitTestTriesCursorLineThenAllLinesThenBreakpoints) {
    struct Case { int cursorLine; bool allLines; int mx; int my; GraphHitKind kind; int line; int point; int value; };
    const Case cases[] = {
        {0, false, 500, 90, GraphHitKind::kData, 0, 1, 100},
        {0, false, 503, 93, GraphHitKind::kData, 0, 1, 100},   // 3 pixels still hit
        {0, false, 497, 87, GraphHitKind::kData, 0, 1, 100},
        {0, false, 504, 90, GraphHitKind::kNone, 0, 0, 0},     // 4 pixels: nothing, not even the breakpoint
        // A point of another line: only its breakpoint's vertical, without all lines.
        {0, false, 500, 64, GraphHitKind::kRpm, 0, 1, 128},
        {0, true, 500, 64, GraphHitKind::kData, 1, 1, 150},
        {1, false, 500, 64, GraphHitKind::kData, 1, 1, 150},
        {0, false, 250, 64, GraphHitKind::kNone, 0, 0, 0},
        {0, false, 42, 5, GraphHitKind::kRpm, 0, 0, 10},       // the height does not matter
        {1, true, 39, 140, GraphHitKind::kData, 0, 0, 0},      // other lines from line 0
    };
    for (const Case& c : cases) {
        map.cursor.row = c.cursorLine;
        GraphHit hit = GraphHitTest(map, image, scales, c.allLines, c.mx, c.my);
        EXPECT_EQ(hit.kind, c.kind) << c.mx << "," << c.my;
        if (hit.kind == GraphHitKind::kNone) continue;
        EXPECT_EQ(hit.line, c.line) << c.mx << "," << c.my;
        EXPECT_EQ(hit.point, c.point) << c.mx << "," << c.my;
        EXPECT_EQ(hit.value, c.value) << c.mx << "," << c.my;
    }
}

TEST_F(GraphEditingTest, CursorLineWinsWhereTwoLinesMeet) {
    image[map.y.start + 4] = 104;   // line 1, point 1 at y = 88, two pixels above line 0's
    for (int cursorLine : {0, 1}) {
        map.cursor.row = cursorLine;
        GraphHit hit = GraphHitTest(map, image, scales, true, 500, 89);
        EXPECT_EQ(hit.kind, GraphHitKind::kData);
        EXPECT_EQ(hit.line, cursorLine);
    }
}

TEST_F(GraphEditingTest, BreakpointsArePickedOnlyOnFreeMapAxes) {
    EXPECT_EQ(GraphHitTest(map, image, scales, false, 500, 30).kind, GraphHitKind::kRpm);
    EXPECT_EQ(GraphHitTest(map, image, Scales(GraphAxisKind::kImageAxis), false, 500, 30).kind,
              GraphHitKind::kNone);
    map.type = kMapRpmPerRow;
    EXPECT_EQ(GraphHitTest(map, image, scales, false, 500, 30).kind, GraphHitKind::kRpm);
    EXPECT_EQ(GraphHitTest(map, image, scales, true, 500, 30).kind, GraphHitKind::kNone);
}

TEST_F(GraphEditingTest, SecondClickOnTheCursorCellStartsADrag) {
    GraphHit data{GraphHitKind::kData, 1, 2, 250};
    EXPECT_EQ(ApplyGraphClick(map, image, data), GraphClick::kSelected);
    EXPECT_EQ(map.cursor.mode, kEditData);
    EXPECT_EQ(map.cursor.row, 1);
    EXPECT_EQ(map.cursor.column, 2);
    EXPECT_EQ(map.cursor.raw, 250);
    EXPECT_EQ(ApplyGraphClick(map, image, data), GraphClick::kDragStart);

    GraphHit rpm{GraphHitKind::kRpm, 1, 1, 128};
    EXPECT_EQ(ApplyGraphClick(map, image, rpm), GraphClick::kSelected);
    EXPECT_EQ(map.cursor.mode, kEditRpm);
    EXPECT_EQ(map.cursor.column, 1);
    EXPECT_EQ(map.cursor.raw, 128);
    EXPECT_EQ(map.cursor.lower, 11);    // one raw step inside the neighbouring breakpoints
    EXPECT_EQ(map.cursor.upper, 199);
    EXPECT_EQ(ApplyGraphClick(map, image, rpm), GraphClick::kDragStart);

    EXPECT_EQ(ApplyGraphClick(map, image, GraphHit{}), GraphClick::kNothing);
    EXPECT_EQ(map.cursor.mode, kEditRpm);
}

TEST_F(GraphEditingTest, DragStartRecordsNeighboursOrTheirAbsence) {
    struct Case { int column; int previousX; int nextX; int value; };
    const Case cases[] = {{0, -1, 500, 0}, {1, 39, 781, 100}, {2, 500, -1, 200}};
    for (const Case& c : cases) {
        Cursor(kEditData, 0, c.column, c.value, 0, 255);
        GraphDrag drag;
        ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag)) << c.column;
        EXPECT_EQ(drag.previous.x, c.previousX) << c.column;
        EXPECT_EQ(drag.next.x, c.nextX) << c.column;
        EXPECT_EQ(drag.valueAtStart, c.value) << c.column;
    }
    Cursor(kEditNone, 0, 0, 0, 0, 255);
    GraphDrag drag;
    EXPECT_FALSE(BeginGraphDrag(map, image, scales, drag));
    Cursor(kEditData, 2, 0, 0, 0, 255);   // a line the map does not have
    EXPECT_FALSE(BeginGraphDrag(map, image, scales, drag));
}

TEST_F(GraphEditingTest, DragCandidateIsClampedIntoTheLimits) {
    struct Case { int mode; int lower; int upper; int mx; int my; int candidate; };
    const Case cases[] = {
        {kEditData, 0, 255, 0, 90, 98},      // (140 - 90) * 197 / 100
        {kEditData, 0, 255, 0, 0, 255},      // 275 pinned at the upper limit
        {kEditData, 20, 255, 0, 139, 20},    // 1 pinned at the lower limit
        {kEditData, 0, 255, 0, 140, 0},
        {kEditRpm, 10, 200, 500, 7, 128},    // 500 * 256 / 1000
        {kEditRpm, 10, 200, 900, 7, 200},
        {kEditRpm, 10, 200, 0, 7, 10},
    };
    for (const Case& c : cases) {
        EditCursor limits{c.mode, 0, 0, 0, c.lower, c.upper};
        EXPECT_EQ(GraphDragCandidate(c.mode, scales, limits, c.mx, c.my), c.candidate) << c.mx << "," << c.my;
    }
}

TEST_F(GraphEditingTest, DataDragDrawsSegmentsFromBothNeighbours) {
    Cursor(kEditData, 0, 1, 100, 0, 160);
    GraphDrag drag;
    ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag));

    // On the point itself, outside the background, or to the same value: nothing.
    EXPECT_TRUE(MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 90).ignored);
    EXPECT_TRUE(MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 1000, 50).ignored);
    EXPECT_TRUE(MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, -1).ignored);
    GraphDragMove same = MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 89);
    EXPECT_FALSE(same.ignored);
    EXPECT_FALSE(same.changed);

    GraphDragMove move = MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 60);
    ASSERT_TRUE(move.changed);
    EXPECT_EQ(drag.editValue, 157);
    EXPECT_EQ(drag.point.y, 61);   // 140 - 157 * 100 / 197
    ASSERT_EQ(move.rubberBand.size(), 2u);
    EXPECT_EQ(move.rubberBand[0].from.x, 39);
    EXPECT_EQ(move.rubberBand[0].from.y, 140);
    EXPECT_EQ(move.rubberBand[1].from.x, 781);
    EXPECT_EQ(move.rubberBand[1].to.x, 500);
    EXPECT_EQ(move.rubberBand[1].to.y, 61);
    EXPECT_EQ(drag.valueAtStart, 100);   // kept for a cancel

    // Beyond the upper limit the value pins there; further up changes nothing.
    EXPECT_TRUE(MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 0).changed);
    EXPECT_EQ(drag.editValue, 160);
    EXPECT_FALSE(MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 501, 1).changed);
}

TEST_F(GraphEditingTest, ReleaseWritesOnlyAChangedValueAndCancelRestoresTheStart) {
    Cursor(kEditData, 0, 1, 100, 0, 255);
    GraphDrag drag;
    ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag));
    std::uint16_t value = 0;
    EXPECT_FALSE(GraphDragWrite(drag, map.cursor, value));

    MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 60);
    ASSERT_TRUE(GraphDragWrite(drag, map.cursor, value));
    EXPECT_EQ(value, 157);
    MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 89);   // back to 100
    EXPECT_FALSE(GraphDragWrite(drag, map.cursor, value));

    MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 60);
    CancelGraphDrag(drag);
    EXPECT_EQ(drag.editValue, 100);
    EXPECT_FALSE(GraphDragWrite(drag, map.cursor, value));
    EXPECT_EQ(image[map.y.start + 1], 100);   // the image is never touched here
}

// The dragged value belongs to the cell the drag began on: once the cursor
// is elsewhere (an Undo or a line step moved it), the release writes nothing.
TEST_F(GraphEditingTest, AReleaseAfterTheCursorLeftTheDraggedCellWritesNothing) {
    Cursor(kEditData, 0, 1, 100, 0, 255);
    GraphDrag drag;
    ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag));
    MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 500, 60);
    std::uint16_t value = 0;
    ASSERT_TRUE(GraphDragWrite(drag, map.cursor, value));
    const EditCursor at = map.cursor;
    for (int change = 0; change < 3; ++change) {
        map.cursor = at;
        if (change == 0) map.cursor.row = 1;
        if (change == 1) map.cursor.column = 2;
        if (change == 2) map.cursor.mode = kEditRpm;
        EXPECT_FALSE(GraphDragWrite(drag, map.cursor, value)) << change;
    }
}

// Limits that leave no room (neighbours one raw step apart) hold the value.
TEST_F(GraphEditingTest, LimitsWithoutRoomKeepTheStartValue) {
    Cursor(kEditRpm, 0, 1, 60, 61, 60);
    EXPECT_EQ(GraphDragCandidate(kEditRpm, scales, map.cursor, 900, 5), 60);
    EXPECT_EQ(GraphDragCandidate(kEditRpm, scales, map.cursor, 0, 5), 60);
}

TEST_F(GraphEditingTest, LineOfOnePointDragsAsAFullWidthLine) {
    map.x.count = 1;
    map.y.count = 2;
    Set(map.y.start, {100, 50});
    scales = Scales(GraphAxisKind::kFreeMap);
    Cursor(kEditData, 0, 0, 100, 0, 255);
    GraphDrag drag;
    ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag));
    EXPECT_EQ(drag.previous.x, -1);
    EXPECT_EQ(drag.next.x, -1);
    GraphDragMove move = MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 300, 40);
    ASSERT_EQ(move.rubberBand.size(), 1u);
    EXPECT_EQ(move.rubberBand[0].from.x, 0);
    EXPECT_EQ(move.rubberBand[0].to.x, 1000);
    EXPECT_EQ(move.rubberBand[0].from.y, drag.point.y);
    EXPECT_EQ(move.rubberBand[0].to.y, drag.point.y);
}

TEST_F(GraphEditingTest, RpmDragDrawsAFullHeightLine) {
    Cursor(kEditRpm, 0, 1, 128, 10, 200);
    GraphDrag drag;
    ASSERT_TRUE(BeginGraphDrag(map, image, scales, drag));
    EXPECT_EQ(drag.valueAtStart, 128);
    GraphDragMove move = MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 700, 50);
    ASSERT_TRUE(move.changed);
    EXPECT_EQ(drag.editValue, 179);   // 700 * 256 / 1000
    ASSERT_EQ(move.rubberBand.size(), 1u);
    EXPECT_EQ(move.rubberBand[0].from.x, 699);
    EXPECT_EQ(move.rubberBand[0].from.y, 0);
    EXPECT_EQ(move.rubberBand[0].to.y, 140);
    MoveGraphDrag(drag, scales, map.cursor, 1000, 140, 990, 50);
    EXPECT_EQ(drag.editValue, 200);   // the next breakpoint bounds it
}

TEST_F(GraphEditingTest, MarkerFollowsTheEditMode) {
    Cursor(kEditData, 0, 1, 100, 0, 255);
    GraphMarker m = GraphCursorMarker(map, image, scales);
    EXPECT_EQ(m.kind, GraphMarkerKind::kSquare);
    EXPECT_EQ(m.square.x, 497);
    EXPECT_EQ(m.square.y, 87);
    EXPECT_EQ(m.square.width, 7);
    Cursor(kEditRpm, 0, 2, 200, 128, 255);
    m = GraphCursorMarker(map, image, scales);
    EXPECT_EQ(m.kind, GraphMarkerKind::kVerticalLine);
    EXPECT_EQ(m.x, 781);
    map.x.valueListText = "10,128,200";
    EXPECT_EQ(GraphCursorMarker(map, image, Scales(GraphAxisKind::kListAxis)).kind, GraphMarkerKind::kNone);
    Cursor(kEditThrot, 0, 0, 0, 0, 255);
    EXPECT_EQ(GraphCursorMarker(map, image, scales).kind, GraphMarkerKind::kNone);
}

TEST_F(GraphEditingTest, KeyCommandsByEditMode) {
    using A = GraphKeyAction;
    struct Case {
        int mode, row, column, raw, lower, upper;
        bool freeMap;
        int code;
        A action;
        int line, point, value, address;
    };
    const Case cases[] = {
        // DATA: Up/PageUp and Down/PageDown step within the limits.
        {kEditData, 0, 1, 100, 0, 255, true, kKeyUp, A::kStepData, 0, 1, 101, 0x121},
        {kEditData, 0, 1, 100, 0, 255, true, kKeyPageUp, A::kStepData, 0, 1, 101, 0x121},
        {kEditData, 1, 2, 100, 0, 255, true, kKeyDown, A::kStepData, 1, 2, 99, 0x125},
        {kEditData, 0, 1, 100, 0, 255, true, kKeyPageDown, A::kStepData, 0, 1, 99, 0x121},
        {kEditData, 0, 1, 160, 0, 160, true, kKeyUp, A::kNone, 0, 0, 0, 0},
        {kEditData, 0, 1, 20, 20, 255, true, kKeyDown, A::kNone, 0, 0, 0, 0},
        // DATA: Left/Right along the line, Shift+Up/Down across lines.
        {kEditData, 0, 1, 100, 0, 255, true, kKeyLeft, A::kMoveCursor, 0, 0, 0, 0},
        {kEditData, 0, 1, 100, 0, 255, true, kKeyShiftRight, A::kMoveCursor, 0, 2, 200, 0},
        {kEditData, 0, 0, 0, 0, 255, true, kKeyShiftLeft, A::kNone, 0, 0, 0, 0},
        {kEditData, 0, 2, 200, 0, 255, true, kKeyRight, A::kNone, 0, 0, 0, 0},
        {kEditData, 0, 1, 100, 0, 255, true, kKeyShiftDown, A::kMoveCursor, 1, 1, 150, 0},
        {kEditData, 1, 1, 150, 0, 255, true, kKeyShiftDown, A::kNone, 0, 0, 0, 0},
        {kEditData, 0, 1, 100, 0, 255, true, kKeyShiftUp, A::kNone, 0, 0, 0, 0},
        // Shift+Enter writes to the ECU for Config Map definitions only.
        {kEditData, 1, 1, 150, 0, 255, false, kKeyShiftEnter, A::kWriteEcu, 1, 1, 150, 0x124},
        {kEditData, 1, 1, 150, 0, 255, true, kKeyShiftEnter, A::kNone, 0, 0, 0, 0},
        {kEditData, 0, 1, 100, 0, 255, true, 3, A::kNone, 0, 0, 0, 0},
        // RPM: Right/Left step the breakpoint, Up/Down move along the axis.
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyRight, A::kStepRpm, 0, 1, 129, 0x111},
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyLeft, A::kStepRpm, 0, 1, 127, 0x111},
        {kEditRpm, 0, 1, 200, 10, 200, true, kKeyRight, A::kNone, 0, 0, 0, 0},
        {kEditRpm, 0, 1, 10, 10, 200, true, kKeyLeft, A::kNone, 0, 0, 0, 0},
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyUp, A::kMoveCursor, 0, 2, 200, 0},
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyDown, A::kMoveCursor, 0, 0, 10, 0},
        {kEditRpm, 0, 2, 200, 128, 255, true, kKeyUp, A::kNone, 0, 0, 0, 0},
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyPageUp, A::kNone, 0, 0, 0, 0},
        {kEditRpm, 0, 1, 128, 10, 200, false, kKeyRight, A::kNone, 0, 0, 0, 0},
        {kEditRpm, 0, 1, 128, 10, 200, true, kKeyShiftEnter, A::kNone, 0, 0, 0, 0},
        {kEditNone, 0, 1, 128, 0, 255, true, kKeyUp, A::kNone, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Cursor(c.mode, c.row, c.column, c.raw, c.lower, c.upper);
        GraphKeyPlan plan = PlanGraphKey(map, image, c.freeMap, false, c.code);
        const std::string label = "mode " + std::to_string(c.mode) + " code " + std::to_string(c.code);
        EXPECT_EQ(plan.action, c.action) << label;
        if (plan.action == A::kNone) continue;
        EXPECT_EQ(plan.line, c.line) << label;
        EXPECT_EQ(plan.point, c.point) << label;
        EXPECT_EQ(plan.value, c.value) << label;
        if (plan.action != A::kMoveCursor) {
            EXPECT_EQ(plan.address, c.address) << label;
        }
    }
}

TEST_F(GraphEditingTest, RpmKeysOfTwoDimensionalAxes) {
    map.type = kMapRpmPerRow;
    image[map.x.start + 4] = 130;   // line 1's own second breakpoint
    Cursor(kEditRpm, 1, 1, 130, 10, 200);
    GraphKeyPlan plan = PlanGraphKey(map, image, true, false, kKeyRight);
    EXPECT_EQ(plan.action, GraphKeyAction::kStepRpm);
    EXPECT_EQ(plan.address, map.x.start + 4);
    // With all lines shown the breakpoints of a type-2 map are not edited.
    EXPECT_EQ(PlanGraphKey(map, image, true, true, kKeyRight).action, GraphKeyAction::kNone);
    EXPECT_EQ(PlanGraphKey(map, image, true, true, kKeyUp).action, GraphKeyAction::kNone);
}

TEST_F(GraphEditingTest, CursorMoveTakesTheCellValueAndItsLimits) {
    Cursor(kEditRpm, 0, 1, 128, 10, 200);
    GraphKeyPlan plan = PlanGraphKey(map, image, true, false, kKeyUp);
    ApplyGraphCursorMove(map, image, plan);
    EXPECT_EQ(map.cursor.column, 2);
    EXPECT_EQ(map.cursor.raw, 200);
    EXPECT_EQ(map.cursor.lower, 129);   // the last breakpoint: bounded below only
    EXPECT_EQ(map.cursor.upper, 255);

    GraphKeyPlan step = PlanGraphKey(map, image, true, false, kKeyLeft);
    ApplyGraphCursorMove(map, image, step);   // not a move: the cursor stays
    EXPECT_EQ(map.cursor.raw, 200);
}

}  // namespace
