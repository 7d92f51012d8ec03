#pragma once
// Picking, dragging and key-stepping of points in the map window. The pane
// turns mouse and key events into these calls and carries out the result
// (image writes with undo and link propagation, redraws, notices).
//
// The map's edit cursor holds the start value in cursor.raw; the value being
// dragged is the drag's editValue until the drag is committed.
#include <cstdint>
#include <vector>

#include "edit/GraphGeometry.h"
#include "model/Image.h"
#include "model/MapRecord.h"

constexpr int kGraphHitTolerance = 3;   // pixels either side of a point

enum class GraphHitKind { kNone, kData, kRpm };
struct GraphHit {
    GraphHitKind kind = GraphHitKind::kNone;
    int line = 0;
    int point = 0;
    std::uint16_t value = 0;   // raw DATA value, or raw RPM breakpoint
};

// Tried in order: the cursor line's points; with allLines, every line from
// line 0; for Free Map axes (not type 2 with allLines) the cursor line's
// breakpoints by x alone. The first point within 3 pixels wins.
GraphHit GraphHitTest(const MapRecord& map, const Image& image, const GraphScales& s,
                      bool allLines, int mx, int my);

enum class GraphClick { kNothing, kSelected, kDragStart };
// The left button's effect of a hit on the cursor: a hit on the cell that
// already is the cursor cell (DATA) or cursor point (RPM) starts a drag;
// another hit selects it (mode, cell, cursor.raw = hit value, limits).
GraphClick ApplyGraphClick(MapRecord& map, const Image& image, const GraphHit& hit);

struct GraphSegment {
    GraphPoint from;
    GraphPoint to;
};

// A drag in progress. x = -1 in a neighbour means there is none.
struct GraphDrag {
    int mode = kEditNone;             // kEditData or kEditRpm
    int line = 0;                     // the dragged cell: the cursor's when the drag began
    int column = 0;
    std::uint16_t valueAtStart = 0;   // the cell's raw value when the drag began
    std::uint16_t editValue = 0;      // the value under the mouse, one byte
    GraphPoint previous{-1, 0};
    GraphPoint next{-1, 0};
    GraphPoint point;                 // the dragged point as last drawn
};

// Sets up a drag of the cursor cell. False (no drag) when the cursor is
// neither DATA nor RPM, its cell cannot be read, or the point before it
// cannot be read.
bool BeginGraphDrag(const MapRecord& map, const Image& image, const GraphScales& s,
                    GraphDrag& drag);

// The raw value a drag to (mx, my) asks for, clamped into [lower, upper].
// Limits that leave no room (lower above upper, an axis that does not rise)
// keep the start value (limits.raw).
std::int32_t GraphDragCandidate(int mode, const GraphScales& s, const EditCursor& limits,
                                int mx, int my);

// A mouse move while dragging. ignored: outside the background (bitmapWidth x
// bitmapHeight) or on the dragged point itself. changed: the candidate differs
// from the edit value; then editValue and point are updated and rubberBand
// holds what to draw over the background (DATA: segments from the
// neighbours, or a full-width line with none; RPM: a full-height line).
struct GraphDragMove {
    bool ignored = true;
    bool changed = false;
    std::vector<GraphSegment> rubberBand;
};
GraphDragMove MoveGraphDrag(GraphDrag& drag, const GraphScales& s, const EditCursor& limits,
                            int bitmapWidth, int bitmapHeight, int mx, int my);

// Left button up: true, with the value to write, when the edit value differs
// from the cursor's start value (cursor.raw). A release on the start value,
// also after moving away and back, writes nothing and records no undo step;
// nor does a release after the cursor left the dragged cell (the drag's
// value never lands on another cell).
bool GraphDragWrite(const GraphDrag& drag, const EditCursor& cursor, std::uint16_t& value);
// Right button: the edit value goes back to the value at drag start; nothing
// is written.
void CancelGraphDrag(GraphDrag& drag);

// The selection marker of the cursor cell, or none when the cursor cell is not
// drawn (mode other than DATA or RPM, a failed accessor, RPM on list axes).
enum class GraphMarkerKind { kNone, kSquare, kVerticalLine };
struct GraphMarker {
    GraphMarkerKind kind = GraphMarkerKind::kNone;
    GraphRect square;   // 7 x 7, centred on the point
    int x = 0;          // the breakpoint's vertical line
};
GraphMarker GraphCursorMarker(const MapRecord& map, const Image& image, const GraphScales& s);

// Key command codes that reach the map window.
enum : int {
    kKeyLeft = 1, kKeyRight = 2, kKeyUp = 5, kKeyDown = 6, kKeyShiftEnter = 8,
    kKeyPageUp = 11, kKeyPageDown = 12, kKeyShiftUp = 13, kKeyShiftDown = 14,
    kKeyShiftLeft = 15, kKeyShiftRight = 16,
};

enum class GraphKeyAction {
    kNone,
    kWriteEcu,     // send the cursor cell's start value to the ECU at address
    kStepData,     // store value at address, propagate, undo step, cursor.raw = value
    kStepRpm,      // the same for the breakpoint, without an undo step
    kMoveCursor,   // cursor to (line, point); cursor.raw = value; limits anew
};
struct GraphKeyPlan {
    GraphKeyAction action = GraphKeyAction::kNone;
    int line = 0;
    int point = 0;
    std::uint16_t value = 0;
    std::uint16_t address = 0;
};

// What a key command does to the map's cursor; the caller carries it out
// (ApplyGraphCursorMove for a move). Steps beyond the limits, moves past the
// first or last point or line, moves onto a cell the accessor cannot read and
// codes that do not apply give kNone.
GraphKeyPlan PlanGraphKey(const MapRecord& map, const Image& image, bool freeMapDefinition,
                          bool allLines, int code);

// Puts the cursor on a planned cell: row, column, raw and the limits.
void ApplyGraphCursorMove(MapRecord& map, const Image& image, const GraphKeyPlan& plan);
