#include "edit/LinkedMaps.h"

#include <array>
#include <initializer_list>

#include "model/Calibration.h"
#include "model/Maps.h"

namespace {

// The #-positions (0-based) of the groups of a mode.
std::vector<std::vector<std::size_t>> Groups(int linkMode, std::size_t listed) {
    if (linkMode == kLinkAllInOne) {
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < listed && i < 4; ++i) all.push_back(i);
        return {all};
    }
    if (linkMode == kLinkTwoGroups) return {{0, 3}, {1, 2}};
    return {};
}

// Cells of a map's DATA counted in full, not reduced to 8 bits.
long long CellCount(const MapRecord& map) { return static_cast<long long>(map.z.count) * map.x.count; }

std::uint16_t CellAddress(const MapRecord& map, int row, int column) {
    const long long index = static_cast<long long>(row) * map.x.count + column;
    return static_cast<std::uint16_t>((map.y.start + index) & 0xFFFF);
}

}  // namespace

std::vector<MapRecord*> LinkGroupOf(const MapList& maps, int linkMode, const MapLinkData& link,
                                    const MapRecord& map) {
    const std::vector<std::string>& names = link.linkList;
    for (const std::vector<std::size_t>& group : Groups(linkMode, names.size())) {
        bool member = false;
        for (std::size_t position : group) {
            if (position < names.size() && names[position] == map.name) member = true;
        }
        if (!member) continue;
        std::vector<MapRecord*> found;
        for (std::size_t position : group) {
            if (position >= names.size()) continue;
            if (MapRecord* m = FindMap(maps, names[position])) found.push_back(m);
        }
        return found;
    }
    return {};
}

std::string LinkedMapName(const MapList& maps, int linkMode, const MapLinkData& link,
                          const MapRecord& map) {
    const std::vector<MapRecord*> group = LinkGroupOf(maps, linkMode, link, map);
    if (group.empty()) return map.name;
    std::string name;
    for (const MapRecord* m : group) {
        if (!name.empty()) name += ",";
        name += m->name;
    }
    return name;
}

std::vector<std::uint16_t> LinkedCellAddresses(const MapList& maps, int linkMode,
                                               const MapLinkData& link, const MapRecord& map,
                                               int row, int column) {
    std::vector<std::uint16_t> addresses;
    if (row < 0 || column < 0) return addresses;
    for (const MapRecord* m : LinkGroupOf(maps, linkMode, link, map)) {
        if (m == &map || row >= m->z.count || column >= m->x.count) continue;
        addresses.push_back(CellAddress(*m, row, column));
    }
    return addresses;
}

std::vector<std::uint16_t> LinkedByteAddresses(const MapList& maps, int linkMode, const MapLinkData& link,
                                               std::uint16_t address) {
    for (const std::string& name : link.linkList) {
        const MapRecord* source = FindMap(maps, name);
        if (!source || source->x.count == 0) continue;
        const long long offset = static_cast<long long>(address) - source->y.start;
        if (offset < 0 || offset >= CellCount(*source)) continue;
        const int row = static_cast<int>(offset / source->x.count);
        const int column = static_cast<int>(offset % source->x.count);
        return LinkedCellAddresses(maps, linkMode, link, *source, row, column);
    }
    return {};
}

int PropagateLinkedByte(const MapList& maps, int linkMode, const MapLinkData& link, Image& image,
                        std::uint16_t address, std::uint8_t value) {
    int written = 0;
    for (std::uint16_t target : LinkedByteAddresses(maps, linkMode, link, address)) {
        image[target] = value;
        ++written;
    }
    return written;
}

LinkPropagation AppLinkPropagation(Calibration& calibration) {
    return [&calibration](std::uint16_t address, std::uint8_t value, int suppress) {
        if (suppress != 0 || !calibration.HasImage()) return;
        PropagateLinkedByte(calibration.maps, calibration.mapLinkState, calibration.mapLink, calibration.image(),
                            address, value);
    };
}

LinkTargets AppLinkTargets(Calibration& calibration) {
    return [&calibration](std::uint16_t address) {
        return LinkedByteAddresses(calibration.maps, calibration.mapLinkState, calibration.mapLink, address);
    };
}

EditContext AppLinkedEditContext(Calibration& calibration, LineListUpdate lineListUpdate) {
    EditContext context = AppEditContext(calibration, AppLinkPropagation(calibration), std::move(lineListUpdate));
    context.linkTargets = AppLinkTargets(calibration);
    return context;
}
