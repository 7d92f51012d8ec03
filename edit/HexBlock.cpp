#include "edit/HexBlock.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "model/Strings.h"
#include "edit/CellAccess.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "model/Parse.h"
#include "model/ValueConversion.h"

HexBlock HexBlockOf(const MapRecord& map, int definitionKind) {
    HexBlock block;
    const long long cells = static_cast<long long>(map.z.count) * map.x.count;
    long long first = map.base;
    long long last = 0;
    if (definitionKind == kEditFreeMapDefinition) {
        last = static_cast<long long>(map.y.start) + cells - 1;
    } else {
        first = map.y.start;
        last = static_cast<long long>(map.y.start) + map.y.count - 1;
    }
    if (last < first || last > 0xFFFF) return block;
    block.first = static_cast<std::uint16_t>(first);
    block.last = static_cast<std::uint16_t>(last);
    block.empty = false;
    block.firstLine = static_cast<std::uint16_t>(first & ~0xFLL);
    block.lines = static_cast<int>(((last & ~0xFLL) - (first & ~0xFLL)) / 16 + 1);
    return block;
}

bool HexContains(const HexBlock& block, std::uint32_t address) {
    return !block.empty && address >= block.first && address <= block.last;
}

std::string HexOffsetText(int offset) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "+%X", offset & 0xF);
    return buffer;
}

std::string HexAddressText(std::uint32_t lineAddress) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(lineAddress & 0xFFFF));
    return buffer;
}

std::string HexByteText(std::uint8_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", value);
    return buffer;
}

bool HexPlaceCursor(const EditContext& context, MapRecord& map, std::uint16_t address) {
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, address, mode, row, column)) return false;
    PlaceCursor(context, map, {mode, row, column});
    return true;
}

bool HexCommit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::uint16_t address,
               std::string_view typed) {
    int mode = kEditNone, row = 0, column = 0;
    if (!CellOfAddress(context, map, address, mode, row, column)) return false;
    PlaceCursor(context, map, {mode, row, column});

    std::uint32_t value = 0;
    // One byte is one or two hex digits; "1FF" is no byte (it would read as
    // 0x1FF, and a two-character editor would have cut it to 1F).
    if (typed.empty() || typed.size() > 2 || !ParseHex(typed, value)) {
        prompt.Message(Str(str::kDataError) + "\n" + Str(str::kSetAsBefore), Str(str::kCaptionTableWindow),
                       PromptIcon::kStop);
        return false;
    }
    EditCursor& cursor = map.cursor;
    // The byte typed over may be the low byte of a word element: the other
    // byte keeps its value.
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    std::uint32_t raw = value;
    if (mode != kEditData && item.elementSize == 2) {
        const std::uint16_t cellStart =
            mode == kEditThrot ? ThrotCellAddress(map, column) : RpmCellAddress(map, row, column);
        raw = address == cellStart ? (raw << 8) | (cursor.raw & 0xFF) : (cursor.raw & 0xFF00) | raw;
    }
    // An axis cell whose neighbours leave it no room keeps its value.
    if (mode != kEditData && cursor.lower > cursor.upper) return false;
    long long clamped = std::clamp<long long>(raw, cursor.lower, std::max(cursor.lower, cursor.upper));
    if (mode == kEditData) clamped = std::clamp<long long>(clamped, 0, 255);
    if (static_cast<std::uint16_t>(clamped) == cursor.raw) return false;
    if (const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map)); !refusal.empty()) {
        prompt.Show(OutsideDataMessage(refusal, Str(str::kCaptionTableWindow)));
        return false;
    }

    UndoStepName name(map, "HEX value");
    PushUndo(context, map, kUndoActionEdit, 0);
    const std::uint16_t fresh = static_cast<std::uint16_t>(clamped);
    switch (mode) {
        case kEditData: WriteDataCell(context, map, static_cast<std::uint8_t>(fresh), column, row); break;
        case kEditRpm: WriteRpmCell(context, map, fresh, column, row); break;
        default: WriteThrotCell(context, map, fresh, column); break;
    }
    cursor.raw = fresh;
    ComputeEditLimits(map, context.image);
    return true;
}

std::string HexPasteRefusal(std::string_view clipboard, std::string& digits) {
    digits.clear();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string_view text = clipboard;
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const bool hex = !text.empty() && text.size() <= 2 &&
                     std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
    if (hex) {
        digits = std::string(text);
        return std::string();
    }
    std::string shown;
    for (char c : text.substr(0, 16)) shown += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    if (text.size() > 16) shown += "...";
    return "The HEX window takes one byte as hex digits (00 to FF); the clipboard holds \"" + shown +
           "\".\nNothing was pasted.";
}
