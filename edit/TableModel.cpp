#include "edit/TableModel.h"

#include <algorithm>
#include <cstdio>

#include "model/Strings.h"
#include "edit/CellAccess.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/ValueConversion.h"

namespace {

// A Config Map whose axes are lists of values (any type but 3) has no axis
// bytes in the image: its axes are shown from the list and never edited.
bool ListAxes(const EditContext& context, const MapRecord& map) {
    return context.definitionKind == kEditConfigMapDefinition && map.type != kMapConfigImage;
}

int ElementMax(const MapItem& item) { return item.elementSize == 2 ? 65535 : 255; }

std::string AxisFormat(const EditContext& context, int mode, float value) {
    return mode == kEditThrot ? FormatZ(value, context.formats) : FormatX(value, context.formats);
}

float EffectiveLow(const MapItem& item) { return std::max(ItemMinimum(item), ItemMinimum2(item)); }
float EffectiveHigh(const MapItem& item) { return std::min(ItemMaximum(item), ItemMaximum2(item)); }

int RawOf(const MapItem& item, float physical) {
    std::int32_t raw = 0;
    ToRawInt(item, physical, raw);
    return std::clamp<std::int32_t>(raw, 0, ElementMax(item));
}

PromptMessage RejectMessage(int code) {
    const std::string first = code == -3 ? Str(str::kCannotChangeToValue) : ConversionMessage(code);
    return {first + "\n" + Str(str::kSetAsBefore), Str(str::kCaptionTableWindow), PromptIcon::kStop};
}

}  // namespace

bool AxisPhysical(const EditContext& context, const MapRecord& map, int mode, int row, int index,
                  float& physical) {
    physical = 0.0f;
    const MapItem& item = mode == kEditThrot ? map.z : map.x;
    if (ListAxes(context, map)) {
        if (index < 0 || index >= static_cast<int>(item.values.size())) return false;
        physical = item.values[static_cast<std::size_t>(index)];
        return true;
    }
    std::uint16_t raw = 0;
    const int code = mode == kEditThrot ? ReadThrotCell(context.image, map, index, raw)
                                        : ReadRpmCell(context.image, map, index, row, raw);
    if (code != kCellOk) return false;
    return ToPhysicalWord(item, raw, physical) == kEquationOk;
}

TableShape TableShapeOf(const MapRecord& map, int definitionKind) {
    TableShape shape;
    shape.doubled = definitionKind == kEditFreeMapDefinition && map.type == kMapRpmPerRow;
    shape.rpmHeader = !shape.doubled;
    shape.lines = map.z.count * (shape.doubled ? 2 : 1);
    shape.columns = map.x.count;
    return shape;
}

int GridLineOf(const TableShape& shape, const TableCell& cell) {
    if (cell.mode == kEditData) return shape.doubled ? 2 * cell.row + 1 : cell.row;
    if (cell.mode == kEditRpm && shape.doubled) return 2 * cell.row;
    return -1;
}

TableCell CellOfGridLine(const TableShape& shape, int line, int column) {
    if (!shape.doubled) return {kEditData, line, column};
    return {line % 2 == 0 ? kEditRpm : kEditData, line / 2, column};
}

bool GridHit(const TableShape& shape, int cellWidth, int cellHeight, int firstLine, int firstColumn,
             int x, int y, TableCell& cell) {
    if (x < 0 || y < 0 || cellWidth <= 0 || cellHeight <= 0) return false;
    const int column = firstColumn + x / cellWidth;
    const int line = firstLine + y / cellHeight;
    if (column >= shape.columns || line >= shape.lines) return false;
    cell = CellOfGridLine(shape, line, column);
    return true;
}

