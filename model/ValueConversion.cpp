#include "model/ValueConversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/DiagValue.h"
#include "model/Strings.h"
#include "platform/AsciiText.h"

namespace {

constexpr int kByteMax = 255;
constexpr int kWordMax = 65535;

// Truncation toward zero that stays defined for every float.
std::int32_t TruncateToInt32(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (v < -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

bool IsBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsCSpace);
}

int ElementMax(const MapItem& item) { return item.elementSize == 2 ? kWordMax : kByteMax; }

// Element index of an item in the image, 16-bit address arithmetic: the
// products are taken in 64 bits and wrapped, never indexed past the image.
std::uint16_t ElementAddress(const MapItem& item, long long index) {
    long long offset = index * (item.elementSize == 2 ? 2 : 1);
    return static_cast<std::uint16_t>((static_cast<long long>(item.start) + offset) & 0xFFFF);
}

int ReadRaw(const Image& image, const MapItem& item, long long index) {
    std::uint16_t a = ElementAddress(item, index);
    return item.elementSize == 2 ? ReadWord(image, a) : image[a];
}

void CapLimits(EditCursor& cursor, const MapItem& item) {
    cursor.upper = std::min(cursor.upper, ElementMax(item));
    if (cursor.lower < 0) cursor.lower = 0;
}

void DataLimits(MapRecord& map) {
    const MapItem& y = map.y;
    std::int32_t rawMax = 0, rawMax2 = 0, rawMin = 0, rawMin2 = 0;
    if (ToRawInt(y, ItemMaximum(y), rawMax) != kEquationOk) rawMax = kWordMax;
    if (ToRawInt(y, ItemMaximum2(y), rawMax2) != kEquationOk) rawMax2 = kWordMax;
    if (ToRawInt(y, ItemMinimum(y), rawMin) != kEquationOk) rawMin = 0;
    if (ToRawInt(y, ItemMinimum2(y), rawMin2) != kEquationOk) rawMin2 = 0;
    map.cursor.upper = std::min(rawMax, rawMax2);
    map.cursor.lower = std::max(rawMin, rawMin2);
    CapLimits(map.cursor, y);
}

// Neighbours in the cursor's row bound an RPM breakpoint, one raw step away
// on either side: the axis rises strictly, as the ECU's interpolation needs.
void RpmLimits(MapRecord& map, const Image& image) {
    const MapItem& x = map.x;
    const int count = x.count;
    const int column = map.cursor.column;
    if (count > 1 && column >= 0 && column < count) {
        long long rowStart = map.type == kMapRpmPerRow ? static_cast<long long>(map.cursor.row) * count : 0;
        if (column > 0) map.cursor.lower = ReadRaw(image, x, rowStart + column - 1) + 1;
        if (column < count - 1) map.cursor.upper = ReadRaw(image, x, rowStart + column + 1) - 1;
    }
    CapLimits(map.cursor, x);
}

// Bounds that keep a rising THROT axis strictly monotonic. A falling axis
// (last - 1 < first + 1) takes the same bounds swapped as they stand, so its
// middle cells may reach one past either neighbour: 30,20,10 on 20 gives 9..31.
void ThrotLimits(MapRecord& map, const Image& image) {
    const MapItem& z = map.z;
    const int count = z.count;
    const int column = map.cursor.column;   // the THROT index
    if (count > 1 && column >= 0 && column < count) {
        EditCursor& c = map.cursor;
        if (column > 0) c.lower = ReadRaw(image, z, column - 1) + 1;
        if (column < count - 1) c.upper = ReadRaw(image, z, column + 1) - 1;
        int first = ReadRaw(image, z, 0);
        int last = ReadRaw(image, z, count - 1);
        if (last - 1 < first + 1) {
            if (c.lower == 0) c.lower = kWordMax;
            if (c.upper == kWordMax) c.upper = 0;
            std::swap(c.lower, c.upper);
        }
    }
    CapLimits(map.cursor, z);
}

}  // namespace

int ToPhysicalByte(const MapItem& item, std::uint8_t raw, float& physical) {
    return EvaluateEquation(item.hexToPhys, static_cast<float>(raw), physical);
}

int ToPhysicalWord(const MapItem& item, std::uint16_t raw, float& physical) {
    return EvaluateEquation(item.hexToPhys, static_cast<float>(raw), physical);
}

int ToRawInt(const MapItem& item, float physical, std::int32_t& raw) {
    float value = 0.0f;
    int code = EvaluateEquation(item.physToHex, physical, value);
    raw = code == kEquationOk ? TruncateToInt32(value) : 0;
    return code;
}

int ToRawWord(const MapItem& item, float physical, std::uint16_t& raw) {
    std::int32_t wide = 0;
    int code = ToRawInt(item, physical, wide);
    raw = static_cast<std::uint16_t>(static_cast<std::uint32_t>(wide) & 0xFFFFu);
    return code;
}

