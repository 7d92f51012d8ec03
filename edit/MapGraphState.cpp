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
