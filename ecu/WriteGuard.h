#pragma once
// The plausibility guard of a write to the ECU: the data about to go is
// compared, map by map, with the data last known to be in that ECU. A DATA
// cell that moves by more than a limit, or a map in which more than a share
// of the cells move, is listed with its largest changes so the technician
// confirms what a slip of the mouse or a wrong file would otherwise send.
#include <cstdint>
#include <string>
#include <vector>

#include "model/MapRecord.h"

class ProfileFile;

namespace guard {
constexpr const char* kSection = "GUARD";
constexpr const char* kCellKey = "CELL";     // percent, default 25
constexpr const char* kBasisKey = "BASIS";   // VALUE (default) or RANGE
constexpr const char* kShareKey = "SHARE";   // percent of a map's cells, default 50
constexpr const char* kBackupKey = "BACKUP"; // NO: a write reads no backup first
}  // namespace guard

struct GuardLimits {
    int cellPercent = 25;    // 0 turns the cell test off
    bool ofRange = false;    // the percentage is of the item's raw range, not of the old value
    int sharePercent = 50;   // 0 turns the share test off
    bool backup = true;      // a write to the ECU reads its backup first
};

// [GUARD] of the settings file; values out of 0..1000 (CELL) or 0..100
// (SHARE) keep the defaults.
GuardLimits ReadGuardLimits(const ProfileFile& settings);

struct CellChange {
    int row = 0;             // 1-based, as the table window counts
    int column = 0;
    unsigned before = 0;     // raw cell values
    unsigned after = 0;
};

struct MapGuardResult {
    std::string map;
    int cells = 0;
    int changedCells = 0;
    int largeCells = 0;                  // over the cell limit
    std::vector<CellChange> largest;     // the largest changes, largest first, at most 3
};

struct GuardReport {
    // Where the maps the data lays out differ from those the ECU's content
    // lays out (a map count or size byte changed), one line each.
    std::vector<std::string> layout;
    std::vector<MapGuardResult> maps;    // only the maps that need a confirmation
    int comparedCells = 0;               // cells of every map found in both blocks
    // Why the write cannot be checked at all (no map lies in it, nothing
    // known of the ECU); "" when it was checked.
    std::string unchecked;
    bool Flagged() const { return !maps.empty() || !layout.empty(); }
    // One line per map: "Main: 1 of 6 cells changed, 1 over the limit; row 2 column 1: 30 -> 60".
    std::string Summary() const;
};

// The lines of GuardReport::layout for the maps the new data lays out
// (newMaps, placed: the definition placed them all) against those the ECU's
// content lays out (oldMaps, oldPlaced); empty when both lie the same.
std::vector<std::string> LayoutChanges(const MapList& newMaps, bool newPlaced, const MapList& oldMaps, bool oldPlaced);

// The cells of every map compared between the new data (newStart, newBytes)
// and the old (oldStart, oldBytes); a cell outside either block is not compared.
GuardReport CheckPlausibility(const MapList& maps, std::uint16_t newStart, const std::vector<std::uint8_t>& newBytes,
                              std::uint16_t oldStart, const std::vector<std::uint8_t>& oldBytes,
                              const GuardLimits& limits);
