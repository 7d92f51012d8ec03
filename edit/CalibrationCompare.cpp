#include "edit/CalibrationCompare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "edit/CellAccess.h"
#include "edit/ConstantsList.h"
#include "edit/LinkedMaps.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/Maps.h"
#include "model/ValueConversion.h"

namespace {

constexpr const char* kEditedFile = "the edited file";
constexpr const char* kComparedFile = "the compared file";
constexpr const char* kNotInEdited = "not in the edited file";
constexpr const char* kNotInCompared = "not in the compared file";

// The compared calibration's map of the same name when it has the same shape.
const MapRecord* ComparableMap(const MapRecord& map, const Calibration& compared) {
    if (!compared.HasImage()) return nullptr;
    const MapRecord* other = FindMap(compared.maps, map.name);
    return other != nullptr && SameShape(map, *other) ? other : nullptr;
}

// The raw value of a table cell; false outside the table.
bool CellRaw(const Image& image, const MapRecord& map, const TableCell& cell, std::uint16_t& raw) {
    switch (cell.mode) {
        case kEditData: return ReadDataCell(image, map, cell.column, cell.row, raw) == kCellOk;
        case kEditRpm: return ReadRpmCell(image, map, cell.column, cell.row, raw) == kCellOk;
        case kEditThrot: return ReadThrotCell(image, map, cell.column, raw) == kCellOk;
        default: return false;
    }
}

bool CellPhysical(const EditContext& context, const MapRecord& map, const TableCell& cell, float& physical) {
    if (cell.mode == kEditData) {
        std::uint16_t raw = 0;
        if (ReadDataCell(context.image, map, cell.column, cell.row, raw) != kCellOk) return false;
        return ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), physical) == kEquationOk;
    }
    if (cell.mode == kEditThrot) return AxisPhysical(context, map, kEditThrot, 0, cell.column, physical);
    return AxisPhysical(context, map, kEditRpm, cell.row, cell.column, physical);
}

std::string FormatCell(float value, const EditContext& context, const MapRecord& map, int mode) {
    if (mode == kEditRpm) return FormatX(value, context.formats);
    if (mode == kEditThrot) return FormatZ(value, context.formats);
    return FormatData(value, &map, context.formats);
}

// A byte a copy would write: where it lands in the edited image, where it
// comes from in the compared one, and whether it goes through the map link.
struct PlannedByte {
    std::uint16_t address = 0;
    std::uint16_t source = 0;
    std::uint8_t value = 0;
    bool linked = false;
};

// The one rule of every copy (see CalibrationCompare.h): the source bytes
// all held by the compared file, the bytes that change all kept by the
// edited one. what names the map or constant in the refusal.
CompareCopy CheckedCopy(const Calibration& edited, const Calibration& compared, const std::vector<PlannedByte>& bytes,
                        const std::string& what, const CopySides& sides) {
    CompareCopy copy;
    std::vector<std::uint16_t> sources;
    for (const PlannedByte& byte : bytes) sources.push_back(byte.source);
    std::string outside = OutsideDataText(compared.Data(), sources, sides.source);
    if (!outside.empty()) {
        copy.refusal = what + ": " + outside;
        return copy;
    }
    std::vector<std::uint16_t> targets;
    for (const PlannedByte& byte : bytes) {
        if (edited.image()[byte.address] == byte.value) continue;
        copy.writes.push_back({byte.address, byte.value, byte.linked});
        ++(byte.linked ? copy.cells : copy.otherBytes);
        targets.push_back(byte.address);
        if (!byte.linked) continue;
        for (std::uint16_t linked : LinkedByteAddresses(edited.maps, edited.mapLinkState, edited.mapLink, byte.address))
            targets.push_back(linked);
    }
    outside = OutsideDataText(edited.Data(), targets, sides.target);
    if (!outside.empty()) {
        copy = CompareCopy{};
        copy.refusal = what + ": " + outside;
    }
    return copy;
}

// Whether the file holds every byte of a table cell of map.
bool HoldsCell(const std::optional<DataSpan>& data, const MapRecord& map, const TableCell& cell) {
    if (!data) return true;
    const std::vector<std::uint16_t> bytes = CellBytes(map, cell.mode, cell.row, cell.column);
    return std::all_of(bytes.begin(), bytes.end(), [&](std::uint16_t at) { return data->Holds(at); });
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    // A long range shows its start; the list is for finding it, not reading it.
    constexpr std::size_t kShown = 16;
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        if (i > 0) text += ' ';
        text += digits;
    }
    if (bytes.size() > kShown) text += " ...";
    return text;
}

}  // namespace

