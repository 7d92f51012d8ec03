#include "edit/ConstantsList.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "model/Parse.h"
#include "model/Strings.h"
#include "model/ValueConversion.h"

namespace {

constexpr const char* kCalibSection = "Calib";
// 30 000 000 / 2068: the offset of Calc 4's period conversion.
constexpr float kCalc4Offset = 14506.769825918762F;

// A decimal real as the definition writes one: digits, one ".", an optional
// sign first and an optional exponent; nothing else, not empty.
bool ParseReal(const std::string& text, float& value) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E';
        if (!allowed) return false;
    }
    errno = 0;
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool ParseInt(const std::string& text, int& value) {
    std::int32_t parsed = 0;
    if (text.empty() || !ParseDecimal(text, parsed)) return false;
    value = parsed;
    return true;
}

std::string Printed(const char* format, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The physical extremes of the raw range, in ascending order.
struct Range {
    float lo = 0.0F;
    float hi = 0.0F;
    bool Holds(float v) const { return v >= lo && v <= hi; }
};

Range Sorted(float a, float b) { return a <= b ? Range{a, b} : Range{b, a}; }

std::uint32_t LowestRaw(const ConstantEntry& entry) { return entry.calc == 2 ? 1U : 0U; }

ConstantCommit Refusal(int message) {
    ConstantCommit commit;
    commit.message = message;
    commit.text = Str(message);
    return commit;
}

// The message of a linear constant's range report, by its decimals.
int LinearRangeMessage(int decimals) {
    switch (decimals) {
        case 0: return str::kRangeOver0;
        case 1: return str::kRangeOver1;
        case 3: return str::kRangeOver3;
        case 4: return str::kRangeOver4;
        case 5: return str::kRangeOver5;
        case 6: return str::kRangeOver6;
        default: return str::kRangeOver;
    }
}

std::string RangeText(int message, float typed, float lo, float hi, float set) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, Str(message).c_str(), static_cast<double>(typed), static_cast<double>(lo),
                  static_cast<double>(hi), static_cast<double>(set));
    return buffer;
}

// The raw value for physical, or a refusal by size when there is none.
bool RawOrRefusal(const ConstantEntry& entry, float physical, std::uint32_t& raw, ConstantCommit& refusal) {
    if (ToConstantRaw(entry, physical, raw)) return true;
    refusal = Refusal(entry.byteCount == 2 ? str::kOverWordSize : str::kInputMaxOver);
    return false;
}

