#pragma once
// Maths on the DATA cells of the table window's selection: set, add, scale,
// interpolate and smooth, all in physical values. The plan says what every
// cell becomes before anything is written, so the dialog can show how many
// cells change and the largest change; applying it writes each byte through
// the map link and leaves one undo record for the whole operation.
#include <cstdint>
#include <string>
#include <vector>

#include "edit/ClipboardText.h"
#include "edit/EditContext.h"
#include "model/MapRecord.h"

enum class TableMathsOp {
    kSet,                  // every cell to the value
    kAdd,                  // the value added to every cell
    kScale,                // every cell to the value percent of itself (110: ten percent more)
    kInterpolateRows,      // along each row, between its first and last cell, by the RPM values
    kInterpolateColumns,   // along each column, between its top and bottom cell, by the THROT values
    kInterpolateBoth,      // bilinear from the four corner cells, by both axes' values
    kSmooth,               // 1-2-1 weighted 3 x 3 average of the neighbours inside the selection
};

// True for the operations that take a value.
bool TableMathsTakesValue(TableMathsOp op);
// The Edit menu's name of the step: "Scale 15 cells", "Smooth 1 cell".
std::string TableMathsUndoName(TableMathsOp op, std::size_t cells);

struct TableMathsChange {
    int row = 0;
    int column = 0;
    std::uint8_t oldRaw = 0;
    std::uint8_t newRaw = 0;
    float oldPhysical = 0.0f;
    float newPhysical = 0.0f;   // as stored, after conversion and the range rules
};

enum : int {
    kMathsOk = 0,
    kMathsNoCells = 1,          // no DATA cell of the table in the selection
    kMathsBadValue = 2,         // the value is no finite number
    kMathsOutsideData = 3,      // a cell that changes lies outside the data the file keeps
};

struct TableMathsPlan {
    TableMathsOp op = TableMathsOp::kSet;
    int result = kMathsOk;
    int cellCount = 0;                      // cells the operation covers
    std::vector<TableMathsChange> changes;  // only the cells whose byte changes, row by row
    int limitedCount = 0;                   // cells whose result was held inside the item's range
    float largestChange = 0.0f;             // the largest |new - old| in physical units
    std::string refusal;                    // kMathsOutsideData: EditContext::OutsideDataRefusal's message
};

// The cells the maths works on: the selection, or the whole table when
// nothing is selected.
std::vector<CellRef> MathsCells(const MapRecord& map);

// What op does to cells (a rectangle; cells outside the table are left out).
// Each result is converted with the DATA item's physical-to-HEX equation to
// the raw value whose physical value lies nearest, then held inside the
// byte, the item's limits and its second range as a typed value is. Axis
// values decide the interpolation weights; where an axis does not rise from
// one end to the other without falling between (equal ends, a falling axis,
// one that goes up and down, a value that does not convert), the cell index
// does. A plan whose changes reach a cell the file does not keep is refused
// (kMathsOutsideData, with the refusal); it writes nothing.
TableMathsPlan PlanTableMaths(const EditContext& context, const MapRecord& map,
                              const std::vector<CellRef>& cells, TableMathsOp op, float value);

// Writes the plan's bytes through the map link, with one undo record (edit
// DATA) that holds every byte changed, those of linked maps included, so one
// Undo restores them all. The cursor stays on its cell with the raw value
// now in the image. Returns the number of cells written.
int ApplyTableMaths(EditContext& context, MapRecord& map, const TableMathsPlan& plan);
