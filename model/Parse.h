#pragma once
// Field splitting and the number grammar of the definition and data files.
// None of these throws; every failure is returned.
#include <cstdint>
#include <string>
#include <string_view>

// The text before the first "," trimmed; line becomes the text after that
// comma, trimmed. With no comma the whole line (trimmed) is the field and
// line becomes empty.
std::string NextField(std::string& line);

// Hex digits 0-9, a-f, A-F; any other character fails. An empty text gives 0
// and succeeds. A value that does not fit 32 bits fails.
bool ParseHex(std::string_view text, std::uint32_t& value);
// Digits 0-9 with one optional leading "-"; anything else fails, and so does
// a text without digits or a value outside the 32-bit signed range. An empty
// text gives 0 and succeeds, as the hex reading does.
bool ParseDecimal(std::string_view text, std::int32_t& value);
// Two hex digits to one byte.
bool ParseHexPair(char high, char low, std::uint8_t& value);