bool HeaderHit(const TableShape& shape, int cellWidth, int cellHeight, int firstLine, int firstColumn,
               int x, int y, TableCell& cell) {
    if (x < 0 || y < 0 || cellWidth <= 0 || cellHeight <= 0) return false;
    if (shape.rpmHeader && y < cellHeight && x >= cellWidth) {
        const int column = firstColumn + (x - cellWidth) / cellWidth;
        if (column >= shape.columns) return false;
        cell = {kEditRpm, 0, column};
        return true;
    }
    const int top = shape.rpmHeader ? cellHeight : 0;
    if (x < cellWidth && y >= top) {
        const int line = firstLine + (y - top) / cellHeight;
        if (line >= shape.lines) return false;
        cell = {kEditThrot, 0, shape.doubled ? line / 2 : line};
        return true;
    }
    return false;
}

int ScrollToShow(int first, int index, int visibleCells, int maxFirst) {
    visibleCells = std::max(visibleCells, 1);
    if (index < first) first = index;
    else if (index >= first + visibleCells) first = index - visibleCells + 1;
    return std::clamp(first, 0, std::max(maxFirst, 0));
}

void PlaceCursor(const EditContext& context, MapRecord& map, const TableCell& cell) {
    EditCursor& cursor = map.cursor;
    cursor.mode = cell.mode;
    cursor.row = cell.row;
    cursor.column = cell.column;
    switch (cell.mode) {
        case kEditData: ReadDataCell(context.image, map, cell.column, cell.row, cursor.raw); break;
        case kEditRpm: ReadRpmCell(context.image, map, cell.column, cell.row, cursor.raw); break;
        case kEditThrot: ReadThrotCell(context.image, map, cell.column, cursor.raw); break;
        default: cursor.raw = 0; break;
    }
    ComputeEditLimits(map, context.image);
}

bool CursorMoveTarget(const MapRecord& map, const TableShape& shape, int code, TableCell& target) {
    const EditCursor& c = map.cursor;
    const int rows = map.z.count;
    const int columns = map.x.count;
    target = {c.mode, c.row, c.column};
    switch (c.mode) {
        case kEditThrot:
            if (code == kKeyCursorUp && c.column > 0) target.column = c.column - 1;
            else if (code == kKeyCursorDown && c.column + 1 < rows) target.column = c.column + 1;
            else if (code == kKeyCursorRight && columns > 0) target = {kEditData, c.column, 0};
            else return false;
            return true;
        case kEditRpm:
            if (!shape.doubled) {
                if (code == kKeyCursorLeft && c.column > 0) target.column = c.column - 1;
                else if (code == kKeyCursorRight && c.column + 1 < columns) target.column = c.column + 1;
                else if (code == kKeyCursorDown && rows > 0) target = {kEditData, 0, c.column};
                else return false;
                return true;
            }
            if (code == kKeyCursorUp && c.row > 0) target = {kEditData, c.row - 1, c.column};
            else if (code == kKeyCursorDown) target = {kEditData, c.row, c.column};
            else if (code == kKeyCursorLeft && c.column > 0) target.column = c.column - 1;
            else if (code == kKeyCursorLeft) target = {kEditThrot, 0, c.row};
            else if (code == kKeyCursorRight && c.column + 1 < columns) target.column = c.column + 1;
            else return false;
            return true;
        case kEditData:
            if (code == kKeyCursorUp) {
                if (shape.doubled) target = {kEditRpm, c.row, c.column};
                else if (c.row > 0) target.row = c.row - 1;
                else return false;
            } else if (code == kKeyCursorDown) {
                if (c.row + 1 >= rows) return false;
                if (shape.doubled) target = {kEditRpm, c.row + 1, c.column};
                else target.row = c.row + 1;
            } else if (code == kKeyCursorLeft) {
                if (c.column > 0) target.column = c.column - 1;
                else if (shape.doubled) target = {kEditThrot, 0, c.row};
                else return false;
            } else if (code == kKeyCursorRight) {
                if (c.column + 1 >= columns) return false;
                target.column = c.column + 1;
            } else {
                return false;
            }
            return true;
        default:
            return false;
    }
}

