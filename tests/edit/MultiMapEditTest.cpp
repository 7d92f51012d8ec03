#include "edit/MultiMapEdit.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/Strings.h"

namespace {

MapList Maps() {
    MapList maps;
    auto add = [&](const char* name, int rows, int columns) {
        auto m = std::make_unique<MapRecord>();
        m->name = name;
        m->z.count = static_cast<std::uint8_t>(rows);
        m->x.count = static_cast<std::uint8_t>(columns);
        m->y.count = static_cast<std::uint8_t>(rows * columns);
        maps.push_back(std::move(m));
    };
    add("Fuel1", 2, 3);
    add("Fuel2", 2, 3);
    add("Fuel3", 2, 3);
    add("Fuel4", 2, 3);
    add("Spark1", 3, 2);   // same cell count, other shape
    add("Main", 2, 3);
    return maps;
}

LinkChoice Choice(const char* a, const char* b, const char* c, const char* d, int mode) {
    return LinkChoice{{a, b, c, d}, mode};
}

TEST(MultiMapEditTest, LinkableMapsAndModeRules) {
    const MapList maps = Maps();
    EXPECT_EQ(LinkableMaps(maps), (std::vector<std::string>{"Fuel1", "Fuel2", "Fuel3", "Fuel4", "Spark1"}));
    EXPECT_FALSE(AllInOneAllowed(Choice("Fuel1", "", "", "", 0)));
    EXPECT_TRUE(AllInOneAllowed(Choice("Fuel1", "Fuel2", "", "", 0)));
    EXPECT_FALSE(TwoGroupsAllowed(Choice("Fuel1", "Fuel2", "Fuel3", "", 1)));
    EXPECT_TRUE(TwoGroupsAllowed(Choice("Fuel1", "Fuel2", "Fuel3", "Fuel4", 1)));
}

TEST(MultiMapEditTest, ChecksOfOkInTheirOrder) {
    const MapList maps = Maps();
    struct Case { LinkChoice choice; int message; };
    const Case cases[] = {
        {Choice("Fuel1", "Fuel2", "Fuel2", "Fuel4", 0), str::kLinkNamesPiledUp},
        {Choice("Fuel1", "Fuel1", "", "", 0), str::kLinkNamesPiledUp},
        {Choice("Fuel1", "Fuel2", "", "Fuel2", 2), str::kLinkNamesPiledUp},   // checked in mode 2 too
        {Choice("Fuel1", "", "", "", 0), str::kLinkFirstMapsEmpty},
        {Choice("Fuel1", "Fuel2", "Fuel3", "", 0), str::kLinkLastMapsHalfEmpty},
        {Choice("Fuel1", "Spark1", "", "", 0), str::kLinkCountDiffers},
        {Choice("Fuel1", "Fuel2", "Fuel3", "Spark1", 0), str::kLinkCountDiffers},
        {Choice("Fuel1", "Spark1", "Fuel3", "Fuel4", 1), str::kLinkCountDiffers},   // #2 with #3
        {Choice("Fuel1", "Fuel2", "", "", 0), 0},
        {Choice("Fuel1", "Fuel2", "Fuel3", "Fuel4", 1), 0},
        {Choice("Spark1", "Fuel2", "Fuel3", "Fuel4", 2), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckLinkChoice(maps, c.choice), c.message) << c.choice.names[0] << c.choice.names[1]
                                                             << c.choice.names[2] << c.choice.names[3];
    EXPECT_EQ(Str(str::kLinkLastMapsHalfEmpty), "#3Map and #4Map must be both empth \n or both not empty");
}

TEST(MultiMapEditTest, SelectorEntriesFollowTheMode) {
    const MapList maps = Maps();
    MapLinkData two;
    two.linkList = {"Fuel1", "Fuel2"};
    MapLinkData four;
    four.linkList = {"Fuel1", "Fuel2", "Fuel3", "Fuel4"};
    EXPECT_EQ(MapSelectorEntries(maps, kLinkAllInOne, two), std::vector<std::string>{"#1,#2"});
    EXPECT_EQ(MapSelectorEntries(maps, kLinkAllInOne, four), std::vector<std::string>{"#1,#2,#3,#4"});
    EXPECT_EQ(MapSelectorEntries(maps, kLinkTwoGroups, four), (std::vector<std::string>{"#1,#4", "#2,#3"}));
    EXPECT_EQ(MapSelectorEntries(maps, kLinkIndividual, four).size(), maps.size());
    EXPECT_EQ(MapOfSelectorEntry(kLinkTwoGroups, four, "#2,#3"), "Fuel2");
    EXPECT_EQ(MapOfSelectorEntry(kLinkTwoGroups, four, "#1,#4"), "Fuel1");
    EXPECT_EQ(MapOfSelectorEntry(kLinkIndividual, four, "#1,#4"), "#1,#4");   // no link: a name
    EXPECT_EQ(SelectorEntryOfMap(kLinkTwoGroups, four, "Fuel3"), "#2,#3");
    EXPECT_EQ(SelectorEntryOfMap(kLinkTwoGroups, four, "Fuel4"), "#1,#4");
    EXPECT_EQ(SelectorEntryOfMap(kLinkAllInOne, two, "Fuel2"), "#1,#2");
    EXPECT_EQ(SelectorEntryOfMap(kLinkAllInOne, two, "Main"), "Main");
}

}  // namespace
