#include "edit/OperatingOverlay.h"

#include <cmath>
#include <cstdio>

namespace {

bool SameCells(const OperatingCells& a, const OperatingCells& b) {
    if (a.found != b.found) return false;
    if (!a.found) return true;
    if (a.nearestRow != b.nearestRow || a.nearestColumn != b.nearestColumn || a.row != b.row ||
        a.column != b.column || a.cells.size() != b.cells.size())
        return false;
    for (std::size_t i = 0; i < a.cells.size(); ++i)
        if (a.cells[i].row != b.cells[i].row || a.cells[i].column != b.cells[i].column) return false;
    return true;
}

}  // namespace

bool LiveMarks::operator==(const LiveMarks& other) const {
    if (mapName != other.mapName || !SameCells(cells, other.cells) || trail.size() != other.trail.size())
        return false;
    for (std::size_t i = 0; i < trail.size(); ++i)
        if (trail[i].row != other.trail[i].row || trail[i].column != other.trail[i].column ||
            trail[i].age != other.trail[i].age)
            return false;
    return true;
}

double CellSeconds::At(int row, int column) const {
    if (row < 0 || column < 0 || row >= rows || column >= columns) return 0.0;
    const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                           static_cast<std::size_t>(column);
    return at < seconds.size() ? seconds[at] : 0.0;
}

const CellSeconds* OperatingOverlay::HitsOn(const MapRecord& map) const {
    const auto found = hits.find(map.name);
    return found == hits.end() ? nullptr : &found->second;
}

double HitShade(double seconds, double maximum) {
    if (!(seconds > 0.0) || !(maximum > 0.0)) return 0.0;
    const double share = std::sqrt(std::fmin(seconds / maximum, 1.0));
    // The lightest shade of a visited cell is still told from white.
    constexpr double kLeast = 0.08;
    return kLeast + (1.0 - kLeast) * share;
}

int HitGrey(double shade) {
    if (!(shade > 0.0)) return 255;
    const double clamped = std::fmin(shade, 1.0);
    return static_cast<int>(std::lround(235.0 - (235.0 - 60.0) * clamped));
}

bool HitTextLight(double shade) { return HitGrey(shade) < 128; }

std::string HitSecondsText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f s", std::isfinite(seconds) ? seconds : 0.0);
    return text;
}
