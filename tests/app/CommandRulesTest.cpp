// The main frame's update rules, without a frame.
#include "app/CommandRules.h"

#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "edit/WindowKinds.h"

namespace {

FrameState OpenWithTable() {
    FrameState state;
    state.calibrationOpen = true;
    state.hasDocumentWindow = true;
    state.activeKind = kWindowTable;
    state.currentMap = true;
    state.tableWindowOpen = true;
    state.lineCount = 3;
    state.lineIndex = 1;
    return state;
}

TEST(CommandRules, WithoutADocumentWindowOnlyTheNoDataAcceleratorsWork) {
    FrameState state;
    for (int id : {cmd::kForwardEnter, cmd::kForwardShiftUp, cmd::kFlipAllLines, cmd::kFocusSwap,
                   cmd::kToggleDataRpm, cmd::kMonitorCtrlM})
        EXPECT_FALSE(QueryCommandUi(id, state).enabled) << id;
    for (int id : {cmd::kOpen, cmd::kNextPane, cmd::kPreviousPane, cmd::kAbout, cmd::kExit})
        EXPECT_TRUE(QueryCommandUi(id, state).enabled) << id;
    state = OpenWithTable();
    for (int id : {cmd::kForwardEnter, cmd::kForwardShiftUp, cmd::kFlipAllLines, cmd::kToggleDataRpm})
        EXPECT_TRUE(QueryCommandUi(id, state).enabled) << id;
}

TEST(CommandRules, ClipboardCommandsNeedATableOrHexWindowWithSomethingToWorkOn) {
    FrameState state = OpenWithTable();
    EXPECT_FALSE(QueryCommandUi(cmd::kCopy, state).enabled);
    state.childHasSelection = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kCopy, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kCut, state).enabled);
    EXPECT_FALSE(QueryCommandUi(cmd::kPaste, state).enabled);   // nothing on the clipboard
    state.clipboardHasText = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kPaste, state).enabled);
    state.activeKind = kWindowMap;
    EXPECT_FALSE(QueryCommandUi(cmd::kCopy, state).enabled);
    EXPECT_FALSE(QueryCommandUi(cmd::kPaste, state).enabled);
    state.activeKind = kWindowHex;
    state.childHasSelection = false;
    state.childCellEditing = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kPaste, state).enabled);
}

TEST(CommandRules, CompareNeedsACalibrationAndCopiesATableWindowToo) {
    FrameState state;
    for (int id : {cmd::kCompareWith, cmd::kDifferences, cmd::kEndCompare, cmd::kCopyFromCompare})
        EXPECT_FALSE(QueryCommandUi(id, state).enabled) << id;
    state.calibrationOpen = true;   // data loaded, no window yet
    EXPECT_TRUE(QueryCommandUi(cmd::kCompareWith, state).enabled);
    EXPECT_FALSE(QueryCommandUi(cmd::kDifferences, state).enabled);
    state.comparing = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kDifferences, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kEndCompare, state).enabled);
    EXPECT_FALSE(QueryCommandUi(cmd::kCopyFromCompare, state).enabled);
    state = OpenWithTable();
    EXPECT_FALSE(QueryCommandUi(cmd::kCopyMapFromCompare, state).enabled);   // nothing to copy from
    state.comparing = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kCopyFromCompare, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kCopyMapFromCompare, state).enabled);
    state.activeKind = kWindowHex;
    EXPECT_FALSE(QueryCommandUi(cmd::kCopyFromCompare, state).enabled);
}

