#include "edit/CalibrationDiff.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "edit/CellAccess.h"
#include "edit/ConstantsList.h"
#include "edit/EditContext.h"
#include "edit/TableModel.h"
#include "model/Maps.h"

bool AxesInImage(int definitionKind, const MapRecord& map) {
    return definitionKind == kDefinitionFreeMap || map.type == kMapConfigImage;
}

int RpmCount(const MapRecord& map) {
    return map.type == kMapRpmPerRow ? map.z.count * map.x.count : map.x.count;
}

namespace {

// The context a table window of the calibration would use for map.
EditContext ContextFor(Calibration& calibration, const MapRecord& map) {
    EditContext context(calibration.image(), calibration.modified, calibration.formats);
    context.definitionKind = calibration.definitionKind == kDefinitionFreeMap ? kEditFreeMapDefinition
                                                                             : kEditConfigMapDefinition;
    context.currentMap = &map;
    return context;
}

// Marks every byte of map: its counts (Free Map), axes in the image, DATA.
void MarkMapBytes(int definitionKind, const MapRecord& map, std::vector<bool>& owned) {
    auto mark = [&](long long first, long long bytes) {
        for (long long i = 0; i < bytes; ++i) owned[static_cast<std::size_t>((first + i) & 0xFFFF)] = true;
    };
    if (definitionKind == kDefinitionFreeMap) mark(map.base, 2);
    if (AxesInImage(definitionKind, map)) {
        mark(map.z.start, static_cast<long long>(map.z.count) * map.z.elementSize);
        mark(map.x.start, static_cast<long long>(RpmCount(map)) * map.x.elementSize);
    }
    mark(map.y.start, static_cast<long long>(map.z.count) * map.x.count);
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

std::string RangeName(const ByteRangeDifference& range) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X-%04X", range.first, range.last);
    return text;
}

std::string AxisValueText(const Calibration& calibration, const MapRecord& map, int mode, std::uint16_t raw) {
    float physical = 0.0f;
    const MapItem& item = mode == kEditThrot ? map.z : map.x;
    ToPhysicalWord(item, raw, physical);
    return mode == kEditThrot ? FormatZ(physical, calibration.formats) : FormatX(physical, calibration.formats);
}

// Whether a file holds every byte of an element of size bytes at address.
bool HoldsElement(const Calibration& calibration, std::uint16_t address, int size) {
    for (int i = 0; i < size; ++i)
        if (!calibration.HoldsData(static_cast<std::uint16_t>(address + i))) return false;
    return true;
}

void AppendAxisDifferences(const Calibration& a, const Calibration& b, const MapRecord& ma, const MapRecord& mb,
                           MapDifference& diff) {
    if (!AxesInImage(a.definitionKind, ma)) return;
    auto compare = [&](int mode, int index, std::uint16_t addressA, std::uint16_t addressB, int size,
                       std::uint16_t va, std::uint16_t vb) {
        const bool inA = HoldsElement(a, addressA, size);
        const bool inB = HoldsElement(b, addressB, size);
        if ((!inA && !inB) || (inA && inB && va == vb)) return;
        diff.axes.push_back({mode, index, inA ? va : std::uint16_t{0}, inB ? vb : std::uint16_t{0}, inA, inB});
    };
    for (int i = 0; i < ma.z.count; ++i) {
        std::uint16_t va = 0, vb = 0;
        ReadThrotCell(a.image(), ma, i, va);
        ReadThrotCell(b.image(), mb, i, vb);
        compare(kEditThrot, i, ThrotCellAddress(ma, i), ThrotCellAddress(mb, i), ma.z.elementSize, va, vb);
    }
    const int columns = ma.x.count;
    for (int i = 0; i < RpmCount(ma) && columns > 0; ++i) {
        std::uint16_t va = 0, vb = 0;
        ReadRpmCell(a.image(), ma, i % columns, i / columns, va);
        ReadRpmCell(b.image(), mb, i % columns, i / columns, vb);
        compare(kEditRpm, i, RpmCellAddress(ma, i / columns, i % columns), RpmCellAddress(mb, i / columns, i % columns),
                ma.x.elementSize, va, vb);
    }
}

}  // namespace

