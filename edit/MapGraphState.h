#pragma once
// The map window's state of a map, which outlives the window like the edit
// cursor does: the graph-active flag (set by a click into the graph, cleared
// when a map window is created for the map) and the drag in progress, whose
// value the table window and the dialog bar show (ShownCursorValue) while the
// image still holds the value from before the drag. (The all-lines flag is
// the main frame's; the windows ask for it through ViewServices::AllLines.)
//
// Kept beside the map records, looked up by record: a record that is gone
// and whose place a new map with another name takes starts afresh. The pane
// that starts a drag always ends it (commit, cancel, or its own end), so a
// drag never outlives its window.
#include <cstdint>
#include <string>

#include "model/MapRecord.h"
#include "model/ValueConversion.h"

struct MapGraphState {
    bool graphActive = false;
    bool dragging = false;
    int dragMode = kEditNone;       // kEditData or kEditRpm while dragging
    std::uint16_t dragValue = 0;    // the value under the mouse while dragging
};

MapGraphState& GraphStateOf(const MapRecord& map);

// The raw value the cursor cell shows: the dragged value while a drag of it
// runs, else the given value (usually the image's).
std::uint16_t ShownCursorValue(const MapRecord& map, std::uint16_t imageValue);

// The text of a cell (edit mode, row, column as the table window names
// them) while the map window drags it: FormatData of the moving DATA value,
// or FormatX of the moving RPM breakpoint. An RPM breakpoint of a map whose
// lines share one axis is the same cell in every row. false, text untouched,
// when no drag of that cell runs.
bool DraggedCellText(const MapRecord& map, const ValueFormats& formats, int mode, int row, int column,
                     std::string& text);

// The dialog bar during a drag of the map's cursor cell: the Data field
// shows a DATA drag's value, the Point field an RPM drag's. false when no
// drag runs.
struct DraggedFields {
    bool data = false;     // text is for the Data field (else for Point)
    std::string text;
};
bool DraggedFieldText(const MapRecord& map, const ValueFormats& formats, DraggedFields& fields);
