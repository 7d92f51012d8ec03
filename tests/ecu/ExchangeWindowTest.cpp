// What the data exchange window shows besides its panes: the choice
// dialogs with the no-ECU rule, and the hex view's labels and scrolling.
#include <gtest/gtest.h>

#include "ecu/ExchangeChoice.h"

namespace {

TEST(ExchangeChoiceTest, EachDialogOffersItsChoicesInCodeOrderWithTheFirstPreselected) {
    const ExchangeChoice read = ExchangeChoiceOf(ExchangeAction::kRead, false);
    EXPECT_EQ(read.caption, "Data Read");
    EXPECT_EQ(read.labels, (std::vector<std::string>{"ECU Data", "Edit Data", "File Data"}));
    EXPECT_EQ(read.enabled, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(read.preselected, 0);

    const ExchangeChoice write = ExchangeChoiceOf(ExchangeAction::kWrite, false);
    EXPECT_EQ(write.caption, "Data Write");
    EXPECT_EQ(write.labels, (std::vector<std::string>{"ECU", "Edit"}));
    EXPECT_EQ(write.preselected, 0);

    const ExchangeChoice verify = ExchangeChoiceOf(ExchangeAction::kVerify, false);
    EXPECT_EQ(verify.caption, "Data Verify");
    EXPECT_EQ(verify.labels, read.labels);
}

TEST(ExchangeChoiceTest, WithoutAnEcuTheFirstChoiceIsDisabledAndTheSecondPreselected) {
    for (const ExchangeAction action : {ExchangeAction::kRead, ExchangeAction::kWrite, ExchangeAction::kVerify}) {
        const ExchangeChoice choice = ExchangeChoiceOf(action, true);
        ASSERT_GE(choice.enabled.size(), 2u);
        EXPECT_FALSE(choice.enabled[0]);
        EXPECT_TRUE(choice.enabled[1]);
        EXPECT_EQ(choice.preselected, 1);
    }
}

TEST(ExchangeChoiceTest, OnlyTheOfferedCodesAreTaken) {
    ExchangeSource source = ExchangeSource::kEcu;
    EXPECT_TRUE(ChosenSource(2, source));
    EXPECT_EQ(source, ExchangeSource::kFile);
    EXPECT_FALSE(ChosenSource(3, source));
    EXPECT_FALSE(ChosenSource(-1, source));
    EXPECT_EQ(source, ExchangeSource::kFile);
    ExchangeTarget target = ExchangeTarget::kEcu;
    EXPECT_TRUE(ChosenTarget(1, target));
    EXPECT_EQ(target, ExchangeTarget::kEdit);
    EXPECT_FALSE(ChosenTarget(2, target));   // a file is no write target
}

TEST(HexViewTest, HeaderAndScrollLimit) {
    EXPECT_EQ(hexview::ColumnHeader(0), "+0");
    EXPECT_EQ(hexview::ColumnHeader(15), "+F");
    EXPECT_EQ(hexview::ColumnHeader(16), "");
    DataPane pane;
    EXPECT_EQ(hexview::LastFirstRow(pane), 0);
    pane.Fill(0x0000, std::vector<std::uint8_t>(0x1001), "t", false);
    ASSERT_EQ(pane.rowCount, 0x101);
    EXPECT_EQ(hexview::LastFirstRow(pane), 0x101 - 10);
    pane.ScrollRows(1000);
    EXPECT_EQ(pane.firstVisibleRow, hexview::LastFirstRow(pane));
    pane.Fill(0x0000, std::vector<std::uint8_t>(48), "t", true);
    EXPECT_EQ(hexview::LastFirstRow(pane), 0);   // three rows fit the view
}

}  // namespace
