#include "edit/ClipboardText.h"

#include <algorithm>
#include <limits>

#include "model/Strings.h"
#include "edit/CellAccess.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/ValueConversion.h"

namespace {

bool InTable(const MapRecord& map, int row, int column) {
    return row >= 0 && row < map.z.count && column >= 0 && column < map.x.count;
}

float DataPhysical(const Image& image, const MapRecord& map, int row, int column) {
    float physical = 0.0f;   // a failing equation shows as 0
    ToPhysicalByte(map.y, image[DataCellAddress(map, row, column)], physical);
    return physical;
}

// The rectangle of cells between two corners, clipped to the table first so
// that wild corners cost nothing.
std::vector<CellRef> RectangleCells(const MapRecord& map, int row1, int column1, int row2, int column2) {
    std::vector<CellRef> cells;
    int top = std::max(std::min(row1, row2), 0);
    int bottom = std::min(std::max(row1, row2), static_cast<int>(map.z.count) - 1);
    int left = std::max(std::min(column1, column2), 0);
    int right = std::min(std::max(column1, column2), static_cast<int>(map.x.count) - 1);
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) cells.push_back({r, c});
    return cells;
}

// One whole decimal number, as a typed cell must be ("1.2.3", "." and "-"
// are none); the empty cell is 0 and passes.
bool IsCellNumber(std::string_view cell) { return cell.empty() || IsNumericInput(cell); }

bool IsRowEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string CopyText(const EditContext& context, const MapRecord& map, const std::vector<CellRef>& cells) {
    int top = std::numeric_limits<int>::max(), left = top;
    int bottom = -1, right = -1;
    for (const CellRef& cell : cells) {
        if (!InTable(map, cell.row, cell.column)) continue;
        top = std::min(top, cell.row);
        bottom = std::max(bottom, cell.row);
        left = std::min(left, cell.column);
        right = std::max(right, cell.column);
    }
    if (bottom < 0) return std::string();

    const int rows = bottom - top + 1;
    const int columns = right - left + 1;
    std::vector<float> matrix(static_cast<std::size_t>(rows) * columns, 0.0f);
    for (const CellRef& cell : cells) {
        if (!InTable(map, cell.row, cell.column)) continue;
        matrix[static_cast<std::size_t>(cell.row - top) * columns + (cell.column - left)] =
            DataPhysical(context.image, map, cell.row, cell.column);
    }

    std::string text;
    for (int r = 0; r < rows; ++r) {
        if (r > 0) text += "\r\n";
        for (int c = 0; c < columns; ++c) {
            if (c > 0) text += '\t';
            text += FormatData(matrix[static_cast<std::size_t>(r) * columns + c], context.currentMap,
                               context.formats);
        }
    }
    return text;
}

std::string CopyText(const EditContext& context, const MapRecord& map, const CellSelection& selection) {
    if (selection.startRow < 0 || selection.startColumn < 0 || selection.endRow < 0 ||
        selection.endColumn < 0)
        return std::string();
    return CopyText(context, map,
                    RectangleCells(map, selection.startRow, selection.startColumn, selection.endRow,
                                   selection.endColumn));
}

std::string TableCopyText(const EditContext& context, const MapRecord& map) {
    return CopyText(context, map, RectangleCells(map, 0, 0, map.z.count - 1, map.x.count - 1));
}

int ReadClipboardValues(std::optional<std::string_view> clipboard, std::vector<PasteEntry>& entries) {
    entries.clear();
    if (!clipboard) return kClipboardNoText;
    std::string_view text = *clipboard;
    text = text.substr(0, text.find('\0'));   // CF_TEXT ends at its zero byte

    bool ragged = false;
    bool notNumber = false;
    std::size_t firstRowCells = 0;
    std::size_t rowIndex = 0;
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && !IsRowEnd(text[end])) ++end;
        std::string_view row = text.substr(pos, end - pos);

        std::size_t cellCount = 0;
        std::size_t cellPos = 0;
        while (cellPos < row.size()) {
            std::size_t cellEnd = row.find('\t', cellPos);
            if (cellEnd == std::string_view::npos) cellEnd = row.size();
            std::string_view cell = row.substr(cellPos, cellEnd - cellPos);
            if (!IsCellNumber(cell)) {
                notNumber = true;
            } else if (!ragged && !notNumber && rowIndex < kPasteSpan && cellCount < kPasteSpan) {
                entries.push_back({static_cast<int>(rowIndex), static_cast<int>(cellCount),
                                   cell.empty() ? 0.0f : ReadFloat(cell)});
            }
            ++cellCount;
            cellPos = cellEnd + 1;
        }
        if (rowIndex == 0) firstRowCells = cellCount;
        else if (cellCount != firstRowCells) ragged = true;

        if (end < n) end += (text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ? 2 : 1;
        pos = end;
        ++rowIndex;
    }
    // The row count is checked before the cells, as the whole rectangle is
    // split before any cell is read.
    if (ragged || notNumber) {
        entries.clear();
        entries.shrink_to_fit();
        return ragged ? kClipboardRagged : kClipboardNotNumber;
    }
    return kClipboardOk;
}

