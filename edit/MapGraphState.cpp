#include "edit/MapGraphState.h"

#include <string>
#include <unordered_map>

namespace {

struct Entry {
    std::string name;
    MapGraphState state;
};

// All on the one UI thread, like the map records themselves.
std::unordered_map<const MapRecord*, Entry>& States() {
    static std::unordered_map<const MapRecord*, Entry> states;
    return states;
}

bool DragOfCursor(const MapRecord& map) {
    const MapGraphState& s = GraphStateOf(map);
    return s.dragging && s.dragMode == map.cursor.mode &&
           (s.dragMode == kEditData || s.dragMode == kEditRpm);
}

// The moving value as the dialog bar and the table print it. A drag moves
// one byte (the pane clamps it into the cell's limits).
std::string DraggedText(const MapRecord& map, const ValueFormats& formats) {
    const MapGraphState& s = GraphStateOf(map);
    const auto raw = static_cast<std::uint8_t>(s.dragValue);
    float physical = 0.0f;
    if (s.dragMode == kEditData) {
        ToPhysicalByte(map.y, raw, physical);
        return FormatData(physical, &map, formats);
    }
    ToPhysicalByte(map.x, raw, physical);
    return FormatX(physical, formats);
}

}  // namespace

MapGraphState& GraphStateOf(const MapRecord& map) {
    Entry& entry = States()[&map];
    if (entry.name != map.name) {
        entry.name = map.name;
        entry.state = MapGraphState{};
    }
    return entry.state;
}

std::uint16_t ShownCursorValue(const MapRecord& map, std::uint16_t imageValue) {
    const MapGraphState& s = GraphStateOf(map);
    return s.dragging && s.dragMode == map.cursor.mode ? s.dragValue : imageValue;
}

bool DraggedCellText(const MapRecord& map, const ValueFormats& formats, int mode, int row, int column,
                     std::string& text) {
    if (!DragOfCursor(map) || mode != map.cursor.mode || column != map.cursor.column) return false;
    const bool sharedAxis = mode == kEditRpm && map.type != kMapRpmPerRow;
    if (!sharedAxis && row != map.cursor.row) return false;
    text = DraggedText(map, formats);
    return true;
}

bool DraggedFieldText(const MapRecord& map, const ValueFormats& formats, DraggedFields& fields) {
    if (!DragOfCursor(map)) return false;
    fields.data = map.cursor.mode == kEditData;
    fields.text = DraggedText(map, formats);
    return true;
}
