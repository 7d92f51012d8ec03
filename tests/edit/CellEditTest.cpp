#include "edit/CellEdit.h"

#include "edit/CellAccess.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"

namespace {

// DATA holds raw 2 x (row * 4 + column); the item allows raw 0..200.
using CellEditTest = EditFixture;

TEST_F(CellEditTest, RepeatedStepsOfOneCellLeaveOneRecord) {
    PutCursor(kEditData, 1, 2, 0);
    EXPECT_EQ(StepDataCells(context, map, true, {}), 1);
    EXPECT_EQ(StepDataCells(context, map, true, {}), 1);
    EXPECT_EQ(StepDataCells(context, map, false, {}), 1);
    EXPECT_EQ(Data(1, 2), 13);
    EXPECT_EQ(map.cursor.raw, 13);
    EXPECT_EQ(map.undo.Size(), 1u);
    EXPECT_EQ(UndoMenuText(&map), "&Undo(Drag DATA)\tCtrl+Z");
    Undo(context, map);
    EXPECT_EQ(Data(1, 2), 12);
}

TEST_F(CellEditTest, StepsStopAtTheEndsOfTheRange) {
    struct Case {
        const char* name;
        std::uint8_t raw;
        bool up;
        int changed;
    };
    const Case cases[] = {
        {"at the maximum", 200, true, 0},      // raw 201 would show 100.5
        {"below the maximum", 199, true, 1},
        {"at zero", 0, false, 0},
        {"at 255", 255, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        image[map.y.start] = c.raw;
        PutCursor(kEditData, 0, 0, c.raw);
        EXPECT_EQ(StepDataCells(context, map, c.up, {}), c.changed);
        EXPECT_EQ(map.undo.Size(), static_cast<std::size_t>(c.changed));
    }
    map.y.minimum = "1";   // raw 1 shows 0.5, below the minimum
    image[map.y.start] = 2;
    EXPECT_EQ(StepDataCells(context, map, false, {}), 0);
}

TEST_F(CellEditTest, ASelectionStepsTogetherAndComesBackWithOneUndo) {
    PutCursor(kEditData, 0, 0, 0);
    const std::vector<CellRef> selection{{0, 0}, {1, 1}, {2, 3}};
    EXPECT_EQ(StepDataCells(context, map, true, selection), 3);
    EXPECT_EQ(Data(0, 0), 1);
    EXPECT_EQ(Data(1, 1), 11);
    EXPECT_EQ(Data(2, 3), 23);
    EXPECT_EQ(map.cursor.row, 0);
    EXPECT_EQ(map.cursor.column, 0);
    EXPECT_EQ(map.cursor.raw, 1);
    ASSERT_EQ(map.undo.Size(), 3u);   // the cursor cell's own step merges into its head record
    EXPECT_EQ(map.undo.At(0).chained, 0);
    Undo(context, map);
    EXPECT_EQ(Data(0, 0), 0);
    EXPECT_EQ(Data(1, 1), 10);
    EXPECT_EQ(Data(2, 3), 22);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(CellEditTest, FillWritesTheCursorValueIntoTheSelection) {
    const std::vector<CellRef> selection{{0, 2}, {1, 2}, {2, 2}, {5, 5}};
    PutCursor(kEditData, 0, 1, 2);
    EXPECT_EQ(FillSelection(context, map, false, selection), 3);
    EXPECT_EQ(Data(0, 2), 2);
    EXPECT_EQ(Data(1, 2), 2);
    EXPECT_EQ(Data(2, 2), 2);
    EXPECT_EQ(map.undo.Size(), 4u);
    EXPECT_EQ(map.cursor.column, 1);
    Undo(context, map);
    EXPECT_EQ(Data(0, 2), 4);
    EXPECT_EQ(Data(1, 2), 12);
    EXPECT_EQ(Data(2, 2), 20);
    EXPECT_TRUE(map.undo.Empty());

    // After a commit that wrote the cursor cell, its record heads the group.
    PutCursor(kEditData, 0, 1, 2);
    PushUndo(context, map, kUndoActionEdit, 0);
    WriteDataCell(context, map, 50, 1, 0);
    map.cursor.raw = 50;
    EXPECT_EQ(FillSelection(context, map, true, selection), 3);
    EXPECT_EQ(map.undo.Size(), 4u);
    Undo(context, map);
    EXPECT_EQ(Data(0, 1), 2);
    EXPECT_EQ(Data(2, 2), 20);
}

TEST_F(CellEditTest, AxisCellsAreNeitherSteppedNorFilled) {
    const Image before = image;
    PutCursor(kEditThrot, 0, 1, 20);
    EXPECT_EQ(StepDataCells(context, map, true, {}), 0);
    EXPECT_EQ(FillSelection(context, map, false, {{0, 0}}), 0);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(map.undo.Empty());
}

}  // namespace
