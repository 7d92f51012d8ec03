// The map section of the machine definition ("Free Map" or "Config Map") and
// the map link groups of "Multi Map".
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "model/Calibration.h"
#include "model/Strings.h"
#include "config/Definition.h"
#include "config/DefinitionFields.h"
#include "model/Equation.h"
#include "model/Maps.h"

using namespace deffield;

namespace {

// One past the last address of the image, as a wide value.
constexpr std::uint32_t kImageEnd = static_cast<std::uint32_t>(kImageSize);
// The Y count is 8 bits wide: a larger table would reserve too few DATA
// bytes and the next map would overlap its cells.
constexpr std::int32_t kMaxCells = 255;
constexpr std::int32_t kMaxCount = 255;

// "start, end, third": exactly three fields, all hex; only the start is used
// and it must be an address of the image.
bool ParseAreaLine(std::string line, std::uint16_t& start) {
    if (FieldCount(line) != 3) return false;
    const std::vector<std::string> fields = TakeFields(line, 3);
    std::uint32_t unused = 0;
    return ParseAddress(fields[0], start) && !fields[1].empty() && ParseHex(fields[1], unused) &&
           !fields[2].empty() && ParseHex(fields[2], unused);
}

// "name, type digit, third[, fourth]". The third field is read and dropped;
// the fourth is kept as written, up to the end of the line.
bool ParseMapHeader(std::string line, bool freeMap, MapRecord& map) {
    if (FieldCount(line) < 3) return false;
    const std::vector<std::string> fields = TakeFields(line, 3);
    if (fields[0].empty() || fields[1].empty() || fields[2].empty()) return false;
    if (fields[1] == "0") {
        map.type = kMapOneRpmRow;
    } else if (fields[1] == "1") {
        map.type = kMapRpmPerRow;
    } else if (freeMap) {
        map.type = kMapInvalid;   // lays out and shows like type 1
    } else {
        return false;
    }
    map.name = fields[0];
    map.fourthField = line;
    return true;
}

// "name, minimum, maximum, HEX-to-physical, physical-to-HEX[, minimum 2[,
// maximum 2[, unit]]]". The unit is our addition: a definition without it
// reads as before, and one with it keeps the second limits' places (empty
// fields where it has none).
bool ParseItemLine(std::string line, MapItem& item) {
    if (FieldCount(line) < 5) return false;
    const std::vector<std::string> fields = TakeFields(line, 8);
    for (std::size_t i = 0; i < 5; ++i) {
        if (fields[i].empty()) return false;
    }
    item.name = fields[0];
    item.minimum = fields[1];
    item.maximum = fields[2];
    item.hexToPhys = fields[3];
    item.physToHex = fields[4];
    item.minimum2 = fields[5];
    item.maximum2 = fields[6];
    item.unit = fields[7];
    return true;
}

bool ParseCount(std::string_view text, std::int32_t& count) {
    return !text.empty() && ParseDecimal(text, count) && count >= 0 && count <= kMaxCount;
}

enum class AxisForm { kImage, kInline };

// An axis line of a Config Map for the item named by letter ("z" or "x"):
// either "letter, address, element size, count, step", the axis lying in the
// image, or "count, value, value, ...", a list of physical values that must
// number exactly count.
bool ParseAxisLine(std::string line, std::string_view letter, MapItem& item, AxisForm& form) {
    std::string rest = line;
    const std::string first = NextField(rest);
    if (EqualNoCase(first, "z") || EqualNoCase(first, "x") || EqualNoCase(first, "y")) {
        if (!EqualNoCase(first, letter)) return false;   // an axis out of its place
        if (FieldCount(line) < 5) return false;
        const std::vector<std::string> fields = TakeFields(rest, 4);
        std::uint16_t address = 0;
        std::int32_t size = 0, count = 0, step = 0;
        if (!ParseAddress(fields[0], address)) return false;
        if (fields[1].empty() || !ParseDecimal(fields[1], size)) return false;
        if (!ParseCount(fields[2], count)) return false;
        if (fields[3].empty() || !ParseDecimal(fields[3], step)) return false;
        item.start = address;
        item.elementSize = size == 2 ? 2 : 1;
        item.count = static_cast<std::uint8_t>(count);
        item.step = step;
        form = AxisForm::kImage;
        return true;
    }

    std::int32_t count = 0;
    if (!ParseCount(first, count)) return false;
    // The values are the text after the count: one more than its commas.
    if (static_cast<std::int32_t>(FieldCount(rest)) != count) return false;
    item.count = static_cast<std::uint8_t>(count);
    item.valueListText = rest;
    item.values.clear();
    std::string values = rest;
    for (std::int32_t i = 0; i < count; ++i) item.values.push_back(ReadFloat(NextField(values)));
    form = AxisForm::kInline;
    return true;
}

// An axis in the image must lie wholly inside it.
bool AxisFits(const MapItem& item) {
    return std::uint32_t{item.start} + std::uint32_t{item.count} *
                                           static_cast<std::uint32_t>(item.elementSize) <=
           kImageEnd;
}

// A key line of the section after index, or false at its end (a header or
// the end of the store); index moves onto the line only when there is one.
bool NextSectionLine(const LineStore& lines, int& index, std::string& line) {
    int next = index;
    if (lines.NextLine(next, line) == 0 || IsHeaderLine(line)) return false;
    index = next;
    return true;
}

// Why a map could not be read.
struct MapFault {
    enum class Kind { kNone, kLine, kMissingLine, kTooManyCells, kPastImageEnd } kind = Kind::kNone;
    std::string line;             // kLine: the line at fault
    std::uint32_t zc = 0, xc = 0; // kTooManyCells: the two counts