TEST(CommandRules, AWindowKindOpensOnceAndOnlyOverAMap) {
    FrameState state;
    EXPECT_FALSE(QueryCommandUi(cmd::kOpenTableWindow, state).enabled);
    state.selectorMap = true;   // no current map yet: the selector's map counts
    EXPECT_TRUE(QueryCommandUi(cmd::kOpenTableWindow, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kOpenHexWindow, state).enabled);
    EXPECT_FALSE(QueryCommandUi(cmd::kOpenMapWindow, state).enabled);   // the kind is not built in
    state.mapWindowAvailable = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kOpenMapWindow, state).enabled);
    state.tableWindowOpen = state.hexWindowOpen = state.mapWindowOpen = true;
    for (int id : {cmd::kOpenTableWindow, cmd::kOpenHexWindow, cmd::kOpenMapWindow, cmd::kOpenWindowKind4})
        EXPECT_FALSE(QueryCommandUi(id, state).enabled) << id;
}

TEST(CommandRules, LineStepsStopAtTheEndsOfTheLineList) {
    FrameState state = OpenWithTable();
    EXPECT_TRUE(QueryCommandUi(cmd::kPreviousLine, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kNextLine, state).enabled);
    state.lineIndex = 0;
    EXPECT_FALSE(QueryCommandUi(cmd::kPreviousLine, state).enabled);
    state.lineIndex = 2;
    EXPECT_FALSE(QueryCommandUi(cmd::kNextLine, state).enabled);
    state.lineIndex = -1;
    EXPECT_FALSE(QueryCommandUi(cmd::kNextLine, state).enabled);
    state = OpenWithTable();
    state.hasDocumentWindow = false;   // the steps belong to the document's table
    EXPECT_FALSE(QueryCommandUi(cmd::kNextLine, state).enabled);
}

TEST(CommandRules, FileAndMapCommandsFollowTheCalibration) {
    FrameState state;
    for (int id : {cmd::kSave, cmd::kMenu, cmd::kConstantsList, cmd::kDataExchange, cmd::kItemSet,
                   cmd::kMonitor, cmd::kIndividualEdit, cmd::kMultiMapEdit, cmd::kAllLines})
        EXPECT_FALSE(QueryCommandUi(id, state).enabled) << id;
    state = OpenWithTable();
    for (int id : {cmd::kSave, cmd::kMenu, cmd::kConstantsList, cmd::kDataExchange, cmd::kMonitor})
        EXPECT_TRUE(QueryCommandUi(id, state).enabled) << id;
    EXPECT_FALSE(QueryCommandUi(cmd::kItemSet, state).enabled);
    state.hasMonitorItems = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kItemSet, state).enabled);
    // Start and Stop need the monitor window; then the port decides.
    EXPECT_FALSE(QueryCommandUi(cmd::kMonitorStart, state).enabled);
    state.monitorWindowShown = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kMonitorStart, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kMonitor, state).checked);
    state.portOpen = true;
    EXPECT_FALSE(QueryCommandUi(cmd::kMonitorStart, state).enabled);
    EXPECT_TRUE(QueryCommandUi(cmd::kMonitorStart, state).checked);
    EXPECT_TRUE(QueryCommandUi(cmd::kMonitorStop, state).enabled);
    state.monitorWindowShown = false;
    state.portOpen = false;
    state.multiMapEditAvailable = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kMultiMapEdit, state).enabled);
    state.mapLinked = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kIndividualEdit, state).enabled);

    EXPECT_TRUE(QueryCommandUi(cmd::kAllLines, state).enabled);
    state.allLines = true;
    EXPECT_TRUE(QueryCommandUi(cmd::kAllLines, state).checked);
    state.allLinesThirdState = true;   // a map of one line
    EXPECT_FALSE(QueryCommandUi(cmd::kAllLines, state).enabled);
}

TEST(CommandRules, UndoTakesItsTextAndStateFromTheActiveMap) {
    FrameState state = OpenWithTable();
    state.undoText = "&Undo Data\tCtrl+Z";
    state.undoEnabled = true;
    const CommandUi ui = QueryCommandUi(cmd::kUndo, state);
    EXPECT_TRUE(ui.enabled);
    EXPECT_EQ(ui.text, "&Undo Data\tCtrl+Z");
}

}  // namespace