bool CompareMarks::Differs(const TableCell& cell) const {
    if (!comparable) return false;
    auto at = [](const std::vector<bool>& marks, long long index) {
        return index >= 0 && index < static_cast<long long>(marks.size()) && marks[static_cast<std::size_t>(index)];
    };
    switch (cell.mode) {
        case kEditData:
            return cell.column >= 0 && cell.column < columns &&
                   at(data, static_cast<long long>(cell.row) * columns + cell.column);
        case kEditThrot: return at(throt, cell.column);
        case kEditRpm: {
            // One RPM row counts by column; a row per THROT row row by row.
            const bool perRow = rpm.size() > static_cast<std::size_t>(columns);
            if (cell.column < 0 || cell.column >= columns) return false;
            return at(rpm, perRow ? static_cast<long long>(cell.row) * columns + cell.column : cell.column);
        }
        default: return false;
    }
}

int CompareMarks::DataCount() const {
    int count = 0;
    for (bool marked : data) count += marked ? 1 : 0;
    return count;
}

CompareMarks MapCompareMarks(int definitionKind, const MapRecord& map, const Image& image,
                             const Calibration& compared, const std::optional<DataSpan>& editedData) {
    CompareMarks marks;
    const MapRecord* other = ComparableMap(map, compared);
    if (other == nullptr) return marks;
    marks.comparable = true;
    marks.columns = map.x.count;
    const Image& otherImage = compared.image();
    const std::optional<DataSpan> comparedData = compared.Data();
    auto differs = [&](const TableCell& cell) {
        std::uint16_t a = 0, b = 0;
        if (!CellRaw(image, map, cell, a) || !CellRaw(otherImage, *other, cell, b)) return false;
        return a != b && HoldsCell(editedData, map, cell) && HoldsCell(comparedData, *other, cell);
    };
    for (int r = 0; r < map.z.count; ++r)
        for (int c = 0; c < map.x.count; ++c) marks.data.push_back(differs({kEditData, r, c}));
    if (!AxesInImage(definitionKind, map)) return marks;
    for (int i = 0; i < map.z.count; ++i) marks.throt.push_back(differs({kEditThrot, 0, i}));
    for (int i = 0; i < RpmCount(map) && map.x.count > 0; ++i)
        marks.rpm.push_back(differs({kEditRpm, i / map.x.count, i % map.x.count}));
    return marks;
}

std::string CompareCellText(const EditContext& context, const MapRecord& map, Calibration& compared,
                            const TableCell& cell) {
    std::uint16_t raw = 0;
    if (!CellRaw(context.image, map, cell, raw)) return {};
    if (!compared.HasImage()) return {};
    const MapRecord* other = FindMap(compared.maps, map.name);
    if (other == nullptr) return "   compared: no such map";
    if (!SameShape(map, *other)) return "   compared: the map has another shape";
    // Axes listed in the definition are the same in both files; others are
    // values only where a file holds them.
    if (cell.mode == kEditData || AxesInImage(context.definitionKind, map)) {
        if (!HoldsCell(compared.Data(), *other, cell)) return "   not in the compared file";
        if (!HoldsCell(context.keptData, map, cell)) return "   not in the edited file";
    }
    std::uint16_t otherRaw = 0;
    CellRaw(compared.image(), *other, cell, otherRaw);
    if (otherRaw == raw) return "   compared: the same";

    int scratchModified = 0;
    EditContext otherContext(compared.image(), scratchModified, context.formats);
    otherContext.definitionKind = context.definitionKind;
    otherContext.currentMap = context.currentMap;
    std::string text = "   compared " + CellText(otherContext, *other, cell);
    float mine = 0.0f, theirs = 0.0f;
    if (CellPhysical(context, map, cell, mine) && CellPhysical(otherContext, *other, cell, theirs) &&
        std::isfinite(theirs - mine)) {
        const float difference = theirs - mine;
        text += "   difference " + std::string(difference > 0.0f ? "+" : "") +
                FormatCell(difference, context, map, cell.mode);
    }
    return text;
}