PastePlan PlanPaste(const EditContext& context, const MapRecord& map, std::size_t selectedCount,
                    std::optional<std::string_view> text) {
    PastePlan plan;
    auto refuse = [&plan](int id) {
        plan.messageId = id;
        plan.message = {Str(id), text::kProgramTitle, PromptIcon::kExclamation};
        return plan;
    };
    if (selectedCount != 0) return refuse(str::kClipPasteDuringSelection);

    std::vector<PasteEntry> entries;
    switch (ReadClipboardValues(text, entries)) {
        case kClipboardOk: break;
        case kClipboardNoText: return refuse(str::kClipCannotCorrect);
        case kClipboardRagged: return refuse(str::kClipNotFrontForm);
        default: return refuse(str::kClipNotDigital);
    }

    const EditCursor& cursor = map.cursor;
    // A paste writes DATA bytes only; on an axis cell, and on the RPM line of
    // a map of type 2, it does nothing (its undo record would name the axis
    // cell while the bytes went to DATA cells).
    if (cursor.mode != kEditData || entries.empty() || !InTable(map, cursor.row, cursor.column))
        return plan;
    plan.recordCursor = true;

    // DATA limits depend on the item alone.
    MapRecord limits;
    limits.y = map.y;
    limits.cursor.mode = kEditData;
    ComputeEditLimits(limits, context.image);
    const float low = std::max(ItemMinimum(map.y), ItemMinimum2(map.y));
    const float high = std::min(ItemMaximum(map.y), ItemMaximum2(map.y));

    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PasteEntry& entry = entries[i];
        const int row = cursor.row + entry.row;
        const int column = cursor.column + entry.column;
        if (!InTable(map, row, column)) continue;

        std::int32_t wide = 0;
        if (ToRawInt(map.y, entry.value, wide) != kEquationOk) {
            if (i == 0) {
                plan.setEditorText = true;
                plan.editorText = FormatData(DataPhysical(context.image, map, row, column),
                                             context.currentMap, context.formats);
            }
            continue;
        }
        int raw = std::clamp<std::int32_t>(wide, 0, 255);
        if (raw < limits.cursor.lower) raw = limits.cursor.lower;
        else if (raw > limits.cursor.upper) raw = limits.cursor.upper;
        raw = std::clamp(raw, 0, 255);   // limits of a word item may lie beyond a byte

        float p = 0.0f;
        ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), p);
        if (p < low && raw != 255) ++raw;
        else if (p > high && raw != 0) --raw;

        plan.writes.push_back({row, column, static_cast<std::uint8_t>(raw)});
        if (entry.row == 0 && entry.column == 0) {
            float shown = 0.0f;
            ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), shown);
            plan.setEditorText = true;
            plan.editorText = FormatData(shown, context.currentMap, context.formats);
        }
    }
    std::vector<std::uint16_t> addresses;
    for (const PasteWrite& write : plan.writes) addresses.push_back(DataCellAddress(map, write.row, write.column));
    if (const std::string refusal = context.OutsideDataRefusal(addresses); !refusal.empty()) {
        plan = PastePlan{};
        plan.messageId = kPasteOutsideData;
        plan.message = OutsideDataMessage(refusal, Str(str::kCaptionTableWindow));
    }
    return plan;
}

int ApplyPaste(EditContext& context, MapRecord& map, const PastePlan& plan) {
    if (plan.messageId != 0 || map.cursor.mode != kEditData) return 0;
    if (!plan.recordCursor && plan.writes.empty()) return 0;
    EditCursor& cursor = map.cursor;
    const int row0 = cursor.row;
    const int column0 = cursor.column;
    UndoStepName name(map, CellsName("Paste", plan.writes.size()));
    auto moveCursor = [&](int row, int column) {
        cursor.row = row;
        cursor.column = column;
        ReadDataCell(context.image, map, column, row, cursor.raw);
        ComputeEditLimits(map, context.image);
    };

    if (plan.recordCursor) {
        // The record must hold the byte in the image, whatever the cursor last saw.
        moveCursor(row0, column0);
        PushUndo(context, map, kUndoActionEdit, 0);
    }
    int written = 0;
    for (const PasteWrite& write : plan.writes) {
        moveCursor(write.row, write.column);
        std::uint16_t ignored = 0;
        if (ReadDataCell(context.image, map, write.column, write.row, ignored) != kCellOk) continue;
        // The record takes the bytes before they are overwritten.
        PushUndo(context, map, kUndoActionEdit, 1);
        WriteDataCell(context, map, write.raw, write.column, write.row);
        cursor.raw = write.raw;
        ++written;
    }
    moveCursor(row0, column0);
    return written;
}

PastePlan PasteValues(EditContext& context, MapRecord& map, UserPrompt& prompt, std::size_t selectedCount,
                      std::optional<std::string_view> text) {
    PastePlan plan = PlanPaste(context, map, selectedCount, text);
    if (plan.messageId != 0) {
        prompt.Show(plan.message);
        return plan;
    }
    ApplyPaste(context, map, plan);
    return plan;
}
