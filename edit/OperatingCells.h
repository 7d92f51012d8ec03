#pragma once
// Where the engine runs on a map: the cells around a point given in axis
// values (engine speed along the RPM axis, throttle along THROT), with
// bilinear weights by the axis values, the nearest cell, and the point as a
// fractional row and column for drawing.
//
// Axis values are the ones the table window shows (AxisPhysical: the item's
// HEX-to-physical equation, or a Config Map's listed values), read once into
// OperatingAxes and used for every point after.
#include <cstdint>
#include <vector>

#include "edit/EditContext.h"
#include "model/MapRecord.h"

enum class AxesStatus {
    kReady,           // both axes read
    kEmptyMap,        // no THROT row or no RPM column
    kNotInData,       // an axis byte lies outside the file's data: its zero is no value
    kBadEquation,     // an axis value did not convert
};

struct OperatingAxes {
    AxesStatus status = AxesStatus::kEmptyMap;
    std::vector<float> throt;                // one per row
    std::vector<std::vector<float>> rpm;     // one line for all rows, or one per row (type 2)
    const std::vector<float>& RpmOfRow(std::size_t row) const { return rpm.size() == 1 ? rpm[0] : rpm[row]; }
};

// The map's axis values as the table window shows them. Axis bytes the
// file does not keep (context.keptData) give kNotInData.
OperatingAxes ReadOperatingAxes(const EditContext& context, const MapRecord& map);

// Where a point lies along one axis: between index low and high (equal when
// the point is on a breakpoint or was held at an end) at fraction
// (0 at low, 1 at high).
struct AxisPosition {
    int low = 0;
    int high = 0;
    float fraction = 0.0f;
    bool clamped = false;   // the point lay outside the axis and was held at its nearest end
};

// The first segment of values that holds value (between its two ends,
// whichever way the axis runs): falling axes and equal neighbours are found
// as well as rising ones. A value on a breakpoint belongs to that one
// breakpoint. A value outside every segment is held at the breakpoint of the
// nearest value (the first of equals). An axis of one value takes every
// value there, unclamped: it has no extent to lie outside of. values must
// not be empty, value must be finite.
AxisPosition LocateOnAxis(const std::vector<float>& values, float value);

struct CellShare {
    int row = 0;
    int column = 0;
    float weight = 0.0f;
};

struct OperatingCells {
    bool found = false;            // false: the axes were not ready, or the point not finite
    std::vector<CellShare> cells;  // 1, 2 or 4 cells with a weight above 0, summing to 1
    int nearestRow = 0;            // the cell of the largest weight (the first of equals)
    int nearestColumn = 0;
    // The point as a fractional row and column (row 1.5 lies halfway between
    // rows 1 and 2). With an RPM line per row, the column is that of each of
    // the two rows, mixed by the row weights.
    float row = 0.0f;
    float column = 0.0f;
    bool rpmClamped = false;       // outside the RPM axis, held at its edge
    bool throtClamped = false;
};

OperatingCells CellsAround(const OperatingAxes& axes, float rpm, float throt);
