#pragma once
// The decisions around the monitor window: the update rules of the main
// frame's monitor commands, what the window does with a key, and the
// control identifiers of its thirty rows.
#include <cstddef>

enum class MonitorCommand { kMonitor, kStart, kStop, kItemSet, kMonitorDialog, kRecord };

struct MonitorCommandState {
    bool calibrationOpen = false;
    bool windowShown = false;
    bool portOpen = false;
    bool haveItems = false;    // the definition lists monitor items
    bool recording = false;    // the monitor records into a datalog
};

struct MonitorCommandUi {
    bool enabled = false;
    bool checked = false;
};

// "&Monitor...": a calibration is open; checked while the window is shown.
// "St&art": the window is shown and the port closed; checked while open.
// "St&op": the window is shown and the port open; checked while closed.
// "&Item set...": items exist and a calibration is open.
// "&Monitor Dialog": the window is shown.
// "&Record": the monitor runs (as for St&op), or it records, so the
// recording can always be ended; checked while recording.
MonitorCommandUi MonitorCommandRule(MonitorCommand command, const MonitorCommandState& state);

// Enter sends the focus to the main window. The letters A and O without a
// modifier would press the start/stop button through its mnemonic
// ("St&art", "St&op"); the window swallows them.
enum class MonitorKeyAction { kPass, kSwallow, kFocusMainWindow };
// key: an upper- or lower-case letter, or '\r' for Enter (either Enter key).
MonitorKeyAction MonitorWindowKey(int key, bool withModifier);

namespace monitorwnd {
constexpr std::size_t kRows = 30;
// The ids of row r's name text, value box and unit text (0 for r >= 30).
int NameId(std::size_t row);
int ValueId(std::size_t row);
int UnitId(std::size_t row);
// The value box that follows row 30: the window ends above it.
constexpr int kEndMarkId = 1329;
}  // namespace monitorwnd
