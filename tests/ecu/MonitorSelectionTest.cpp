// The monitor selection in the settings file: which stored lists are taken,
// and how saving replaces the old list.
#include <gtest/gtest.h>

#include "ecu/MonitorSelection.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<DiagItem> Items(std::initializer_list<const char*> names) {
    std::vector<DiagItem> items;
    for (const char* name : names) {
        DiagItem item;
        item.name = name;
        items.push_back(item);
    }
    return items;
}

std::vector<DiagItem> NumberedItems(int count) {
    std::vector<DiagItem> items;
    for (int i = 0; i < count; ++i) {
        DiagItem item;
        item.name = "Item " + std::to_string(i);
        items.push_back(item);
    }
    return items;
}

using Selection = std::vector<std::uint8_t>;

struct MonitorSelectionTest : ::testing::Test {
    TempDir dir;
    ProfileFile Settings(const std::string& text) { return ProfileFile(dir.Write("RV_Tune.INI", text)); }
};

TEST_F(MonitorSelectionTest, WithoutAStoredListTheFirstFifteenItemsAreShown) {
    EXPECT_EQ(LoadMonitorSelection(Settings("[RS232C]\nPORT=PORT1\n"), NumberedItems(20)),
              (Selection{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(LoadMonitorSelection(Settings("[DIAGSELECT]\nSELECT0=\n"), NumberedItems(3)),
              (Selection{0, 1, 2}));
    EXPECT_TRUE(LoadMonitorSelection(Settings(""), {}).empty());
}

TEST_F(MonitorSelectionTest, AStoredListSelectsItsItemsInItsOrderUpToTheFirstEmptyValue) {
    const auto items = Items({"Coolant", "A", "B", "A"});
    EXPECT_EQ(LoadMonitorSelection(Settings("[diagselect]\nselect0=B\nSELECT1=A\nSELECT2=\nSELECT3=Coolant\n"),
                                   items),
              (Selection{2, 1}));   // the first "A" of the two
}

TEST_F(MonitorSelectionTest, ANameWithoutItemDropsTheWholeStoredList) {
    const auto items = Items({"A", "B", "C"});
    EXPECT_EQ(LoadMonitorSelection(Settings("[DIAGSELECT]\nSELECT0=B\nSELECT1=Gone\n"), items),
              (Selection{0, 1, 2}));
    // Names are compared exactly.
    EXPECT_EQ(LoadMonitorSelection(Settings("[DIAGSELECT]\nSELECT0=b\n"), items), (Selection{0, 1, 2}));
}

TEST_F(MonitorSelectionTest, AStoredListLongerThanTheWindowIsCutAtThirtyRows) {
    std::string text = "[DIAGSELECT]\n";
    for (int i = 0; i < 40; ++i) text += "SELECT" + std::to_string(i) + "=Item " + std::to_string(39 - i) + "\n";
    const Selection loaded = LoadMonitorSelection(Settings(text), NumberedItems(40));
    ASSERT_EQ(loaded.size(), 30u);
    EXPECT_EQ(loaded.front(), 39);
    EXPECT_EQ(loaded.back(), 10);
}

TEST_F(MonitorSelectionTest, AnItemBeyondTheEightBitListsCannotBeSelected) {
    EXPECT_EQ(LoadMonitorSelection(Settings("[DIAGSELECT]\nSELECT0=Item 300\n"), NumberedItems(301)).size(), 15u);
}

TEST_F(MonitorSelectionTest, SavingEmptiesTheOldListKeepsOtherLinesAndLoadsBack) {
    ProfileFile settings = Settings("[DIAGSELECT]\nSELECT0=A\nSELECT1=B\nSELECT2=C\nSELECT3=A\n; note\n"
                                    "[UNDO]\nSIZE=99\n");
    const auto items = Items({"A", "B", "C", "D"});
    ASSERT_TRUE(SaveMonitorSelection(settings, items, {3, 0}));
    EXPECT_EQ(settings.ReadString("DIAGSELECT", "SELECT0", "?"), "D");
    EXPECT_EQ(settings.ReadString("DIAGSELECT", "SELECT1", "?"), "A");
    EXPECT_EQ(settings.ReadString("DIAGSELECT", "SELECT2", "?"), "");   // emptied, the key stays
    EXPECT_EQ(settings.ReadString("DIAGSELECT", "SELECT3", "?"), "");
    EXPECT_EQ(settings.ReadInt("UNDO", "SIZE", 0), 99);
    EXPECT_NE(dir.Read("RV_Tune.INI").find("; note"), std::string::npos);
    EXPECT_EQ(LoadMonitorSelection(settings, items), (Selection{3, 0}));
}

TEST_F(MonitorSelectionTest, AnEmptySelectionIsNotSavedAndIndicesWithoutItemAreLeftOut) {
    const std::string text = "[DIAGSELECT]\nSELECT0=A\n";
    ProfileFile settings = Settings(text);
    const auto items = Items({"A", "B"});
    EXPECT_TRUE(SaveMonitorSelection(settings, items, {}));
    EXPECT_EQ(dir.Read("RV_Tune.INI"), text);

    ASSERT_TRUE(SaveMonitorSelection(settings, items, {1, 7, 0}));
    EXPECT_EQ(LoadMonitorSelection(settings, items), (Selection{1, 0}));
}

}  // namespace