    bool Set(Kind k, std::string faultyLine = std::string()) {
        kind = k;
        line = std::move(faultyLine);
        return false;
    }
};

// The axis lines of a Config Map and its DATA placement; running is the DATA
// address of a map without a "y" line.
bool ReadConfigAxes(const LineStore& lines, int& index, MapRecord& map, std::uint32_t& running,
                    MapFault& fault) {
    using Kind = MapFault::Kind;
    std::string line;
    AxisForm zForm = AxisForm::kInline, xForm = AxisForm::kInline;
    if (!NextSectionLine(lines, index, line)) return fault.Set(Kind::kMissingLine);
    if (!ParseAxisLine(line, "z", map.z, zForm)) return fault.Set(Kind::kLine, line);
    // "x" needs "z" before it, and "z" needs "x" after it: both forms agree.
    if (!NextSectionLine(lines, index, line)) return fault.Set(Kind::kMissingLine);
    if (!ParseAxisLine(line, "x", map.x, xForm) || xForm != zForm) return fault.Set(Kind::kLine, line);

    std::uint32_t dataStart = running;
    int peek = index;
    if (NextSectionLine(lines, peek, line)) {
        std::string rest = line;
        if (EqualNoCase(NextField(rest), "y")) {
            std::uint16_t address = 0;
            if (!ParseAddress(NextField(rest), address)) return fault.Set(Kind::kLine, line);
            dataStart = address;
            index = peek;
        }
        // Anything else belongs to the next map.
    }

    const std::int32_t cells = std::int32_t{map.z.count} * std::int32_t{map.x.count};
    if (cells > kMaxCells) {
        fault.zc = map.z.count;
        fault.xc = map.x.count;
        return fault.Set(Kind::kTooManyCells);
    }
    if (dataStart >= kImageEnd || dataStart + static_cast<std::uint32_t>(cells) > kImageEnd)
        return fault.Set(Kind::kPastImageEnd);
    if (zForm == AxisForm::kImage) {
        if (!AxisFits(map.z) || !AxisFits(map.x)) return fault.Set(Kind::kPastImageEnd);
        map.type = kMapConfigImage;
    }
    map.base = static_cast<std::uint16_t>(dataStart);
    map.y.start = static_cast<std::uint16_t>(dataStart);
    map.y.count = static_cast<std::uint8_t>(cells);
    // The next map without a "y" line follows this one's DATA.
    running = dataStart + static_cast<std::uint32_t>(cells);
    return true;
}

// A Free Map laid out from the counts in the image at running.
bool PlaceFreeMap(const Image& image, MapRecord& map, std::uint32_t& running, MapFault& fault) {
    const std::uint32_t at = running;
    if (LayoutFreeMap(image, map, running)) return true;
    if (at + 2 <= kImageEnd && std::uint32_t{image[at]} * image[at + 1] > kMaxCells) {
        fault.zc = image[at];
        fault.xc = image[at + 1];
        return fault.Set(MapFault::Kind::kTooManyCells);
    }
    return fault.Set(MapFault::Kind::kPastImageEnd);
}

// One map: header, item lines, placement. false on a format error, with the
// reason in fault.
bool ReadMap(const LineStore& lines, int& index, const std::string& header, bool freeMap,
             const Image& image, std::uint32_t& running, MapRecord& map, MapFault& fault) {
    if (!ParseMapHeader(header, freeMap, map)) return fault.Set(MapFault::Kind::kLine, header);
    std::string line;
    for (MapItem* item : {&map.z, &map.x, &map.y}) {
        if (!NextSectionLine(lines, index, line)) continue;   // a missing item line is skipped
        if (!ParseItemLine(line, *item)) return fault.Set(MapFault::Kind::kLine, line);
    }
    if (freeMap) return PlaceFreeMap(image, map, running, fault);
    return ReadConfigAxes(lines, index, map, running, fault);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string RefusalText(const std::string& header, const MapFault& fault) {
    std::string rest = header;
    std::string name = NextField(rest);
    if (name.empty()) name = header;
    std::string reason;
    switch (fault.kind) {
    case MapFault::Kind::kLine: reason = "the line " + Quoted(fault.line) + " has a format error"; break;
    case MapFault::Kind::kMissingLine: reason = "the section ends before its last line"; break;
    case MapFault::Kind::kTooManyCells:
        reason = "its table of " + std::to_string(fault.zc) + " x " + std::to_string(fault.xc) + " = " +
                 std::to_string(fault.zc * fault.xc) + " cells is larger than 255 cells";
        break;
    case MapFault::Kind::kPastImageEnd: reason = "it would run past address FFFF"; break;
    case MapFault::Kind::kNone: break;
    }
    return "The map " + Quoted(name) + " and the maps after it are not loaded: " + reason +
           ".\nOnly the maps before it are loaded.";
}

}  // namespace

int LoadMapSection(Calibration& calibration, const Image& image, std::string* refusal) {
    if (refusal) refusal->clear();
    calibration.currentMap = nullptr;   // it pointed into the maps about to go
    calibration.maps.clear();
    const LineStore& lines = calibration.definitionLines;

    bool freeMap = true;
    int index = lines.FindSection(defname::kFreeMap);
    if (index < 0) {
        freeMap = false;
        index = lines.FindSection(defname::kConfigMap);
    }
    if (index < 0) return str::kMapSectionMissing;
    calibration.definitionKind = freeMap ? kDefinitionFreeMap : kDefinitionConfigMap;

    std::string line;
    std::uint16_t areaStart = 0;
    if (!NextSectionLine(lines, index, line) || !ParseAreaLine(line, areaStart))
        return str::kMapAddressWrong;
    calibration.mapAreaStart = areaStart;

    std::uint32_t running = areaStart;
    for (;;) {
        int next = index;
        if (lines.NextLine(next, line) == 0) break;          // the store ended: no header line
        if (IsHeaderLine(line)) return 0;                    // the section ended
        index = next;
        auto map = std::make_unique<MapRecord>();
        MapFault fault;
        if (!ReadMap(lines, index, line, freeMap, image, running, *map, fault)) {
            // After a complete map the maps read so far stay; the caller says
            // which map is missing and why.
            if (!calibration.maps.empty() && refusal) *refusal = RefusalText(line, fault);
            break;
        }
        calibration.maps.push_back(std::move(map));
    }
    return calibration.maps.empty() ? str::kMapSectionFormat : 0;
}

void LoadMultiMapSection(Calibration& calibration) {
    calibration.mapLink = MapLinkData{};
    std::array<std::string, 4> slots;
    ForEachSectionLine(calibration.definitionLines, defname::kMultiMap, [&](const std::string& line) {
        const std::size_t comma = line.find(',');
        const std::string name(TrimBlanks(std::string_view(line).substr(0, comma)));
        const std::string_view position =
            comma == std::string::npos ? std::string_view()
                                       : TrimBlanks(std::string_view(line).substr(comma + 1));
        if (name.empty() || name.back() < '0' || name.back() > '9') return;
        std::int32_t slot = 0;
        if (position.empty() || !ParseDecimal(position, slot) || slot < 1 || slot > 4) return;
        slots[static_cast<std::size_t>(slot - 1)] = name;   // a later line replaces an earlier
    });
    for (std::string& name : slots) {
        if (!name.empty() && !FindMap(calibration.maps, name)) name.clear();
    }
    if (slots[0].empty() || slots[1].empty() || slots[0] == slots[1]) return;
    calibration.mapLink.fixedLink = true;
    calibration.mapLink.linkList = {slots[0], slots[1]};
    const bool allDiffer = slots[0] != slots[2] && slots[0] != slots[3] && slots[1] != slots[2] &&
                           slots[1] != slots[3] && slots[2] != slots[3];
    if (!slots[2].empty() && !slots[3].empty() && allDiffer) {
        calibration.mapLink.linkList.push_back(slots[2]);
        calibration.mapLink.linkList.push_back(slots[3]);
    }
}
