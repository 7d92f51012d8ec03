#pragma once
// Small field helpers shared by the definition readers (not for other code).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/LineStore.h"
#include "model/Parse.h"

namespace deffield {

// The number of comma-separated fields of a line: one more than its commas.
inline std::size_t FieldCount(std::string_view line) {
    std::size_t commas = 0;
    for (const char c : line) commas += c == ',';
    return commas + 1;
}

// Splits a line into its first n fields with NextField; the rest of the line
// is left in line. A field beyond the line's end is empty.
inline std::vector<std::string> TakeFields(std::string& line, std::size_t n) {
    std::vector<std::string> fields;
    fields.reserve(n);
    for (std::size_t i = 0; i < n; ++i) fields.push_back(NextField(line));
    return fields;
}

// A non-empty hex field that fits 16 bits: an image address.
inline bool ParseAddress(std::string_view text, std::uint16_t& address) {
    std::uint32_t value = 0;
    if (text.empty() || !ParseHex(text, value) || value > 0xFFFF) return false;
    address = static_cast<std::uint16_t>(value);
    return true;
}

// Calls visit(line) for every line of the section (trimmed, comments and blank
// lines skipped) up to the next header. Nothing when the section is missing.
template <typename Visit>
void ForEachSectionLine(const LineStore& lines, std::string_view section, Visit visit) {
    int index = lines.FindSection(section);
    if (index < 0) return;
    std::string line;
    while (lines.NextLine(index, line) > 0) {
        if (IsHeaderLine(line)) return;
        visit(line);
    }
}

}  // namespace deffield
