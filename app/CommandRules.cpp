#include "app/CommandRules.h"

#include "app/CommandIds.h"
#include "ecu/MonitorWindow.h"
#include "edit/WindowKinds.h"

namespace {

struct RuleRow {
    int id;
    CommandRule rule;
    int forward;
};

// The rule and key code columns of the command table.
const RuleRow kRuleRows[] = {
#define COMMAND(id, text, keys, menu, where, rule, forward, handler) {id, CommandRule::rule, forward},
#include "app/FrameCommands.def"
#undef COMMAND
};

const RuleRow* FindRow(int id) {
    for (const RuleRow& row : kRuleRows)
        if (row.id == id) return &row;
    return nullptr;
}

CommandUi MonitorRule(MonitorCommand command, const FrameState& state) {
    MonitorCommandState monitorState;
    monitorState.calibrationOpen = state.calibrationOpen;
    monitorState.windowShown = state.monitorWindowShown;
    monitorState.portOpen = state.portOpen;
    monitorState.haveItems = state.hasMonitorItems;
    monitorState.recording = state.monitorRecording;
    const MonitorCommandUi rule = MonitorCommandRule(command, monitorState);
    CommandUi ui;
    ui.enabled = rule.enabled;
    ui.checkable = command != MonitorCommand::kItemSet && command != MonitorCommand::kMonitorDialog;
    ui.checked = rule.checked;
    return ui;
}

}  // namespace

CommandUi ApplyCommandRule(CommandRule rule, const FrameState& state) {
    CommandUi ui;
    const bool open = state.calibrationOpen;
    const bool anyMap = state.currentMap || state.selectorMap;
    const bool clipboardKind = state.activeKind == kWindowHex || state.activeKind == kWindowTable;
    const bool tableOverMap = state.activeKind == kWindowTable && state.currentMap;
    switch (rule) {
        case CommandRule::kAlways: break;
        case CommandRule::kNever: ui.enabled = false; break;
        case CommandRule::kCalibrationOpen: ui.enabled = open; break;
        case CommandRule::kUndo:
            ui.text = state.undoText;
            ui.enabled = state.undoEnabled;
            break;
        case CommandRule::kRedo:
            ui.text = state.redoText;
            ui.enabled = state.redoEnabled;
            break;
        case CommandRule::kClipboard:
            ui.enabled = clipboardKind && (state.childHasSelection || state.childCellEditing);
            break;
        case CommandRule::kPaste:
            ui.enabled = clipboardKind && (state.childHasSelection || state.childCellEditing) && state.clipboardHasText;
            break;
        case CommandRule::kTableMaths: ui.enabled = tableOverMap; break;
        case CommandRule::kComparing: ui.enabled = open && state.comparing; break;
        case CommandRule::kCopyFromCompare: ui.enabled = tableOverMap && state.comparing; break;
        case CommandRule::kMultiMapEdit: ui.enabled = state.hasDocumentWindow && state.multiMapEditAvailable; break;
        case CommandRule::kMapLinked: ui.enabled = state.mapLinked; break;
        case CommandRule::kMonitor: return MonitorRule(MonitorCommand::kMonitor, state);
        case CommandRule::kMonitorKey:
            ui = MonitorRule(MonitorCommand::kMonitor, state);
            ui.enabled = ui.enabled && state.hasDocumentWindow;
            break;
        case CommandRule::kMonitorStart: return MonitorRule(MonitorCommand::kStart, state);
        case CommandRule::kMonitorStop: return MonitorRule(MonitorCommand::kStop, state);
        case CommandRule::kMonitorDialog: return MonitorRule(MonitorCommand::kMonitorDialog, state);
        case CommandRule::kMonitorRecord: return MonitorRule(MonitorCommand::kRecord, state);
        case CommandRule::kItemSet: return MonitorRule(MonitorCommand::kItemSet, state);
        case CommandRule::kHitCountsShown: ui.enabled = open && state.hitCountsShown; break;
        case CommandRule::kColourScale:
        case CommandRule::kStepDecimals:
            ui.checkable = true;
            ui.checked = rule == CommandRule::kColourScale ? state.colourScale : state.stepDecimals;
            break;
        case CommandRule::kOpenMapWindow:
            ui.enabled = state.mapWindowAvailable && anyMap && !state.mapWindowOpen;
            break;
        case CommandRule::kOpenTableWindow: ui.enabled = anyMap && !state.tableWindowOpen; break;
        case CommandRule::kOpenHexWindow: ui.enabled = anyMap && !state.hexWindowOpen; break;
        case CommandRule::kOpenSurfaceWindow: ui.enabled = anyMap && !state.surfaceWindowOpen; break;
        case CommandRule::kSavePicture:
            ui.enabled = state.activeKind == kWindowMap || state.activeKind == kWindowTable ||
                         state.activeKind == kWindowSurface;
            break;
        case CommandRule::kAllLines:
            ui.enabled = state.currentMap && !state.allLinesThirdState;
            ui.checkable = true;
            ui.checked = state.allLines;
            break;
        case CommandRule::kDocumentKey: ui.enabled = state.hasDocumentWindow; break;
        case CommandRule::kPreviousLine: ui.enabled = state.hasDocumentWindow && state.lineIndex > 0; break;
        case CommandRule::kNextLine:
            ui.enabled = state.hasDocumentWindow && state.lineIndex >= 0 && state.lineIndex < state.lineCount - 1;
            break;
    }
    return ui;
}

int ForwardCode(int id) {
    const RuleRow* row = FindRow(id);
    return row ? row->forward : 0;
}

CommandUi QueryCommandUi(int id, const FrameState& state) {
    const RuleRow* row = FindRow(id);
    return row ? ApplyCommandRule(row->rule, state) : CommandUi{};
}
