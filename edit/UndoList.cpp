#include "edit/UndoList.h"

#include <algorithm>

#include "edit/CellAccess.h"
#include "model/Equation.h"
#include "platform/TextFormat.h"
#include "model/ValueConversion.h"

namespace {

constexpr const char* kUndoPlain = "&Undo\tCtrl+Z";
constexpr const char* kRedoPlain = "&Redo\tCtrl+Y";

// The raw value of the cell whose first byte is address, as the image holds
// it now: a DATA byte, an axis element (a word high byte first).
std::uint16_t CellValue(const Image& image, const MapRecord& map, int mode, std::uint16_t address) {
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    if (mode != kEditData && item.elementSize == 2) return ReadWord(image, address);
    return image[address];
}

void RestoreCell(EditContext& context, const MapRecord& map, int mode, std::uint16_t a, std::uint16_t v) {
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    // Nothing goes to the map link: the bytes the link changed come back from
    // the record itself, and a link made after the edit changed none.
    if (mode != kEditData && item.elementSize == 2) {
        context.StoreByte(a, static_cast<std::uint8_t>(v >> 8), 1);
        context.StoreByte(static_cast<std::uint16_t>(a + 1), static_cast<std::uint8_t>(v & 0xFF), 1);
    } else {
        context.StoreByte(a, static_cast<std::uint8_t>(v & 0xFF), 1);
    }
}

// Every byte restoring the record writes: the cell's (two for a word axis
// element), then the others. Empty when the first address locates no cell.
std::vector<std::uint16_t> RecordBytes(const EditContext& context, const MapRecord& map, const UndoRecord& record) {
    std::vector<std::uint16_t> bytes;
    if (record.addresses.empty() || record.addresses.size() != record.values.size()) return bytes;
    const std::uint16_t a = record.addresses.front();
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, a, mode, row, column)) return bytes;
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    bytes.push_back(a);
    if (mode != kEditData && item.elementSize == 2) bytes.push_back(static_cast<std::uint16_t>(a + 1));
    bytes.insert(bytes.end(), record.addresses.begin() + 1, record.addresses.end());
    return bytes;
}

// Puts the edit cursor on the cell whose first byte is address, with the
// raw value the image holds there and fresh limits.
void CursorToCell(EditContext& context, MapRecord& map, std::uint16_t address) {
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, address, mode, row, column)) return;
    EditCursor& cursor = map.cursor;
    cursor.mode = mode;
    cursor.row = row;
    cursor.column = column;
    cursor.raw = CellValue(context.image, map, mode, address);
    ComputeEditLimits(map, context.image);
    if (mode == kEditThrot && context.lineListUpdate) {
        float physical = 0.0f;
        ToPhysicalWord(map.z, cursor.raw, physical);
        context.lineListUpdate(column, FormatZ(physical, context.formats));
    }
}

// Restores the newest record; false (record kept) when it locates no cell.
bool UndoNewest(EditContext& context, MapRecord& map) {
    const UndoRecord& record = map.undo.Newest();
    if (record.addresses.empty() || record.addresses.size() != record.values.size()) return false;
    const std::uint16_t a = record.addresses.front();
    const std::uint16_t v = record.values.front();

    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, a, mode, row, column)) return false;
    // The bytes exactly as they were before the change, the cell's first,
    // then those the map link wrote with it.
    RestoreCell(context, map, mode, a, v);
    for (std::size_t i = 1; i < record.addresses.size(); ++i)
        context.StoreByte(record.addresses[i], static_cast<std::uint8_t>(record.values[i] & 0xFF), 1);

    EditCursor& cursor = map.cursor;
    cursor.mode = mode;
    cursor.row = row;
    cursor.column = column;
    cursor.raw = v;
    ComputeEditLimits(map, context.image);
    if (mode == kEditThrot && context.lineListUpdate) {
        float physical = 0.0f;
        ToPhysicalWord(map.z, v, physical);
        context.lineListUpdate(column, FormatZ(physical, context.formats));
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
    // A new edit: what was undone before it can no longer come back.
    map.redo.clear();
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
    record.values.push_back(CellValue(context.image, map, map.cursor.mode, address));
    if (target == kUndoTargetData && context.linkTargets) {
        for (std::uint16_t linked : context.linkTargets(address)) {
            if (std::find(record.addresses.begin(), record.addresses.end(), linked) != record.addresses.end())
                continue;
            record.addresses.push_back(linked);
            record.values.push_back(context.image[linked]);
        }
    }
    record.chained = chained ? 1 : 0;
    list.Append(std::move(record));
    return true;
}

bool PushUndoDataCells(const EditContext& context, MapRecord& map, int action,
                       const std::vector<std::uint16_t>& dataAddresses) {
    if (dataAddresses.empty()) return false;
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, dataAddresses.front(), mode, row, column) || mode != kEditData) return false;
    return PushUndoBytes(context, map, action, dataAddresses.front(), dataAddresses, dataAddresses);
}

