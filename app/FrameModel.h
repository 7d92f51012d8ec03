#pragma once
// The main frame's decisions, without the frame: what its dialog bar shows
// (the Line list, the Point and Data fields), what the dialog bar's OK does
// with a typed DATA value, the Line step, Toggle DATA/RPM, the copy-back of
// the constants list, and the map groups of the Menu dialog.
#include "platform/FileDialogRequest.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/EditContext.h"
#include "model/Image.h"
#include "model/MapRecord.h"
#include "platform/UserPrompt.h"

class CQelApp;
class ProfileFile;

// One entry per THROT row: a Free Map prints its THROT byte with FormatZ; a
// Config Map of type 3 its THROT byte or word; any other Config Map the
// row's field of its list axis ("0" past the list's end). selected is the
// cursor's row, or -1 for a map of one row (the list then marks nothing).
struct LineList {
    std::vector<std::string> texts;
    int selected = -1;
};
LineList LineListOf(CQelApp& app, const MapRecord& map);
// The Line list text of THROT row index.
std::string LineText(CQelApp& app, const MapRecord& map, int index);

// The dialog bar's fields for the cursor: Point (RPM at the cursor's row and
// column, FormatX) and Data (DATA there, FormatData). false when the cursor
// lies outside the table, in which case the fields keep their texts. With
// the cursor on a THROT value, lineFollows names the Line entry to select
// (the cursor's row follows it); on any other cell the entry of the
// cursor's row when the Line list shows another; else -1.
struct DialogBarFields {
    std::string point;
    std::string data;
    int lineFollows = -1;
};
bool DialogBarFieldsOf(CQelApp& app, MapRecord& map, int lineSelection, DialogBarFields& fields);

// The dialog bar's OK (and the Data field losing the focus): the typed text
// into the DATA cell at the cursor, taken as the table window takes a typed
// cell (CommitDataEdit): a text that is not one whole number is refused with
// "Data error" and the cell's value shown again; a value is clamped to a
// byte and into the cell's limits and reported with 1525 when it lies outside
// the item's range; a change is written with its undo record (action 1) and
// handed to the map link of context. In THROT mode nothing is committed; in
// RPM mode only for a Free Map of type 2, and without a write. An empty text
// commits nothing but shows the cell's value again. A cell the file does not
// keep is refused with EditContext::OutsideDataRefusal's message.
struct TypedValueResult {
    bool committed = false;
    bool written = false;
    std::string dataText;        // the Data field's new text (committed or refused)
    bool refused = false;        // the text was refused: dataText holds the cell's value
    bool clearField = false;     // not committed, OK button: THROT or RPM mode
    bool wrongWord = false;      // not committed, OK button, DATA mode without a cell: show 1536
    std::optional<PromptMessage> message;   // the refusal or the range message, as the table shows it
};
TypedValueResult CommitTypedValue(EditContext& context, CQelApp& app, MapRecord& map, const std::string& text,
                                  bool okButton);

// The Line step to THROT row index: the cursor's row, its raw value and its
// limits. false (nothing changed) for an index outside the map.
bool StepToLine(CQelApp& app, MapRecord& map, int index);

// Toggle DATA/RPM at the cursor: DATA becomes RPM with the breakpoint's raw
// value (the cursor row's own axis in a map of type 2), RPM becomes DATA with
// the DATA byte. false outside those two modes.
bool ToggleDataRpm(CQelApp& app, MapRecord& map);

// The constants list works on a copy of the whole image. Copies the buffer
// back and tells whether any byte differed.
bool CopyBackImage(Image& image, const Image& buffer);

// The Menu dialog's groups from the settings file's "MAP LIST" section.
struct MapListEntry {
    std::string identifier;
    std::string label;
};
struct MapGroups {
    std::string otherLabel = "Other Map";      // key "LIST"
    std::vector<MapListEntry> entries;         // "LIST1", "LIST2", ... until the first empty one
    std::vector<std::string> labels;           // the group list, first one first
};
MapGroups ReadMapGroups(const ProfileFile& settings, const MapList& maps);
// The maps of a group by name, each with its index in maps; a name that is
// already listed is not listed again.
std::vector<std::pair<std::string, int>> MapsOfGroup(const MapGroups& groups, const MapList& maps,
                                                     const std::string& label);
// At least two maps whose name ends in a digit: the maps a map link can join.
bool MultiMapEditAvailable(const MapList& maps);
// Ends a map link: no link, and the link list back to what the machine
// definition fixes (empty when it fixes nothing).
void DropMapLink(CQelApp& app);

// 3001 "Are you sure you want to close without saving the change ?" with OK
// and Cancel. OK throws the changes away, so Enter must not choose it: the
// default button is Cancel, which keeps them. true means close.
bool ConfirmCloseWithoutSaving(UserPrompt& prompt);

// Close (and the end of the program): the calibration goes. The path, the
// data file lines and the maps are emptied, the map link dropped, the
// modified flag cleared, and a compare ended.
void ResetCalibration(CQelApp& app);


