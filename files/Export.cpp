#include "files/Export.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/Calibration.h"
#include "config/Definition.h"
#include "model/Equation.h"
#include "model/Parse.h"
#include "platform/AsciiText.h"
#include "platform/FileIo.h"

namespace {

// The prefix "%X" reads: blanks, an optional "0x", hex digits. The address is
// one of the image, so only its low 16 bits count; no digits gives 0.
std::uint16_t ScanHexAddress(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0)
        i += 2;
    std::uint32_t value = 0;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i)
        value = (value << 4 | static_cast<std::uint32_t>(HexDigit(text[i]))) & 0xFFFFF;
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

// The prefix "%d" reads; no digits gives 0, a value beyond int saturates.
int ScanInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF) value = 0x80000000LL;
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
    return static_cast<int>(value);
}

std::string Printed(const char* format, double value) {
    // FLT_MAX has 39 integer digits; with sign, point and 8 decimals 64 is ample.
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    if (n < 0) return std::string();
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

// The index-th value of a list axis text, read as "%f" reads it; 0 past the list.
float ListValue(const std::string& listText, std::size_t index) {
    std::size_t begin = 0;
    for (std::size_t k = 0; k < index; ++k) {
        const std::size_t comma = listText.find(',', begin);
        if (comma == std::string::npos) return 0.0f;
        begin = comma + 1;
    }
    const std::size_t comma = listText.find(',', begin);
    return ReadFloat(std::string_view(listText).substr(
        begin, comma == std::string::npos ? std::string::npos : comma - begin));
}

// The physical value of element index of an item lying in the image.
float ImageValue(const Image& image, const MapItem& item, std::size_t index) {
    const auto address = static_cast<std::uint16_t>(item.start + index * (item.elementSize == 2 ? 2 : 1));
    float value = 0.0f;
    if (item.elementSize == 2)
        ToPhysicalWord(item, ReadWord(image, address), value);
    else
        ToPhysicalByte(item, image[address], value);
    return value;
}

float AxisValue(const Image& image, const MapItem& item, std::size_t index) {
    if (!item.valueListText.empty()) return ListValue(item.valueListText, index);
    return ImageValue(image, item, index);
}

void AppendMapTable(const Image& image, const MapRecord& map, const ValueFormats& formats,
                    std::vector<std::string>& out) {
    const std::size_t zc = map.z.count;
    const std::size_t xc = map.x.count;
    // FormatData's whole-number rule looks at the map being written.
    auto data = [&](std::size_t r, std::size_t c) {
        return FormatData(ImageValue(image, map.y, r * xc + c), &map, formats);
    };
    // Only a map of type 2 has an RPM row per THROT row in the image; a list
    // axis is one row for all.
    const bool rpmPerRow = map.type == kMapRpmPerRow;
    auto rpm = [&](std::size_t r, std::size_t c) {
        const std::size_t index = rpmPerRow && map.x.valueListText.empty() ? r * xc + c : c;
        return FormatX(AxisValue(image, map.x, index), formats);
    };
    auto throt = [&](std::size_t r) { return FormatZ(AxisValue(image, map.z, r), formats); };

    if (rpmPerRow) {
        for (std::size_t r = 0; r < zc; ++r) {
            out.push_back("FMDataZ," + throt(r));
            for (std::size_t c = 0; c < xc; ++c) out.push_back(rpm(r, c) + "," + data(r, c));
        }
        return;
    }
    std::string heading = map.name;
    for (std::size_t r = 0; r < zc; ++r) heading += "," + throt(r);
    out.push_back(std::move(heading));
    for (std::size_t c = 0; c < xc; ++c) {
        std::string line = rpm(0, c);
        for (std::size_t r = 0; r < zc; ++r) line += "," + data(r, c);
        out.push_back(std::move(line));
    }
}

// The lines of the definition's "Calib" section that hold a whole constant.
std::vector<ConstantDef> CalibConstants(const LineStore& definition) {
    std::vector<ConstantDef> constants;
    int index = definition.FindSection(defname::kCalib);
    if (index < 0) return constants;
    while ((index = definition.NextKeyLine(index)) >= 0) {
        std::string line;
        definition.GetLine(index, line);
        ConstantDef constant;
        if (ParseConstantLine(line, constant)) constants.push_back(std::move(constant));
    }
    return constants;
}

}  // namespace

