#include "app/MapOverlay.h"

#include <algorithm>
#include <cmath>

namespace {

bool Placeable(const TrailPoint& point, const MapRecord& map) { return !NeedsThrottle(map) || point.throt.has_value(); }

OperatingCells CellsOf(const TrailPoint& point, const MapRecord& map, const OperatingAxes& axes) {
    const double throt = NeedsThrottle(map) ? *point.throt : static_cast<double>(axes.throt.front());
    return CellsAround(axes, static_cast<float>(point.rpm), static_cast<float>(throt));
}

std::string AxesProblem(const OperatingAxes& axes) {
    switch (axes.status) {
        case AxesStatus::kEmptyMap: return "the map has no cells";
        case AxesStatus::kNotInData: return "an axis value lies outside the file's data";
        case AxesStatus::kBadEquation: return "an axis value does not convert";
        case AxesStatus::kReady: break;
    }
    return std::string();
}

}  // namespace

LiveMarks PlaceLiveMarks(const OperatingTrail& trail, double now, const MapRecord& map, const OperatingAxes& axes) {
    LiveMarks marks;
    const TrailPoint* current = trail.Current();
    if (!current || axes.status != AxesStatus::kReady || axes.throt.empty() || axes.rpm.empty()) return marks;
    if (!Placeable(*current, map)) return marks;
    marks.cells = CellsOf(*current, map, axes);
    if (!marks.cells.found) return marks;
    marks.mapName = map.name;
    for (const AgedTrailPoint& older : trail.Older(now)) {
        if (!Placeable(older.point, map)) continue;
        const OperatingCells cells = CellsOf(older.point, map, axes);
        if (!cells.found) continue;
        marks.trail.push_back({cells.row, cells.column, static_cast<float>(older.age)});
    }
    return marks;
}

CellSeconds ToCellSeconds(const HitCounts& hits) {
    CellSeconds grid;
    grid.rows = hits.rows;
    grid.columns = hits.columns;
    grid.seconds = hits.seconds;
    for (const double s : grid.seconds) grid.maximum = std::max(grid.maximum, s);
    return grid;
}

MapHits CountHitsOnMaps(const Datalog& log, const OperatingPoint& point, const std::vector<DiagItem>& items,
                        const std::vector<const MapRecord*>& maps,
                        const std::function<OperatingAxes(const MapRecord&)>& axesOf) {
    MapHits result;
    for (const MapRecord* map : maps) {
        if (!map) continue;
        int rpmColumn = -1, throtColumn = -1;
        std::string error;
        if (!FindHitColumns(log, point, items, *map, rpmColumn, throtColumn, error)) {
            result.skipped.push_back(map->name + ": " + error);
            continue;
        }
        const OperatingAxes axes = axesOf(*map);
        if (axes.status != AxesStatus::kReady) {
            result.skipped.push_back(map->name + ": " + AxesProblem(axes));
            continue;
        }
        const HitCounts hits = CountHits(log, rpmColumn, throtColumn, axes);
        if (hits.countedSamples == 0) {
            // Shading nothing would look like a ride that never came near the map.
            result.skipped.push_back(map->name + ": no row of the log could be counted (" +
                                     (hits.missingSamples > 0
                                          ? std::to_string(hits.missingSamples) +
                                                " without a usable value for RPM or THROT)"
                                          : std::string("a log needs two rows to give a time)")));
            continue;
        }
        result.hits[map->name] = ToCellSeconds(hits);
    }
    return result;
}
