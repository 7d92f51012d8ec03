#include "edit/CellEdit.h"

#include <algorithm>

#include "edit/CellAccess.h"
#include "edit/UndoList.h"
#include "model/Strings.h"
#include "model/ValueConversion.h"

namespace {

void MoveCursor(const EditContext& context, MapRecord& map, int row, int column) {
    map.cursor.row = row;
    map.cursor.column = column;
    ReadDataCell(context.image, map, column, row, map.cursor.raw);
    ComputeEditLimits(map, context.image);
}

// One raw step of the cell under the cursor, recorded with action 3.
bool StepCursorCell(EditContext& context, MapRecord& map, bool up, int chained) {
    const MapItem& y = map.y;
    EditCursor& cursor = map.cursor;
    std::uint16_t raw = 0;
    if (ReadDataCell(context.image, map, cursor.column, cursor.row, raw) != kCellOk) return false;
    float p = 0.0f;
    if (up) {
        if (raw >= 255) return false;
        ToPhysicalByte(y, static_cast<std::uint8_t>(raw + 1), p);
        if (p > std::min(ItemMaximum(y), ItemMaximum2(y))) return false;
        ++raw;
    } else {
        if (raw == 0) return false;
        ToPhysicalWord(y, static_cast<std::uint16_t>(raw - 1), p);
        if (p < std::max(ItemMinimum(y), ItemMinimum2(y))) return false;
        --raw;
    }
    PushUndo(context, map, kUndoActionStep, chained);
    WriteDataCell(context, map, static_cast<std::uint8_t>(raw), cursor.column, cursor.row);
    cursor.raw = raw;
    return true;
}

// A selection edit touching a cell the file does not keep is refused whole
// before its first record; true when refused.
bool Refused(const EditContext& context, const MapRecord& map, const std::vector<CellRef>& cells,
             UserPrompt* prompt) {
    std::vector<std::uint16_t> addresses;
    for (const CellRef& cell : cells) {
        std::uint16_t ignored = 0;
        if (ReadDataCell(context.image, map, cell.column, cell.row, ignored) == kCellOk)
            addresses.push_back(DataCellAddress(map, cell.row, cell.column));
    }
    const std::string refusal = context.OutsideDataRefusal(addresses);
    if (refusal.empty()) return false;
    if (prompt) prompt->Show(OutsideDataMessage(refusal, Str(str::kCaptionTableWindow)));
    return true;
}

}  // namespace

int StepDataCells(EditContext& context, MapRecord& map, bool up, const std::vector<CellRef>& selection,
                  UserPrompt* prompt) {
    if (map.cursor.mode != kEditData) return 0;
    const int row0 = map.cursor.row;
    const int column0 = map.cursor.column;
    std::vector<CellRef> touched = selection;
    touched.push_back({row0, column0});
    if (Refused(context, map, touched, prompt)) return 0;
    UndoStepName name(map, selection.empty() ? "Step" : CellsName("Step", selection.size()));
    if (selection.empty()) {
        MoveCursor(context, map, row0, column0);
        return StepCursorCell(context, map, up, 0) ? 1 : 0;
    }
    MoveCursor(context, map, row0, column0);
    PushUndo(context, map, kUndoActionStep, 0);
    int changed = 0;
    for (const CellRef& cell : selection) {
        MoveCursor(context, map, cell.row, cell.column);
        if (StepCursorCell(context, map, up, 1)) ++changed;
    }
    MoveCursor(context, map, row0, column0);
    return changed;
}

int FillSelection(EditContext& context, MapRecord& map, bool cursorChanged,
                  const std::vector<CellRef>& selection, UserPrompt* prompt) {
    if (map.cursor.mode != kEditData || selection.empty()) return 0;
    if (Refused(context, map, selection, prompt)) return 0;
    const int row0 = map.cursor.row;
    const int column0 = map.cursor.column;
    MoveCursor(context, map, row0, column0);
    std::uint16_t value = 0;
    if (ReadDataCell(context.image, map, column0, row0, value) != kCellOk) return 0;
    UndoStepName name(map, CellsName("Fill", selection.size()));
    if (!cursorChanged) PushUndo(context, map, kUndoActionEdit, 0);
    int written = 0;
    for (const CellRef& cell : selection) {
        MoveCursor(context, map, cell.row, cell.column);
        std::uint16_t ignored = 0;
        if (ReadDataCell(context.image, map, cell.column, cell.row, ignored) != kCellOk) continue;
        // The record takes the bytes before they are overwritten.
        PushUndo(context, map, kUndoActionEdit, 1);
        WriteDataCell(context, map, static_cast<std::uint8_t>(value), cell.column, cell.row);
        ++written;
    }
    MoveCursor(context, map, row0, column0);
    return written;
}