// Calc 3: the non-negative and the negative half as separate ranges.
ConstantCommit CommitSigned(const ConstantEntry& entry, float p) {
    const bool word = entry.byteCount == 2;
    const float lsb = entry.lsb;
    const float offset = entry.offset;
    const float topPositive = word ? 32767.0F : 127.0F;
    const float bottomNegative = word ? 32768.0F : 128.0F;
    if (lsb == 0.0F || (lsb < 0.0F && offset <= 0.0F) || (lsb > 0.0F && offset + topPositive * lsb < 0.0F))
        return Refusal(str::kValueNotEditable);

    Range positive = Sorted(offset, offset + topPositive * lsb);
    Range negative = Sorted(-(offset + bottomNegative * lsb), -(offset + lsb));
    if (entry.hasMin && entry.hasMax) {
        // Min and Max cut into each half; a half they leave nothing of drops
        // out, and when they leave nothing of either the halves stay whole.
        auto cut = [&](Range r, bool& empty) {
            r.lo = std::fmax(r.lo, entry.minimum);
            r.hi = std::fmin(r.hi, entry.maximum);
            empty = r.lo > r.hi;
            return r;
        };
        bool positiveEmpty = false;
        bool negativeEmpty = false;
        const Range p2 = cut(positive, positiveEmpty);
        const Range n2 = cut(negative, negativeEmpty);
        if (!positiveEmpty && !negativeEmpty) {
            positive = p2;
            negative = n2;
        } else if (!positiveEmpty) {
            positive = negative = p2;
        } else if (!negativeEmpty) {
            positive = negative = n2;
        }
    }
    const Range lower = positive.lo <= negative.lo ? positive : negative;
    const Range upper = positive.lo <= negative.lo ? negative : positive;
    const bool joined = upper.lo <= lower.hi;   // the halves meet or overlap

    float target = p;
    Range targetRange = lower.Holds(p) ? lower : upper;
    bool moved = false;
    bool between = false;
    if (lower.Holds(p) || upper.Holds(p)) {
        // inside: converted as typed
    } else if (p < lower.lo) {
        target = lower.lo;
        targetRange = lower;
        moved = true;
    } else if (p > std::fmax(lower.hi, upper.hi)) {
        targetRange = upper.hi >= lower.hi ? upper : lower;
        target = targetRange.hi;
        moved = true;
    } else if (!joined) {
        between = true;
        moved = true;
        if (p - lower.hi <= upper.lo - p) {
            target = lower.hi;
            targetRange = lower;
        } else {
            target = upper.lo;
            targetRange = upper;
        }
    } else {
        // NaN bounds leave p where it is; the conversion decides.
    }

    ConstantCommit commit;
    if (!RawOrRefusal(entry, target, commit.raw, commit)) return commit;
    // Rounding may land just outside the end p was moved to: one raw step
    // back inside when one exists.
    if (moved && !targetRange.Holds(ToConstantPhysical(entry, commit.raw))) {
        for (const long long step : {-1LL, 1LL}) {
            const long long candidate = static_cast<long long>(commit.raw) + step;
            if (candidate < 0 || candidate > static_cast<long long>(entry.RawMax())) continue;
            if (targetRange.Holds(ToConstantPhysical(entry, static_cast<std::uint32_t>(candidate)))) {
                commit.raw = static_cast<std::uint32_t>(candidate);
                break;
            }
        }
    }
    commit.write = true;
    if (moved) {
        const float set = ToConstantPhysical(entry, commit.raw);
        if (entry.hasMin && entry.hasMax && !between) {
            commit.message = str::kRangeOver;
            commit.text = RangeText(commit.message, p, entry.minimum, entry.maximum, set);
        } else {
            commit.message = str::kRangeOver2;
            char buffer[512];
            std::snprintf(buffer, sizeof buffer, Str(commit.message).c_str(), static_cast<double>(p),
                          static_cast<double>(lower.lo), static_cast<double>(lower.hi),
                          static_cast<double>(upper.lo), static_cast<double>(upper.hi), static_cast<double>(set));
            commit.text = buffer;
        }
    }
    return commit;
}

}  // namespace

bool ParseConstantEntry(const std::string& text, ConstantEntry& entry) {
    std::string rest = text;
    std::size_t commas = 0;
    for (const char c : text) commas += c == ',';
    if (commas + 1 < 6) return false;
    std::vector<std::string> fields;
    for (int i = 0; i < 11; ++i) fields.push_back(NextField(rest));

    ConstantEntry parsed;
    std::uint32_t address = 0;
    if (fields[0].empty() || !ParseHex(fields[0], address) || address > 0xFFFF) return false;
    if (!ParseInt(fields[1], parsed.byteCount) || (parsed.byteCount != 1 && parsed.byteCount != 2)) return false;
    if (address + static_cast<std::uint32_t>(parsed.byteCount) - 1 > 0xFFFF) return false;
    parsed.address = static_cast<std::uint16_t>(address);
    parsed.contents = fields[2];
    if (parsed.contents.empty()) return false;
    if (!ParseReal(fields[3], parsed.lsb) || !ParseReal(fields[4], parsed.offset)) return false;
    parsed.unit = fields[5];
    if (!ParseInt(fields[6], parsed.calc)) parsed.calc = 1;
    int readOnly = 0;
    parsed.readOnly = ParseInt(fields[7], readOnly) && readOnly == 1;
    parsed.hasMin = ParseReal(fields[8], parsed.minimum);
    parsed.hasMax = ParseReal(fields[9], parsed.maximum);
    parsed.hasDecimals = ParseInt(fields[10], parsed.decimals) && parsed.decimals >= 0 && parsed.decimals <= 20;
    if (!parsed.hasDecimals) parsed.decimals = 0;
    entry = std::move(parsed);
    return true;
}

std::vector<ConstantEntry> ListConstants(const LineStore& definition) {
    std::vector<ConstantEntry> list;
    int index = definition.FindSection(kCalibSection);
    if (index < 0) return list;
    while ((index = definition.NextKeyLine(index)) >= 0) {
        std::string line;
        definition.GetLine(index, line);
        ConstantEntry entry;
        if (!ParseConstantEntry(line, entry)) continue;
        entry.line = index;
        list.push_back(std::move(entry));
        if (list.size() == 0xFFFF) break;   // positions are kept as 16-bit
    }
    return list;
}

const ConstantEntry* FindConstant(const std::vector<ConstantEntry>& list, const std::string& name) {
    for (const ConstantEntry& entry : list)
        if (entry.contents == name) return &entry;
    return nullptr;
}