AxisCommit PlanAxisCommit(const EditContext& context, const MapRecord& map, std::string_view typed) {
    AxisCommit plan;
    const EditCursor& cursor = map.cursor;
    const int mode = cursor.mode;
    if ((mode != kEditThrot && mode != kEditRpm) || ListAxes(context, map)) {
        plan.rejected = true;
        return plan;
    }
    const MapItem& item = mode == kEditThrot ? map.z : map.x;
    const int index = cursor.column;
    const int count = mode == kEditThrot ? map.z.count : map.x.count;
    const int row = cursor.row;

    float old = 0.0f;
    std::uint16_t oldRaw = 0;
    const int readCode = mode == kEditThrot ? ReadThrotCell(context.image, map, index, oldRaw)
                                            : ReadRpmCell(context.image, map, index, row, oldRaw);
    if (readCode != kCellOk) {
        plan.rejected = true;
        return plan;
    }
    ToPhysicalWord(item, oldRaw, old);
    const std::string oldText = AxisFormat(context, mode, old);

    auto reject = [&](const PromptMessage& message) {
        plan.rejected = true;
        plan.write = false;
        plan.raw = oldRaw;
        plan.editorText = oldText;
        plan.messages.push_back(message);
        return plan;
    };
    if (const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map)); !refusal.empty())
        return reject(OutsideDataMessage(refusal, Str(str::kCaptionTableWindow)));
    if (!IsNumericInput(typed)) return reject(RejectMessage(-3));

    const float low = EffectiveLow(item);
    const float high = EffectiveHigh(item);
    float v = ReadFloat(typed);
    if (const std::string huge = HugeValueRefusal(typed, v); !huge.empty())
        return reject({huge, Str(str::kCaptionTableWindow), PromptIcon::kStop});
    std::int32_t wide = 0;
    const int code = ToRawInt(item, v, wide);
    if (code != kEquationOk) return reject(RejectMessage(code));
    const int maximum = ElementMax(item);
    if (wide > maximum) {
        wide = maximum - 1;
        ToPhysicalWord(item, static_cast<std::uint16_t>(wide), v);
    }
    int raw = std::clamp<std::int32_t>(wide, 0, maximum);

    const int step = item.step;
    float left = 0.0f, right = 0.0f;
    const bool hasLeft = index > 0 && AxisPhysical(context, map, mode, row, index - 1, left);
    const bool hasRight = index + 1 < count && AxisPhysical(context, map, mode, row, index + 1, right);

    float shown = v;   // the value in the editor, as the range rules leave it
    bool report = false;   // 1525, with the value finally set
    auto correct = [&](float set) {
        report = true;
        shown = ReadFloat(AxisFormat(context, mode, set));
        // The corrected value is the one stored, not the typed one.
        raw = RawOf(item, shown);
    };
    if (v < low) correct(index == 0 || !hasLeft ? low : std::max(low, left) + step);
    else if (v > high) correct(index == count - 1 || !hasRight ? high : std::min(high, right) - step);
    const int rangeRaw = raw;

    if (hasLeft && shown < left + step) raw = RawOf(item, left + step);
    else if (hasRight && shown > right - step) raw = RawOf(item, right - step);

    // The axis rises strictly: at least one raw step from each neighbour,
    // whatever the item's step (a Free Map item has none). The limits of the
    // cell say how far it may go; a value that would meet or pass a
    // neighbour is set to the nearest one inside them and reported.
    MapRecord probe;
    probe.type = map.type;
    probe.z = map.z;
    probe.x = map.x;
    probe.cursor.mode = mode;
    probe.cursor.row = row;
    probe.cursor.column = index;
    ComputeEditLimits(probe, context.image);
    const int lower = probe.cursor.lower;
    const int upper = probe.cursor.upper;
    if (lower > upper) {
        // No value fits between the neighbours: the cell keeps its own.
        raw = oldRaw;
    } else {
        if (rangeRaw < lower || rangeRaw > upper) report = true;
        raw = std::clamp(raw, lower, upper);
    }

    float fresh = 0.0f;
    ToPhysicalWord(item, static_cast<std::uint16_t>(raw), fresh);
    if (report) {
        plan.messages.push_back({FillNumbers(Str(str::kRangeOver), {v, low, high, fresh}) +
                                     TypedStoredLine(typed, AxisFormat(context, mode, fresh)),
                                 Str(str::kCaptionTableWindow), PromptIcon::kExclamation});
    }
    plan.write = AxisFormat(context, mode, fresh) != oldText;
    plan.raw = static_cast<std::uint16_t>(plan.write ? raw : oldRaw);
    plan.editorText = plan.write ? AxisFormat(context, mode, fresh) : oldText;
    return plan;
}

