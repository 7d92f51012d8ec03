// The item set dialog's lists: the 30-entry limit, the move of an item
// already listed, where the selection goes, and what OK hands back.
#include <gtest/gtest.h>

#include "ecu/ItemSet.h"

namespace {

using Entries = std::vector<std::uint8_t>;

std::vector<DiagItem> Items(int count) {
    std::vector<DiagItem> items;
    for (int i = 0; i < count; ++i) {
        DiagItem item;
        item.request = static_cast<std::uint8_t>(i + 1);
        item.answerLength = 1;
        item.name = "Item " + std::to_string(i);
        items.push_back(item);
    }
    return items;
}

struct ItemSetTest : ::testing::Test {
    std::vector<DiagItem> items = Items(40);
    MonitorItemList dialog{monitor::kDialogMax};
    MonitorItemList statusBar{monitor::kStatusBarMax};
};

TEST_F(ItemSetTest, TheThirtyFirstItemCannotBeAdded) {
    ItemSet set(items, dialog, statusBar);
    EXPECT_FALSE(set.CanAdd(ItemSet::kDialog));   // nothing chosen on the left
    for (int i = 0; i < 30; ++i) {
        set.SelectItem(i);
        ASSERT_TRUE(set.CanAdd(ItemSet::kDialog)) << i;
        ASSERT_TRUE(set.Add(ItemSet::kDialog));
    }
    set.SelectItem(30);
    EXPECT_FALSE(set.CanAdd(ItemSet::kDialog));
    EXPECT_FALSE(set.Add(ItemSet::kDialog));
    // Not even a move: the button is disabled.
    set.SelectItem(3);
    set.SelectEntry(ItemSet::kDialog, 0);
    EXPECT_FALSE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Size(), 30u);
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries()[0], 0);
    // One out, and the left item goes in again.
    ASSERT_TRUE(set.Remove(ItemSet::kDialog));
    set.SelectItem(30);
    EXPECT_TRUE(set.Add(ItemSet::kDialog));
}

TEST_F(ItemSetTest, AnItemAddedBeforeTheSelectedEntryLinesUpAndAListedOneMoves) {
    dialog.Assign({0, 1, 2, 3});
    ItemSet set(items, dialog, statusBar);
    set.SelectEntry(ItemSet::kDialog, 2);   // Item 2
    set.SelectItem(7);
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    set.SelectItem(8);
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{0, 1, 7, 8, 2, 3}));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 4);   // still Item 2

    set.SelectItem(0);   // listed above the selection: moves down to it
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{1, 7, 8, 0, 2, 3}));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 4);
    set.SelectItem(3);   // listed below: moves up
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{1, 7, 8, 0, 3, 2}));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 5);
    set.SelectItem(2);   // the selected entry itself stays put and stays selected
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{1, 7, 8, 0, 3, 2}));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 5);

    set.SelectEntry(ItemSet::kDialog, -1);   // no selection: appended
    set.SelectItem(1);
    ASSERT_TRUE(set.Add(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{7, 8, 0, 3, 2, 1}));
    EXPECT_EQ(set.EntryNames(ItemSet::kDialog).back(), "Item 1");
}

TEST_F(ItemSetTest, RemoveNeedsASelectionAndPassesItOn) {
    dialog.Assign({4, 5, 6});
    ItemSet set(items, dialog, statusBar);
    EXPECT_FALSE(set.CanRemove(ItemSet::kDialog));
    EXPECT_FALSE(set.Remove(ItemSet::kDialog));
    set.SelectEntry(ItemSet::kDialog, 3);   // past the end: none
    EXPECT_FALSE(set.CanRemove(ItemSet::kDialog));
    set.SelectEntry(ItemSet::kDialog, 1);
    ASSERT_TRUE(set.Remove(ItemSet::kDialog));
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{4, 6}));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 1);
    ASSERT_TRUE(set.Remove(ItemSet::kDialog));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), 0);
    ASSERT_TRUE(set.Remove(ItemSet::kDialog));
    EXPECT_EQ(set.SelectedEntry(ItemSet::kDialog), -1);
    EXPECT_FALSE(set.CanRemove(ItemSet::kDialog));
}

TEST_F(ItemSetTest, TheListsAreCopiesAndTellWhetherTheyChanged) {
    dialog.Assign({1, 2});
    ItemSet set(items, dialog, statusBar);
    EXPECT_FALSE(set.Changed(ItemSet::kDialog));
    set.SelectItem(2);
    set.SelectEntry(ItemSet::kDialog, 0);
    ASSERT_TRUE(set.Add(ItemSet::kDialog));   // a real move
    EXPECT_TRUE(set.Changed(ItemSet::kDialog));
    EXPECT_EQ(dialog.Entries(), (Entries{1, 2}));   // Cancel would leave this
    set.SelectItem(1);
    set.SelectEntry(ItemSet::kDialog, 0);
    ASSERT_TRUE(set.Add(ItemSet::kDialog));   // back as it was
    EXPECT_EQ(set.Entries(ItemSet::kDialog).Entries(), (Entries{1, 2}));
    EXPECT_FALSE(set.Changed(ItemSet::kDialog));
    EXPECT_FALSE(set.Changed(ItemSet::kStatusBar));
}

TEST_F(ItemSetTest, TheStatusBarListTakesThreeAndTheLeftListNamesEveryItem) {
    ItemSet set(items, dialog, statusBar);
    EXPECT_EQ(set.ItemNames().size(), 40u);
    EXPECT_EQ(set.ItemNames()[39], "Item 39");
    for (int i = 0; i < 3; ++i) {
        set.SelectItem(i);
        ASSERT_TRUE(set.Add(ItemSet::kStatusBar));
    }
    set.SelectItem(5);
    EXPECT_FALSE(set.CanAdd(ItemSet::kStatusBar));
    EXPECT_TRUE(set.CanAdd(ItemSet::kDialog));
    EXPECT_TRUE(set.Changed(ItemSet::kStatusBar));
}

TEST_F(ItemSetTest, AnItemBeyondTheEightBitListsOrPastTheEndCannotBeChosen) {
    std::vector<DiagItem> many = Items(300);
    ItemSet set(many, dialog, statusBar);
    set.SelectItem(255);
    EXPECT_EQ(set.SelectedItem(), 255);
    set.SelectItem(256);
    EXPECT_EQ(set.SelectedItem(), -1);
    EXPECT_FALSE(set.Add(ItemSet::kDialog));
    set.SelectItem(300);
    EXPECT_EQ(set.SelectedItem(), -1);
    // A stored index the definition no longer has shows without a name.
    dialog.Assign({9});
    ItemSet few(Items(3), dialog, statusBar);
    EXPECT_EQ(few.EntryNames(ItemSet::kDialog), (std::vector<std::string>{""}));
}

}  // namespace