std::vector<DifferenceRow> DifferenceRows(const Calibration& edited, const CalibrationDifferences& differences) {
    std::vector<DifferenceRow> rows;
    for (const MapDifference& diff : differences.maps) {
        DifferenceRow row;
        row.kind = DifferenceKind::kMap;
        row.name = diff.name;
        if (diff.shapeDiffers) {
            row.count = "another shape";
            row.shapeDiffers = true;
            rows.push_back(row);
            continue;
        }
        auto counted = [](std::size_t n, const char* one, const char* many) {
            return std::to_string(n) + (n == 1 ? one : many);
        };
        const std::size_t cells = DifferingCells(diff);
        const std::size_t axes = DifferingAxisValues(diff);
        if (cells > 0) row.count = counted(cells, " cell", " cells");
        if (axes > 0) row.count += (row.count.empty() ? "" : ", ") + counted(axes, " axis value", " axis values");
        const std::string missing = MissingText(diff, kEditedFile, kComparedFile);
        if (!missing.empty()) row.count += (row.count.empty() ? "" : "; ") + missing;
        if (cells > 0) {
            const MapRecord* map = FindMap(edited.maps, diff.name);
            row.largest = FormatData(diff.largest, map, edited.formats);
        }
        if (!diff.cells.empty()) {
            row.firstRow = diff.cells.front().row;
            row.firstColumn = diff.cells.front().column;
        }
        rows.push_back(row);
    }
    for (const ConstantDifference& constant : differences.constants) {
        DifferenceRow row;
        row.kind = DifferenceKind::kConstant;
        row.name = constant.name;
        row.edited = constant.inA ? constant.a : kNotInEdited;
        row.compared = constant.inB ? constant.b : kNotInCompared;
        rows.push_back(row);
    }
    for (const ByteRangeDifference& range : differences.bytes) {
        DifferenceRow row;
        row.kind = DifferenceKind::kBytes;
        char name[16];
        std::snprintf(name, sizeof name, "%04X-%04X", range.first, range.last);
        row.name = name;
        const std::size_t bytes = static_cast<std::size_t>(range.last - range.first) + 1;
        row.count = std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
        row.edited = range.inA ? Hex(range.a) : kNotInEdited;
        row.compared = range.inB ? Hex(range.b) : kNotInCompared;
        rows.push_back(row);
    }
    return rows;
}

CompareCopy PlanCellCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared,
                         const std::vector<CellRef>& cells, const CopySides& sides) {
    const MapRecord* other = ComparableMap(map, compared);
    if (other == nullptr) {
        CompareCopy copy;
        copy.refusal = "the compared file has no map '" + map.name + "' of the same shape";
        return copy;
    }
    std::vector<PlannedByte> bytes;
    for (const CellRef& cell : cells) {
        if (cell.row < 0 || cell.row >= map.z.count || cell.column < 0 || cell.column >= map.x.count) continue;
        const std::uint16_t source = DataCellAddress(*other, cell.row, cell.column);
        bytes.push_back({DataCellAddress(map, cell.row, cell.column), source, compared.image()[source], true});
    }
    return CheckedCopy(edited, compared, bytes, "map '" + map.name + "'", sides);
}

CompareCopy PlanMapCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared,
                        const CopySides& sides) {
    const MapRecord* other = ComparableMap(map, compared);
    std::vector<ByteWrite> writes;
    if (other == nullptr ||
        !MapCopyWrites(map, *other, compared.image(), edited.definitionKind, true, writes)) {
        CompareCopy copy;
        copy.refusal = "the compared file has no map '" + map.name + "' of the same shape";
        return copy;
    }
    // DATA bytes go through the map link; the axes are written as typed axis values are.
    std::vector<bool> data(0x10000, false);
    for (int r = 0; r < map.z.count; ++r)
        for (int c = 0; c < map.x.count; ++c) data[DataCellAddress(map, r, c)] = true;
    std::vector<PlannedByte> bytes;
    for (const ByteWrite& write : writes)
        bytes.push_back({write.address, write.source, write.value, data[write.address]});
    CompareCopy copy = CheckedCopy(edited, compared, bytes, "map '" + map.name + "'", sides);
    for (const auto& shared : edited.maps) {
        if (shared.get() == &map || !AxesInImage(edited.definitionKind, *shared)) continue;
        auto inAxes = [&](std::uint16_t address) {
            const auto within = [address](std::uint16_t start, long long count) {
                return static_cast<std::uint16_t>(address - start) < count;
            };
            return within(shared->z.start, static_cast<long long>(shared->z.count) * shared->z.elementSize) ||
                   within(shared->x.start, static_cast<long long>(RpmCount(*shared)) * shared->x.elementSize);
        };
        for (const CopyWrite& write : copy.writes) {
            if (!write.linked && inAxes(write.address)) {
                copy.sharedAxes.push_back(shared->name);
                break;
            }
        }
    }
    return copy;
}

