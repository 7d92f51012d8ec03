#include "model/DiagValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr int kMaxDecimals = 6;

// The fewest decimals that write number exactly, up to kMaxDecimals. The
// number comes from a float, so "exactly" allows for its rounding: 0.1F is
// 0.100000001...
int DecimalsOf(double number) {
    const double value = std::fabs(number);
    if (value == 0.0) return 0;
    double scale = 1.0;
    for (int decimals = 0; decimals < kMaxDecimals; ++decimals, scale *= 10.0) {
        // Relative to the number: a tiny factor is no whole number.
        const double scaled = value * scale;
        const double whole = std::round(scaled);
        if (whole != 0.0 && std::fabs(scaled - whole) <= 1e-5 * scaled) return decimals;
    }
    return kMaxDecimals;
}

}  // namespace

float ParseDecimalReal(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    // from_chars takes no leading "+", the C library does.
    if (at < text.size() && text[at] == '+' && at + 1 < text.size() && text[at + 1] != '-') ++at;
    double value = 0.0;
    const char* first = text.data() + at;
    const auto parsed = std::from_chars(first, text.data() + text.size(), value);
    if (parsed.ec != std::errc() || !std::isfinite(value)) return 0.0F;
    const auto single = static_cast<float>(value);
    return std::isfinite(single) ? single : 0.0F;
}

float DiagValue(const DiagItem& item, std::uint16_t raw) {
    return ParseDecimalReal(item.offset) + static_cast<float>(raw) * ParseDecimalReal(item.factor);
}

int DiagDecimals(const DiagItem& item) {
    return std::max(DecimalsOf(ParseDecimalReal(item.factor)), DecimalsOf(ParseDecimalReal(item.offset)));
}

int StepDecimals(double step) {
    if (!std::isfinite(step) || step == 0.0) return -1;
    // Through float, as the values it separates are floats; a step beyond
    // the float range is a whole number.
    const auto single = static_cast<float>(step);
    return std::isfinite(single) ? DecimalsOf(single) : 0;
}
