#pragma once
// Two calibrations of one machine compared, and maps and constants copied
// from one into the other. Both calibrations carry the same definition; the
// first (a, or base) is the one being edited and gives the texts of the
// axes. The image is the only truth: titles and other sections of the data
// files take no part.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Calibration.h"

struct CellDifference {
    int row = 0;
    int column = 0;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    float physicalA = 0.0f;
    float physicalB = 0.0f;
};

// An axis element: mode kEditThrot or kEditRpm; index from 0 along the
// axis (an RPM axis with a row per THROT row counts row by row).
struct AxisDifference {
    int mode = 0;
    int index = 0;
    std::uint16_t a = 0;
    std::uint16_t b = 0;
};

struct MapDifference {
    std::string name;
    bool shapeDiffers = false;           // type, counts or element sizes differ: no cell is compared
    std::vector<CellDifference> cells;   // row by row
    std::vector<AxisDifference> axes;    // THROT first, then RPM
    float largest = 0.0f;                // the largest |b - a| of the cells, in physical units
};

struct ConstantDifference {
    std::string name;
    std::uint32_t rawA = 0;
    std::uint32_t rawB = 0;
    std::string a;   // value texts as the constants list shows them
    std::string b;
};

// Consecutive differing bytes that belong to no map and no constant.
struct ByteRangeDifference {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    std::vector<std::uint8_t> a;
    std::vector<std::uint8_t> b;
};

struct CalibrationDifferences {
    std::vector<MapDifference> maps;   // in the definition's order, only maps that differ
    std::vector<ConstantDifference> constants;
    std::vector<ByteRangeDifference> bytes;
    bool Empty() const { return maps.empty() && constants.empty() && bytes.empty(); }
    // The differences of the map with that name, or nullptr.
    const MapDifference* Find(const std::string& mapName) const;
};

// Every difference of b from a. The data bytes compared are those of either
// file's data range; the checksum byte is left out when both ranges end at
// the same address (saving recomputes it, and it follows every other change).
CalibrationDifferences DiffCalibrations(Calibration& a, Calibration& b);

// The differences as CSV lines (each without its line end), the header
// first: kind,name,row,column,a,b. Cells give the THROT and RPM values of
// a's table window as row and column and the DATA values in its format;
// axes "THROT" or "RPM" and the index; constants the value texts; byte
// ranges "XXXX-YYYY" and the bytes as hex digits.
std::vector<std::string> DifferenceCsvLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences);
// The same, as lines for a reader: one per map with its counts, then one per
// cell, axis value, constant and byte range.
std::vector<std::string> DifferenceTextLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences);

// A CSV field: quoted when it holds a comma, a quote or outer blanks.
std::string CsvField(const std::string& text);

// Copies the named maps (DATA and axes) and constants of from into base.
// Refused, with nothing changed and the reason in error, when a name is
// unknown, a map's shape differs between the two, or a byte to be copied
// lies outside base's data range or on its checksum byte (a save would lose
// it). notes hears of axes shared with a map that is not copied (they change
// for both). The checksum is the saver's: SaveDataFile recomputes it.
bool MergeCalibration(Calibration& base, const Calibration& from, const std::vector<std::string>& mapNames,
                      const std::vector<std::string>& constantNames, std::string& error,
                      std::vector<std::string>& notes);

// Copies one map's DATA cells (or all of them when cells is empty), or its
// axes too, from one calibration into the other: the bytes each cell's
// address holds in from, written into base's image only (the caller goes
// through its edit context for undo and the map link). The addresses and
// bytes to write, or false when the shapes differ.
struct ByteWrite {
    std::uint16_t address = 0;
    std::uint8_t value = 0;
};
bool MapCopyWrites(const MapRecord& baseMap, const MapRecord& fromMap, const Image& from, int definitionKind,
                   bool withAxes, std::vector<ByteWrite>& writes);

// True when the map's axes lie in the image (every Free Map, a Config Map of
// type 3); other Config Maps take their axes from the definition's lists.
bool AxesInImage(int definitionKind, const MapRecord& map);
// The RPM elements of a map: one row, or one row per THROT row (type 2).
int RpmCount(const MapRecord& map);

// True when the two maps have the same type, counts and element sizes.
bool SameShape(const MapRecord& a, const MapRecord& b);