CompareCopy PlanConstantCopy(const Calibration& edited, const Calibration& compared, const std::string& name,
                             const CopySides& sides) {
    const std::vector<ConstantEntry> constants = ListConstants(edited.definitionLines);
    const ConstantEntry* entry = FindConstant(constants, name);
    if (entry == nullptr || !compared.HasImage()) {
        CompareCopy copy;
        copy.refusal = "unknown constant '" + name + "'";
        return copy;
    }
    std::vector<PlannedByte> bytes;
    for (int i = 0; i < entry->byteCount; ++i) {
        const auto address = static_cast<std::uint16_t>(entry->address + i);
        bytes.push_back({address, address, compared.image()[address], false});
    }
    return CheckedCopy(edited, compared, bytes, "constant '" + name + "'", sides);
}

CompareCopy PlanBlockCopy(const Calibration& edited, std::uint16_t start, const std::vector<std::uint8_t>& bytes) {
    CompareCopy copy;
    if (!edited.HasImage() || start != edited.dataStart ||
        static_cast<long>(start) + static_cast<long>(bytes.size()) - 1 > static_cast<long>(edited.dataEnd)) {
        char text[96];
        std::snprintf(text, sizeof text, "the data at %04X does not lie in the calibration's data %04X-%04X from its start",
                      start, edited.dataStart, edited.dataEnd);
        copy.refusal = text;
        return copy;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto address = static_cast<std::uint16_t>(start + i);
        // The checksum byte: the save recomputes it from the bytes before.
        if (!edited.HoldsData(address) || edited.image()[address] == bytes[i]) continue;
        copy.writes.push_back({address, bytes[i], false});
        ++copy.otherBytes;
    }
    return copy;
}

int ApplyCompareCopy(EditContext& context, MapRecord& map, const CompareCopy& copy) {
    if (!copy.refusal.empty() || copy.writes.empty()) return 0;
    std::vector<std::uint16_t> written;
    for (const CopyWrite& write : copy.writes) written.push_back(write.address);
    if (!context.OutsideDataRefusal(written).empty()) return 0;
    std::uint16_t cellAddress = 0;
    int mode = kEditNone, row = 0, column = 0;
    if (!CursorCellAddress(map, cellAddress) || !CellOfAddress(context, map, cellAddress, mode, row, column))
        cellAddress = DataCellAddress(map, 0, 0);
    std::vector<std::uint16_t> addresses, linked;
    for (const CopyWrite& write : copy.writes) {
        addresses.push_back(write.address);
        if (write.linked) linked.push_back(write.address);
    }
    if (!PushUndoBytes(context, map, kUndoActionEdit, cellAddress, addresses, linked)) return 0;
    for (const CopyWrite& write : copy.writes) context.StoreByte(write.address, write.value, write.linked ? 0 : 1);
    if (map.cursor.mode != kEditNone)
        PlaceCursor(context, map, {map.cursor.mode, map.cursor.row, map.cursor.column});
    return static_cast<int>(copy.writes.size());
}

bool MergeCalibration(Calibration& base, const Calibration& from, const std::vector<std::string>& mapNames,
                      const std::vector<std::string>& constantNames, const CopySides& sides, std::string& error,
                      std::vector<std::string>& notes) {
    error.clear();
    std::vector<CompareCopy> copies;
    for (const std::string& name : mapNames) {
        const MapRecord* baseMap = FindMap(base.maps, name);
        const MapRecord* fromMap = FindMap(from.maps, name);
        if (baseMap == nullptr || fromMap == nullptr) {
            error = "unknown map '" + name + "'";
            return false;
        }
        if (!SameShape(*baseMap, *fromMap)) {
            error = "map '" + name + "' has another shape in the two files";
            return false;
        }
        copies.push_back(PlanMapCopy(base, *baseMap, from, sides));
    }
    const std::vector<ConstantEntry> constants = ListConstants(base.definitionLines);
    for (const std::string& name : constantNames) {
        if (FindConstant(constants, name) == nullptr) {
            error = "unknown constant '" + name + "'";
            return false;
        }
        copies.push_back(PlanConstantCopy(base, from, name, sides));
    }
    for (const CompareCopy& copy : copies)
        if (!copy.refusal.empty()) error += (error.empty() ? "" : "; ") + copy.refusal;
    if (!error.empty()) return false;

    for (const CompareCopy& copy : copies) {
        for (const std::string& shared : copy.sharedAxes) {
            const std::string note = "map '" + shared + "' shares bytes with a merged map and changes with it";
            if (std::find(mapNames.begin(), mapNames.end(), shared) == mapNames.end() &&
                std::find(notes.begin(), notes.end(), note) == notes.end())
                notes.push_back(note);
        }
        for (const CopyWrite& write : copy.writes) base.image()[write.address] = write.value;
        if (!copy.writes.empty()) base.modified = 1;
    }
    return true;
}
