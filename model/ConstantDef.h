#pragma once
// One line of the definition's "Calib" or "Fixed" section, fields in file
// order, kept as text; the readers parse what they need and report what fails.
#include <string>

struct ConstantDef {
    std::string address;   // hex
    std::string byte;      // decimal size in bytes, 1 or 2
    std::string contents;  // the name shown; looked up with its size
    std::string lsb;       // decimal real, weight of one raw step
    std::string offset;    // decimal real
    std::string unit;
    std::string calc;      // decimal integer: how the value is computed
};
