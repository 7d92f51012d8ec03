#include "edit/CellAccess.h"

namespace {

std::uint16_t Wrap(long long address) { return static_cast<std::uint16_t>(address & 0xFFFF); }

int ElementBytes(const MapItem& item) { return item.elementSize == 2 ? 2 : 1; }

// Index of a inside an item's block of elements, or -1.
long long ElementIndex(const MapItem& item, std::uint16_t a, long long elements) {
    const long long offset = static_cast<long long>(a) - item.start;
    if (offset < 0 || offset >= elements * ElementBytes(item)) return -1;
    return offset / ElementBytes(item);
}

bool RpmRowIsChecked(const MapRecord& map) { return map.type == kMapRpmPerRow; }

int CheckDataCell(const MapRecord& map, int column, int row) {
    if (row < 0 || row >= map.z.count) return kCellRowOutside;
    if (column < 0 || column >= map.x.count) return kCellColumnOutside;
    return kCellOk;
}

int CheckRpmCell(const MapRecord& map, int column, int row) {
    if (RpmRowIsChecked(map) && (row < 0 || row >= map.z.count)) return kCellRowOutside;
    if (column < 0 || column >= map.x.count) return kCellColumnOutside;
    return kCellOk;
}

int CheckThrotCell(const MapRecord& map, int column) {
    return column < 0 || column >= map.z.count ? kCellColumnOutside : kCellOk;
}

std::uint16_t ReadElement(const Image& image, const MapItem& item, std::uint16_t address) {
    return item.elementSize == 2 ? ReadWord(image, address) : image[address];
}

// Axis values never go to the map link; a word goes high byte first and the
// modified flag is set with each byte.
void StoreElement(EditContext& context, const MapItem& item, std::uint16_t address, std::uint16_t raw) {
    if (item.elementSize == 2) {
        context.StoreByte(address, static_cast<std::uint8_t>(raw >> 8), 1);
        context.StoreByte(Wrap(address + 1), static_cast<std::uint8_t>(raw & 0xFF), 1);
    } else {
        context.StoreByte(address, static_cast<std::uint8_t>(raw & 0xFF), 1);
    }
}

}  // namespace

std::uint16_t ThrotCellAddress(const MapRecord& map, int column) {
    return Wrap(map.z.start + static_cast<long long>(column) * ElementBytes(map.z));
}

std::uint16_t RpmCellAddress(const MapRecord& map, int row, int column) {
    long long rowOffset = RpmRowIsChecked(map) ? static_cast<long long>(row) * map.x.count : 0;
    return Wrap(map.x.start + (rowOffset + column) * ElementBytes(map.x));
}

std::uint16_t DataCellAddress(const MapRecord& map, int row, int column) {
    return Wrap(map.y.start + static_cast<long long>(row) * map.x.count + column);
}

namespace {

bool CellAddress(const MapRecord& map, int mode, int row, int column, std::uint16_t& address) {
    switch (mode) {
        case kEditThrot:
            if (CheckThrotCell(map, column) != kCellOk) return false;
            address = ThrotCellAddress(map, column);
            return true;
        case kEditRpm:
            if (CheckRpmCell(map, column, row) != kCellOk) return false;
            address = RpmCellAddress(map, row, column);
            return true;
        case kEditData:
            if (CheckDataCell(map, column, row) != kCellOk) return false;
            address = DataCellAddress(map, row, column);
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CursorCellAddress(const MapRecord& map, std::uint16_t& address) {
    return CellAddress(map, map.cursor.mode, map.cursor.row, map.cursor.column, address);
}

std::vector<std::uint16_t> CellBytes(const MapRecord& map, int mode, int row, int column) {
    std::uint16_t address = 0;
    if (!CellAddress(map, mode, row, column, address)) return {};
    const MapItem& item = mode == kEditThrot ? map.z : mode == kEditRpm ? map.x : map.y;
    if (mode != kEditData && item.elementSize == 2) return {address, Wrap(address + 1)};
    return {address};
}

std::vector<std::uint16_t> CursorCellBytes(const MapRecord& map) {
    return CellBytes(map, map.cursor.mode, map.cursor.row, map.cursor.column);
}

int WriteDataCell(EditContext& context, const MapRecord& map, std::uint8_t raw, int column, int row) {
    int code = CheckDataCell(map, column, row);
    if (code != kCellOk) return code;
    context.StoreByte(DataCellAddress(map, row, column), raw, 0);
    return kCellOk;
}

int WriteRpmCell(EditContext& context, const MapRecord& map, std::uint16_t raw, int column, int row) {
    int code = CheckRpmCell(map, column, row);
    if (code != kCellOk) return code;
    StoreElement(context, map.x, RpmCellAddress(map, row, column), raw);
    return kCellOk;
}

int WriteThrotCell(EditContext& context, const MapRecord& map, std::uint16_t raw, int column) {
    int code = CheckThrotCell(map, column);
    if (code != kCellOk) return code;
    StoreElement(context, map.z, ThrotCellAddress(map, column), raw);
    return kCellOk;
}

int ReadDataCell(const Image& image, const MapRecord& map, int column, int row, std::uint16_t& value) {
    value = 0;
    int code = CheckDataCell(map, column, row);
    if (code == kCellOk) value = image[DataCellAddress(map, row, column)];
    return code;
}

int ReadRpmCell(const Image& image, const MapRecord& map, int column, int row, std::uint16_t& value) {
    value = 0;
    int code = CheckRpmCell(map, column, row);
    if (code == kCellOk) value = ReadElement(image, map.x, RpmCellAddress(map, row, column));
    return code;
}

int ReadThrotCell(const Image& image, const MapRecord& map, int column, std::uint16_t& value) {
    value = 0;
    int code = CheckThrotCell(map, column);
    if (code == kCellOk) value = ReadElement(image, map.z, ThrotCellAddress(map, column));
    return code;
}

bool CellOfAddress(const EditContext& context, const MapRecord& map, std::uint16_t address, int& mode,
                   int& row, int& column) {
    const long long zc = map.z.count;
    const long long xc = map.x.count;
    const bool axes = context.definitionKind == kEditFreeMapDefinition || map.type == kMapConfigImage;
    if (axes) {
        long long i = ElementIndex(map.z, address, zc);
        if (i >= 0) {
            mode = kEditThrot;
            row = 0;
            column = static_cast<int>(i);
            return true;
        }
        const bool perRow = map.type == kMapRpmPerRow;
        i = ElementIndex(map.x, address, perRow ? zc * xc : xc);
        if (i >= 0 && xc > 0) {
            mode = kEditRpm;
            row = perRow ? static_cast<int>(i / xc) : 0;
            column = static_cast<int>(i % xc);
            return true;
        }
    }
    const long long offset = static_cast<long long>(address) - map.y.start;
    if (xc > 0 && offset >= 0 && offset < zc * xc) {
        mode = kEditData;
        row = static_cast<int>(offset / xc);
        column = static_cast<int>(offset % xc);
        return true;
    }
    return false;
}
