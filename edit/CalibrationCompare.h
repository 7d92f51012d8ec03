#pragma once
// The calibration being edited beside a second calibration of the same
// machine, opened read-only to compare with: which cells of a map differ
// (the table window marks them), what the status line says of the cursor
// cell, the rows of the Differences list, and the copy of cells, a whole map
// or a constant from the compared calibration into the edited one as one
// undo step. Cells are compared by their raw bytes; the texts are those of
// the edited calibration's table window.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/CalibrationDiff.h"
#include "edit/ClipboardText.h"
#include "edit/EditContext.h"
#include "edit/TableModel.h"
#include "model/Calibration.h"

// The differing cells of one map. Axis elements are compared only where the
// axes lie in the image; a map the compared calibration lacks, or holds in
// another shape, is not comparable and marks nothing. A cell is marked only
// where both files hold it (Calibration::HoldsData; editedData unset: the
// edited image counts as held throughout): a value a file does not hold is
// no value to differ from.
struct CompareMarks {
    bool comparable = false;
    int columns = 0;
    std::vector<bool> data;    // row * columns + column
    std::vector<bool> throt;   // by THROT index
    std::vector<bool> rpm;     // by RPM element, row by row in a map with an RPM row per THROT row
    // A cell as the table window names it (THROT: index in column; RPM:
    // row and column, the row counting only with an RPM row per THROT row).
    bool Differs(const TableCell& cell) const;
    int DataCount() const;
};

CompareMarks MapCompareMarks(int definitionKind, const MapRecord& map, const Image& image,
                             const Calibration& compared, const std::optional<DataSpan>& editedData = std::nullopt);

// What the status line adds for the cursor cell: the compared value and
// the difference (compared minus edited, with its sign), both in the cell's
// format: "   compared 4.50   difference +0.50"; "   compared: the same";
// "   not in the compared file" (or "the edited file", by context.keptData)
// for a cell a file does not hold; or why there is nothing to compare.
// Empty for a cell outside the table.
std::string CompareCellText(const EditContext& context, const MapRecord& map, Calibration& compared,
                            const TableCell& cell);

// One row of the Differences list: the maps first, then the constants, then
// the byte ranges outside every map and constant.
enum class DifferenceKind { kMap, kConstant, kBytes };

struct DifferenceRow {
    DifferenceKind kind = DifferenceKind::kMap;
    std::string name;       // the map, the constant, or the range "XXXX-YYYY"
    std::string count;      // "12 cells", "12 cells, 2 axis values", "another shape", "3 bytes",
                            // "24 cells not in the compared file"
    bool shapeDiffers = false;   // maps: another shape in the compared calibration; nothing to copy
    std::string largest;    // maps: the largest cell difference in the table's format
    std::string edited;     // constants and byte ranges: the value in each calibration,
    std::string compared;   // or "not in the edited file" / "not in the compared file"
    int firstRow = -1;      // maps: the first differing DATA cell, row by row
    int firstColumn = -1;
};

// The texts are the edited calibration's (its formats, its maps).
std::vector<DifferenceRow> DifferenceRows(const Calibration& edited, const CalibrationDifferences& differences);

// How refusals name the two files of a copy: the data "<target>" (the
// file written into) and the data "<source>" (the file copied from).
struct CopySides {
    std::string target = "the edited file keeps";
    std::string source = "of the compared file";
};

// The bytes a copy from the compared calibration writes into the edited
// one: only those that change, in order; linked bytes are DATA bytes and go
// through the map link, the others (axis elements, constants) do not.
struct CopyWrite {
    std::uint16_t address = 0;
    std::uint8_t value = 0;
    bool linked = false;
};

struct CompareCopy {
    std::vector<CopyWrite> writes;
    int cells = 0;             // DATA cells that change
    int otherBytes = 0;        // axis and constant bytes that change
    std::vector<std::string> sharedAxes;   // other maps whose axes these are too: they change with them
    std::string refusal;       // why nothing may be copied; empty when the copy may go ahead
};

// The plans share one rule: every byte copied must be data the compared
// file holds, changed or not (where it holds none its image is zero, and a
// zero is not its value), and every byte that changes, with the bytes the
// map link writes with a DATA byte, must be data the edited file keeps
// (saving drops any other). Otherwise the copy is refused whole, the
// refusal naming the map or constant and the bytes outside:
// "map 'Ignition': bytes 80BA-80F5 lie outside the data of the compared
// file (8000-807E; 807F is the checksum)".

// The DATA cells given (the table's selection, or the cursor cell) of map.
CompareCopy PlanCellCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared,
                         const std::vector<CellRef>& cells, const CopySides& sides = {});
// The whole map: DATA and the axes that lie in the image. Axes one map
// shares with others (a Config Map may place two maps on the same axes)
// change for all of them; sharedAxes names the others.
CompareCopy PlanMapCopy(const Calibration& edited, const MapRecord& map, const Calibration& compared,
                        const CopySides& sides = {});
// A constant of the definition's "Calib" list, by its name.
CompareCopy PlanConstantCopy(const Calibration& edited, const Calibration& compared, const std::string& name,
                             const CopySides& sides = {});
// A block of bytes laid over the edited calibration's data (a logbook
// entry's data): the bytes that change, none through the map link, since the
// block holds every map's bytes as they were. Refused whole when the block
// does not start at the data start or runs past the data end.
CompareCopy PlanBlockCopy(const Calibration& edited, std::uint16_t start, const std::vector<std::uint8_t>& bytes);

// Writes the plan with one undo record in map's list (the map shown, whose
// Undo command takes it back): the cursor cell first, then every byte
// written and every byte the map link writes with them, so that one Undo
// restores each of them exactly. The cursor keeps its cell and rereads its
// value. Returns the bytes written (the link's not counted); 0 for a refused
// or empty plan, or a map without a cell to hold the record.
int ApplyCompareCopy(EditContext& context, MapRecord& map, const CompareCopy& copy);

// rvtune merge: the named maps (DATA and the axes in the image) and
// constants of from written into base's image, planned as copies from a
// compare are (PlanMapCopy, PlanConstantCopy) but without undo or map link.
// Refused with nothing changed and the reason in error when a name is
// unknown, a map's shape differs between the files, or a copy is refused;
// error then names every map and constant refused, joined by "; ". notes
// hears of maps not named whose axes change with a named one. The checksum
// is the saver's: SaveDataFile recomputes it.
bool MergeCalibration(Calibration& base, const Calibration& from, const std::vector<std::string>& mapNames,
                      const std::vector<std::string>& constantNames, const CopySides& sides, std::string& error,
                      std::vector<std::string>& notes);
