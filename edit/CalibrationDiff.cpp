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

void AppendAxisDifferences(const Calibration& a, const Calibration& b, const MapRecord& ma, const MapRecord& mb,
                           MapDifference& diff) {
    if (!AxesInImage(a.definitionKind, ma)) return;
    for (int i = 0; i < ma.z.count; ++i) {
        std::uint16_t va = 0, vb = 0;
        ReadThrotCell(a.image(), ma, i, va);
        ReadThrotCell(b.image(), mb, i, vb);
        if (va != vb) diff.axes.push_back({kEditThrot, i, va, vb});
    }
    const int columns = ma.x.count;
    for (int i = 0; i < RpmCount(ma) && columns > 0; ++i) {
        std::uint16_t va = 0, vb = 0;
        ReadRpmCell(a.image(), ma, i % columns, i / columns, va);
        ReadRpmCell(b.image(), mb, i % columns, i / columns, vb);
        if (va != vb) diff.axes.push_back({kEditRpm, i, va, vb});
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
                std::uint16_t va = 0, vb = 0;
                ReadDataCell(a.image(), *mapA, c, r, va);
                ReadDataCell(b.image(), *mapB, c, r, vb);
                if (va == vb) continue;
                CellDifference cell{r, c, static_cast<std::uint8_t>(va), static_cast<std::uint8_t>(vb), 0.0f, 0.0f};
                ToPhysicalByte(mapA->y, cell.a, cell.physicalA);
                ToPhysicalByte(mapA->y, cell.b, cell.physicalB);
                const float change = std::fabs(cell.physicalB - cell.physicalA);
                if (std::isfinite(change)) diff.largest = std::max(diff.largest, change);
                diff.cells.push_back(cell);
            }
        }
        AppendAxisDifferences(a, b, *mapA, *mapB, diff);
        if (!diff.cells.empty() || !diff.axes.empty()) result.maps.push_back(diff);
    }

    for (const ConstantEntry& entry : ListConstants(a.definitionLines)) {
        for (int i = 0; i < entry.byteCount; ++i) owned[static_cast<std::size_t>((entry.address + i) & 0xFFFF)] = true;
        const std::uint32_t rawA = ReadConstantRaw(a.image(), entry);
        const std::uint32_t rawB = ReadConstantRaw(b.image(), entry);
        if (rawA == rawB) continue;
        result.constants.push_back(
            {entry.contents, rawA, rawB, ConstantValueText(entry, a.image()), ConstantValueText(entry, b.image())});
    }

    // Bytes of either data range outside the maps and constants.
    const bool hasA = a.dataStart <= a.dataEnd;
    const bool hasB = b.dataStart <= b.dataEnd;
    if (!hasA && !hasB) return result;
    const std::uint32_t first = std::min(hasA ? a.dataStart : 0xFFFFu, hasB ? b.dataStart : 0xFFFFu);
    const std::uint32_t last = std::max(hasA ? a.dataEnd : 0u, hasB ? b.dataEnd : 0u);
    const bool skipChecksum = hasA && hasB && a.dataEnd == b.dataEnd;
    ByteRangeDifference* open = nullptr;
    for (std::uint32_t address = first; address <= last; ++address) {
        const std::uint8_t va = a.image()[address];
        const std::uint8_t vb = b.image()[address];
        const bool differs = va != vb && !owned[address] && !(skipChecksum && address == a.dataEnd);
        if (!differs) {
            open = nullptr;
            continue;
        }
        if (open == nullptr) {
            result.bytes.push_back({static_cast<std::uint16_t>(address), static_cast<std::uint16_t>(address), {}, {}});
            open = &result.bytes.back();
        }
        open->last = static_cast<std::uint16_t>(address);
        open->a.push_back(va);
        open->b.push_back(vb);
    }
    return result;
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

// One row per difference: kind, name, row, column, a, b.
template <typename Emit>
void EachDifference(Calibration& a, Calibration& b, const CalibrationDifferences& differences, Emit emit) {
    for (const MapDifference& diff : differences.maps) {
        const MapRecord* map = FindMap(a.maps, diff.name);
        if (map == nullptr) continue;
        const EditContext context = ContextFor(a, *map);
        for (const CellDifference& cell : diff.cells) {
            emit("cell", diff.name, CellText(context, *map, {kEditThrot, 0, cell.row}),
                 CellText(context, *map, {kEditRpm, cell.row, cell.column}),
                 FormatData(cell.physicalA, map, a.formats), FormatData(cell.physicalB, map, a.formats));
        }
        for (const AxisDifference& axis : diff.axes) {
            emit("axis", diff.name, axis.mode == kEditThrot ? "THROT" : "RPM", std::to_string(axis.index),
                 AxisValueText(a, *map, axis.mode, axis.a),
                 AxisValueText(b, *map, axis.mode, axis.b));
        }
    }
    for (const ConstantDifference& constant : differences.constants)
        emit("constant", constant.name, "", "", constant.a, constant.b);
    for (const ByteRangeDifference& range : differences.bytes)
        emit("bytes", RangeName(range), "", "", Hex(range.a), Hex(range.b));
}

}  // namespace

