#pragma once
// The datalog file: a recording of monitor values, one row per full round
// of the selected items. CSV in UTF-8, lines ending in "\n"; the header is
// "time_s" and one field per item, "NAME [UNIT]" ("NAME" alone when the unit
// is empty); fields holding ",", a quote, CR or LF are quoted with quotes
// doubled. A row holds the seconds since the recording started (3 decimals,
// "." as the decimal point) and each item's value with the decimals its
// factor needs; an item the ECU did not answer in that round is empty.
#include <string>

namespace datalog {
constexpr const char* kTimeField = "time_s";
}  // namespace datalog

struct DatalogColumn {
    std::string name;
    std::string unit;
    int decimals = 0;
};