AxisCommit CommitAxisEdit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::string_view typed) {
    AxisCommit plan = PlanAxisCommit(context, map, typed);
    for (const PromptMessage& m : plan.messages) prompt.Show(m);
    if (!plan.write) return plan;
    EditCursor& cursor = map.cursor;
    PlaceCursor(context, map, {cursor.mode, cursor.row, cursor.column});
    UndoStepName name(map, "Typed value");
    PushUndo(context, map, kUndoActionEdit, 0);
    if (cursor.mode == kEditThrot) {
        WriteThrotCell(context, map, plan.raw, cursor.column);
        if (context.lineListUpdate) {
            float physical = 0.0f;
            ToPhysicalWord(map.z, plan.raw, physical);
            context.lineListUpdate(cursor.column, FormatZ(physical, context.formats));
        }
    } else {
        WriteRpmCell(context, map, plan.raw, cursor.column, cursor.row);
    }
    cursor.raw = plan.raw;
    ComputeEditLimits(map, context.image);
    return plan;
}

bool StepAxisCell(EditContext& context, MapRecord& map, bool up, UserPrompt* prompt) {
    EditCursor& cursor = map.cursor;
    const int mode = cursor.mode;
    if ((mode != kEditThrot && mode != kEditRpm) || ListAxes(context, map)) return false;
    const MapItem& item = mode == kEditThrot ? map.z : map.x;
    const int count = mode == kEditThrot ? map.z.count : map.x.count;
    const int index = cursor.column;
    const int step = item.step;
    if (step == 0) return false;

    float current = 0.0f;
    if (!AxisPhysical(context, map, mode, cursor.row, index, current)) return false;
    const float next = current + static_cast<float>(up ? step : -step);
    if (next < EffectiveLow(item) || next > EffectiveHigh(item)) return false;
    float neighbour = 0.0f;
    if (index > 0 && AxisPhysical(context, map, mode, cursor.row, index - 1, neighbour) &&
        next < neighbour + static_cast<float>(std::abs(step)))
        return false;
    if (index + 1 < count && AxisPhysical(context, map, mode, cursor.row, index + 1, neighbour) &&
        next > neighbour - static_cast<float>(std::abs(step)))
        return false;

    std::int32_t wide = 0;
    if (ToRawInt(item, next, wide) != kEquationOk) return false;
    if (wide < 0 || wide > ElementMax(item)) return false;
    PlaceCursor(context, map, {mode, cursor.row, index});
    if (static_cast<std::uint16_t>(wide) == cursor.raw) return false;
    // Never onto or past a neighbour, also where the step is finer than the
    // raw values can follow.
    if (wide < cursor.lower || wide > cursor.upper) return false;
    if (const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map)); !refusal.empty()) {
        if (prompt) prompt->Show(OutsideDataMessage(refusal, Str(str::kCaptionTableWindow)));
        return false;
    }
    UndoStepName name(map, "Step");
    PushUndo(context, map, kUndoActionStep, 0);
    if (mode == kEditThrot) WriteThrotCell(context, map, static_cast<std::uint16_t>(wide), index);
    else WriteRpmCell(context, map, static_cast<std::uint16_t>(wide), index, cursor.row);
    cursor.raw = static_cast<std::uint16_t>(wide);
    ComputeEditLimits(map, context.image);
    return true;
}

