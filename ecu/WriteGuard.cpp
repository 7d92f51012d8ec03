#include "ecu/WriteGuard.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "platform/ProfileFile.h"

namespace {

// The raw cell at address in a block, high byte first for a word.
bool CellAt(std::uint16_t start, const std::vector<std::uint8_t>& bytes, long address, int size, unsigned& value) {
    const long offset = address - static_cast<long>(start);
    if (offset < 0 || offset + size > static_cast<long>(bytes.size())) return false;
    value = bytes[static_cast<std::size_t>(offset)];
    if (size == 2) value = value << 8 | bytes[static_cast<std::size_t>(offset) + 1];
    return true;
}

}  // namespace

GuardLimits ReadGuardLimits(const ProfileFile& settings) {
    GuardLimits limits;
    const int cell = settings.ReadInt(guard::kSection, guard::kCellKey, limits.cellPercent);
    if (cell >= 0 && cell <= 1000) limits.cellPercent = cell;
    const int share = settings.ReadInt(guard::kSection, guard::kShareKey, limits.sharePercent);
    if (share >= 0 && share <= 100) limits.sharePercent = share;
    std::string basis = settings.ReadString(guard::kSection, guard::kBasisKey, "VALUE");
    for (char& c : basis) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    limits.ofRange = basis == "RANGE";
    std::string backup = settings.ReadString(guard::kSection, guard::kBackupKey, "YES");
    for (char& c : backup) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    limits.backup = backup != "NO";
    return limits;
}

GuardReport CheckPlausibility(const MapList& maps, std::uint16_t newStart, const std::vector<std::uint8_t>& newBytes,
                              std::uint16_t oldStart, const std::vector<std::uint8_t>& oldBytes,
                              const GuardLimits& limits) {
    GuardReport report;
    for (const auto& map : maps) {
        if (!map) continue;
        const MapItem& data = map->y;
        const int size = data.elementSize == 2 ? 2 : 1;
        const int columns = map->x.count > 0 ? map->x.count : 1;
        const double range = size == 2 ? 65535.0 : 255.0;
        MapGuardResult result;
        result.map = map->name;
        std::vector<std::pair<unsigned, CellChange>> changes;   // by size of change
        for (int i = 0; i < data.count; ++i) {
            const long address = static_cast<long>(data.start) + static_cast<long>(i) * size;
            unsigned before = 0, after = 0;
            if (!CellAt(oldStart, oldBytes, address, size, before) || !CellAt(newStart, newBytes, address, size, after))
                continue;
            ++result.cells;
            ++report.comparedCells;
            if (before == after) continue;
            ++result.changedCells;
            const unsigned delta = before > after ? before - after : after - before;
            // A change of one raw step is never large: a cell at 0 or 1 would
            // otherwise flag every touch.
            const double basis = limits.ofRange ? range : static_cast<double>(before);
            const double limit = std::max(1.0, basis * limits.cellPercent / 100.0);
            if (limits.cellPercent > 0 && delta > limit) ++result.largeCells;
            changes.push_back({delta, CellChange{i / columns + 1, i % columns + 1, before, after}});
        }
        const bool shareExceeded = limits.sharePercent > 0 && result.cells > 0 &&
                                   result.changedCells * 100 > limits.sharePercent * result.cells;
        if (result.largeCells == 0 && !shareExceeded) continue;
        std::stable_sort(changes.begin(), changes.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (std::size_t i = 0; i < changes.size() && i < 3; ++i) result.largest.push_back(changes[i].second);
        report.maps.push_back(std::move(result));
    }
    return report;
}

namespace {

std::string Where(const MapItem& item) {
    char text[48];
    std::snprintf(text, sizeof text, "%04X (%d %s)", static_cast<unsigned>(item.start), item.count,
                  item.elementSize == 2 ? "words" : "bytes");
    return text;
}

}  // namespace

std::vector<std::string> LayoutChanges(const MapList& newMaps, bool newPlaced, const MapList& oldMaps, bool oldPlaced) {
    std::vector<std::string> lines;
    if (newPlaced != oldPlaced) {
        lines.push_back(newPlaced ? "The definition's maps cannot all be placed over what the ECU holds now."
                                  : "The definition's maps cannot all be placed over the data to write.");
    }
    if (newMaps.size() != oldMaps.size())
        lines.push_back("The data lays out " + std::to_string(newMaps.size()) + " maps, what the ECU holds " +
                        std::to_string(oldMaps.size()) + ".");
    for (std::size_t i = 0; i < newMaps.size() && i < oldMaps.size(); ++i) {
        const MapRecord& now = *newMaps[i];
        const MapRecord& ecu = *oldMaps[i];
        for (const auto& [item, was, label] :
             {std::make_tuple(&now.z, &ecu.z, "THROT"), std::make_tuple(&now.x, &ecu.x, "RPM"),
              std::make_tuple(&now.y, &ecu.y, "DATA")}) {
            if (item->start == was->start && item->count == was->count && item->elementSize == was->elementSize)
                continue;
            lines.push_back(now.name + ": " + label + " at " + Where(*item) + ", in the ECU at " + Where(*was) + ".");
        }
    }
    return lines;
}

std::string GuardReport::Summary() const {
    std::string text;
    for (const std::string& line : layout) text += line + "\n";
    for (const MapGuardResult& map : maps) {
        text += map.map + ": " + std::to_string(map.changedCells) + " of " + std::to_string(map.cells) +
                " cells changed, " + std::to_string(map.largeCells) + " over the limit";
        for (const CellChange& change : map.largest)
            text += "; row " + std::to_string(change.row) + " column " + std::to_string(change.column) + ": " +
                    std::to_string(change.before) + " -> " + std::to_string(change.after);
        text += "\n";
    }
    return text;
}
