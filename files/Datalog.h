#pragma once
// The datalog: a ride's monitor values as CSV text. The first line names the
// columns: "time_s", then one field per item, "NAME [UNIT]" (NAME alone
// without a unit). Then one row per round of the items: the seconds since
// the recording started with 3 decimals, and each item's value with the
// decimals its factor needs; a value the ECU did not give in that round is
// an empty field. Fields are separated by ","; one holding ",", '"', CR or
// LF is quoted, its '"' doubled. "." is the decimal point in every locale;
// lines end in "\n".
#include <string>
#include <vector>

struct DatalogColumn {
    std::string name;
    std::string unit;
    int decimals = 0;
};

namespace datalog {
constexpr const char* kTimeField = "time_s";
constexpr int kTimeDecimals = 3;
constexpr int kMaxDecimals = 6;
// The logs of a machine lie in this folder below its work folder.
constexpr const char* kFolderName = "LOGS";
}  // namespace datalog

// field as it stands in a line: quoted when it must be.
std::string DatalogField(const std::string& field);
// "NAME [UNIT]", or NAME when the unit is empty (not quoted yet).
std::string DatalogColumnTitle(const DatalogColumn& column);
// The header line, "\n" included.
std::string DatalogHeader(const std::vector<DatalogColumn>& columns);
// value with decimals (0 to kMaxDecimals) and "." as the point, whatever
// the locale; never "-0".
std::string DatalogNumber(double value, int decimals);
