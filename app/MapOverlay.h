#pragma once
// The tuning loop's marks over the windows of a map (edit/OperatingOverlay.h):
// the live marks placed from the trail, and the seconds of a recorded ride
// counted on every map that can show them.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "edit/OperatingCells.h"
#include "edit/OperatingOverlay.h"
#include "files/DatalogReader.h"
#include "model/DiagItem.h"
#include "model/MapRecord.h"
#include "app/HitCounts.h"
#include "app/OperatingPoint.h"
#include "app/OperatingTrail.h"

// The trail's points on map at time now: the newest as the cells around it,
// the older ones as fractional cells with their age. No marks (an empty map
// name) when the trail is empty, the axes are not ready, or the map has
// THROT rows and no THROT value came yet. On a map of one THROT row the
// throttle does not move the point.
LiveMarks PlaceLiveMarks(const OperatingTrail& trail, double now, const MapRecord& map, const OperatingAxes& axes);

// The grid of HitCounts as the windows show it.
CellSeconds ToCellSeconds(const HitCounts& hits);

struct MapHits {
    std::map<std::string, CellSeconds> hits;   // by map name
    // One line for each map left without hits: its name and why.
    std::vector<std::string> skipped;
};

// The log counted on every map whose axes the operating point drives; the
// others are named in skipped. axesOf reads a map's axes as the windows
// show them.
MapHits CountHitsOnMaps(const Datalog& log, const OperatingPoint& point, const std::vector<DiagItem>& items,
                        const std::vector<const MapRecord*>& maps,
                        const std::function<OperatingAxes(const MapRecord&)>& axesOf);
