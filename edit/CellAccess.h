#pragma once
// Cell addresses and the cell reads and writes every editor goes through.
//
// DATA cells are single bytes at Y start + row x X count + column. An RPM
// breakpoint lies at X start + (row offset + column) x element size, the row
// offset being row x X count in a map of type 2 and 0 otherwise; a THROT
// value at Z start + column x element size. Words are high byte first.
// Address arithmetic wraps in 16 bits, so no index leaves the image.
#include <cstdint>
#include <vector>

#include "edit/EditContext.h"
#include "model/Image.h"
#include "model/MapRecord.h"

enum : int {
    kCellOk = 0,
    kCellRowOutside = 1,      // row negative or not below the Z count
    kCellColumnOutside = 2,   // column negative or not below the X count
};

std::uint16_t ThrotCellAddress(const MapRecord& map, int column);
std::uint16_t RpmCellAddress(const MapRecord& map, int row, int column);
std::uint16_t DataCellAddress(const MapRecord& map, int row, int column);

// The cell whose first byte is address, tested THROT, RPM, DATA in turn:
// its edit mode, row and column. Each test asks for the address inside the
// item's own block, so a DATA block that lies below the axes (a Config Map
// places them anywhere) is never taken for an axis. A Config Map of a type
// other than 3 has only DATA cells; the count bytes of a Free Map and the
// second byte of a word belong to no cell. The undo list, the HEX window and
// anything else that starts from an address find their cell here.
bool CellOfAddress(const EditContext& context, const MapRecord& map, std::uint16_t address, int& mode,
                   int& row, int& column);

// The first byte of the cell under the map's edit cursor. false in edit mode
// 0 and when the cursor lies outside its axis or table.
bool CursorCellAddress(const MapRecord& map, std::uint16_t& address);
// Every byte of a cell (mode, row, column as the cursor holds them): one,
// or two for a word axis element; none for a cell outside its axis or table.
std::vector<std::uint16_t> CellBytes(const MapRecord& map, int mode, int row, int column);
// Those of the cell under the edit cursor: what a single-cell edit checks
// with EditContext::OutsideDataRefusal before it writes.
std::vector<std::uint16_t> CursorCellBytes(const MapRecord& map);

// Stores the byte, hands it to the map link and sets the modified flag.
int WriteDataCell(EditContext& context, const MapRecord& map, std::uint8_t raw, int column, int row);
// Stores a byte or a word (high byte first) without passing it to the map
// link; the modified flag is set. The row matters only in a map of type 2.
int WriteRpmCell(EditContext& context, const MapRecord& map, std::uint16_t raw, int column, int row);
// THROT values are written like RPM values: no map link, word high byte first.
int WriteThrotCell(EditContext& context, const MapRecord& map, std::uint16_t raw, int column);

// The raw values with the same result codes; value is 0 on failure.
int ReadDataCell(const Image& image, const MapRecord& map, int column, int row, std::uint16_t& value);
int ReadRpmCell(const Image& image, const MapRecord& map, int column, int row, std::uint16_t& value);
int ReadThrotCell(const Image& image, const MapRecord& map, int column, std::uint16_t& value);