std::vector<std::string> DifferenceCsvLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences) {
    std::vector<std::string> lines{"kind,name,row,column,a,b"};
    EachDifference(a, b, differences,
                   [&](const char* kind, const std::string& name, const std::string& row, const std::string& column,
                       const std::string& va, const std::string& vb) {
                       lines.push_back(std::string(kind) + "," + CsvField(name) + "," + CsvField(row) + "," +
                                       CsvField(column) + "," + CsvField(va) + "," + CsvField(vb));
                   });
    return lines;
}

std::vector<std::string> DifferenceTextLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences) {
    std::vector<std::string> lines;
    for (const MapDifference& diff : differences.maps) {
        if (diff.shapeDiffers) {
            lines.push_back("map " + diff.name + ": the shape differs; its bytes are listed as bytes");
            continue;
        }
        const MapRecord* map = FindMap(a.maps, diff.name);
        char text[160];
        std::snprintf(text, sizeof text, "map %s: %zu cells differ, largest difference %s; %zu axis values differ",
                      diff.name.c_str(), diff.cells.size(),
                      map ? FormatData(diff.largest, map, a.formats).c_str() : "", diff.axes.size());
        lines.push_back(text);
    }
    for (const ConstantDifference& constant : differences.constants)
        lines.push_back("constant " + constant.name + ": " + constant.a + " -> " + constant.b);
    for (const ByteRangeDifference& range : differences.bytes)
        lines.push_back("bytes " + RangeName(range) + ": " + Hex(range.a) + " -> " + Hex(range.b));
    EachDifference(a, b, differences,
                   [&](const char* kind, const std::string& name, const std::string& row, const std::string& column,
                       const std::string& va, const std::string& vb) {
                       if (std::string(kind) == "cell")
                           lines.push_back("  " + name + " THROT " + row + " RPM " + column + ": " + va + " -> " + vb);
                       else if (std::string(kind) == "axis")
                           lines.push_back("  " + name + " " + row + "[" + column + "]: " + va + " -> " + vb);
                   });
    return lines;
}

bool MapCopyWrites(const MapRecord& baseMap, const MapRecord& fromMap, const Image& from, int definitionKind,
                   bool withAxes, std::vector<ByteWrite>& writes) {
    if (!SameShape(baseMap, fromMap)) return false;
    auto copyElement = [&](std::uint16_t to, std::uint16_t source, int size) {
        for (int i = 0; i < size; ++i)
            writes.push_back({static_cast<std::uint16_t>(to + i), from[static_cast<std::uint16_t>(source + i)]});
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

bool MergeCalibration(Calibration& base, const Calibration& from, const std::vector<std::string>& mapNames,
                      const std::vector<std::string>& constantNames, std::string& error,
                      std::vector<std::string>& notes) {
    error.clear();
    std::vector<ByteWrite> writes;
    std::vector<const MapRecord*> copied;
    for (const std::string& name : mapNames) {
        const MapRecord* baseMap = FindMap(base.maps, name);
        const MapRecord* fromMap = FindMap(from.maps, name);
        if (baseMap == nullptr || fromMap == nullptr) {
            error = "unknown map '" + name + "'";
            return false;
        }
        if (!MapCopyWrites(*baseMap, *fromMap, from.image(), base.definitionKind, true, writes)) {
            error = "map '" + name + "' has another shape in the two files";
            return false;
        }
        copied.push_back(baseMap);
    }
    const std::vector<ConstantEntry> constants = ListConstants(base.definitionLines);
    for (const std::string& name : constantNames) {
        const ConstantEntry* entry = FindConstant(constants, name);
        if (entry == nullptr) {
            error = "unknown constant '" + name + "'";
            return false;
        }
        const std::uint32_t raw = ReadConstantRaw(from.image(), *entry);
        if (entry->byteCount == 2) {
            writes.push_back({entry->address, static_cast<std::uint8_t>(raw >> 8)});
            writes.push_back({static_cast<std::uint16_t>(entry->address + 1), static_cast<std::uint8_t>(raw & 0xFF)});
        } else {
            writes.push_back({entry->address, static_cast<std::uint8_t>(raw & 0xFF)});
        }
    }
    // The file keeps only its data range and rewrites its last byte as the
    // checksum: a byte anywhere else would silently not be merged.
    for (const ByteWrite& write : writes) {
        if (base.dataStart > base.dataEnd || write.address < base.dataStart || write.address >= base.dataEnd) {
            char text[96];
            std::snprintf(text, sizeof text, "byte 0x%04X lies outside the data the file keeps (or on its checksum byte)",
                          write.address);
            error = text;
            return false;
        }
    }

    // Axes in the image may be shared between maps: copying them changes the other map's too.
    std::vector<bool> touched(0x10000, false);
    for (const ByteWrite& write : writes) touched[write.address] = true;
    for (const auto& map : base.maps) {
        if (std::find(copied.begin(), copied.end(), map.get()) != copied.end()) continue;
        if (!AxesInImage(base.definitionKind, *map)) continue;
        std::vector<bool> own(0x10000, false);
        MarkMapBytes(base.definitionKind, *map, own);
        for (std::size_t address = 0; address < own.size(); ++address) {
            if (own[address] && touched[address] && base.image()[address] != from.image()[address]) {
                notes.push_back("map '" + map->name + "' shares bytes with a merged map and changes with it");
                break;
            }
        }
    }
    for (const ByteWrite& write : writes) base.image()[write.address] = write.value;
    if (!writes.empty()) base.modified = 1;
    return true;
}
