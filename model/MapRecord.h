#pragma once
// A map of the calibration: a type, a base address, a name and three items
// (Z = THROT rows, X = RPM columns, Y = DATA cells). Items hold addresses and
// conversion rules, never copies of values: the image is the only truth.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct MapItem {
    std::string name;
    std::uint8_t count = 0;       // Z: rows, X: columns, Y: Zc * Xc reduced to 8 bits
    std::uint16_t start = 0;      // first element in the image
    std::vector<float> values;    // physical values of a list axis (Config Map)
    std::string valueListText;    // the list axis values exactly as in the definition
    std::string maximum;
    std::string minimum;
    std::string hexToPhys;        // HEX-to-physical equation, variable x
    std::string physToHex;        // physical-to-HEX equation, variable x
    std::string maximum2;         // may be empty
    std::string minimum2;         // may be empty
    int elementSize = 1;          // 1 byte, 2 word
    int step = 0;                 // smallest spacing of neighbouring axis values
};

enum EditMode : int { kEditNone = 0, kEditData = 1, kEditRpm = 2, kEditThrot = 3 };

// The cell under the cursor and its raw limits. For a THROT cell the THROT
// index is held in column.
struct EditCursor {
    int mode = kEditNone;
    int row = 0;
    int column = 0;
    std::uint16_t raw = 0;
    int lower = 0;
    int upper = 0;
};

// Corners of the DATA selection; -1 when nothing is selected.
struct CellSelection {
    int startRow = -1;
    int startColumn = -1;
    int endRow = -1;
    int endColumn = -1;
};

enum MapType : int { kMapInvalid = -1, kMapOneRpmRow = 1, kMapRpmPerRow = 2, kMapConfigImage = 3 };

struct MapRecord {
    int type = kMapOneRpmRow;     // -1 behaves as 1 everywhere
    std::uint16_t base = 0;       // Free Map: the two count bytes; Config Map: first DATA cell
    std::string fourthField;
    std::string name;
    MapItem z;                    // THROT axis: rows
    MapItem x;                    // RPM axis: columns
    MapItem y;                    // DATA: cells
    // Window and editing state owned by the editors.
    EditCursor cursor;
    CellSelection selection;
};

using MapList = std::vector<std::unique_ptr<MapRecord>>;
