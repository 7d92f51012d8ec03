#include "edit/CalibrationCompare.h"

#include <cmath>
#include <cstdio>

#include "edit/CellAccess.h"
#include "edit/ConstantsList.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/Maps.h"
#include "model/ValueConversion.h"

namespace {

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

// The file keeps only its data range and rewrites its last byte as the
// checksum: a byte copied anywhere else would be lost on saving. The
// compared file holds no data outside its own range (the image is zero
// there), and its last byte is its checksum, not data.
std::string RangeRefusal(const Calibration& edited, const Calibration& compared, std::uint16_t address) {
    char text[160];
    if (edited.dataStart > edited.dataEnd || address < edited.dataStart || address >= edited.dataEnd) {
        std::snprintf(text, sizeof text,
                      "byte %04X lies outside the data the edited file keeps (or on its checksum byte)", address);
        return text;
    }
    if (compared.dataStart > compared.dataEnd || address < compared.dataStart || address >= compared.dataEnd) {
        std::snprintf(text, sizeof text, "byte %04X lies outside the data of the compared file", address);
        return text;
    }
    return {};
}

// Keeps the writes that change a byte, checking each against both files' data.
void AddWrite(const Calibration& edited, const Calibration& compared, CompareCopy& copy, std::uint16_t address,
              std::uint8_t value, bool linked) {
    if (!copy.refusal.empty() || edited.image()[address] == value) return;
    copy.refusal = RangeRefusal(edited, compared, address);
    if (!copy.refusal.empty()) {
        copy.writes.clear();
        copy.cells = copy.otherBytes = 0;
        return;
    }
    copy.writes.push_back({address, value, linked});
    if (linked) ++copy.cells;
    else ++copy.otherBytes;
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
                             const Calibration& compared) {
    CompareMarks marks;
    const MapRecord* other = ComparableMap(map, compared);
    if (other == nullptr) return marks;
    marks.comparable = true;
    marks.columns = map.x.count;
    const Image& otherImage = compared.image();
    for (int r = 0; r < map.z.count; ++r) {
        for (int c = 0; c < map.x.count; ++c) {
            std::uint16_t a = 0, b = 0;
            ReadDataCell(image, map, c, r, a);
            ReadDataCell(otherImage, *other, c, r, b);
            marks.data.push_back(a != b);
        }
    }
    if (!AxesInImage(definitionKind, map)) return marks;
    for (int i = 0; i < map.z.count; ++i) {
        std::uint16_t a = 0, b = 0;
        ReadThrotCell(image, map, i, a);
        ReadThrotCell(otherImage, *other, i, b);
        marks.throt.push_back(a != b);
    }
    for (int i = 0; i < RpmCount(map) && map.x.count > 0; ++i) {
        std::uint16_t a = 0, b = 0;
        ReadRpmCell(image, map, i % map.x.count, i / map.x.count, a);
        ReadRpmCell(otherImage, *other, i % map.x.count, i / map.x.count, b);
        marks.rpm.push_back(a != b);
    }
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
        if (!diff.cells.empty()) row.count = counted(diff.cells.size(), " cell", " cells");
        if (!diff.axes.empty())
            row.count += (row.count.empty() ? "" : ", ") + counted(diff.axes.size(), " axis value", " axis values");
        if (!diff.cells.empty()) {
            const MapRecord* map = FindMap(edited.maps, diff.name);
            row.largest = FormatData(diff.largest, map, edited.formats);
            row.firstRow = diff.cells.front().row;
            row.firstColumn = diff.cells.front().column;
        }
        rows.push_back(row);
    }
    for (const ConstantDifference& constant : differences.constants) {
        DifferenceRow row;
        row.kind = DifferenceKind::kConstant;
        row.name = constant.name;
        row.edited = constant.a;
        row.compared = constant.b;
        rows.push_back(row);
    }
    for (const ByteRangeDifference& range : differences.bytes) {
        DifferenceRow row;
        row.kind = DifferenceKind::kBytes;
        char name[16];
        std::snprintf(name, sizeof name, "%04X-%04X", range.first, range.last);
        row.name = name;
        row.count = std::to_string(range.a.size()) + (range.a.size() == 1 ? " byte" : " bytes");
        row.edited = Hex(range.a);
        row.compared = Hex(range.b);
        rows.push_back(row);
    }
    return rows;
}

CompareCopy PlanCellCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared,
                         const std::vector<CellRef>& cells) {
    CompareCopy copy;
    const MapRecord* other = ComparableMap(map, compared);
    if (other == nullptr) {
        copy.refusal = "the compared file has no map '" + map.name + "' of the same shape";
        return copy;
    }
    for (const CellRef& cell : cells) {
        if (cell.row < 0 || cell.row >= map.z.count || cell.column < 0 || cell.column >= map.x.count) continue;
        AddWrite(edited, compared, copy, DataCellAddress(map, cell.row, cell.column),
                 compared.image()[DataCellAddress(*other, cell.row, cell.column)], true);
    }
    return copy;
}

CompareCopy PlanMapCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared) {
    CompareCopy copy;
    const MapRecord* other = ComparableMap(map, compared);
    std::vector<ByteWrite> writes;
    if (other == nullptr ||
        !MapCopyWrites(map, *other, compared.image(), edited.definitionKind, true, writes)) {
        copy.refusal = "the compared file has no map '" + map.name + "' of the same shape";
        return copy;
    }
    // DATA bytes go through the map link; the axes are written as typed axis values are.
    std::vector<bool> data(0x10000, false);
    for (int r = 0; r < map.z.count; ++r)
        for (int c = 0; c < map.x.count; ++c) data[DataCellAddress(map, r, c)] = true;
    for (const ByteWrite& write : writes) AddWrite(edited, compared, copy, write.address, write.value, data[write.address]);
    for (const auto& shared : edited.maps) {
        if (shared.get() == &map || !AxesInImage(edited.definitionKind, *shared)) continue;
        auto inAxes = [&](std::uint16_t address) {
            const auto within = [address](std::uint16_t start, long long bytes) {
                return static_cast<std::uint16_t>(address - start) < bytes;
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

CompareCopy PlanConstantCopy(const Calibration& edited, const Calibration& compared, const std::string& name) {
    CompareCopy copy;
    const std::vector<ConstantEntry> constants = ListConstants(edited.definitionLines);
    const ConstantEntry* entry = FindConstant(constants, name);
    if (entry == nullptr || !compared.HasImage()) {
        copy.refusal = "unknown constant '" + name + "'";
        return copy;
    }
    for (int i = 0; i < entry->byteCount; ++i) {
        const auto address = static_cast<std::uint16_t>(entry->address + i);
        AddWrite(edited, compared, copy, address, compared.image()[address], false);
    }
    return copy;
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
        if (edited.image()[address] == bytes[i]) continue;
        copy.writes.push_back({address, bytes[i], false});
        ++copy.otherBytes;
    }
    return copy;
}

int ApplyCompareCopy(EditContext& context, MapRecord& map, const CompareCopy& copy) {
    if (!copy.refusal.empty() || copy.writes.empty()) return 0;
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
