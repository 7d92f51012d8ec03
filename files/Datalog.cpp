#include "files/Datalog.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string DatalogField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string DatalogColumnTitle(const DatalogColumn& column) {
    return column.unit.empty() ? column.name : column.name + " [" + column.unit + "]";
}

std::string DatalogHeader(const std::vector<DatalogColumn>& columns) {
    std::string line = datalog::kTimeField;
    for (const DatalogColumn& column : columns) line += "," + DatalogField(DatalogColumnTitle(column));
    return line + "\n";
}

std::string DatalogNumber(double value, int decimals) {
    if (!std::isfinite(value)) value = 0.0;
    decimals = std::clamp(decimals, 0, datalog::kMaxDecimals);
    // A float's whole part has at most 39 digits; a double's 309.
    char text[400];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string number(text, written.ec == std::errc() ? written.ptr : text);
    // A small negative value rounded to zero reads as zero.
    if (!number.empty() && number[0] == '-' && number.find_first_not_of("0.", 1) == std::string::npos)
        number.erase(0, 1);
    return number;
}