std::uint32_t ReadConstantRaw(const Image& image, const ConstantEntry& entry) {
    return entry.byteCount == 2 ? ReadWord(image, entry.address) : image[entry.address];
}

void WriteConstantRaw(Image& image, const ConstantEntry& entry, std::uint32_t raw) {
    if (entry.byteCount == 2) WriteWord(image, entry.address, static_cast<std::uint16_t>(raw & 0xFFFF));
    else image[entry.address] = static_cast<std::uint8_t>(raw & 0xFF);
}

float ToConstantPhysical(const ConstantEntry& entry, std::uint32_t raw) {
    const float x = static_cast<float>(raw);
    const float lsb = entry.lsb;
    const float offset = entry.offset;
    switch (entry.calc) {
        case 2:
            if (raw == 0 || lsb == 0.0F) return offset * 1000000.0F;
            return offset * 1000000.0F / (x * lsb * 6.0F);
        case 3: {
            const bool word = entry.byteCount == 2;
            if (raw < (word ? 32768U : 128U)) return offset + x * lsb;
            return -offset - lsb * ((word ? 65536.0F : 256.0F) - x);
        }
        case 4: {
            const float divisor = offset + x * lsb + 2068.0F;
            if (divisor == 0.0F) return 29985494.0F;
            return 30000000.0F / divisor - kCalc4Offset;
        }
        case 5: {
            const float divisor = lsb + offset + 2.0F * x;
            if (divisor == 0.0F) return 30000000.0F - 30000000.0F / lsb;
            return 30000000.0F / divisor - 30000000.0F / lsb;
        }
        default: return offset + x * lsb;
    }
}

float ToConstantRawUnrounded(const ConstantEntry& entry, float p) {
    const float lsb = entry.lsb;
    const float offset = entry.offset;
    switch (entry.calc) {
        case 2:
            if (p == 0.0F || lsb == 0.0F) return offset * 1000000.0F;
            return offset * 1000000.0F / (p * lsb * 6.0F);
        case 3: {
            const float c = p >= 0.0F ? (p - offset) / lsb : (p + offset) / lsb;
            if (c >= 0.0F) return c;
            return (entry.byteCount == 2 ? 65536.0F : 256.0F) + c;
        }
        case 4: {
            const float q = p + kCalc4Offset;
            if (q == 0.0F) return (29997932.0F - offset) / lsb;
            return (30000000.0F / q - 2068.0F - offset) / lsb;
        }
        case 5: {
            const float q = p + 30000000.0F / lsb;
            if (q == 0.0F) return (30000000.0F - lsb - offset) / 2.0F;
            return (30000000.0F / q - lsb - offset) / 2.0F;
        }
        default: return (p - offset) / lsb;
    }
}

bool ToConstantRaw(const ConstantEntry& entry, float physical, std::uint32_t& raw) {
    float value = ToConstantRawUnrounded(entry, physical);
    if (std::isnan(value)) return false;
    const float lowest = static_cast<float>(LowestRaw(entry));
    const float highest = static_cast<float>(entry.RawMax());
    if (value < lowest) value = lowest;
    if (value > highest) value = highest;
    const double rounded = std::strtod(Printed("%.0f", static_cast<double>(value)).c_str(), nullptr);
    if (!(rounded >= 0.0) || rounded > static_cast<double>(entry.RawMax())) return false;
    raw = static_cast<std::uint32_t>(rounded);
    return true;
}

int ConstantDecimals(const ConstantEntry& entry) {
    if (entry.hasDecimals) return entry.decimals;
    const float lsb = entry.lsb;
    if (lsb < 0.00001F) return 6;
    if (lsb < 0.0001F) return 5;
    if (lsb < 0.001F) return 4;
    if (lsb < 0.01F) return 3;
    return 2;
}

std::string FormatConstant(const ConstantEntry& entry, float value) {
    const double v = static_cast<double>(value);
    std::string text = Printed("%.8f", v);
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        const std::size_t last = text.find_last_not_of('0');
        text.erase(last + 1);
        if (text.back() == '.') text.pop_back();
    }
    const std::size_t k = text.find('.');
    if (k != std::string::npos && k < 8) {
        char format[16];
        std::snprintf(format, sizeof format, "%%.%df", static_cast<int>(8 - k));
        text = Printed(format, v);
    }
    if (text.find('.') != std::string::npos) {
        char format[16];
        std::snprintf(format, sizeof format, "%%.%df", ConstantDecimals(entry));
        text = Printed(format, v);
    }
    return text;
}

