#pragma once
// The HEX window's block: the bytes of one map in lines of 16, and the
// typed-over byte. A Free Map's block runs from its two count bytes through
// its THROT values, RPM breakpoints and DATA; a Config Map's block is its
// DATA alone.
#include <cstdint>
#include <string>
#include <string_view>

#include "edit/EditContext.h"
#include "model/MapRecord.h"
#include "platform/UserPrompt.h"

struct HexBlock {
    std::uint16_t first = 0;     // first byte of the map
    std::uint16_t last = 0;      // last byte of the map (inclusive)
    bool empty = true;           // a map without bytes shows no line
    std::uint16_t firstLine = 0; // first line address, a multiple of 16
    int lines = 0;               // lines of 16 bytes
};

HexBlock HexBlockOf(const MapRecord& map, int definitionKind);
bool HexContains(const HexBlock& block, std::uint32_t address);
// "+0" .. "+F", "1A0", "3C": the header, address and byte texts.
std::string HexOffsetText(int offset);
std::string HexAddressText(std::uint32_t lineAddress);
std::string HexByteText(std::uint8_t value);

// The cursor on the byte's cell (CellOfAddress in edit/CellAccess.h), with its raw value and limits; false (the
// cursor unchanged) for a byte that is no cell.
bool HexPlaceCursor(const EditContext& context, MapRecord& map, std::uint16_t address);

// Typing over a byte: one or two hex digits, nothing else (a longer text is
// no byte and is refused whole), clamped into the cell's limits; written with an undo record (action
// 1) when it differs. A refused text shows "Data error\nData is set as before
// editing" (stop icon, caption "Table Window"). The byte typed over must be
// the cursor's (HexPlaceCursor). A change to a cell the file does not keep
// is refused with EditContext::OutsideDataRefusal's message. Returns true
// when the cell changed.
bool HexCommit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::uint16_t address,
               std::string_view typed);

// What a paste into the HEX window's byte editor may put there: one byte as
// one or two hex digits, blanks and line ends around them dropped (a cell
// copied from a spreadsheet ends in one). digits gets them; otherwise the
// refusal to show, and nothing is pasted.
std::string HexPasteRefusal(std::string_view clipboard, std::string& digits);
