#pragma once
// Which monitor item drives which axis of a map: engine speed along RPM
// (the X item, the table's columns), throttle along THROT (the Z item, its
// rows). The machine's settings file names them in a section of its own,
//
//   [Operating Point]
//   RPM=Engine Speed
//   THROT=Throttle
//
// and where a key is missing or empty the item is found by its name and
// unit among the definition's monitor items.
#include <string>
#include <vector>

#include "model/DiagItem.h"
#include "model/MapRecord.h"

class ProfileFile;

namespace operatingpoint {
constexpr const char* kSection = "Operating Point";
constexpr const char* kRpmKey = "RPM";
constexpr const char* kThrotKey = "THROT";
}  // namespace operatingpoint

// The monitor item of one axis kind.
struct AxisSource {
    int item = -1;          // index into the monitor items; -1: none
    std::string setName;    // the name the settings file gives; empty when it gives none
};

struct OperatingPoint {
    AxisSource rpm;
    AxisSource throt;
};

// The first monitor item (definition order) named "Engine Speed", "RPM" or
// "Engine RPM" with the unit "rpm"; for THROT named "Throttle", "TPS" or
// "Throttle Position" with the unit "%" or "deg". Names and units compare
// without regard to case and blanks around them. -1 when none matches.
int DefaultRpmItem(const std::vector<DiagItem>& items);
int DefaultThrotItem(const std::vector<DiagItem>& items);

// The items the settings name (the exact name first, else the first that
// differs only in case), else the defaults. A name the settings give that no
// item has leaves that axis without an item: another item is never taken
// in its place.
OperatingPoint LoadOperatingPoint(const ProfileFile& settings, const std::vector<DiagItem>& items);
// Both keys in one atomic rewrite of the settings file, every other section
// and key kept: the item's name, or an empty value (the default again) for
// an index without an item. false, and nothing written, when the file could
// not be written or a name would not read back the same from it (blanks
// around it, enclosing quotes, a line break, longer than the reader keeps).
// An axis given as kKeepItem keeps its key as the file has it (a name of no
// item and its spelling included); with both kept nothing is written.
constexpr int kKeepItem = -2;
bool SaveOperatingPoint(ProfileFile& settings, const std::vector<DiagItem>& items, int rpmItem, int throtItem);

// A map of one THROT row is a line along RPM: the throttle does not move
// the point on it.
bool NeedsThrottle(const MapRecord& map);

// Why no operating point can be shown on map, in one sentence for the
// window to show once; empty when it can. In order: the map's columns are
// not an RPM axis or (with more than one row) its rows not a THROT axis,
// by the items' names; no item for RPM; no item for THROT.
std::string NoCursorReason(const OperatingPoint& point, const std::vector<DiagItem>& items, const MapRecord& map);
