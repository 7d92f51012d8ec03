#pragma once
// Maps edited together: up to four maps #1..#4 in one or two groups.
#include <string>
#include <vector>

enum : int { kLinkAllInOne = 0, kLinkTwoGroups = 1, kLinkIndividual = 2 };

struct MapLinkData {
    std::vector<std::string> linkList;   // names in the order #1, #2, #3, #4 (2 or 4), or none
    bool fixedLink = false;               // the definition fixes which maps are linked
};
