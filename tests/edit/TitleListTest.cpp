#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit/TitleList.h"

namespace {

using List = std::vector<std::string>;

TEST(TitleList, AddEditAndDeletePairs) {
    List list;
    AddTitle(list, "Track", "North loop");
    AddTitle(list, "Tyres", "");
    EXPECT_EQ(list, (List{"Track", "North loop", "Tyres", ""}));
    EXPECT_EQ(TitlePairCount(list), 2);
    EXPECT_TRUE(ReplaceTitle(list, 1, "Tyres", "soft"));
    EXPECT_EQ(TitleDataOf(list, 1), "soft");
    EXPECT_FALSE(ReplaceTitle(list, 2, "x", "y"));
    EXPECT_FALSE(ReplaceTitle(list, -1, "x", "y"));
    EXPECT_TRUE(DeleteTitle(list, 0));
    EXPECT_EQ(list, (List{"Tyres", "soft"}));
    EXPECT_FALSE(DeleteTitle(list, 1));
    // The only pair deleted: nothing left.
    EXPECT_TRUE(DeleteTitle(list, 0));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(TitlePairCount(list), 0);
    EXPECT_FALSE(DeleteTitle(list, 0));
}

TEST(TitleList, ALoneLastTitleIsAPairWithAnEmptyText) {
    List list{"A", "1", "B"};
    EXPECT_EQ(TitlePairCount(list), 2);
    EXPECT_EQ(TitleOf(list, 1), "B");
    EXPECT_EQ(TitleDataOf(list, 1), "");
    EXPECT_EQ(TitleOf(list, 2), "");
    AddTitle(list, "C", "3");
    EXPECT_EQ(list, (List{"A", "1", "B", "", "C", "3"}));
    List lone{"A", "1", "B"};
    EXPECT_TRUE(ReplaceTitle(lone, 1, "B2", "2"));
    EXPECT_EQ(lone, (List{"A", "1", "B2", "2"}));
    lone = {"A", "1", "B"};
    EXPECT_TRUE(DeleteTitle(lone, 1));
    EXPECT_EQ(lone, (List{"A", "1"}));
}

TEST(TitleEntry, EmptyTitleAndTitlesTheFileCannotGiveBack) {
    EXPECT_EQ(CheckTitleEntry("Track", ""), TitleEntryCheck::kOk);
    EXPECT_EQ(CheckTitleEntry("Track", "a, b; [c]"), TitleEntryCheck::kOk);   // the text may hold them
    EXPECT_EQ(CheckTitleEntry("", "text"), TitleEntryCheck::kEmptyTitle);
    EXPECT_EQ(CheckTitleEntry("a,b", ""), TitleEntryCheck::kNotStorable);
    EXPECT_EQ(CheckTitleEntry(";note", ""), TitleEntryCheck::kNotStorable);
    EXPECT_EQ(CheckTitleEntry("[Data]", ""), TitleEntryCheck::kNotStorable);
    EXPECT_EQ(CheckTitleEntry("a", "two\nlines"), TitleEntryCheck::kNotStorable);
    EXPECT_EQ(TrimTitleField("  Track \t"), "Track");
    EXPECT_EQ(TrimTitleField("   "), "");
    EXPECT_EQ(TrimTitleField("a b"), "a b");
}

}  // namespace
