// Datalog text -> ParseDatalog. A log it takes has a value or an empty
// field for every column of every row, finite times that never fall and at
// most 6 decimals a column; written out again as CSV (every number with all
// its digits, every field quoted where it must be) it reads back to the same
// columns, times and values. Any shorter text that it also takes (the file
// cut off, as by a recording killed mid-write) gives the same columns and
// the first rows of the whole. A refused text leaves nothing behind and says
// why.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "files/DatalogReader.h"

namespace {

std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Number(double value) {
    if (std::isnan(value)) return std::string();
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool SameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

bool SameColumns(const Datalog& a, const Datalog& b) {
    if (a.columns.size() != b.columns.size()) return false;
    for (std::size_t i = 0; i < a.columns.size(); ++i)
        if (a.columns[i].name != b.columns[i].name || a.columns[i].unit != b.columns[i].unit) return false;
    return true;
}

// b's rows are the first rows of a.
bool LeadingRows(const Datalog& a, const Datalog& b) {
    if (b.Rows() > a.Rows()) return false;
    for (std::size_t i = 0; i < b.values.size(); ++i)
        if (!SameValue(a.values[i], b.values[i])) return false;
    for (std::size_t i = 0; i < b.Rows(); ++i)
        if (a.times[i] != b.times[i]) return false;
    return true;
}

void Check(const Datalog& log) {
    if (log.values.size() != log.Rows() * log.columns.size()) __builtin_trap();
    for (std::size_t i = 0; i < log.Rows(); ++i) {
        if (!std::isfinite(log.times[i])) __builtin_trap();
        if (i > 0 && log.times[i] < log.times[i - 1]) __builtin_trap();
    }
    for (const double v : log.values)
        if (std::isinf(v)) __builtin_trap();
    for (const DatalogColumn& column : log.columns)
        if (column.name.empty() || column.decimals < 0 || column.decimals > 6) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Datalog log;
    std::string error;
    if (!ParseDatalog(text, log, error)) {
        if (error.empty() || log.Rows() != 0 || !log.columns.empty() || !log.values.empty()) __builtin_trap();
        return 0;
    }
    if (!error.empty()) __builtin_trap();
    Check(log);

    std::string again = "time_s";
    for (const DatalogColumn& column : log.columns)
        again += "," + Field(column.unit.empty() ? column.name : column.name + " [" + column.unit + "]");
    again += "\n";
    for (std::size_t r = 0; r < log.Rows(); ++r) {
        again += Number(log.times[r]);
        for (std::size_t c = 0; c < log.columns.size(); ++c) again += "," + Number(log.Value(r, c));
        again += "\n";
    }
    Datalog back;
    if (!ParseDatalog(again, back, error) || back.droppedPartialLine) __builtin_trap();
    if (!SameColumns(log, back) || back.Rows() != log.Rows() || !LeadingRows(log, back)) __builtin_trap();

    // The text cut off somewhere.
    Datalog cut;
    if (size > 0 && ParseDatalog(text.substr(0, size - 1 - (data[0] % size)), cut, error)) {
        Check(cut);
        if (!SameColumns(log, cut) || !LeadingRows(log, cut)) __builtin_trap();
    }
    return 0;
}
