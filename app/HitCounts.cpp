#include "app/HitCounts.h"



namespace {

bool Column(const Datalog& log, const std::vector<DiagItem>& items, int item, const char* axis, int& column,
            std::string& error) {
    const std::string& name = items[static_cast<std::size_t>(item)].name;
    column = FindDatalogColumn(log, name);
    if (column == kAmbiguousDatalogColumn) {
        error = "the log has more than one column \"" + name + "\" (the " + axis + " item)";
        return false;
    }
    if (column == kNoDatalogColumn) {
        error = "the log has no column \"" + name + "\" (the " + axis + " item)";
        return false;
    }
    if (!DatalogUnitAgrees(log.columns[static_cast<std::size_t>(column)], items[static_cast<std::size_t>(item)].unit,
                           error)) {
        column = -1;
        return false;
    }
    return true;
}

}  // namespace

bool FindHitColumns(const Datalog& log, const OperatingPoint& point, const std::vector<DiagItem>& items,
                    const MapRecord& map, int& rpmColumn, int& throtColumn, std::string& error) {
    rpmColumn = throtColumn = -1;
    error = NoCursorReason(point, items, map);
    if (!error.empty()) return false;
    if (!Column(log, items, point.rpm.item, operatingpoint::kRpmKey, rpmColumn, error)) return false;
    if (NeedsThrottle(map) && !Column(log, items, point.throt.item, operatingpoint::kThrotKey, throtColumn, error))
        return false;
    return true;
}

HitCounts CountHits(const Datalog& log, int rpmColumn, int throtColumn, const OperatingAxes& axes) {
    HitCounts hits;
    if (axes.status != AxesStatus::kReady || axes.throt.empty() || axes.rpm.empty()) return hits;
    const int columnCount = static_cast<int>(log.columns.size());
    if (rpmColumn < 0 || rpmColumn >= columnCount || throtColumn < -1 || throtColumn >= columnCount) return hits;
    hits.rows = static_cast<int>(axes.throt.size());
    hits.columns = static_cast<int>(axes.rpm.front().size());
    hits.seconds.assign(static_cast<std::size_t>(hits.rows) * static_cast<std::size_t>(hits.columns), 0.0);

    for (std::size_t i = 0; i + 1 < log.Rows(); ++i) {
        const double duration = log.times[i + 1] - log.times[i];
        const std::size_t rpm = static_cast<std::size_t>(rpmColumn);
        const bool hasThrot = throtColumn < 0 || log.Has(i, static_cast<std::size_t>(throtColumn));
        if (!log.Has(i, rpm) || !hasThrot) {
            ++hits.missingSamples;
            hits.missingSeconds += duration;
            continue;
        }
        const double throt = throtColumn < 0 ? axes.throt.front() : log.Value(i, static_cast<std::size_t>(throtColumn));
        const OperatingCells cells =
            CellsAround(axes, static_cast<float>(log.Value(i, rpm)), static_cast<float>(throt));
        if (!cells.found) {
            // A value beyond float's range: as good as none.
            ++hits.missingSamples;
            hits.missingSeconds += duration;
            continue;
        }
        // Without a THROT column the throttle takes the first row's value,
        // which is no clamp of the rider's.
        if (cells.rpmClamped || (throtColumn >= 0 && cells.throtClamped)) {
            ++hits.clampedSamples;
            hits.clampedSeconds += duration;
        }
        for (const CellShare& share : cells.cells) {
            if (share.column >= hits.columns) continue;   // every RPM line has the map's column count
            hits.seconds[static_cast<std::size_t>(share.row) * static_cast<std::size_t>(hits.columns) +
                         static_cast<std::size_t>(share.column)] += duration * share.weight;
        }
        ++hits.countedSamples;
        hits.countedSeconds += duration;
    }
    return hits;
}
