#pragma once
// What the tuning loop lays over the windows of a map: where the engine runs
// now, with the way it came over the last seconds, and the seconds a
// recorded ride spent around each cell. The windows only draw it; the
// tuning loop (app/) fills it in.
#include <map>
#include <string>
#include <vector>

#include "edit/OperatingCells.h"
#include "model/MapRecord.h"

// An older point of the way, as a fractional row and column of the map, with
// its age: 0 now, 1 at the end of the trail.
struct TrailCell {
    float row = 0.0f;
    float column = 0.0f;
    float age = 0.0f;
};

struct LiveMarks {
    std::string mapName;              // the map they were placed on; empty: none
    OperatingCells cells;             // found: where the engine runs now
    std::vector<TrailCell> trail;     // older points, oldest first

    bool On(const MapRecord& map) const { return cells.found && !mapName.empty() && mapName == map.name; }
    bool operator==(const LiveMarks& other) const;
    bool operator!=(const LiveMarks& other) const { return !(*this == other); }
};

// The seconds around each cell of one map, row by row.
struct CellSeconds {
    int rows = 0;
    int columns = 0;
    std::vector<double> seconds;
    double maximum = 0.0;   // the largest of them

    // 0 for a cell outside the grid.
    double At(int row, int column) const;
};

struct OperatingOverlay {
    LiveMarks live;
    std::map<std::string, CellSeconds> hits;   // by map name; maps without an entry show no hits
    std::string hitsSource;                    // the log's file name; empty while no log is laid over

    const CellSeconds* HitsOn(const MapRecord& map) const;
};

// How dark a cell's background is drawn: 0 (no time there: no shade) up to
// 1 for the map's longest. Short visits still show: a cell with any time
// gets at least a light shade, and the scale is the square root of the
// share, so a cell of a tenth of the longest is not lost in white.
double HitShade(double seconds, double maximum);
// The grey of a shade (255 white at 0, light grey just above, 60 at 1), and
// whether text on it must turn white to stay readable.
int HitGrey(double shade);
bool HitTextLight(double shade);
// "12.3 s", one decimal.
std::string HitSecondsText(double seconds);
