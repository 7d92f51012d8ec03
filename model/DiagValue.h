#pragma once
// The number a monitor item's raw answer stands for, as the monitor window
// and the datalog both give it: offset + raw * factor in single precision.
#include <cstdint>
#include <string>

#include "model/DiagItem.h"

// A decimal number at the start of text, as the C library reads one; 0 when
// there is none or it is not finite. Independent of the locale.
float ParseDecimalReal(const std::string& text);

// offset + raw * factor, factor and offset read by ParseDecimalReal.
float DiagValue(const DiagItem& item, std::uint16_t raw);

// The decimals that show every value of the item exactly as far as its
// factor and offset go: the fewest (0 to 6) that hold both numbers, so
// factor 1 -> 0, 0.5 -> 1, 0.05 -> 2, 0.004 -> 3; a factor no decimal
// fraction holds (1/3) gets 6.
int DiagDecimals(const DiagItem& item);

// The decimals that show two values step apart as different numbers, by the
// same rule: 0.05 -> 2, 0.25 -> 2, 1 -> 0, 1/3 -> 6; a step beyond the float
// range is whole (0). -1 when the step is not finite or 0: no number of
// decimals tells such values apart.
int StepDecimals(double step);