int ToRawByte(const MapItem& item, float physical, std::uint8_t& raw) {
    float value = 0.0f;
    int code = EvaluateEquation(item.physToHex, physical, value);
    std::int32_t wide = code == kEquationOk ? TruncateToInt32(value) : 0;
    raw = static_cast<std::uint8_t>(static_cast<std::uint32_t>(wide) & 0xFFu);
    if (code != kEquationOk) return code;
    if (value < 0.0f) return kConversionBelowZero;
    if (value > 255.0f) return kConversionAboveByte;
    return kConversionOk;
}

std::string ConversionMessage(int code) {
    switch (code) {
        case kConversionAboveByte: return Str(str::kInputMaxOver);
        case kConversionBelowZero: return Str(str::kInputMinOver);
        case kEquationDivideByZero: return Str(str::kDivideByZero);
        case kEquationEmptyOperand: return Str(str::kEmptyOperand);
        case kEquationMissingParen: return Str(str::kEquationNotCorrect);
        default: return Str(str::kCannotChangeToValue);
    }
}

void ReportConversionError(UserPrompt& prompt, int code, const std::string& captionPrefix,
                           const std::string& itemName, const std::string& heading) {
    prompt.Message(heading + "\n" + ConversionMessage(code), captionPrefix + "[" + itemName + "]",
                   PromptIcon::kStop);
}

float ItemMinimum(const MapItem& item) { return ReadFloat(item.minimum); }
float ItemMaximum(const MapItem& item) { return ReadFloat(item.maximum); }
float ItemMinimum2(const MapItem& item) {
    return IsBlankText(item.minimum2) ? ItemMinimum(item) : ReadFloat(item.minimum2);
}
float ItemMaximum2(const MapItem& item) {
    return IsBlankText(item.maximum2) ? ItemMaximum(item) : ReadFloat(item.maximum2);
}

std::string MakePrecisionFormat(int n) {
    if (n < 0 || n > 20) return "%.1f";
    return "%." + std::to_string(n) + "f";
}

bool IsPrecisionFormat(std::string_view format) {
    if (format.size() < 4 || format.size() > 5) return false;   // "%.1f" .. "%.20f"
    if (format[0] != '%' || format[1] != '.' || format.back() != 'f') return false;
    int n = 0;
    for (std::size_t i = 2; i + 1 < format.size(); ++i) {
        if (format[i] < '0' || format[i] > '9') return false;
        n = n * 10 + (format[i] - '0');
    }
    return n <= 20;
}

std::string FormatWith(std::string_view format, float value) {
    // The widest output: 39 integer digits of FLT_MAX, sign, point, 20 decimals.
    char buffer[96];
    char printfFormat[8] = "%.1f";
    if (IsPrecisionFormat(format)) {
        std::copy(format.begin(), format.end(), printfFormat);
        printfFormat[format.size()] = '\0';
    }
    int n = std::snprintf(buffer, sizeof buffer, printfFormat, static_cast<double>(value));
    if (n < 0) return std::string();
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

std::string FormatX(float value, const ValueFormats& formats) { return FormatWith(formats.x, value); }
std::string FormatZ(float value, const ValueFormats& formats) { return FormatWith(formats.z, value); }

int ItemStepDecimals(const MapItem& item) {
    const int top = ElementMax(item);
    float at0 = 0.0f, at1 = 0.0f, belowTop = 0.0f, atTop = 0.0f;
    if (ToPhysicalWord(item, 0, at0) != kConversionOk || ToPhysicalWord(item, 1, at1) != kConversionOk ||
        ToPhysicalWord(item, static_cast<std::uint16_t>(top - 1), belowTop) != kConversionOk ||
        ToPhysicalWord(item, static_cast<std::uint16_t>(top), atTop) != kConversionOk)
        return -1;
    const int first = StepDecimals(static_cast<double>(at1) - at0);
    const int last = StepDecimals(static_cast<double>(atTop) - belowTop);
    const int offset = StepDecimals(at0);   // 0 at raw 0 needs no decimals
    if (first < 0 || last < 0) return -1;
    return std::max({first, last, offset});
}

std::string FormatData(float value, const MapRecord* currentMap, const ValueFormats& formats) {
    if (currentMap != nullptr && formats.stepDecimals) {
        const int decimals = ItemStepDecimals(currentMap->y);
        if (decimals >= 0) return FormatWith(MakePrecisionFormat(decimals), value);
    }
    if (currentMap != nullptr &&
        (ItemMinimum(currentMap->y) <= -2000.0f || ItemMaximum(currentMap->y) >= 2000.0f))
        return FormatWith("%.0f", value);
    return FormatWith(formats.y, value);
}

void ComputeEditLimits(MapRecord& map, const Image& image) {
    map.cursor.upper = kWordMax;
    map.cursor.lower = 0;
    switch (map.cursor.mode) {
        case kEditData: DataLimits(map); break;
        case kEditRpm: RpmLimits(map, image); break;
        case kEditThrot: ThrotLimits(map, image); break;
        default: break;
    }
}

void StartDataEdit(MapRecord& map, const Image& image) {
    if (map.cursor.mode != kEditNone) return;
    map.cursor.row = 0;
    map.cursor.column = 0;
    map.cursor.mode = kEditData;
    map.selection = CellSelection{};
    map.cursor.raw = image[map.y.start];
    ComputeEditLimits(map, image);
}

bool IsNumericInput(std::string_view text) {
    // "%f" would read "1.2.3" as 1.2 and "." or "-" as 0: a text counts only
    // when it reads whole as one number.
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

namespace {
std::string ShownTyped(std::string_view typed) {
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) typed.remove_suffix(1);
    constexpr std::size_t kLongest = 24;
    if (typed.size() > kLongest) return std::string(typed.substr(0, kLongest)) + "...";
    return std::string(typed);
}
}  // namespace

std::string HugeValueRefusal(std::string_view typed, float value) {
    if (std::isfinite(value) && std::fabs(value) < kHugeTypedValue) return std::string();
    return Str(str::kCannotChangeToValue) + "\n\"" + ShownTyped(typed) + "\" is too large a number for a value here.\n" +
           Str(str::kSetAsBefore);
}

std::string TypedStoredLine(std::string_view typed, const std::string& stored) {
    return "\nTyped " + ShownTyped(typed) + ", stored " + stored;
}

std::string FillNumbers(std::string_view templ, std::initializer_list<double> numbers) {
    std::string out;
    out.reserve(templ.size() + 16 * numbers.size());
    auto next = numbers.begin();
    std::size_t i = 0;
    while (i < templ.size()) {
        if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == '.') {
            std::size_t j = i + 2;
            while (j < templ.size() && templ[j] >= '0' && templ[j] <= '9') ++j;
            if (j < templ.size() && templ[j] == 'f' && j > i + 2) {
                std::string_view printfFormat = templ.substr(i, j + 1 - i);
                double v = next != numbers.end() ? *next++ : 0.0;
                out += IsPrecisionFormat(printfFormat) ? FormatWith(printfFormat, static_cast<float>(v))
                                               : FormatWith("%.1f", static_cast<float>(v));
                i = j + 1;
                continue;
            }
        }
        out += templ[i++];
    }
    return out;
}