const MapDifference* CalibrationDifferences::Find(const std::string& mapName) const {
    for (const MapDifference& map : maps)
        if (map.name == mapName) return &map;
    return nullptr;
}

bool SameShape(const MapRecord& a, const MapRecord& b) {
    const int typeA = a.type == kMapInvalid ? kMapOneRpmRow : a.type;
    const int typeB = b.type == kMapInvalid ? kMapOneRpmRow : b.type;
    return typeA == typeB && a.z.count == b.z.count && a.x.count == b.x.count &&
           a.z.elementSize == b.z.elementSize && a.x.elementSize == b.x.elementSize;
}

CalibrationDifferences DiffCalibrations(Calibration& a, Calibration& b) {
    CalibrationDifferences result;
    std::vector<bool> owned(0x10000, false);
    for (const auto& mapA : a.maps) {
        const MapRecord* mapB = FindMap(b.maps, mapA->name);
        if (mapB == nullptr) continue;
        MapDifference diff;
        diff.name = mapA->name;
        if (!SameShape(*mapA, *mapB)) {
            // Its bytes are compared as bytes outside any map.
            diff.shapeDiffers = true;
            result.maps.push_back(diff);
            continue;
        }
        MarkMapBytes(a.definitionKind, *mapA, owned);
        MarkMapBytes(b.definitionKind, *mapB, owned);
        for (int r = 0; r < mapA->z.count; ++r) {
            for (int c = 0; c < mapA->x.count; ++c) {
                const bool inA = a.HoldsData(DataCellAddress(*mapA, r, c));
                const bool inB = b.HoldsData(DataCellAddress(*mapB, r, c));
                std::uint16_t va = 0, vb = 0;
                if (inA) ReadDataCell(a.image(), *mapA, c, r, va);
                if (inB) ReadDataCell(b.image(), *mapB, c, r, vb);
                if ((!inA && !inB) || (inA && inB && va == vb)) continue;
                CellDifference cell{r, c, static_cast<std::uint8_t>(va), static_cast<std::uint8_t>(vb), 0.0f, 0.0f,
                                    inA, inB};
                if (inA) ToPhysicalByte(mapA->y, cell.a, cell.physicalA);
                if (inB) ToPhysicalByte(mapA->y, cell.b, cell.physicalB);
                const float change = std::fabs(cell.physicalB - cell.physicalA);
                if (inA && inB && std::isfinite(change)) diff.largest = std::max(diff.largest, change);
                diff.cells.push_back(cell);
            }
        }
        AppendAxisDifferences(a, b, *mapA, *mapB, diff);
        if (!diff.cells.empty() || !diff.axes.empty()) result.maps.push_back(diff);
    }

    for (const ConstantEntry& entry : ListConstants(a.definitionLines)) {
        for (int i = 0; i < entry.byteCount; ++i) owned[static_cast<std::size_t>((entry.address + i) & 0xFFFF)] = true;
        const bool inA = HoldsElement(a, entry.address, entry.byteCount);
        const bool inB = HoldsElement(b, entry.address, entry.byteCount);
        const std::uint32_t rawA = inA ? ReadConstantRaw(a.image(), entry) : 0;
        const std::uint32_t rawB = inB ? ReadConstantRaw(b.image(), entry) : 0;
        if ((!inA && !inB) || (inA && inB && rawA == rawB)) continue;
        result.constants.push_back({entry.contents, rawA, rawB, inA ? ConstantValueText(entry, a.image()) : "",
                                    inB ? ConstantValueText(entry, b.image()) : "", inA, inB});
    }

    // Bytes of either file's data outside the maps and constants.
    const bool hasA = a.dataStart <= a.dataEnd;
    const bool hasB = b.dataStart <= b.dataEnd;
    if (!hasA && !hasB) return result;
    const std::uint32_t first = std::min(hasA ? a.dataStart : 0xFFFFu, hasB ? b.dataStart : 0xFFFFu);
    const std::uint32_t last = std::max(hasA ? a.dataEnd : 0u, hasB ? b.dataEnd : 0u);
    ByteRangeDifference* open = nullptr;
    for (std::uint32_t address = first; address <= last; ++address) {
        const auto at = static_cast<std::uint16_t>(address);
        const bool inA = a.HoldsData(at);
        const bool inB = b.HoldsData(at);
        const std::uint8_t va = a.image()[at];
        const std::uint8_t vb = b.image()[at];
        const bool differs = !owned[address] && (inA || inB) && (inA != inB || va != vb);
        if (!differs) {
            open = nullptr;
            continue;
        }
        if (open == nullptr || open->inA != inA || open->inB != inB) {
            result.bytes.push_back({at, at, {}, {}, inA, inB});
            open = &result.bytes.back();
        }
        open->last = at;
        if (inA) open->a.push_back(va);
        if (inB) open->b.push_back(vb);
    }
    return result;
}

