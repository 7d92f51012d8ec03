#pragma once
// The decisions of the "Multi Map Edit" dialog: which maps can be linked,
// which link modes the chosen maps allow, the checks of OK, and the map
// selector's entries for a link mode.
#include <array>
#include <string>
#include <vector>

#include "model/MapLinkData.h"
#include "model/MapRecord.h"

// The maps #1..#4 as chosen ("" for none) and the checked mode (2: neither).
struct LinkChoice {
    std::array<std::string, 4> names;
    int mode = kLinkIndividual;
};

// The names of the maps that can be linked: those ending in a digit, in map order.
std::vector<std::string> LinkableMaps(const MapList& maps);
// "#1, #2, #3, #4" needs #1 and #2; "#1, #4 / #2, #3" needs all four.
bool AllInOneAllowed(const LinkChoice& choice);
bool TwoGroupsAllowed(const LinkChoice& choice);

// The checks of OK in their order: 0, or the message that keeps the dialog
// open (1538 a map chosen twice, 1539 #1 or #2 empty, 1540 one of #3 and #4
// empty, 1541 maps of different shape in one group). Mode 2 is only checked
// for names chosen twice.
int CheckLinkChoice(const MapList& maps, const LinkChoice& choice);

// The map selector's entries for the link: the group labels of mode 0 or 1,
// every map name otherwise.
std::vector<std::string> MapSelectorEntries(const MapList& maps, int linkMode, const MapLinkData& link);
// The map a selector entry opens: a group label stands for the group's
// first map; any other text is a map name already.
std::string MapOfSelectorEntry(int linkMode, const MapLinkData& link, const std::string& entry);
// The selector entry that shows map: its group's label, else its name.
std::string SelectorEntryOfMap(int linkMode, const MapLinkData& link, const std::string& map);