bool PushUndoBytes(const EditContext& context, MapRecord& map, int action, std::uint16_t cellAddress,
                   const std::vector<std::uint16_t>& addresses, const std::vector<std::uint16_t>& linked) {
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, cellAddress, mode, row, column)) return false;
    map.redo.clear();

    UndoList& list = map.undo;
    const std::size_t limit = context.undoSize > 0 ? static_cast<std::size_t>(context.undoSize) : 0;
    while (!list.Empty() && list.Weight() >= limit) list.DropOldest();

    UndoRecord record;
    record.kind = 10 * action + UndoTarget(mode);
    std::vector<bool> seen(0x10000, false);
    // The cell first: Undo finds its cell from it and restores it whole.
    record.addresses.push_back(cellAddress);
    record.values.push_back(CellValue(context.image, map, mode, cellAddress));
    seen[cellAddress] = true;
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    if (mode != kEditData && item.elementSize == 2) seen[static_cast<std::uint16_t>(cellAddress + 1)] = true;
    auto add = [&](std::uint16_t address) {
        if (seen[address]) return;
        seen[address] = true;
        record.addresses.push_back(address);
        record.values.push_back(context.image[address]);
    };
    std::vector<bool> link(0x10000, false);
    for (std::uint16_t address : linked) link[address] = true;
    for (std::uint16_t address : addresses) {
        add(address);
        if (link[address] && context.linkTargets)
            for (std::uint16_t target : context.linkTargets(address)) add(target);
    }
    list.Append(std::move(record));
    return true;
}

int Undo(EditContext& context, MapRecord& map) {
    RedoStep step;
    std::vector<bool> seen(0x10000, false);
    std::vector<UndoRecord> taken;   // newest first
    while (!map.undo.Empty()) {
        const std::vector<std::uint16_t> bytes = RecordBytes(context, map, map.undo.Newest());
        if (bytes.empty()) break;
        // A byte's edited value is the one it holds before the first record
        // of this Undo that restores it; a later record of the chain may
        // restore it again.
        for (std::uint16_t address : bytes) {
            if (seen[address]) continue;
            seen[address] = true;
            step.addresses.push_back(address);
            step.edited.push_back(context.image[address]);
        }
        if (!UndoNewest(context, map)) break;
        const bool chained = map.undo.Newest().chained == 1;
        taken.push_back(map.undo.Newest());
        map.undo.DropNewest();
        if (!chained) break;
    }
    if (taken.empty()) return 0;
    for (std::uint16_t address : step.addresses) step.undone.push_back(context.image[address]);
    step.records.assign(taken.rbegin(), taken.rend());
    map.redo.push_back(std::move(step));
    return 1;
}

RedoResult Redo(EditContext& context, MapRecord& map) {
    RedoResult result;
    if (map.redo.empty()) return result;
    const RedoStep& step = map.redo.back();
    if (step.records.empty() || step.addresses.size() != step.edited.size() ||
        step.addresses.size() != step.undone.size()) {
        map.redo.pop_back();
        return result;
    }
    for (std::size_t i = 0; i < step.addresses.size(); ++i) {
        if (context.image[step.addresses[i]] == step.undone[i]) continue;
        result.code = kRedoChanged;
        result.message = FormatText("Nothing was redone: byte %04X", step.addresses[i]) +
                         " has changed since the Undo (another edit, a read or a restore wrote it).";
        map.redo.clear();
        return result;
    }
    if (const std::string refusal = context.OutsideDataRefusal(step.addresses); !refusal.empty()) {
        result.code = kRedoOutsideData;
        result.message = "Nothing was redone: " + refusal;
        return result;
    }
    // No byte goes through the map link: the step holds every byte the link
    // wrote with the edit, and a link made since then wrote none.
    for (std::size_t i = 0; i < step.addresses.size(); ++i) context.StoreByte(step.addresses[i], step.edited[i], 1);
    // The records' old values are again what the image held before the
    // edit, so Undo takes the step back as it did the first time.
    for (const UndoRecord& record : step.records) map.undo.Append(record);
    const std::uint16_t cell = step.records.front().addresses.front();
    map.redo.pop_back();
    CursorToCell(context, map, cell);
    result.code = kRedone;
    return result;
}

UndoStepName::~UndoStepName() {
    UndoList& list = map_.undo;
    const std::size_t added = std::min(list.Appended() - before_, list.Size());
    for (std::size_t i = list.Size() - added; i < list.Size(); ++i) {
        list.At(i).name = name;
        list.At(i).namedUndo = namedUndo;
    }
}

std::string CellsName(const std::string& verb, std::size_t cells) {
    return verb + " " + std::to_string(cells) + (cells == 1 ? " cell" : " cells");
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
    const UndoRecord& newest = currentMap->undo.Newest();
    if (newest.namedUndo && !newest.name.empty()) return "&Undo " + newest.name + "\tCtrl+Z";
    return UndoMenuText(newest.kind);
}

std::string RedoMenuText(const MapRecord* currentMap) {
    if (!RedoMenuEnabled(currentMap)) return kRedoPlain;
    const UndoRecord& head = currentMap->redo.back().records.front();
    std::string name = head.name;
    if (name.empty()) {
        // Named by its kind, as the Undo item names the editors' records.
        const int action = head.kind / 10, target = head.kind % 10;
        name = action == kUndoActionEdit ? "Edit " : "Drag ";
        name += target == kUndoTargetThrot ? "THROT" : target == kUndoTargetRpm ? "RPM" : "DATA";
    }
    return "&Redo " + name + "\tCtrl+Y";
}

bool RedoMenuEnabled(const MapRecord* currentMap) {
    return currentMap != nullptr && !currentMap->redo.empty() && !currentMap->redo.back().records.empty();
}

bool UndoMenuEnabled(const MapRecord* currentMap) {
    return currentMap != nullptr && !currentMap->undo.Empty();
}