std::size_t DifferingCells(const MapDifference& map) {
    return static_cast<std::size_t>(
        std::count_if(map.cells.begin(), map.cells.end(), [](const CellDifference& c) { return c.inA && c.inB; }));
}

std::size_t DifferingAxisValues(const MapDifference& map) {
    return static_cast<std::size_t>(
        std::count_if(map.axes.begin(), map.axes.end(), [](const AxisDifference& x) { return x.inA && x.inB; }));
}

std::string MissingText(const MapDifference& map, const std::string& fileA, const std::string& fileB) {
    auto counted = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
    };
    std::string text;
    for (const bool sideA : {true, false}) {
        std::size_t cells = 0, axes = 0;
        for (const CellDifference& c : map.cells) cells += (sideA ? !c.inA : !c.inB) ? 1 : 0;
        for (const AxisDifference& x : map.axes) axes += (sideA ? !x.inA : !x.inB) ? 1 : 0;
        if (cells == 0 && axes == 0) continue;
        if (!text.empty()) text += "; ";
        if (cells > 0) text += counted(cells, " cell", " cells");
        if (cells > 0 && axes > 0) text += " and ";
        if (axes > 0) text += counted(axes, " axis value", " axis values");
        text += " not in " + (sideA ? fileA : fileB);
    }
    return text;
}

std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

namespace {

// The THROT or RPM text that names a differing cell: a's table window's,
// or b's where only b holds the axis value.
std::string NamingAxisText(Calibration& a, Calibration& b, const MapRecord& mapA, const MapRecord* mapB,
                           const TableCell& cell) {
    auto holds = [](const Calibration& calibration, const std::vector<std::uint16_t>& bytes) {
        return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(),
                                             [&](std::uint16_t at) { return calibration.HoldsData(at); });
    };
    if (mapB != nullptr && AxesInImage(a.definitionKind, mapA) &&
        !holds(a, CellBytes(mapA, cell.mode, cell.row, cell.column)) &&
        holds(b, CellBytes(*mapB, cell.mode, cell.row, cell.column)))
        return CellText(ContextFor(b, *mapB), *mapB, cell);
    return CellText(ContextFor(a, mapA), mapA, cell);
}

// One row per difference: kind, name, row, column, a, b, and whether each
// file holds its value (a value it does not hold comes as "").
template <typename Emit>
void EachDifference(Calibration& a, Calibration& b, const CalibrationDifferences& differences, Emit emit) {
    for (const MapDifference& diff : differences.maps) {
        const MapRecord* map = FindMap(a.maps, diff.name);
        if (map == nullptr) continue;
        const MapRecord* mapB = FindMap(b.maps, diff.name);
        for (const CellDifference& cell : diff.cells) {
            emit("cell", diff.name, NamingAxisText(a, b, *map, mapB, {kEditThrot, 0, cell.row}),
                 NamingAxisText(a, b, *map, mapB, {kEditRpm, cell.row, cell.column}),
                 cell.inA ? FormatData(cell.physicalA, map, a.formats) : "",
                 cell.inB ? FormatData(cell.physicalB, map, a.formats) : "", cell.inA, cell.inB);
        }
        for (const AxisDifference& axis : diff.axes) {
            emit("axis", diff.name, axis.mode == kEditThrot ? "THROT" : "RPM", std::to_string(axis.index),
                 axis.inA ? AxisValueText(a, *map, axis.mode, axis.a) : "",
                 axis.inB ? AxisValueText(b, *map, axis.mode, axis.b) : "", axis.inA, axis.inB);
        }
    }
    for (const ConstantDifference& constant : differences.constants)
        emit("constant", constant.name, "", "", constant.a, constant.b, constant.inA, constant.inB);
    for (const ByteRangeDifference& range : differences.bytes)
        emit("bytes", RangeName(range), "", "", Hex(range.a), Hex(range.b), range.inA, range.inB);
}

}  // namespace

