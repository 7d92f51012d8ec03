#pragma once
// The main frame's update rules: whether a command is enabled, checked and
// what its menu text says, as a function of what the frame shows. The frame
// gathers a FrameState from its windows and controls; the rules decide.
#include <string>

// How the update rule leaves a command.
struct CommandUi {
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
    std::string text;          // empty: the text stays as it is
};

// Window kinds of the active child, as the document numbers them; 0 for none.
struct FrameState {
    bool calibrationOpen = false;      // a data file is loaded
    bool hasDocumentWindow = false;    // the document has at least one view
    int activeKind = 0;                // kind of the active child window, 0 for none
    bool childHasSelection = false;
    bool childCellEditing = false;
    bool clipboardHasText = false;
    std::string undoText;              // the Undo item's text for the active view's map
    bool undoEnabled = false;
    std::string redoText;              // the same for Redo
    bool redoEnabled = false;
    bool multiMapEditAvailable = false;
    bool mapLinked = false;            // a map link is in force
    bool portOpen = false;
    bool hasMonitorItems = false;
    bool monitorWindowShown = false;
    bool monitorRecording = false;     // the monitor records into a datalog
    bool currentMap = false;           // the calibration has a current map
    bool comparing = false;            // a second calibration is open to compare with
    bool hitCountsShown = false;       // a log's hit counts are laid over the maps
    bool colourScale = false;          // DATA cells shaded by value
    bool stepDecimals = false;         // DATA values with the decimals their raw step needs
    bool selectorMap = false;          // the map selector names a map
    bool mapWindowAvailable = false;   // the map window kind is built in
    bool mapWindowOpen = false;        // the document shows a window of that kind
    bool tableWindowOpen = false;
    bool hexWindowOpen = false;
    bool surfaceWindowOpen = false;    // the document shows a 3D window
    bool allLinesThirdState = false;   // a map of one line: the ALL box is greyed
    bool allLines = false;
    int lineIndex = -1;                // the Line list's selection
    int lineCount = 0;
};

// The update rules a command's row names (app/FrameCommands.def).
enum class CommandRule {
    kAlways,
    kNever,
    kCalibrationOpen,      // a data file is loaded
    kUndo,                 // text and state from the active view's map
    kRedo,                 // the same, of its redo list
    kClipboard,            // Cut, Copy: a HEX or table window with a selection or a cell in editing
    kPaste,                // as kClipboard, and text on the clipboard
    kTableMaths,           // a table window over a map
    kComparing,            // a calibration open and a second one compared with it
    kCopyFromCompare,      // a table window over a map, and a compare
    kMultiMapEdit,
    kMapLinked,
    kMonitor,              // the monitor's rules (ecu/MonitorWindow), checked while shown
    kMonitorKey,           // kMonitor, and the document's accelerator table
    kMonitorStart,
    kMonitorStop,
    kMonitorDialog,
    kMonitorRecord,
    kItemSet,
    kHitCountsShown,       // a calibration open with a log's hit counts laid over its maps
    kColourScale,          // always; checked while the DATA cells are shaded by value
    kStepDecimals,         // always; checked while values show the decimals of their raw step
    kOpenMapWindow,        // a map to show and no window of the kind yet
    kOpenTableWindow,
    kOpenHexWindow,
    kOpenSurfaceWindow,    // a map to show and no 3D window yet
    kSavePicture,          // the active child window is a table, map or 3D window
    kAllLines,
    kDocumentKey,          // a key of the document's accelerator table: a document window
    kPreviousLine,         // kDocumentKey, and a line above the selected one
    kNextLine,             // kDocumentKey, and a line below the selected one
};

CommandUi ApplyCommandRule(CommandRule rule, const FrameState& state);

// The key command code the frame passes to the active child window for id,
// 0 when the command is not forwarded.
int ForwardCode(int id);

// The rule of the command's row applied to state; a command without a row
// is enabled.
CommandUi QueryCommandUi(int id, const FrameState& state);
