// Undo and Redo over the real edits of the table window, byte for byte: the
// image after each step must be exactly the one the step left the first time.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "edit/CellAccess.h"
#include "edit/CellEdit.h"
#include "edit/ClipboardText.h"
#include "edit/TableMaths.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

struct RedoTest : EditFixture {
    RecordingPrompt prompt;

    RedoTest() {
        // A linked map whose DATA lies 0x100 above ours: the link's bytes
        // must come and go with the edit.
        context.linkTargets = [this](std::uint16_t a) {
            const int offset = a - map.y.start;
            return offset >= 0 && offset < 12 ? std::vector<std::uint16_t>{static_cast<std::uint16_t>(a + 0x100)}
                                              : std::vector<std::uint16_t>{};
        };
        context.propagate = [this](std::uint16_t a, std::uint8_t v, int s) {
            if (s == 0 && context.linkTargets)
                for (std::uint16_t t : context.linkTargets(a)) image[t] = v;
        };
        for (int i = 0; i < 12; ++i) image[map.y.start + 0x100 + i] = static_cast<std::uint8_t>(200 + i);
    }

    void Cursor(int mode, int row, int column) { PlaceCursor(context, map, {mode, row, column}); }

    void Typed(int row, int column, const char* text) {
        Cursor(kEditData, row, column);
        std::string shown;
        CommitDataEdit(context, map, prompt, text, shown);
    }
    void Paste(int row, int column, const char* text) {
        Cursor(kEditData, row, column);
        PasteValues(context, map, prompt, 0, std::string_view(text));
    }
    void Maths(TableMathsOp op, float value, int r0, int c0, int r1, int c1) {
        Cursor(kEditData, r0, c0);
        map.selection = CellSelection{r0, c0, r1, c1};
        const TableMathsPlan plan = PlanTableMaths(context, map, SelectedCells(map), op, value);
        ApplyTableMaths(context, map, plan);
        ClearSelection(map);
    }
    void Step(int row, int column, bool up, std::vector<CellRef> selection = {}) {
        Cursor(kEditData, row, column);
        StepDataCells(context, map, up, selection, &prompt);
    }
    void Fill(int row, int column, const char* text, std::vector<CellRef> selection) {
        Cursor(kEditData, row, column);
        std::string shown;
        const bool changed = CommitDataEdit(context, map, prompt, text, shown);
        FillSelection(context, map, changed, selection, &prompt);
    }
    void Throt(int column, const char* text) {
        Cursor(kEditThrot, 0, column);
        CommitAxisEdit(context, map, prompt, text);
    }
};

using Edit = std::function<void(RedoTest&)>;

struct MixedCase {
    const char* name;
    std::vector<Edit> edits;
};

// Every edit, undone one by one and redone one by one, leaves exactly the
// image of the step it returns to, linked bytes included.
TEST_F(RedoTest, UndoAndRedoWalkMixedEditsByteForByte) {
    const MixedCase cases[] = {
        {"typed, paste, scale",
         {[](RedoTest& t) { t.Typed(1, 1, "40"); }, [](RedoTest& t) { t.Paste(0, 2, "1\t2\r\n3\t4"); },
          [](RedoTest& t) { t.Maths(TableMathsOp::kScale, 150.0f, 0, 0, 2, 3); }}},
        {"one cell edited three times",
         {[](RedoTest& t) { t.Typed(2, 3, "10"); }, [](RedoTest& t) { t.Typed(2, 3, "20"); },
          [](RedoTest& t) { t.Step(2, 3, true); }}},
        {"paste over the table's edge, smooth, fill",
         {[](RedoTest& t) { t.Paste(1, 2, "9\t8\t7\r\n6\t5\t4\r\n3\t2\t1"); },
          [](RedoTest& t) { t.Maths(TableMathsOp::kSmooth, 0.0f, 0, 0, 2, 3); },
          [](RedoTest& t) { t.Fill(0, 0, "33", {{0, 0}, {0, 1}, {1, 0}, {1, 1}}); }}},
        {"axis and data, steps of a selection",
         {[](RedoTest& t) { t.Throt(1, "25"); }, [](RedoTest& t) { t.Step(0, 0, false, {{0, 0}, {0, 1}, {1, 1}}); },
          [](RedoTest& t) { t.Maths(TableMathsOp::kAdd, 2.5f, 1, 0, 2, 2); }}},
    };
    for (const MixedCase& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        map.redo.clear();
        MakeFreeMap(kMapOneRpmRow);
        std::vector<Image> steps{image};
        for (const Edit& edit : c.edits) {
            edit(*this);
            ASSERT_NE(image, steps.back()) << "the edit changed nothing";
            steps.push_back(image);
        }
        for (std::size_t i = c.edits.size(); i > 0; --i) {
            ASSERT_EQ(Undo(context, map), 1);
            EXPECT_EQ(image, steps[i - 1]) << "after the undo of edit " << i;
        }
        EXPECT_TRUE(map.undo.Empty());
        for (std::size_t i = 1; i <= c.edits.size(); ++i) {
            ASSERT_EQ(Redo(context, map).code, kRedone);
            EXPECT_EQ(image, steps[i]) << "after the redo of edit " << i;
        }
        EXPECT_EQ(Redo(context, map).code, kRedoEmpty);
        // And the redone edits undo again as the first time.
        for (std::size_t i = c.edits.size(); i > 0; --i) {
            ASSERT_EQ(Undo(context, map), 1);
            EXPECT_EQ(image, steps[i - 1]) << "after the second undo of edit " << i;
        }
    }
}