std::string FormatConstantValue(float value) {
    const std::string full = Printed("%.8f", value);
    const std::size_t point = full.find('.');
    if (point == std::string::npos) return full;   // inf, nan
    if (full.find_first_not_of('0', point + 1) == std::string::npos) return full.substr(0, point);
    if (point < 8) {
        char format[8];
        std::snprintf(format, sizeof format, "%%.%df", static_cast<int>(8 - point));
        return Printed(format, value);
    }
    return full.substr(0, full.find_last_not_of('0') + 1);
}

float ConstantValue(const Image& image, const ConstantDef& constant) {
    const std::uint16_t address = ScanHexAddress(constant.address);
    const float lsb = ReadFloat(constant.lsb);
    const float offset = ReadFloat(constant.offset);
    const int calc = ScanInt(constant.calc);
    const bool word = constant.byte == "2";
    const std::uint32_t raw = word ? ReadWord(image, address) : image[address];
    const float rawValue = static_cast<float>(raw);
    switch (calc) {
    case 2: {
        if (raw == 0) return offset * 1000000.0f;
        const float period = rawValue * lsb * 6.0f;
        return 1000000.0f / period * offset;
    }
    case 3: {
        const std::uint32_t signBit = constant.byte == "1" ? 0x80 : 0x8000;
        return raw < signBit ? rawValue * lsb + offset : rawValue * lsb - offset;
    }
    default:
        return rawValue * lsb + offset;
    }
}

std::vector<std::string> BuildExportLines(const Image& image, const MapList& maps,
                                          const LineStore& definition, const ValueFormats& formats,
                                          const std::string& timeText) {
    std::vector<std::string> out;
    out.push_back(timeText);
    out.push_back("Version 1.0");
    for (const auto& owned : maps) {
        const MapRecord& map = *owned;
        out.push_back("FMDataName," + map.name);
        out.push_back(std::string("FMXType,") + (map.type == kMapRpmPerRow ? "1" : "0"));
        out.push_back("FMNameZ," + map.z.name);
        out.push_back("FMNameX," + map.x.name);
        out.push_back("FMNameY," + map.y.name);
        out.push_back("FMMaxX," + map.x.maximum);
        out.push_back("FMMinX," + map.x.minimum);
        out.push_back("FMMaxY," + map.y.maximum);
        out.push_back("FMMinY," + map.y.minimum);
        out.push_back("FMZCnt," + std::to_string(map.z.count));
        out.push_back("FMXCnt," + std::to_string(map.x.count));
        AppendMapTable(image, map, formats, out);
    }
    const std::vector<ConstantDef> constants = CalibConstants(definition);
    out.push_back("[Calib]");
    for (const ConstantDef& k : constants) {
        out.push_back("Address," + k.address + ",Byte," + k.byte + ",Contents," + k.contents +
                      ",LSB," + k.lsb + ",Offset," + k.offset + ",Unit," + k.unit + ",Calc," + k.calc);
    }
    for (const ConstantDef& k : constants)
        out.push_back(k.byte + "," + FormatConstantValue(ConstantValue(image, k)));
    out.push_back("[Fixed]");
    out.push_back("[end]");
    return out;
}

std::string ExportTimeText(std::time_t now) {
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return std::string();
    char buffer[32];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%y/%m/%d %H:%M:%S", &local);
    return std::string(buffer, n);
}

bool ExportCalibration(const Calibration& calibration, const std::string& path) {
    const std::vector<std::string> lines = BuildExportLines(
        calibration.image(), calibration.maps, calibration.definitionLines, calibration.formats, ExportTimeText(std::time(nullptr)));
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return WriteFileAtomic(path, text);
}
