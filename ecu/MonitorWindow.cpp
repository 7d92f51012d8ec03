#include "ecu/MonitorWindow.h"

MonitorCommandUi MonitorCommandRule(MonitorCommand command, const MonitorCommandState& state) {
    MonitorCommandUi ui;
    switch (command) {
    case MonitorCommand::kMonitor:
        ui.enabled = state.calibrationOpen;
        ui.checked = state.windowShown;
        break;
    case MonitorCommand::kStart:
        ui.enabled = state.windowShown && !state.portOpen;
        ui.checked = state.portOpen;
        break;
    case MonitorCommand::kStop:
        ui.enabled = state.windowShown && state.portOpen;
        ui.checked = !state.portOpen;
        break;
    case MonitorCommand::kItemSet:
        ui.enabled = state.haveItems && state.calibrationOpen;
        break;
    case MonitorCommand::kMonitorDialog:
        ui.enabled = state.windowShown;
        break;
    case MonitorCommand::kRecord:
        ui.enabled = (state.windowShown && state.portOpen) || state.recording;
        ui.checked = state.recording;
        break;
    }
    return ui;
}

MonitorKeyAction MonitorWindowKey(int key, bool withModifier) {
    if (key == '\r') return MonitorKeyAction::kFocusMainWindow;
    if (withModifier) return MonitorKeyAction::kPass;
    switch (key) {
    case 'A': case 'a': case 'O': case 'o': return MonitorKeyAction::kSwallow;
    default: return MonitorKeyAction::kPass;
    }
}

namespace monitorwnd {

namespace {
// Rows 1-15, row 16, rows 17-30, as the window's resources number them.
int RowId(std::size_t row, int firstBlock, int sixteenth, int lastBlock) {
    if (row < 15) return firstBlock + static_cast<int>(row);
    if (row == 15) return sixteenth;
    if (row < kRows) return lastBlock + static_cast<int>(row - 16);
    return 0;
}
}  // namespace

int NameId(std::size_t row) { return RowId(row, 1109, 1139, 1287); }
int UnitId(std::size_t row) { return RowId(row, 1124, 1140, 1315); }

int ValueId(std::size_t row) {
    // Values: 1092-1107 for rows 1-16, 1301-1314 for rows 17-30.
    if (row < 16) return 1092 + static_cast<int>(row);
    if (row < kRows) return 1301 + static_cast<int>(row - 16);
    return 0;
}

}  // namespace monitorwnd
