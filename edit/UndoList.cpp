#include "edit/UndoList.h"

#include <algorithm>

#include "edit/CellAccess.h"
#include "model/Equation.h"
#include "model/ValueConversion.h"

namespace {

constexpr const char* kUndoPlain = "&Undo\tCtrl+Z";

struct CellSpot {
    int mode = kEditNone;
    int row = 0;
    int column = 0;
};

// Index of address a inside an item's elements, or -1 when a lies outside
// [start, start + elements x element size).
long long ElementIndex(const MapItem& item, std::uint16_t a, long long elements) {
    const long long size = item.elementSize == 2 ? 2 : 1;
    const long long offset = static_cast<long long>(a) - item.start;
    if (offset < 0 || offset >= elements * size) return -1;
    return offset / size;
}

// The cell whose first byte is a, tested THROT, RPM, DATA in turn. Each test
// asks for a inside the item's own block, so a DATA block that lies below
// the axes (a Config Map places them anywhere) is never taken for an axis.
// A Config Map of a type other than 3 has only DATA cells.
bool LocateCell(const EditContext& context, const MapRecord& map, std::uint16_t a, CellSpot& spot) {
    const long long zc = map.z.count;
    const long long xc = map.x.count;
    const bool axes = context.definitionKind == kEditFreeMapDefinition || map.type == kMapConfigImage;
    if (axes) {
        long long i = ElementIndex(map.z, a, zc);
        if (i >= 0) {
            spot = {kEditThrot, 0, static_cast<int>(i)};
            return true;
        }
        const bool perRow = map.type == kMapRpmPerRow;
        i = ElementIndex(map.x, a, perRow ? zc * xc : xc);
        if (i >= 0) {
            spot = {kEditRpm, perRow ? static_cast<int>(i / xc) : 0, static_cast<int>(i % xc)};
            return true;
        }
    }
    const long long offset = static_cast<long long>(a) - map.y.start;
    if (xc > 0 && offset >= 0 && offset < zc * xc) {
        spot = {kEditData, static_cast<int>(offset / xc), static_cast<int>(offset % xc)};
        return true;
    }
    return false;
}

// The value as the DATA cell showed it: v printed with FormatData and read
// back through the physical-to-HEX equation. A failing equation would give
// no such value; the recorded byte itself is restored then.
std::uint8_t DisplayedDataValue(const EditContext& context, const MapRecord& map, std::uint16_t v) {
    float physical = 0.0f;
    if (ToPhysicalWord(map.y, v, physical) != kEquationOk) return static_cast<std::uint8_t>(v & 0xFF);
    float shown = ReadFloat(FormatData(physical, context.currentMap, context.formats));
    std::int32_t raw = 0;
    if (ToRawInt(map.y, shown, raw) != kEquationOk) return static_cast<std::uint8_t>(v & 0xFF);
    // The cell is one byte: a value read back past its range stays at the
    // nearest end instead of wrapping around.
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(raw, 0, 255));
}

void RestoreAxis(EditContext& context, const MapItem& item, std::uint16_t a, std::uint16_t v) {
    if (item.elementSize == 2) {
        context.StoreByte(a, static_cast<std::uint8_t>(v >> 8), 1);
        context.StoreByte(static_cast<std::uint16_t>(a + 1), static_cast<std::uint8_t>(v & 0xFF), 1);
    } else {
        context.StoreByte(a, static_cast<std::uint8_t>(v & 0xFF), 1);
    }
}

// Restores the newest record; false (record kept) when it locates no cell.
bool UndoNewest(EditContext& context, MapRecord& map) {
    const UndoRecord& record = map.undo.Newest();
    if (record.addresses.empty() || record.values.empty()) return false;
    const std::uint16_t a = record.addresses.front();
    const std::uint16_t v = record.values.front();

    CellSpot spot;
    if (!LocateCell(context, map, a, spot)) return false;
    EditCursor& cursor = map.cursor;
    cursor.mode = spot.mode;
    cursor.row = spot.row;
    cursor.column = spot.column;
    cursor.raw = v;
    ComputeEditLimits(map, context.image);

    switch (spot.mode) {
        case kEditData: {
            std::uint8_t shown = DisplayedDataValue(context, map, v);
            cursor.raw = shown;
            ComputeEditLimits(map, context.image);
            context.StoreByte(a, shown, 0);
            break;
        }
        case kEditRpm:
            RestoreAxis(context, map.x, a, v);
            break;
        case kEditThrot: {
            RestoreAxis(context, map.z, a, v);
            if (context.lineListUpdate) {
                float physical = 0.0f;
                ToPhysicalWord(map.z, v, physical);
                context.lineListUpdate(spot.column, FormatZ(physical, context.formats));
            }
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace

int UndoTarget(int editMode) {
    switch (editMode) {
        case kEditThrot: return kUndoTargetThrot;
        case kEditRpm: return kUndoTargetRpm;
        case kEditData: return kUndoTargetData;
        default: return -1;
    }
}

bool PushUndo(const EditContext& context, MapRecord& map, int action, int chained) {
    const int target = UndoTarget(map.cursor.mode);
    std::uint16_t address = 0;
    if (target < 0 || !CursorCellAddress(map, address)) return false;
    const int kind = 10 * action + target;

    UndoList& list = map.undo;
    if (action == kUndoActionStep && !list.Empty()) {
        const UndoRecord& newest = list.Newest();
        if (newest.kind == kind && !newest.addresses.empty() && newest.addresses.front() == address)
            return false;
    }
    const std::size_t limit = context.undoSize > 0 ? static_cast<std::size_t>(context.undoSize) : 0;
    while (!list.Empty() && list.Weight() >= limit) list.DropOldest();

    UndoRecord record;
    record.kind = kind;
    record.addresses.push_back(address);
    record.values.push_back(map.cursor.raw);
    record.chained = chained ? 1 : 0;
    list.Append(std::move(record));
    return true;
}

int Undo(EditContext& context, MapRecord& map) {
    int restored = 0;
    while (!map.undo.Empty()) {
        if (!UndoNewest(context, map)) break;
        restored = 1;
        const bool chained = map.undo.Newest().chained == 1;
        map.undo.DropNewest();
        if (!chained) break;
    }
    return restored;
}

std::string UndoMenuText(int kind) {
    if (kind < 0) return kUndoPlain;
    const int action = kind / 10;
    const int target = kind % 10;
    std::string text;
    if (action == kUndoActionEdit) text = "&Undo(Edit ";
    else if (action == kUndoActionDrag || action == kUndoActionStep) text = "&Undo(Drag ";
    else return kUndoPlain;
    switch (target) {
        case kUndoTargetThrot: return text + "THROT)\tCtrl+Z";
        case kUndoTargetRpm: return text + "RPM)\tCtrl+Z";
        case kUndoTargetData: return text + "DATA)\tCtrl+Z";
        default: return kUndoPlain;
    }
}

std::string UndoMenuText(const MapRecord* currentMap) {
    if (!UndoMenuEnabled(currentMap)) return kUndoPlain;
    return UndoMenuText(currentMap->undo.Newest().kind);
}

bool UndoMenuEnabled(const MapRecord* currentMap) {
    return currentMap != nullptr && !currentMap->undo.Empty();
}
