// The decisions around the monitor window: the update rules of the monitor
// commands, the window's keys and its row identifiers.
#include <gtest/gtest.h>

#include <set>

#include "ecu/MonitorWindow.h"

namespace {

struct RuleCase {
    MonitorCommand command;
    MonitorCommandState state;   // calibration open, window shown, port open, items
    bool enabled;
    bool checked;
};

TEST(MonitorCommandRuleTest, EachCommandFollowsTheWindowThePortAndTheCalibration) {
    const RuleCase cases[] = {
        {MonitorCommand::kMonitor, {false, false, false, true}, false, false},
        {MonitorCommand::kMonitor, {true, false, false, true}, true, false},
        {MonitorCommand::kMonitor, {true, true, true, true}, true, true},
        // Start: needs the window shown and the port closed; checked while open.
        {MonitorCommand::kStart, {true, false, false, true}, false, false},
        {MonitorCommand::kStart, {true, true, false, true}, true, false},
        {MonitorCommand::kStart, {true, true, true, true}, false, true},
        {MonitorCommand::kStart, {true, false, true, true}, false, true},
        // Stop: needs the window shown and the port open; checked while closed.
        {MonitorCommand::kStop, {true, true, true, true}, true, false},
        {MonitorCommand::kStop, {true, true, false, true}, false, true},
        {MonitorCommand::kStop, {true, false, true, true}, false, false},
        {MonitorCommand::kItemSet, {true, false, false, true}, true, false},
        {MonitorCommand::kItemSet, {true, false, false, false}, false, false},
        {MonitorCommand::kItemSet, {false, false, false, true}, false, false},
        {MonitorCommand::kMonitorDialog, {true, true, false, true}, true, false},
        {MonitorCommand::kMonitorDialog, {true, false, true, true}, false, false},
    };
    int i = 0;
    for (const RuleCase& c : cases) {
        const MonitorCommandUi ui = MonitorCommandRule(c.command, c.state);
        EXPECT_EQ(ui.enabled, c.enabled) << "case " << i;
        EXPECT_EQ(ui.checked, c.checked) << "case " << i;
        ++i;
    }
}

TEST(MonitorWindowKeyTest, EnterLeavesTheWindowAndThePlainMnemonicLettersAreSwallowed) {
    EXPECT_EQ(MonitorWindowKey('\r', false), MonitorKeyAction::kFocusMainWindow);
    EXPECT_EQ(MonitorWindowKey('\r', true), MonitorKeyAction::kFocusMainWindow);
    for (int key : {'A', 'a', 'O', 'o'}) {
        EXPECT_EQ(MonitorWindowKey(key, false), MonitorKeyAction::kSwallow) << char(key);
        EXPECT_EQ(MonitorWindowKey(key, true), MonitorKeyAction::kPass) << char(key);   // Alt+A is the mnemonic
    }
    EXPECT_EQ(MonitorWindowKey('B', false), MonitorKeyAction::kPass);
    EXPECT_EQ(MonitorWindowKey('\t', false), MonitorKeyAction::kPass);
}

TEST(MonitorWindowIdsTest, ThirtyRowsOfDistinctIdsInTheResourceBlocks) {
    EXPECT_EQ(monitorwnd::NameId(0), 1109);
    EXPECT_EQ(monitorwnd::NameId(14), 1123);
    EXPECT_EQ(monitorwnd::NameId(15), 1139);
    EXPECT_EQ(monitorwnd::NameId(16), 1287);
    EXPECT_EQ(monitorwnd::NameId(29), 1300);
    EXPECT_EQ(monitorwnd::ValueId(15), 1107);
    EXPECT_EQ(monitorwnd::ValueId(16), 1301);
    EXPECT_EQ(monitorwnd::ValueId(29), 1314);
    EXPECT_EQ(monitorwnd::UnitId(15), 1140);
    EXPECT_EQ(monitorwnd::UnitId(29), 1328);
    EXPECT_EQ(monitorwnd::NameId(30), 0);
    std::set<int> ids;
    for (std::size_t row = 0; row < monitorwnd::kRows; ++row)
        for (int id : {monitorwnd::NameId(row), monitorwnd::ValueId(row), monitorwnd::UnitId(row)}) ids.insert(id);
    EXPECT_EQ(ids.size(), 90u);
    EXPECT_EQ(ids.count(monitorwnd::kEndMarkId), 0u);
}

}  // namespace
