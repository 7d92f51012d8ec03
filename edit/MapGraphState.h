#pragma once
// The map window's state of a map, which outlives the window like the edit
// cursor does: the graph-active flag (set by a click into the graph, cleared
// when a map window is created for the map) and the drag in progress, whose
// value the table window and the dialog bar show (ShownCursorValue) while the
// image still holds the value from before the drag. (The all-lines flag is
// the main frame's; the windows ask for it through ViewServices::AllLines.)
//
// Kept beside the map records, looked up by record: a record that is gone
// and whose place a new map with another name takes starts afresh.
#include <cstdint>

#include "model/MapRecord.h"

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
