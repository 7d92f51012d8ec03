// The table window's decisions: shape and hit tests, scrolling, the
// selection, cursor moves, typed axis values and axis steps.
#include "edit/TableModel.h"

#include <gtest/gtest.h>

#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

struct TableModelTest : EditFixture {
    RecordingPrompt prompt;
    TableShape Shape() const { return TableShapeOf(map, context.definitionKind); }
    void Cursor(int mode, int row, int column) { PlaceCursor(context, map, {mode, row, column}); }
};

TEST_F(TableModelTest, ATypeTwoFreeMapDoublesItsLinesAndHasNoRpmHeader) {
    EXPECT_EQ(Shape().lines, 3);
    EXPECT_TRUE(Shape().rpmHeader);
    MakeFreeMap(kMapRpmPerRow);
    const TableShape shape = Shape();
    EXPECT_TRUE(shape.doubled);
    EXPECT_FALSE(shape.rpmHeader);
    EXPECT_EQ(shape.lines, 6);
    EXPECT_EQ(GridLineOf(shape, {kEditRpm, 2, 0}), 4);
    EXPECT_EQ(GridLineOf(shape, {kEditData, 2, 0}), 5);
    EXPECT_EQ(CellOfGridLine(shape, 3, 1).mode, int(kEditData));
    EXPECT_EQ(CellOfGridLine(shape, 3, 1).row, 1);
    context.definitionKind = kEditConfigMapDefinition;   // only Free Maps double
    EXPECT_FALSE(Shape().doubled);
}

TEST_F(TableModelTest, HitTestsFollowTheScrollAndStopAtTheTableEdge) {
    TableCell cell;
    ASSERT_TRUE(GridHit(Shape(), 50, 20, 1, 2, 60, 5, cell));   // second column shown, first line shown
    EXPECT_EQ(cell.row, 1);
    EXPECT_EQ(cell.column, 3);
    EXPECT_FALSE(GridHit(Shape(), 50, 20, 0, 0, 4 * 50, 5, cell));
    EXPECT_FALSE(GridHit(Shape(), 50, 20, 0, 0, 5, 3 * 20, cell));
    ASSERT_TRUE(HeaderHit(Shape(), 50, 20, 0, 1, 120, 10, cell));
    EXPECT_EQ(cell.mode, int(kEditRpm));
    EXPECT_EQ(cell.column, 2);
    ASSERT_TRUE(HeaderHit(Shape(), 50, 20, 0, 0, 10, 45, cell));
    EXPECT_EQ(cell.mode, int(kEditThrot));
    EXPECT_EQ(cell.column, 1);
    EXPECT_FALSE(HeaderHit(Shape(), 50, 20, 0, 0, 10, 10, cell));   // the corner
    MakeFreeMap(kMapRpmPerRow);
    ASSERT_TRUE(HeaderHit(Shape(), 50, 20, 0, 0, 10, 65, cell));   // line 3: row 1
    EXPECT_EQ(cell.column, 1);
}

TEST_F(TableModelTest, ScrollingMovesOnlyAsFarAsNeeded) {
    EXPECT_EQ(ScrollToShow(0, 2, 3, 10), 0);
    EXPECT_EQ(ScrollToShow(0, 5, 3, 10), 3);
    EXPECT_EQ(ScrollToShow(4, 1, 3, 10), 1);
    EXPECT_EQ(ScrollToShow(0, 20, 3, 10), 10);
    EXPECT_EQ(ScrollToShow(0, 2, 0, 0), 0);
}

TEST_F(TableModelTest, ShiftSelectionAnchorsAtThePreviousCursorAndOneCellSelectsNothing) {
    ExtendSelection(map, 1, 2, 0, 0);
    EXPECT_TRUE(HasSelection(map));
    EXPECT_EQ(SelectedCells(map).size(), 6u);
    ExtendSelection(map, 0, 0, 1, 2);
    EXPECT_FALSE(HasSelection(map));
    EXPECT_EQ(map.selection.startRow, 0);
    AnchorSelection(map, 2, 3);
    EXPECT_FALSE(HasSelection(map));
    ExtendSelection(map, 2, 2, 0, 0);
    EXPECT_EQ(SelectedCells(map).size(), 1u + 1u);
    ClearSelection(map);
    EXPECT_TRUE(SelectedCells(map).empty());
}

