#pragma once
// Two calibrations of one machine compared, and the bytes of a map copied
// from one into the other. Both calibrations carry the same definition; the
// first (a, or base) is the one being edited and gives the texts of the
// axes. The image is the only truth: titles and other sections of the data
// files take no part. A value is compared only where a file holds it (its
// data, Calibration::HoldsData): one that only one file holds is a
// difference of its own, never a difference from the zero the image has
// where a file holds nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Calibration.h"

// inA and inB: whether each file holds the value. A value only one file
// holds is a difference whatever the bytes; the other side's value is 0
// and its text empty.
struct CellDifference {
    int row = 0;
    int column = 0;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    float physicalA = 0.0f;
    float physicalB = 0.0f;
    bool inA = true;
    bool inB = true;
};

// An axis element: mode kEditThrot or kEditRpm; index from 0 along the
// axis (an RPM axis with a row per THROT row counts row by row).
struct AxisDifference {
    int mode = 0;
    int index = 0;
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    bool inA = true;
    bool inB = true;
};

struct MapDifference {
    std::string name;
    bool shapeDiffers = false;           // type, counts or element sizes differ: no cell is compared
    std::vector<CellDifference> cells;   // row by row
    std::vector<AxisDifference> axes;    // THROT first, then RPM
    float largest = 0.0f;                // the largest |b - a| of the cells both files hold, in physical units
};

struct ConstantDifference {
    std::string name;
    std::uint32_t rawA = 0;
    std::uint32_t rawB = 0;
    std::string a;   // value texts as the constants list shows them
    std::string b;
    bool inA = true;
    bool inB = true;
};

// Consecutive differing bytes that belong to no map and no constant, all
// held by the same files; the bytes of a file that does not hold them are
// left empty.
struct ByteRangeDifference {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    std::vector<std::uint8_t> a;
    std::vector<std::uint8_t> b;
    bool inA = true;
    bool inB = true;
};

// What of a map's differences one file does not hold: "24 cells and 8 axis
// values not in <file>" for each file that lacks some, joined by "; ";
// empty when both hold all. fileA and fileB name the two files.
std::string MissingText(const MapDifference& map, const std::string& fileA, const std::string& fileB);
// The cells and the axis values of a map that both files hold and that differ.
std::size_t DifferingCells(const MapDifference& map);
std::size_t DifferingAxisValues(const MapDifference& map);

struct CalibrationDifferences {
    std::vector<MapDifference> maps;   // in the definition's order, only maps that differ
    std::vector<ConstantDifference> constants;
    std::vector<ByteRangeDifference> bytes;
    bool Empty() const { return maps.empty() && constants.empty() && bytes.empty(); }
    // The differences of the map with that name, or nullptr.
    const MapDifference* Find(const std::string& mapName) const;
};

// Every difference of b from a. The bytes compared are those of either
// file's data; the checksum bytes are none (saving recomputes them, and they
// follow every other change).
CalibrationDifferences DiffCalibrations(Calibration& a, Calibration& b);

// The differences as CSV lines (each without its line end), the header
// first: kind,name,row,column,a,b. Cells give the THROT and RPM values of
// a's table window as row and column (b's where a does not hold the axis
// value) and the DATA values in its format; axes "THROT" or "RPM" and the
// index; constants the value texts; byte ranges "XXXX-YYYY" and the bytes
// as hex digits. A value a file does not hold is an empty field.
std::vector<std::string> DifferenceCsvLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences);
// The same, as lines for a reader: one per map with its counts, then one per
// cell, axis value, constant and byte range; a value a file does not hold
// reads "(not in <file>)", fileA and fileB naming the files.
std::vector<std::string> DifferenceTextLines(Calibration& a, Calibration& b, const CalibrationDifferences& differences,
                                             const std::string& fileA = "the first file",
                                             const std::string& fileB = "the second file");

// A CSV field: quoted when it holds a comma, a quote or outer blanks.
std::string CsvField(const std::string& text);

// The bytes of one map, DATA and (withAxes) the axes that lie in the image,
// as a copy from one calibration into the other would write them: each
// byte's address in base's map, the address it comes from in from's map and
// the byte from holds there. false when the shapes differ. Nothing is
// written: a copy checks the bytes against both files' data first
// (edit/CalibrationCompare).
struct ByteWrite {
    std::uint16_t address = 0;
    std::uint8_t value = 0;
    std::uint16_t source = 0;
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
