#include "model/Parse.h"

#include <cstddef>
#include <limits>

#include "model/LineStore.h"
#include "platform/AsciiText.h"

std::string NextField(std::string& line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) {
        std::string field(TrimBlanks(line));
        line.clear();
        return field;
    }
    std::string field(TrimBlanks(std::string_view(line).substr(0, comma)));
    line = std::string(TrimBlanks(std::string_view(line).substr(comma + 1)));
    return field;
}

bool ParseHex(std::string_view text, std::uint32_t& value) {
    std::uint64_t result = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        result = result * 16 + static_cast<std::uint64_t>(digit);
        // Leading zeros never grow the value, so "000000001" still fits.
        if (result > std::numeric_limits<std::uint32_t>::max()) return false;
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

bool ParseDecimal(std::string_view text, std::int32_t& value) {
    if (text.empty()) {
        value = 0;
        return true;
    }
    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return false;   // "-" alone has no digits
    // The magnitude may reach 2^31 for the negative end of the range.
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;   // a "-" after the first character too
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool ParseHexPair(char high, char low, std::uint8_t& value) {
    const int h = HexDigit(high);
    const int l = HexDigit(low);
    if (h < 0 || l < 0) return false;
    value = static_cast<std::uint8_t>(h * 16 + l);
    return true;
}
