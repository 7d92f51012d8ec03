#include "edit/MultiMapEdit.h"

#include "model/Maps.h"
#include "model/Strings.h"

namespace {

constexpr const char* kAllFour = "#1,#2,#3,#4";
constexpr const char* kFirstPair = "#1,#2";
constexpr const char* kOuterPair = "#1,#4";
constexpr const char* kInnerPair = "#2,#3";

bool SameShape(const MapRecord* a, const MapRecord* b) {
    return a && b && a->z.count == b->z.count && a->x.count == b->x.count && a->y.count == b->y.count &&
           a->y.elementSize == b->y.elementSize;
}

}  // namespace

std::vector<std::string> LinkableMaps(const MapList& maps) {
    std::vector<std::string> names;
    for (const auto& map : maps)
        if (!map->name.empty() && map->name.back() >= '0' && map->name.back() <= '9') names.push_back(map->name);
    return names;
}

bool AllInOneAllowed(const LinkChoice& choice) { return !choice.names[0].empty() && !choice.names[1].empty(); }

bool TwoGroupsAllowed(const LinkChoice& choice) {
    for (const std::string& name : choice.names)
        if (name.empty()) return false;
    return true;
}

int CheckLinkChoice(const MapList& maps, const LinkChoice& choice) {
    const auto& n = choice.names;
    // #1 counts too: a map linked with itself would be a group of one.
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = i + 1; j < 4; ++j)
            if (!n[i].empty() && n[i] == n[j]) return str::kLinkNamesPiledUp;
    if (choice.mode != kLinkAllInOne && choice.mode != kLinkTwoGroups) return 0;
    if (n[0].empty() || n[1].empty()) return str::kLinkFirstMapsEmpty;
    if (n[2].empty() != n[3].empty()) return str::kLinkLastMapsHalfEmpty;
    const MapRecord* m[4] = {FindMap(maps, n[0]), FindMap(maps, n[1]), FindMap(maps, n[2]), FindMap(maps, n[3])};
    const bool four = !n[2].empty();
    if (!m[0] || !m[1] || (four && (!m[2] || !m[3]))) return str::kLinkCountDiffers;
    bool same = true;
    if (choice.mode == kLinkAllInOne) {
        same = SameShape(m[0], m[1]) && (!four || (SameShape(m[0], m[2]) && SameShape(m[0], m[3])));
    } else {
        if (!four) return str::kLinkLastMapsHalfEmpty;   // two groups need all four
        same = SameShape(m[0], m[3]) && SameShape(m[1], m[2]);
    }
    return same ? 0 : str::kLinkCountDiffers;
}

std::vector<std::string> MapSelectorEntries(const MapList& maps, int linkMode, const MapLinkData& link) {
    if (linkMode == kLinkAllInOne && link.linkList.size() >= 2)
        return {link.linkList.size() >= 3 ? kAllFour : kFirstPair};
    if (linkMode == kLinkTwoGroups && link.linkList.size() == 4) return {kOuterPair, kInnerPair};
    std::vector<std::string> names;
    for (const auto& map : maps) names.push_back(map->name);
    return names;
}

std::string MapOfSelectorEntry(int linkMode, const MapLinkData& link, const std::string& entry) {
    const auto& list = link.linkList;
    if (linkMode == kLinkAllInOne && (entry == kAllFour || entry == kFirstPair) && !list.empty()) return list[0];
    if (linkMode == kLinkTwoGroups && list.size() == 4) {
        if (entry == kOuterPair) return list[0];
        if (entry == kInnerPair) return list[1];
    }
    return entry;
}

std::string SelectorEntryOfMap(int linkMode, const MapLinkData& link, const std::string& map) {
    const auto& list = link.linkList;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != map) continue;
        if (linkMode == kLinkAllInOne && list.size() >= 2) return list.size() >= 3 ? kAllFour : kFirstPair;
        if (linkMode == kLinkTwoGroups && list.size() == 4) return i == 0 || i == 3 ? kOuterPair : kInnerPair;
    }
    return map;
}