TEST_F(TableModelTest, CursorMovesInADoubledTablePassThroughTheRpmLines) {
    MakeFreeMap(kMapRpmPerRow);
    const TableShape shape = Shape();
    struct Case {
        TableCell from;
        int code;
        bool moves;
        TableCell to;
    };
    const Case cases[] = {
        {{kEditData, 1, 2}, kKeyCursorUp, true, {kEditRpm, 1, 2}},
        {{kEditRpm, 1, 2}, kKeyCursorUp, true, {kEditData, 0, 2}},
        {{kEditRpm, 0, 2}, kKeyCursorUp, false, {}},
        {{kEditData, 0, 2}, kKeyCursorDown, true, {kEditRpm, 1, 2}},
        {{kEditData, 2, 0}, kKeyCursorDown, false, {}},
        {{kEditData, 1, 0}, kKeyCursorLeft, true, {kEditThrot, 0, 1}},
        {{kEditThrot, 0, 1}, kKeyCursorRight, true, {kEditData, 1, 0}},
        {{kEditData, 1, 3}, kKeyCursorRight, false, {}},
    };
    for (const Case& c : cases) {
        Cursor(c.from.mode, c.from.row, c.from.column);
        TableCell target;
        ASSERT_EQ(CursorMoveTarget(map, shape, c.code, target), c.moves) << c.from.mode << c.code;
        if (!c.moves) continue;
        EXPECT_EQ(target.mode, c.to.mode);
        EXPECT_EQ(target.row, c.to.row);
        EXPECT_EQ(target.column, c.to.column);
    }
}

TEST_F(TableModelTest, ATypedThrotValueIsKeptInsideItsNeighbours) {
    map.z.minimum = "0";
    map.z.maximum = "100";
    map.z.step = 2;
    Cursor(kEditThrot, 0, 1);   // THROT 10, 20, 30 on 20
    struct Case {
        const char* typed;
        std::uint8_t stored;
        std::size_t messages;
    };
    const Case cases[] = {
        {"25", 25, 0},
        {"10", 12, 1},    // meets the left neighbour: one step above it, reported
        {"29", 28, 0},    // closer than a step to the right neighbour
        {"150", 28, 1},   // above the range: the right neighbour less the step, reported
    };
    for (const Case& c : cases) {
        image[0x0103] = 20;
        Cursor(kEditThrot, 0, 1);
        prompt.shown.clear();
        CommitAxisEdit(context, map, prompt, c.typed);
        EXPECT_EQ(image[0x0103], c.stored) << c.typed;
        EXPECT_EQ(prompt.shown.size(), c.messages) << c.typed;
    }
    EXPECT_EQ(map.undo.Newest().kind, 10);
    EXPECT_EQ(lineList.back(), (std::pair<int, std::string>{1, "28.0"}));
}

TEST_F(TableModelTest, AnAxisValueBelowTheRangeStoresTheCorrectedValue) {
    map.x.minimum = "1200";
    Cursor(kEditRpm, 0, 0);   // RPM 1000, 1500, ...: below the minimum
    const AxisCommit plan = CommitAxisEdit(context, map, prompt, "200");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(plan.editorText, "1200.0");
    EXPECT_EQ(image[0x0105], 24);
}