// Each way a redo must refuse: it writes nothing and says why.
TEST_F(RedoTest, RedoRefusesWhatItCannotPutBackExactly) {
    struct RefusalCase {
        const char* name;
        std::function<void(RedoTest&)> between;   // after the Undo, before the Redo
        int code;
        bool listKept;
    };
    const RefusalCase cases[] = {
        {"a new edit of the map", [](RedoTest& t) { t.Typed(0, 0, "7"); }, kRedoEmpty, false},
        {"a coalesced step of the map", [](RedoTest& t) { t.Step(2, 2, true); }, kRedoEmpty, false},
        {"a byte written since by something else (a linked map, a read)",
         [](RedoTest& t) { t.image[t.map.y.start + 0x100 + 9] = 1; }, kRedoChanged, false},
        {"the cell now outside the file's data",
         [](RedoTest& t) { t.context.keptData = DataSpan{0x0000, t.map.y.start}; }, kRedoOutsideData, true},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        map.redo.clear();
        context.keptData.reset();
        MakeFreeMap(kMapOneRpmRow);
        Step(2, 2, true);                // the newest record is a step of (2,2)...
        Typed(2, 1, "30");               // ...under this typed value
        ASSERT_EQ(Undo(context, map), 1);
        ASSERT_TRUE(RedoMenuEnabled(&map));
        c.between(*this);
        const Image before = image;
        prompt.shown.clear();
        const RedoResult result = Redo(context, map);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(image, before);
        EXPECT_EQ(result.message.empty(), c.code == kRedoEmpty);
        EXPECT_EQ(RedoMenuEnabled(&map), c.listKept);
    }
    // Back inside the data, the kept step goes in.
    context.keptData.reset();
    EXPECT_EQ(Redo(context, map).code, kRedone);
    EXPECT_EQ(Data(2, 1), 60);
}

// A paste reaching past the file's data is refused whole: no byte, no undo
// record, and what Undo took back before can still be redone.
TEST_F(RedoTest, APasteOverTheDataEdgeLeavesUndoAndRedoAsTheyWere) {
    Typed(0, 0, "12");
    Typed(2, 3, "44");
    ASSERT_EQ(Undo(context, map), 1);
    context.keptData = DataSpan{0x0000, static_cast<std::uint16_t>(map.y.start + 6)};   // rows 0 and half of 1
    const Image before = image;
    const std::size_t records = map.undo.Size();
    Paste(0, 2, "1\t2\r\n3\t4");
    EXPECT_EQ(image, before);
    EXPECT_EQ(map.undo.Size(), records);
    EXPECT_FALSE(prompt.shown.empty());
    ASSERT_TRUE(RedoMenuEnabled(&map));
    context.keptData.reset();
    EXPECT_EQ(Redo(context, map).code, kRedone);
    EXPECT_EQ(Data(2, 3), 88);
    ASSERT_EQ(Undo(context, map), 1);
    ASSERT_EQ(Undo(context, map), 1);
    EXPECT_EQ(Data(0, 0), 0);
}

TEST_F(RedoTest, TheEditMenuNamesTheStep) {
    struct NameCase {
        const char* name;
        Edit edit;
        const char* undoText;   // before the Undo
        const char* redoText;   // after it
    };
    const NameCase cases[] = {
        {"typed", [](RedoTest& t) { t.Typed(1, 1, "40"); }, "&Undo(Edit DATA)\tCtrl+Z", "&Redo Typed value\tCtrl+Y"},
        {"paste", [](RedoTest& t) { t.Paste(0, 0, "1\t2\t3\r\n4\t5\t6"); }, "&Undo(Edit DATA)\tCtrl+Z",
         "&Redo Paste 6 cells\tCtrl+Y"},
        {"scale", [](RedoTest& t) { t.Maths(TableMathsOp::kScale, 150.0f, 0, 0, 2, 3); },
         "&Undo Scale 11 cells\tCtrl+Z", "&Redo Scale 11 cells\tCtrl+Y"},
        {"smooth", [](RedoTest& t) { t.Maths(TableMathsOp::kSmooth, 0.0f, 0, 0, 2, 3); },
         "&Undo Smooth 10 cells\tCtrl+Z", "&Redo Smooth 10 cells\tCtrl+Y"},
        {"step", [](RedoTest& t) { t.Step(0, 1, true); }, "&Undo(Drag DATA)\tCtrl+Z", "&Redo Step\tCtrl+Y"},
        {"THROT", [](RedoTest& t) { t.Throt(1, "25"); }, "&Undo(Edit THROT)\tCtrl+Z", "&Redo Typed value\tCtrl+Y"},
    };
    EXPECT_EQ(UndoMenuText(&map), "&Undo\tCtrl+Z");
    EXPECT_EQ(RedoMenuText(&map), "&Redo\tCtrl+Y");
    EXPECT_EQ(RedoMenuText(nullptr), "&Redo\tCtrl+Y");
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        map.undo.Clear();
        map.redo.clear();
        MakeFreeMap(kMapOneRpmRow);
        c.edit(*this);
        EXPECT_EQ(UndoMenuText(&map), c.undoText);
        EXPECT_FALSE(RedoMenuEnabled(&map));
        ASSERT_EQ(Undo(context, map), 1);
        EXPECT_EQ(RedoMenuText(&map), c.redoText);
        EXPECT_EQ(UndoMenuText(&map), "&Undo\tCtrl+Z");
    }
}

}  // namespace