bool CommitDataEdit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::string_view typed,
                    std::string& editorText) {
    EditCursor& cursor = map.cursor;
    const bool data = cursor.mode == kEditData;
    const bool rpmLine = cursor.mode == kEditRpm && map.type == kMapRpmPerRow &&
                         context.definitionKind == kEditFreeMapDefinition;
    if (!data && !rpmLine) return false;
    // The limits and the raw value are those of the cell as it is now.
    PlaceCursor(context, map, {cursor.mode, cursor.row, cursor.column});
    if (const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map)); !refusal.empty()) {
        editorText = CellText(context, map, {cursor.mode, cursor.row, cursor.column});
        prompt.Show(OutsideDataMessage(refusal, Str(str::kCaptionTableWindow)));
        return false;
    }
    const DataCommit commit =
        CommitTypedByte(map, data ? map.y : map.x, typed, context.formats, context.currentMap);
    editorText = commit.cellText;
    if (commit.message) prompt.Show(*commit.message);
    if (!commit.write) return false;
    UndoStepName name(map, "Typed value");
    PushUndo(context, map, kUndoActionEdit, 0);
    if (data) WriteDataCell(context, map, commit.raw, cursor.column, cursor.row);
    else WriteRpmCell(context, map, commit.raw, cursor.column, cursor.row);
    cursor.raw = commit.raw;
    ComputeEditLimits(map, context.image);
    return true;
}

std::string CellText(const EditContext& context, const MapRecord& map, const TableCell& cell) {
    if (cell.mode == kEditData) {
        std::uint16_t raw = 0;
        if (ReadDataCell(context.image, map, cell.column, cell.row, raw) != kCellOk) return std::string();
        float physical = 0.0f;
        ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), physical);
        return FormatData(physical, context.currentMap, context.formats);
    }
    if (cell.mode != kEditRpm && cell.mode != kEditThrot) return std::string();
    float physical = 0.0f;
    const int count = cell.mode == kEditThrot ? map.z.count : map.x.count;
    if (cell.column < 0 || cell.column >= count) return std::string();
    AxisPhysical(context, map, cell.mode, cell.row, cell.column, physical);
    return AxisFormat(context, cell.mode, physical);
}

std::string EcuSendStatus(const std::vector<std::pair<std::uint16_t, std::uint8_t>>& bytes, int code,
                          const std::string& codeText) {
    if (bytes.empty()) return "Nothing sent to the ECU: no cell to send";
    if (code == -1) return "Nothing sent to the ECU: another write to it is running";
    if (code != 0) {
        const std::string why = codeText.empty() ? "error " + std::to_string(code) : codeText;
        if (bytes.size() == 1) return "Nothing sent to the ECU: " + why;
        // The bytes before the failing one went; the logbook has which.
        return "Sending to the ECU failed: " + why + " (the bytes before the failure went; see the Logbook)";
    }
    constexpr std::size_t kListed = 4;
    std::string list;
    for (std::size_t i = 0; i < bytes.size() && i < kListed; ++i) {
        if (i > 0) list += ", ";
        char text[16];
        std::snprintf(text, sizeof text, "%04X = %02X", bytes[i].first, bytes[i].second);
        list += text;
    }
    if (bytes.size() <= kListed) return list + " sent to the ECU";
    return std::to_string(bytes.size()) + " bytes sent to the ECU (" + list + ", ...)";
}

std::string EcuNotSentText(int definitionKind, int cursorMode) {
    if (definitionKind != kEditConfigMapDefinition)
        return "Nothing sent to the ECU: a Free Map machine takes no single-value writes";
    if (cursorMode != kEditData) return "Nothing sent to the ECU: Shift+Enter sends DATA cells only";
    return std::string();
}
