#include "edit/LinkedMaps.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "edit/MapGraphState.h"

namespace {

// Four fuel maps of 2 x 3 cells, DATA back to back from 0x2000, and a map
// "Spark" that is in no link.
struct LinkedMapsTest : ::testing::Test {
    MapList maps;
    MapLinkData link;
    Image image{};

    LinkedMapsTest() {
        const char* names[] = {"Fuel1", "Fuel2", "Fuel3", "Fuel4", "Spark"};
        std::uint16_t start = 0x2000;
        for (const char* name : names) {
            auto m = std::make_unique<MapRecord>();
            m->name = name;
            m->z.count = 2;
            m->x.count = 3;
            m->y.count = 6;
            m->y.start = start;
            start += 6;
            maps.push_back(std::move(m));
        }
        link.linkList = {"Fuel1", "Fuel2", "Fuel3", "Fuel4"};
    }
    MapRecord& Map(std::size_t i) { return *maps[i]; }
};

TEST_F(LinkedMapsTest, NameFollowsTheGroupOfTheMode) {
    struct Case { int mode; std::size_t map; const char* name; };
    const Case cases[] = {
        {kLinkAllInOne, 1, "Fuel1,Fuel2,Fuel3,Fuel4"},
        {kLinkTwoGroups, 0, "Fuel1,Fuel4"},
        {kLinkTwoGroups, 3, "Fuel1,Fuel4"},
        {kLinkTwoGroups, 2, "Fuel2,Fuel3"},
        {kLinkIndividual, 0, "Fuel1"},
        {kLinkAllInOne, 4, "Spark"},   // not listed: its own name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LinkedMapName(maps, c.mode, link, Map(c.map)), c.name) << c.mode << " " << c.map;
    }
    link.linkList = {"Fuel1", "Fuel2"};
    EXPECT_EQ(LinkedMapName(maps, kLinkAllInOne, link, Map(1)), "Fuel1,Fuel2");
    EXPECT_EQ(LinkedMapName(maps, kLinkAllInOne, link, Map(2)), "Fuel3");
}

TEST_F(LinkedMapsTest, DataByteReachesTheSameCellOfItsGroupOnly) {
    // Fuel2 row 1, column 2.
    const std::uint16_t address = 0x2006 + 5;
    EXPECT_EQ(PropagateLinkedByte(maps, kLinkTwoGroups, link, image, address, 77), 1);
    EXPECT_EQ(image[0x200C + 5], 77);   // Fuel3
    EXPECT_EQ(image[0x2000 + 5], 0);    // Fuel1: the other group
    EXPECT_EQ(image[0x2012 + 5], 0);

    EXPECT_EQ(PropagateLinkedByte(maps, kLinkAllInOne, link, image, 0x2000, 9), 3);
    EXPECT_EQ(image[0x2006], 9);
    EXPECT_EQ(image[0x200C], 9);
    EXPECT_EQ(image[0x2012], 9);
    EXPECT_EQ(image[0x2018], 0);        // Spark is not linked
}

TEST_F(LinkedMapsTest, NothingLeavesUnlinkedMapsOrAddressesOutsideLinkedData) {
    EXPECT_EQ(PropagateLinkedByte(maps, kLinkIndividual, link, image, 0x2000, 9), 0);
    EXPECT_EQ(PropagateLinkedByte(maps, kLinkAllInOne, link, image, 0x2018, 9), 0);   // Spark
    EXPECT_EQ(PropagateLinkedByte(maps, kLinkAllInOne, link, image, 0x1FFF, 9), 0);
    for (std::uint32_t a = 0x1F00; a < 0x2100; ++a) EXPECT_EQ(image[a], 0) << a;
}

TEST_F(LinkedMapsTest, SmallerLinkedMapGetsOnlyTheCellsItHas) {
    Map(2).x.count = 2;   // Fuel3 has no column 2
    EXPECT_EQ(LinkedCellAddresses(maps, kLinkAllInOne, link, Map(0), 0, 2),
              (std::vector<std::uint16_t>{0x2008, 0x2014}));
    EXPECT_TRUE(LinkedCellAddresses(maps, kLinkAllInOne, link, Map(0), 2, 0).empty());
}

TEST(MapGraphStateTest, DragValueShowsWhileItsDragRunsAndStateStartsAfreshForAnotherMap) {
    auto map = std::make_unique<MapRecord>();
    map->name = "Fuel";
    map->cursor.mode = kEditData;
    MapGraphState& state = GraphStateOf(*map);
    state.graphActive = true;
    state.dragging = true;
    state.dragMode = kEditData;
    state.dragValue = 42;
    EXPECT_EQ(ShownCursorValue(*map, 7), 42);
    map->cursor.mode = kEditRpm;   // a DATA drag says nothing about a breakpoint
    EXPECT_EQ(ShownCursorValue(*map, 7), 7);
    map->cursor.mode = kEditData;
    GraphStateOf(*map).dragging = false;
    EXPECT_EQ(ShownCursorValue(*map, 7), 7);

    map->name = "Spark";   // another map in the same place
    EXPECT_FALSE(GraphStateOf(*map).graphActive);
}

}  // namespace