// Free Map items have no step (0): a typed axis value that meets or passes a
// neighbour is set one raw step inside it, and reported, so that the axis
// keeps rising strictly.
TEST_F(TableModelTest, ATypedAxisValueNeverMeetsOrPassesANeighbourWithoutAStep) {
    struct Case {
        int mode;
        int column;
        const char* typed;
        std::uint16_t address;
        std::uint8_t stored;
        const char* set;   // the value the message reports, "" for no message
    };
    // THROT 10, 20, 30 (x); RPM 1000, 1500, 2000, 2500 (x*50).
    const Case cases[] = {
        {kEditThrot, 0, "20", 0x0102, 19, "set 19.00"},      // meets the right neighbour
        {kEditThrot, 0, "25", 0x0102, 19, "set 19.00"},      // passes it
        {kEditThrot, 1, "10", 0x0103, 11, "set 11.00"},      // meets the left one
        {kEditThrot, 1, "300", 0x0103, 29, "set 29.00"},     // beyond the range and the neighbour
        {kEditThrot, 1, "15", 0x0103, 15, ""},               // between them: as typed
        {kEditRpm, 1, "1000", 0x0106, 21, "set 1050.00"},
        {kEditRpm, 1, "2000", 0x0106, 39, "set 1950.00"},
        {kEditRpm, 3, "1000", 0x0108, 41, "set 2050.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        MakeFreeMap(kMapOneRpmRow);
        map.z.maximum = "100";
        map.undo.Clear();
        prompt.shown.clear();
        const std::uint8_t before = image[c.address];
        Cursor(c.mode, 0, c.column);
        CommitAxisEdit(context, map, prompt, c.typed);
        EXPECT_EQ(image[c.address], c.stored);
        if (*c.set == '\0') {
            EXPECT_TRUE(prompt.shown.empty());
        } else {
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_NE(prompt.Last().text.find(c.set), std::string::npos) << prompt.Last().text;
            EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
        }
        // Each value one raw step at least above the one before it.
        for (int i = 1; i < 3; ++i) EXPECT_LT(image[0x0102 + i - 1], image[0x0102 + i]);
        for (int i = 1; i < 4; ++i) EXPECT_LT(image[0x0105 + i - 1], image[0x0105 + i]);
        Undo(context, map);
        EXPECT_EQ(image[c.address], before);
    }
}

// The first breakpoint below a minimum that its neighbour already sits on:
// the axis keeps rising rather than reach the minimum.
TEST_F(TableModelTest, RisingWinsOverTheRangeWhenANeighbourSitsOnTheMinimum) {
    map.x.minimum = "1500";
    Cursor(kEditRpm, 0, 0);   // RPM 1000, 1500, ...
    const AxisCommit plan = CommitAxisEdit(context, map, prompt, "200");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(plan.editorText, "1450.0");
    EXPECT_EQ(image[0x0105], 29);
}

TEST_F(TableModelTest, RefusedAxisTextChangesNothingAndNamesTheReason) {
    Cursor(kEditThrot, 0, 0);
    const AxisCommit plan = CommitAxisEdit(context, map, prompt, "1-");
    EXPECT_TRUE(plan.rejected);
    EXPECT_EQ(plan.editorText, "10.0");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Input Data cannot change to value\nData is set as before editing");
    map.z.physToHex = "x/0";
    CommitAxisEdit(context, map, prompt, "5");
    EXPECT_EQ(prompt.Last().text, "Error /0\nData is set as before editing");
    EXPECT_EQ(image[0x0102], 10);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(TableModelTest, AxisStepsKeepAStepFromTheNeighboursAndCoalesce) {
    map.z.step = 4;
    map.z.maximum = "255";
    Cursor(kEditThrot, 0, 1);   // 10, 20, 30
    EXPECT_TRUE(StepAxisCell(context, map, true));
    EXPECT_EQ(image[0x0103], 24);
    EXPECT_FALSE(StepAxisCell(context, map, true));   // 28 would come closer to 30 than a step
    EXPECT_TRUE(StepAxisCell(context, map, false));
    EXPECT_TRUE(StepAxisCell(context, map, false));
    EXPECT_EQ(image[0x0103], 16);
    EXPECT_FALSE(StepAxisCell(context, map, false));  // 12 would come closer to 10 than a step
    EXPECT_EQ(map.undo.Size(), 1u);
    EXPECT_EQ(map.undo.Newest().kind, 30);
    map.z.step = 0;
    EXPECT_FALSE(StepAxisCell(context, map, false));
}

TEST_F(TableModelTest, ATypedDataValueIsWrittenWithItsRecord) {
    Cursor(kEditData, 1, 1);
    std::string text;
    EXPECT_TRUE(CommitDataEdit(context, map, prompt, "7.5", text));
    EXPECT_EQ(Data(1, 1), 15);
    EXPECT_EQ(text, "7.5");
    EXPECT_EQ(map.undo.Newest().kind, 12);
    EXPECT_FALSE(CommitDataEdit(context, map, prompt, "7.5", text));   // unchanged: no record
    EXPECT_EQ(map.undo.Size(), 1u);
    Cursor(kEditThrot, 0, 0);
    EXPECT_FALSE(CommitDataEdit(context, map, prompt, "7.5", text));
}

TEST_F(TableModelTest, CellTextsUseTheFormatOfTheirAxis) {
    formats.x = "%.0f";
    EXPECT_EQ(CellText(context, map, {kEditRpm, 0, 1}), "1500");
    EXPECT_EQ(CellText(context, map, {kEditThrot, 0, 2}), "30.0");
    EXPECT_EQ(CellText(context, map, {kEditData, 2, 3}), "11.0");
    EXPECT_EQ(CellText(context, map, {kEditData, 3, 0}), "");
}

// A range message says what was typed and what was stored; a number too
// large for any cell is refused whole and no message ever prints inf or nan.
TEST_F(TableModelTest, TypedValueMessagesNameTheTextAndNeverPrintInfinity) {
    struct MessageCase { const char* name; int mode; const char* typed; bool refused; const char* contains; };
    const std::string forty(40, '9');   // a float reads it as infinite
    const MessageCase cases[] = {
        {"DATA above its range", kEditData, "150", false, "\nTyped 150, stored 100.0"},
        {"DATA between the shown decimals", kEditData, "-0.004", false, "Typed -0.004, stored 0.0"},
        {"DATA of forty digits", kEditData, forty.c_str(), true,
         "\"999999999999999999999999...\" is too large a number"},
        {"THROT of ten digits", kEditThrot, "9999999999", true, "\"9999999999\" is too large"},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFreeMap(kMapOneRpmRow);
        Cursor(c.mode, 1, 1);
        const Image before = image;
        prompt.shown.clear();
        std::string text;
        if (c.mode == kEditData) CommitDataEdit(context, map, prompt, c.typed, text);
        else CommitAxisEdit(context, map, prompt, c.typed);
        ASSERT_EQ(prompt.shown.size(), 1u);
        const std::string& message = prompt.Last().text;
        EXPECT_NE(message.find(c.contains), std::string::npos) << message;
        EXPECT_EQ(prompt.Last().icon, c.refused ? PromptIcon::kStop : PromptIcon::kExclamation);
        if (c.refused) EXPECT_EQ(image, before);
        for (const char* word : {"inf", "nan", "INF", "NAN"}) EXPECT_EQ(message.find(word), std::string::npos) << message;
    }
}

// What went is checked in the window (EcuWriteTest); here, failing is never told as sent.
TEST_F(TableModelTest, ShiftEnterNeverTellsAFailureAsSent) {
    const std::vector<std::pair<std::uint16_t, std::uint8_t>> one{{0x8016, 0x40}}, two{{1, 1}, {2, 2}};
    EXPECT_EQ(EcuSendStatus(one, 1524, "No response from ECU."), "Nothing sent to the ECU: No response from ECU.");
    EXPECT_EQ(EcuSendStatus(two, 1524, "No response from ECU.").rfind("Sending to the ECU failed: ", 0), 0u);
    EXPECT_EQ(EcuNotSentText(kEditFreeMapDefinition, kEditData),
              "Nothing sent to the ECU: a Free Map machine takes no single-value writes");
}

}  // namespace

