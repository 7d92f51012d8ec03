// Undo and Redo over the table's real edits, byte for byte, a linked map's bytes included.
#include "edit/CellEdit.h"
#include "edit/TableMaths.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

struct RedoTest : EditFixture {
    RecordingPrompt prompt;
    RedoTest() {   // a linked map whose DATA lies 0x100 above ours
        context.linkTargets = [this](std::uint16_t a) {
            const int offset = a - map.y.start;
            return offset >= 0 && offset < 12 ? std::vector<std::uint16_t>{static_cast<std::uint16_t>(a + 0x100)}
                                              : std::vector<std::uint16_t>{};
        };
        context.propagate = [this](std::uint16_t a, std::uint8_t v, int s) {
            for (std::uint16_t t : context.linkTargets(a)) image[t] = s == 0 ? v : image[t];
        };
    }
    void Reset() { map.undo.Clear(), map.redo.clear(), context.keptData.reset(), MakeFreeMap(kMapOneRpmRow); }
    void At(int mode, int row, int column) { PlaceCursor(context, map, {mode, row, column}); }
    void Typed(int row, int column, const char* text) {
        std::string shown;
        At(kEditData, row, column), CommitDataEdit(context, map, prompt, text, shown);
    }
    void Paste(int row, int column, const char* text) {
        At(kEditData, row, column), PasteValues(context, map, prompt, 0, std::string_view(text));
    }
    void Maths(TableMathsOp op, float value) {   // over the whole table
        ApplyTableMaths(context, map, PlanTableMaths(context, map, MathsCells(map), op, value));
    }
    void Step(int row, int column, std::vector<CellRef> selection = {}) {
        At(kEditData, row, column), StepDataCells(context, map, true, selection, &prompt);
    }
};
using Edit = std::function<void(RedoTest&)>;

TEST_F(RedoTest, UndoAndRedoWalkMixedEditsByteForByte) {
    const std::vector<std::vector<Edit>> cases = {
        {[](RedoTest& t) { t.Typed(1, 1, "40"); }, [](RedoTest& t) { t.Paste(1, 2, "9\t8\t7\r\n6\t5\t4\r\n3\t2\t1"); },
         [](RedoTest& t) { t.Maths(TableMathsOp::kScale, 150.0f); }},
        {[](RedoTest& t) { t.Typed(2, 3, "10"); }, [](RedoTest& t) { t.Typed(2, 3, "20"); },
         [](RedoTest& t) { t.At(kEditThrot, 0, 1); CommitAxisEdit(t.context, t.map, t.prompt, "25"); },
         [](RedoTest& t) { t.Step(0, 0, {{0, 0}, {0, 1}, {1, 1}}); },
         [](RedoTest& t) { t.Maths(TableMathsOp::kSmooth, 0.0f); }},
    };
    for (std::size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE(n);
        Reset();
        std::vector<Image> steps{image};
        for (const Edit& edit : cases[n]) {
            edit(*this);
            ASSERT_NE(image, steps.back());
            steps.push_back(image);
        }
        for (int pass = 0; pass < 2; ++pass) {   // the redone steps undo as the first time
            for (std::size_t i = steps.size() - 1; i > 0; --i) {
                ASSERT_EQ(Undo(context, map), 1);
                ASSERT_EQ(image, steps[i - 1]) << "undo of edit " << i;
            }
            for (std::size_t i = 1; i < steps.size(); ++i) {
                ASSERT_EQ(Redo(context, map).code, kRedone);
                ASSERT_EQ(image, steps[i]) << "redo of edit " << i;
            }
            EXPECT_EQ(Redo(context, map).code, kRedoEmpty);
        }
    }
}

// Each way a redo must refuse: no byte written, the reason told.
TEST_F(RedoTest, RedoRefusesWhatItCannotPutBackExactly) {
    struct Case { const char* name; Edit between; int code; bool kept; };   // between the Undo and the Redo
    const Case cases[] = {
        {"a new edit", [](RedoTest& t) { t.Typed(0, 0, "7"); }, kRedoEmpty, false},
        {"a coalesced step", [](RedoTest& t) { t.Step(2, 2); }, kRedoEmpty, false},
        {"a refused paste over the data's end",   // row 1 ends the data after column 1
         [](RedoTest& t) { t.context.keptData = DataSpan{0, uint16_t(t.map.y.start + 6)}, t.Paste(0, 2, "1\t2\r\n3\t4"),
                           t.context.keptData.reset(); },
         kRedone, true},
        {"a linked byte written since", [](RedoTest& t) { t.image[t.map.y.start + 0x109] = 1; }, kRedoChanged, false},
        {"the cell now outside the data", [](RedoTest& t) { t.context.keptData = DataSpan{0, t.map.y.start}; },
         kRedoOutsideData, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Step(2, 2);          // the newest record after the Undo is a step of (2,2)
        Typed(2, 1, "30");
        ASSERT_EQ(Undo(context, map), 1);
        c.between(*this);
        const Image before = image;
        const RedoResult result = Redo(context, map);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(image == before, c.code != kRedone);
        if (c.code == kRedone) continue;
        EXPECT_EQ(result.message.empty(), c.code == kRedoEmpty);
        EXPECT_EQ(RedoMenuEnabled(&map), c.kept);
    }
}

}  // namespace
