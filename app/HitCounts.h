#pragma once
// Where a recorded ride spent its time on a map: each sample of the log
// lasts until the next one (the last sample has no duration), and its time
// is split between the cells around its operating point by the bilinear
// weights (edit/OperatingCells.h).
#include <cstddef>
#include <string>
#include <vector>

#include "edit/OperatingCells.h"
#include "files/DatalogReader.h"
#include "model/DiagItem.h"
#include "model/MapRecord.h"
#include "app/OperatingPoint.h"

struct HitCounts {
    int rows = 0;                  // THROT rows of the map
    int columns = 0;               // RPM columns
    std::vector<double> seconds;   // rows x columns, row by row
    double countedSeconds = 0.0;   // the sum of the grid
    std::size_t countedSamples = 0;
    // Samples whose RPM or THROT field is empty: their time goes nowhere.
    std::size_t missingSamples = 0;
    double missingSeconds = 0.0;
    // Samples outside an axis, counted at its edge.
    std::size_t clampedSamples = 0;
    double clampedSeconds = 0.0;

    double Seconds(int row, int column) const {
        return seconds[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                       static_cast<std::size_t>(column)];
    }
};

// The log's columns for the map's axes: the columns named as the operating
// point's items (by the header's NAME part). throtColumn is -1 for a map of
// one THROT row, which needs none. false with one sentence in error when
// the map can have no operating point, or the log lacks a column, has two
// of one name, or gives one a unit other than its item's (compared without
// case and blanks around it; a column without a unit is taken as it is).
bool FindHitColumns(const Datalog& log, const OperatingPoint& point, const std::vector<DiagItem>& items,
                    const MapRecord& map, int& rpmColumn, int& throtColumn, std::string& error);

// The grid for axes that are ready (an empty grid otherwise). rpmColumn
// must be a column of log; throtColumn one too, or -1 to put every sample
// on the first THROT row.
HitCounts CountHits(const Datalog& log, int rpmColumn, int throtColumn, const OperatingAxes& axes);
