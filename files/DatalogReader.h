#pragma once
// Reading a datalog file (files/Datalog.h gives the format). The file comes
// from outside: every field is checked, nothing is taken on trust, and a
// refusal names the line. A last line without its "\n" (a recording killed
// mid-write) is dropped and said so; every other fault refuses the file.
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/Datalog.h"

struct Datalog {
    std::vector<DatalogColumn> columns;   // the items, without time_s; decimals as the rows give them (at most 6)
    std::vector<double> times;            // seconds, one per row, never falling
    std::vector<double> values;           // row by row, columns.size() each; NaN for an empty field
    bool droppedPartialLine = false;      // a last line without its line end was left out

    std::size_t Rows() const { return times.size(); }
    bool Has(std::size_t row, std::size_t column) const { return !std::isnan(Value(row, column)); }
    double Value(std::size_t row, std::size_t column) const { return values[row * columns.size() + column]; }
};

// Refusals: an empty file or header, a header that does not begin with
// time_s or has a field without a name, a row whose field count differs
// from the header's, a field that is neither a decimal number nor empty (an
// empty time_s included), time_s going back, text after a closing quote.
// The message begins "line N: " where a line is at fault. On refusal log is
// left empty.
bool ParseDatalog(std::string_view text, Datalog& log, std::string& error);
// The file at path through ParseDatalog; a file that cannot be read or is
// over kMaxInputFileSize is refused.
bool ReadDatalog(const std::string& path, Datalog& log, std::string& error);

// The column whose item name is name (exactly): its index, -1 when none,
// -2 when more than one has the name.
enum : int { kNoDatalogColumn = -1, kAmbiguousDatalogColumn = -2 };
int FindDatalogColumn(const Datalog& log, std::string_view name);

// Whether a column may stand for an item of itemUnit: a column in another
// unit (a speed in km/h under "Engine Speed") would put a ride on the wrong
// cells, so only the same unit (blanks and case aside) agrees; a column
// without a unit is taken at its word. When they differ, why says so.
bool DatalogUnitAgrees(const DatalogColumn& column, std::string_view itemUnit, std::string& why);

// A header field "NAME [UNIT]" split into name and unit: the unit is the
// text between the last " [" and a closing "]" at the end; "NAME" alone has
// an empty unit, and so has a field whose brackets hold only blanks, which
// is all name. Blanks around both are dropped.
DatalogColumn ParseDatalogHeaderField(std::string_view field);