std::string ConstantValueText(const ConstantEntry& entry, const Image& image) {
    return FormatConstant(entry, ToConstantPhysical(entry, ReadConstantRaw(image, entry)));
}

std::string ConstantHexText(const ConstantEntry& entry, std::uint32_t raw) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, entry.byteCount == 2 ? "%04X" : "%02X", raw);
    return buffer;
}

ConstantCommit CommitConstantValue(const ConstantEntry& entry, const std::string& typed) {
    // Digits and "." only, a sign first; and it has to read as one number
    // ("", "+", "." and "1.2.3" do not).
    std::size_t points = 0;
    bool digit = false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '.') ++points;
        else if (!((c == '+' || c == '-') && i == 0)) return Refusal(str::kWrongWord);
    }
    if (!digit || points > 1) return Refusal(str::kWrongWord);
    const float p = std::strtof(typed.c_str(), nullptr);
    // Refused rather than held to the range under a message printing "inf".
    if (std::string huge = HugeValueRefusal(typed, p); !huge.empty()) {
        ConstantCommit refused = Refusal(str::kCannotChangeToValue);
        refused.text = std::move(huge);
        return refused;
    }

    if (entry.calc == 3) return CommitSigned(entry, p);

    const float atLowest = ToConstantPhysical(entry, LowestRaw(entry));
    const float atHighest = ToConstantPhysical(entry, entry.RawMax());
    const bool rising = atHighest >= atLowest;
    Range range = Sorted(atLowest, atHighest);
    if (entry.hasMin && entry.minimum > range.lo) range.lo = entry.minimum;
    if (entry.hasMax && entry.maximum < range.hi) range.hi = entry.maximum;

    const bool below = p < range.lo;
    const bool above = p > range.hi;
    float clamped = p;
    if (below) clamped = range.lo;
    if (above) clamped = range.hi;

    ConstantCommit commit;
    if (!RawOrRefusal(entry, clamped, commit.raw, commit)) return commit;
    // One step keeps the shown value inside when rounding took it out.
    const float value = ToConstantPhysical(entry, commit.raw);
    const bool towardHigherUp = rising;
    if (below && value < range.lo) {
        if (towardHigherUp && commit.raw < entry.RawMax()) ++commit.raw;
        else if (!towardHigherUp && commit.raw > LowestRaw(entry)) --commit.raw;
    } else if (above && value > range.hi) {
        if (towardHigherUp && commit.raw > LowestRaw(entry)) --commit.raw;
        else if (!towardHigherUp && commit.raw < entry.RawMax()) ++commit.raw;
    }
    commit.write = true;
    // Every value the range held back is reported: outside Min and Max with
    // those two, else (no Min and Max, only one of them, or a value past
    // what the raw size holds) with the range the value was held to. A value
    // inside the range that rounds to the nearest raw step is not reported.
    const bool outsideMinMax = entry.hasMin && entry.hasMax && (p < entry.minimum || p > entry.maximum);
    if (outsideMinMax || below || above) {
        const bool linear = entry.calc != 2 && entry.calc != 4 && entry.calc != 5;
        commit.message = linear ? LinearRangeMessage(ConstantDecimals(entry)) : str::kRangeOver;
        commit.text = RangeText(commit.message, p, outsideMinMax ? entry.minimum : range.lo,
                                outsideMinMax ? entry.maximum : range.hi, ToConstantPhysical(entry, commit.raw));
    }
    return commit;
}

ConstantCommit CommitConstantRaw(const ConstantEntry& entry, const std::string& hexText) {
    std::uint32_t value = 0;
    if (hexText.empty() || !ParseHex(hexText, value)) return Refusal(str::kWrongWord);
    if (entry.byteCount == 1 && value >= 0x100) return Refusal(str::kInputMaxOver);
    if (value > 0xFFFF) return Refusal(str::kOverWordSize);
    if (entry.calc == 2 && value == 0) return Refusal(str::kCannotInputZero);
    ConstantCommit commit;
    commit.write = true;
    commit.raw = value;
    return commit;
}

std::uint32_t StepConstantRaw(const ConstantEntry& entry, std::uint32_t raw, bool up) {
    if (entry.calc == 5) up = !up;   // Calc 5 rises as the raw value falls
    if (up) return raw < entry.RawMax() ? raw + 1 : entry.RawMax();
    return raw > 0 ? raw - 1 : 0;
}
