#pragma once
// Everything Compare does in the windows: a second calibration of the
// machine opened read-only beside the edited one, its Differences list,
// and copies from it into the edited calibration (one undo step each).
#include <functional>
#include <memory>
#include <string>

#include "model/Image.h"
#include "platform/FileDialogRequest.h"

class CDifferencesDlg;
class CQelView;
class EditDialogs;
class QWidget;
struct Calibration;
struct CompareCopy;
struct DifferenceRow;
struct EditWindows;
struct MapRecord;
struct UserPrompt;

class CompareController {
public:
    // Loads the file at path into a calibration of its own, like the edited
    // one; the reason it did not load whole, empty when it did.
    using LoadLike = std::function<std::string(Calibration& into, const std::string& path)>;

    // compared: where the compared calibration lives while the compare lasts
    // (the windows read it there).
    CompareController(Calibration& edited, std::unique_ptr<Calibration>& compared, EditWindows& windows,
                      EditDialogs& dialogs, UserPrompt& prompt, LoadLike loadLike, QWidget* parent);
    ~CompareController();

    // File > Compare with...: the file the request chooses.
    void Open(const FileDialogRequest& request);
    // File > End compare.
    void End();
    // File > Differences...
    void ShowDifferences();
    // The list hidden, as when the calibration closes.
    void HideDifferences();
    // The list again when the image changed since (or always).
    void RefreshDifferences(bool force);
    CDifferencesDlg* DifferencesWindow() const { return differencesDlg_; }
    // Edit > Copy from compare: the table's selection (or its cursor cell),
    // or its whole map, in the active view.
    void CopyFromCompare(bool wholeMap);
    // A row of the Differences list: its map, shown first, or its constant.
    void CopyRow(const DifferenceRow& row);

private:
    // A planned copy written with its undo step in map's list, the windows
    // and the list refreshed; a refusal shown. what names a map or constant.
    void ApplyCopy(CQelView* view, MapRecord& map, const CompareCopy& copy, const std::string& what);

    Calibration& edited_;
    std::unique_ptr<Calibration>& compared_;
    EditWindows& windows_;
    EditDialogs& dialogs_;
    UserPrompt& prompt_;
    LoadLike loadLike_;
    QWidget* parent_;
    CDifferencesDlg* differencesDlg_ = nullptr;
    std::unique_ptr<Image> differencesImage_;   // the image the list was made from
};