std::vector<std::string> DifferenceCsvLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences) {
    std::vector<std::string> lines{"kind,name,row,column,a,b"};
    EachDifference(a, b, differences,
                   [&](const char* kind, const std::string& name, const std::string& row, const std::string& column,
                       const std::string& va, const std::string& vb, bool, bool) {
                       lines.push_back(std::string(kind) + "," + CsvField(name) + "," + CsvField(row) + "," +
                                       CsvField(column) + "," + CsvField(va) + "," + CsvField(vb));
                   });
    return lines;
}

std::vector<std::string> DifferenceTextLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences,
                                             const std::string& fileA, const std::string& fileB) {
    std::vector<std::string> lines;
    auto value = [&](const std::string& text, bool held, const std::string& file) {
        return held ? text : "(not in " + file + ")";
    };
    for (const MapDifference& diff : differences.maps) {
        if (diff.shapeDiffers) {
            lines.push_back("map " + diff.name + ": the shape differs; its bytes are listed as bytes");
            continue;
        }
        const MapRecord* map = FindMap(a.maps, diff.name);
        char text[160];
        std::snprintf(text, sizeof text, "map %s: %zu cells differ, largest difference %s; %zu axis values differ",
                      diff.name.c_str(), DifferingCells(diff),
                      map ? FormatData(diff.largest, map, a.formats).c_str() : "", DifferingAxisValues(diff));
        const std::string missing = MissingText(diff, fileA, fileB);
        lines.push_back(text + (missing.empty() ? "" : "; " + missing));
    }
    for (const ConstantDifference& constant : differences.constants)
        lines.push_back("constant " + constant.name + ": " + value(constant.a, constant.inA, fileA) + " -> " +
                        value(constant.b, constant.inB, fileB));
    for (const ByteRangeDifference& range : differences.bytes)
        lines.push_back("bytes " + RangeName(range) + ": " + value(Hex(range.a), range.inA, fileA) + " -> " +
                        value(Hex(range.b), range.inB, fileB));
    EachDifference(a, b, differences,
                   [&](const char* kind, const std::string& name, const std::string& row, const std::string& column,
                       const std::string& va, const std::string& vb, bool inA, bool inB) {
                       const std::string values = value(va, inA, fileA) + " -> " + value(vb, inB, fileB);
                       if (std::string(kind) == "cell")
                           lines.push_back("  " + name + " THROT " + row + " RPM " + column + ": " + values);
                       else if (std::string(kind) == "axis")
                           lines.push_back("  " + name + " " + row + "[" + column + "]: " + values);
                   });
    return lines;
}

bool MapCopyWrites(const MapRecord& baseMap, const MapRecord& fromMap, const Image& from, int definitionKind,
                   bool withAxes, std::vector<ByteWrite>& writes) {
    if (!SameShape(baseMap, fromMap)) return false;
    auto copyElement = [&](std::uint16_t to, std::uint16_t source, int size) {
        for (int i = 0; i < size; ++i)
            writes.push_back({static_cast<std::uint16_t>(to + i), from[static_cast<std::uint16_t>(source + i)],
                              static_cast<std::uint16_t>(source + i)});
    };
    for (int r = 0; r < baseMap.z.count; ++r)
        for (int c = 0; c < baseMap.x.count; ++c)
            copyElement(DataCellAddress(baseMap, r, c), DataCellAddress(fromMap, r, c), 1);
    if (withAxes && AxesInImage(definitionKind, baseMap)) {
        for (int i = 0; i < baseMap.z.count; ++i)
            copyElement(ThrotCellAddress(baseMap, i), ThrotCellAddress(fromMap, i), baseMap.z.elementSize);
        const int columns = baseMap.x.count;
        for (int i = 0; i < RpmCount(baseMap) && columns > 0; ++i)
            copyElement(RpmCellAddress(baseMap, i / columns, i % columns),
                        RpmCellAddress(fromMap, i / columns, i % columns), baseMap.x.elementSize);
    }
    return true;
}
