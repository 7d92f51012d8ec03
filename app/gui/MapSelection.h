#pragma once
// The dialog bar's decisions: the map and line selectors, the Point and
// Data fields with the typed value, the ALL box of each map, Individual
// Edit and what follows a Multi Map Edit. The bar itself (CDialogBar) only
// shows and reports; the frame wires it here.
#include <map>
#include <string>

class CDialogBar;
class CompareController;
class CQelApp;
class CQelDoc;
class CQelView;
class QWidget;
class QString;
struct MapRecord;
struct PromptMessage;
struct UserPrompt;

// What the selectors ask of the frame around the document's windows.
struct SelectorWindows {
    virtual ~SelectorWindows() = default;
    virtual CQelDoc* Document() const = 0;
    virtual CQelView* ActiveView() const = 0;
    virtual bool HasDocumentWindow() const = 0;
    // Ends every drag running in a map window of the document; true when one ran.
    virtual bool EndDrags() = 0;
    virtual void UpdateCommandUi() = 0;
};

class MapSelectionController {
public:
    MapSelectionController(CQelApp& app, CDialogBar& bar, SelectorWindows& windows, CompareController& compare,
                           UserPrompt& prompt, QWidget* parent);

    // The map selector: one entry per map name (or link group), the current
    // map's chosen; emptied; the current map's entry chosen again.
    void RefillMapSelector();
    void ClearMapSelector();
    void ShowCurrentMap();
    // The entry of the named map chosen without choosing it anew.
    void ChooseEntryOf(const std::string& name);
    // The map selector's map (a link group by its first map), or none.
    MapRecord* SelectorMap() const;
    // Every control of the bar cleared; the line list and the fields
    // cleared and the ALL box disabled (no window shows a map).
    void Clear();
    void ClearLines();
    // The line list of the current map, then the fields.
    void FillLineList();
    // The fields from the cursor (the Differences list and the commands follow).
    void Refresh();
    void UpdateLineEntry(int column, const QString& text);

    // The named entry shown in every view (Select map by name).
    void SelectMapByName(const std::string& entry);
    // The user chose an entry of a selector.
    void MapChosen(int index);
    void LineChosen(int index);
    // Line step: to line index, or step lines from the selected one.
    void StepLine(int index);
    void StepLineBy(int step);
    // Commit typed value (OK, Enter, or the Data field losing the focus).
    void CommitTyped(bool okButton);
    // The Data field lost the focus with a typed text.
    void DataFieldLeft();

    // All lines: the current map's flag flipped (F4 only with a window and
    // more than one line).
    void ToggleAllLines();
    void FlipAllLines();
    bool AllLines() const;
    // Shift+F5: the cursor between the DATA and RPM rows of a Free Map.
    void ToggleDataRpm();
    void ForgetAllLines() { allLines_.clear(); }

    // Edit > Individual Edit: the map link dropped after the question.
    void IndividualEdit();
    // After OK in Multi Map Edit: the selectors and the map the link shows.
    void AfterMultiMapEdit();

private:
    // The Data field's refusal or range message: at once for OK and Enter,
    // after the focus change when the field lost the focus.
    void ShowTypedMessage(const PromptMessage& message, bool now);

    CQelApp& app_;
    CDialogBar& bar_;
    SelectorWindows& windows_;
    CompareController& compare_;
    UserPrompt& prompt_;
    QWidget* parent_;
    std::map<std::string, bool> allLines_;   // per map name
    bool filling_ = false;                   // the selectors change by program, not by the user
};
