#include "app/CommandRules.h"

#include "app/CommandIds.h"
#include "ecu/MonitorWindow.h"
#include "edit/WindowKinds.h"

namespace {

// Accelerators that work without a calibration.
bool InNoDataTable(int id) {
    switch (id) {
        case cmd::kCopy: case cmd::kPaste: case cmd::kCut: case cmd::kUndo: case cmd::kOpen:
        case cmd::kMenu: case cmd::kNextPane: case cmd::kPreviousPane:
            return true;
        default:
            return false;
    }
}

// Commands of the document's accelerator table: without a document window
// only those of the no-data table work.
bool InDocumentTable(int id) {
    return ForwardCode(id) != 0 || id == cmd::kFlipAllLines || id == cmd::kFocusSwap ||
           id == cmd::kToggleDataRpm || id == cmd::kPreviousLine || id == cmd::kNextLine ||
           id == cmd::kMonitorCtrlM;
}

}  // namespace

int ForwardCode(int id) {
    switch (id) {
        case cmd::kForwardEnter: return 7;
        case cmd::kForwardPageUp: case cmd::kForwardCtrlShiftPageUp: return 11;
        case cmd::kForwardPageDown: case cmd::kForwardCtrlShiftPageDown: return 12;
        case cmd::kForwardShiftUp: return 13;
        case cmd::kForwardShiftDown: return 14;
        case cmd::kForwardShiftLeft: return 15;
        case cmd::kForwardShiftRight: return 16;
        case cmd::kForwardCtrlShiftUp: return 20;
        case cmd::kForwardCtrlShiftDown: return 21;
        case cmd::kForwardCtrlShiftLeft: return 22;
        case cmd::kForwardCtrlShiftRight: return 23;
        case cmd::kForwardCtrlShiftC: return 24;
        case cmd::kForwardCtrlShiftV: return 25;
        case cmd::kForwardCtrlShiftEnter: return 26;
        default: return 0;
    }
}

CommandUi QueryCommandUi(int id, const FrameState& state) {
    CommandUi ui;
    const bool open = state.calibrationOpen;
    const bool anyMap = state.currentMap || state.selectorMap;
    if (InDocumentTable(id) && !state.hasDocumentWindow && !InNoDataTable(id)) ui.enabled = false;
    switch (id) {
        case cmd::kSave: case cmd::kMenu: case cmd::kConstantsList: case cmd::kDataExchange: case cmd::kLogbook:
            ui.enabled = open;
            break;
        case cmd::kUndo:
            ui.text = state.undoText;
            ui.enabled = state.undoEnabled;
            break;
        case cmd::kCut: case cmd::kCopy: case cmd::kPaste: {
            const bool kind = state.activeKind == kWindowHex || state.activeKind == kWindowTable;
            ui.enabled = kind && (state.childHasSelection || state.childCellEditing);
            if (id == cmd::kPaste) ui.enabled = ui.enabled && state.clipboardHasText;
            break;
        }
        case cmd::kMathsSet: case cmd::kMathsAdd: case cmd::kMathsScale: case cmd::kInterpolateRows:
        case cmd::kInterpolateColumns: case cmd::kInterpolateBoth: case cmd::kSmooth:
            ui.enabled = state.activeKind == kWindowTable && state.currentMap;
            break;
        case cmd::kCompareWith:
            ui.enabled = open;
            break;
        case cmd::kEndCompare: case cmd::kDifferences:
            ui.enabled = open && state.comparing;
            break;
        case cmd::kCopyFromCompare: case cmd::kCopyMapFromCompare:
            ui.enabled = state.activeKind == kWindowTable && state.currentMap && state.comparing;
            break;
        case cmd::kMultiMapEdit:
            ui.enabled = state.hasDocumentWindow && state.multiMapEditAvailable;
            break;
        case cmd::kIndividualEdit:
            ui.enabled = state.mapLinked;
            break;
        case cmd::kMonitor: case cmd::kMonitorCtrlM: case cmd::kMonitorStart: case cmd::kMonitorStop:
        case cmd::kMonitorDialog: case cmd::kItemSet: {
            MonitorCommandState monitorState;
            monitorState.calibrationOpen = open;
            monitorState.windowShown = state.monitorWindowShown;
            monitorState.portOpen = state.portOpen;
            monitorState.haveItems = state.hasMonitorItems;
            const MonitorCommand command = id == cmd::kMonitorStart    ? MonitorCommand::kStart
                                           : id == cmd::kMonitorStop   ? MonitorCommand::kStop
                                           : id == cmd::kItemSet       ? MonitorCommand::kItemSet
                                           : id == cmd::kMonitorDialog ? MonitorCommand::kMonitorDialog
                                                                       : MonitorCommand::kMonitor;
            const MonitorCommandUi rule = MonitorCommandRule(command, monitorState);
            // Ctrl+M also needs the document's accelerator table (above).
            ui.enabled = ui.enabled && rule.enabled;
            ui.checkable = id != cmd::kItemSet && id != cmd::kMonitorDialog;
            ui.checked = rule.checked;
            break;
        }
        case cmd::kOpenMapWindow:
            ui.enabled = state.mapWindowAvailable && anyMap && !state.mapWindowOpen;
            break;
        case cmd::kOpenTableWindow:
            ui.enabled = anyMap && !state.tableWindowOpen;
            break;
        case cmd::kOpenHexWindow:
            ui.enabled = anyMap && !state.hexWindowOpen;
            break;
        case cmd::kOpenWindowKind4:
            ui.enabled = false;
            break;
        case cmd::kAllLines:
            ui.enabled = state.currentMap && !state.allLinesThirdState;
            ui.checkable = true;
            ui.checked = state.allLines;
            break;
        case cmd::kPreviousLine:
            ui.enabled = ui.enabled && state.lineIndex > 0;
            break;
        case cmd::kNextLine:
            ui.enabled = ui.enabled && state.lineIndex >= 0 && state.lineIndex < state.lineCount - 1;
            break;
        default:
            break;
    }
    return ui;
}
