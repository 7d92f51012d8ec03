// Every edit path asks EditContext::OutsideDataRefusal before its undo
// record: a cell outside the file's data, or on its checksum, is refused
// with one message and nothing is written, recorded or marked modified.
#include <functional>

#include "edit/CellAccess.h"
#include "edit/CellEdit.h"
#include "edit/ClipboardText.h"
#include "edit/HexBlock.h"
#include "edit/TableMaths.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

using namespace std::string_literals;

// The fixture's map: THROT 0102-0104, RPM 0105-0108, DATA 0109-0114 (row 1
// is 010D-0110).
struct OutsideDataTest : EditFixture {
    RecordingPrompt prompt;
    static std::string Refusal(const std::string& bytes, const std::string& data) {
        return bytes + " outside the data the file keeps (" + data +
               " is the checksum), so a save would lose the change.\nNothing was changed.";
    }
};

TEST_F(OutsideDataTest, EveryEditPathRefusesACellTheFileDoesNotKeepAndChangesNothing) {
    const DataSpan toRow1{0x0100, 0x010F};   // 010F, DATA (1, 2), is the checksum
    const DataSpan afterThrot0{0x0103, 0x01FF};
    const std::string checksum = Refusal("Byte 010F lies", "0100-010E; 010F");
    const std::string throt = Refusal("Byte 0102 lies", "0103-01FE; 01FF");
    std::string text, refusedText;
    struct Case {
        const char* name;
        DataSpan kept;
        std::string message;   // "" for an edit inside the data, which goes ahead
        std::function<bool()> edit;   // true when the path reports a change
    };
    const Case cases[] = {
        {"typed DATA", toRow1, checksum,
         [&] { PutCursor(kEditData, 1, 2, 12); return CommitDataEdit(context, map, prompt, "3", refusedText); }},
        {"typed DATA, last byte kept", toRow1, "",
         [&] { PutCursor(kEditData, 1, 1, 10); return CommitDataEdit(context, map, prompt, "3", text); }},
        {"typed THROT", afterThrot0, throt,
         [&] { PutCursor(kEditThrot, 0, 0, 10); return CommitAxisEdit(context, map, prompt, "12").write; }},
        {"THROT step", afterThrot0, throt,
         [&] { map.z.step = 5; PutCursor(kEditThrot, 0, 0, 10); return StepAxisCell(context, map, true, &prompt); }},
        {"DATA step", toRow1, checksum,
         [&] { PutCursor(kEditData, 1, 2, 12); return StepDataCells(context, map, true, {}, &prompt) > 0; }},
        {"fill", toRow1, checksum,
         [&] { PutCursor(kEditData, 0, 0, 0); return FillSelection(context, map, false, {{1, 1}, {1, 2}}, &prompt) > 0; }},
        {"paste", toRow1, Refusal("Bytes 010F-0110 lie", "0100-010E; 010F"),
         [&] { PutCursor(kEditData, 1, 1, 10); return PasteValues(context, map, prompt, 0, "1\t2\t3"s).messageId == 0; }},
        {"HEX", toRow1, checksum,
         [&] { HexPlaceCursor(context, map, 0x010F); return HexCommit(context, map, prompt, 0x010F, "05"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFreeMap(kMapOneRpmRow);
        map.undo.Clear();
        prompt.shown.clear();
        links.clear();
        modified = 0;
        context.keptData = c.kept;
        const Image before = image;
        const bool changed = c.edit();
        EXPECT_EQ(changed, c.message.empty());
        EXPECT_EQ(image == before, !c.message.empty());
        if (c.message.empty()) continue;
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, c.message);
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
        EXPECT_TRUE(map.undo.Empty());
        EXPECT_EQ(modified, 0);
        EXPECT_TRUE(links.empty());
    }
    EXPECT_EQ(refusedText, "6.0");   // the refused typed value shows the cell's value again
}

TEST_F(OutsideDataTest, TableMathsIsRefusedOnlyWhenACellOutsideWouldChange) {
    context.keptData = DataSpan{0x0100, 0x0111};   // row 2 lies outside
    PutCursor(kEditData, 0, 0, 0);
    const Image before = image;
    TableMathsPlan plan = PlanTableMaths(context, map, MathsCells(map), TableMathsOp::kAdd, 1.0f);
    EXPECT_EQ(plan.result, kMathsOutsideData);
    EXPECT_EQ(plan.refusal, Refusal("Bytes 0111-0114 lie", "0100-0110; 0111"));
    EXPECT_EQ(ApplyTableMaths(context, map, plan), 0);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(map.undo.Empty());
    map.selection = {0, 0, 1, 3};   // rows 0 and 1: the cells outside stay as they are
    plan = PlanTableMaths(context, map, MathsCells(map), TableMathsOp::kAdd, 1.0f);
    EXPECT_EQ(ApplyTableMaths(context, map, plan), 8);
}

TEST_F(OutsideDataTest, TheMapLinksBytesCountAndStoreByteNeverWritesOutside) {
    context.keptData = DataSpan{0x0100, 0x01FF};
    context.linkTargets = [](std::uint16_t address) {
        return address == 0x0109 ? std::vector<std::uint16_t>{0x0200} : std::vector<std::uint16_t>{};
    };
    PutCursor(kEditData, 0, 0, 0);
    std::string text;
    EXPECT_FALSE(CommitDataEdit(context, map, prompt, "3", text));
    EXPECT_EQ(prompt.Last().text, Refusal("Byte 0200 lies", "0100-01FE; 01FF"));
    EXPECT_FALSE(context.StoreByte(0x01FF, 7, 0));
    EXPECT_EQ(image[0x01FF], 0);
    EXPECT_EQ(modified, 0);
    EXPECT_TRUE(map.undo.Empty());
    EXPECT_TRUE(links.empty());
}

}  // namespace