DataCommit CommitTypedByte(const MapRecord& map, const MapItem& item, std::string_view typed,
                           const ValueFormats& formats, const MapRecord* currentMap) {
    const bool rpm = map.cursor.mode == kEditRpm;
    auto cellText = [&](float physical) {
        // An RPM line of a two-dimensional map is shown with the X format, as painted.
        return rpm ? FormatX(physical, formats) : FormatData(physical, currentMap, formats);
    };

    DataCommit result;
    const float v = ReadFloat(typed);
    std::int32_t wide = 0;
    const std::string huge = IsNumericInput(typed) ? HugeValueRefusal(typed, v) : std::string();
    if (!IsNumericInput(typed) || !huge.empty() || ToRawInt(item, v, wide) != kEquationOk) {
        float old = 0.0f;
        ToPhysicalWord(item, map.cursor.raw, old);
        result.rejected = true;
        result.raw = static_cast<std::uint8_t>(map.cursor.raw & 0xFF);
        result.cellText = cellText(old);
        result.message = PromptMessage{huge.empty() ? Str(str::kDataError) + "\n" + Str(str::kSetAsBefore) : huge,
                                       Str(str::kCaptionTableWindow), PromptIcon::kStop};
        return result;
    }

    int raw = std::clamp<std::int32_t>(wide, 0, kByteMax);
    if (raw < map.cursor.lower) raw = map.cursor.lower;
    else if (raw > map.cursor.upper) raw = map.cursor.upper;
    // Limits of a word item or a minimum beyond a byte would leave the byte
    // range here; the cell holds one byte.
    raw = std::clamp(raw, 0, kByteMax);

    const float low = std::max(ItemMinimum(item), ItemMinimum2(item));
    const float high = std::min(ItemMaximum(item), ItemMaximum2(item));
    float p = 0.0f;
    ToPhysicalByte(item, static_cast<std::uint8_t>(raw), p);
    if (p < low && raw != kByteMax) ++raw;
    else if (p > high && raw != 0) --raw;

    float finalPhysical = 0.0f;
    ToPhysicalByte(item, static_cast<std::uint8_t>(raw), finalPhysical);
    result.raw = static_cast<std::uint8_t>(raw);
    result.cellText = cellText(finalPhysical);

    if (v < ItemMinimum2(item) || v > ItemMaximum2(item)) {
        result.message = PromptMessage{FillNumbers(Str(str::kRangeOver), {v, low, high, finalPhysical}) +
                                           TypedStoredLine(typed, result.cellText),
                                       Str(str::kCaptionTableWindow), PromptIcon::kExclamation};
    }
    result.write = raw != map.cursor.raw;
    return result;
}
