// Edits of bytes the calibration file does not keep: every edit path asks
// EditContext::OutsideDataRefusal before its undo record, so a cell outside
// the file's data (or on its checksum) is refused with one message and
// nothing is written, recorded or marked modified.
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

// The fixture's map: counts 0100, THROT 0102-0104, RPM 0105-0108, DATA
// 0109-0114 (row 1 is 010D-0110).
struct OutsideDataTest : EditFixture {
    RecordingPrompt prompt;
};

TEST_F(OutsideDataTest, EveryEditPathRefusesACellTheFileDoesNotKeepAndChangesNothing) {
    using Edit = std::function<bool()>;   // true when the path reports a change
    struct Case {
        const char* name;
        DataSpan kept;
        const char* message;   // "" for an edit inside the data, which goes ahead
        Edit edit;
    };
    const std::string onChecksum =
        "Byte 010F lies outside the data the file keeps (0100-010E; 010F is the checksum), so a save would lose "
        "the change.\nNothing was changed.";
    const std::string throt =
        "Byte 0102 lies outside the data the file keeps (0103-01FE; 01FF is the checksum), so a save would lose "
        "the change.\nNothing was changed.";
    const std::string pasted =
        "Bytes 010F-0110 lie outside the data the file keeps (0100-010E; 010F is the checksum), so a save would "
        "lose the change.\nNothing was changed.";
    std::string text, refusedText;
    const Case cases[] = {
        {"typed DATA on the checksum", {0x0100, 0x010F}, onChecksum.c_str(),
         [&] { PutCursor(kEditData, 1, 2, 12); return CommitDataEdit(context, map, prompt, "3", refusedText); }},
        {"typed DATA on the last byte kept", {0x0100, 0x010F}, "",
         [&] { PutCursor(kEditData, 1, 1, 10); return CommitDataEdit(context, map, prompt, "3", text); }},
        {"typed THROT", {0x0103, 0x01FF}, throt.c_str(),
         [&] { PutCursor(kEditThrot, 0, 0, 10); return CommitAxisEdit(context, map, prompt, "12").write; }},
        {"THROT step", {0x0103, 0x01FF}, throt.c_str(),
         [&] {
             map.z.step = 5;
             PutCursor(kEditThrot, 0, 0, 10);
             return StepAxisCell(context, map, true, &prompt);
         }},
        {"DATA step", {0x0100, 0x010F}, onChecksum.c_str(),
         [&] { PutCursor(kEditData, 1, 2, 12); return StepDataCells(context, map, true, {}, &prompt) > 0; }},
        {"fill", {0x0100, 0x010F}, onChecksum.c_str(),
         [&] { PutCursor(kEditData, 0, 0, 0); return FillSelection(context, map, false, {{1, 1}, {1, 2}}, &prompt) > 0; }},
        {"paste", {0x0100, 0x010F}, pasted.c_str(),
         [&] { PutCursor(kEditData, 1, 1, 10); return PasteValues(context, map, prompt, 0, "1\t2\t3"s).messageId == 0; }},
        {"HEX", {0x0100, 0x010F}, onChecksum.c_str(),
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
        if (*c.message == '\0') {
            EXPECT_TRUE(changed);
            EXPECT_TRUE(prompt.shown.empty());
            EXPECT_NE(image, before);
            continue;
        }
        EXPECT_FALSE(changed);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, c.message);
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
        EXPECT_EQ(image, before);
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
    EXPECT_EQ(plan.refusal.rfind("Bytes 0111-0114 lie outside", 0), 0u) << plan.refusal;
    EXPECT_EQ(ApplyTableMaths(context, map, plan), 0);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(map.undo.Empty());
    // Rows 0 and 1 only: the cells outside stay as they are, so it goes ahead.
    map.selection = {0, 0, 1, 3};
    plan = PlanTableMaths(context, map, MathsCells(map), TableMathsOp::kAdd, 1.0f);
    EXPECT_EQ(plan.result, kMathsOk);
    EXPECT_EQ(ApplyTableMaths(context, map, plan), 8);
}

TEST_F(OutsideDataTest, AByteTheMapLinkWouldWriteOutsideRefusesTheEditToo) {
    context.keptData = DataSpan{0x0100, 0x01FF};
    context.linkTargets = [](std::uint16_t address) {
        return address == 0x0109 ? std::vector<std::uint16_t>{0x0200} : std::vector<std::uint16_t>{};
    };
    PutCursor(kEditData, 0, 0, 0);
    std::string text;
    EXPECT_FALSE(CommitDataEdit(context, map, prompt, "3", text));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text.rfind("Byte 0200 lies outside", 0), 0u) << prompt.Last().text;
    EXPECT_EQ(Data(0, 0), 0);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(OutsideDataTest, StoreByteNeverWritesWhatTheFileWouldNotKeep) {
    context.keptData = DataSpan{0x0100, 0x01FF};
    EXPECT_FALSE(context.StoreByte(0x01FF, 7, 0));
    EXPECT_FALSE(context.StoreByte(0x00FF, 7, 0));
    EXPECT_EQ(image[0x01FF], 0);
    EXPECT_EQ(modified, 0);
    EXPECT_TRUE(links.empty());
    EXPECT_TRUE(context.StoreByte(0x01FE, 7, 0));
    EXPECT_EQ(image[0x01FE], 7);
}

}  // namespace
