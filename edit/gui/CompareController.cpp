#include "edit/gui/CompareController.h"

#include "edit/CalibrationCompare.h"
#include "edit/UndoList.h"
#include "edit/CalibrationDiff.h"
#include "edit/EditContext.h"
#include "edit/TableModel.h"
#include "edit/gui/DifferencesDlg.h"
#include "edit/gui/EditDialogs.h"
#include "edit/gui/EditWindows.h"
#include "edit/gui/QelView.h"
#include "edit/gui/TableWnd.h"
#include "model/Calibration.h"
#include "platform/UserPrompt.h"

namespace {

constexpr const char* kCompareCaption = "Compare";

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CompareController::CompareController(Calibration& edited, std::unique_ptr<Calibration>& compared,
                                     EditWindows& windows, EditDialogs& dialogs, UserPrompt& prompt,
                                     LoadLike loadLike, QWidget* parent)
    : edited_(edited),
      compared_(compared),
      windows_(windows),
      dialogs_(dialogs),
      prompt_(prompt),
      loadLike_(std::move(loadLike)),
      parent_(parent) {}

CompareController::~CompareController() = default;

void CompareController::Open(const FileDialogRequest& request) {
    const std::string path = dialogs_.AskFile(parent_, request);
    if (path.empty()) return;
    // The file loads into a calibration of its own; the one being edited and
    // a compare already open stay as they are until it has loaded whole.
    auto candidate = std::make_unique<Calibration>();
    const std::string why = loadLike_(*candidate, path);
    if (!why.empty()) {
        prompt_.Message(why + "\n" + path + "\nNothing was opened to compare with.", kCompareCaption,
                        PromptIcon::kExclamation);
        return;
    }
    compared_ = std::move(candidate);
    windows_.RefreshViews();
    if (CQelView* view = windows_.ActiveView(); view && view->ChildWnd()) view->ChildWnd()->UpdateWindow();
    ShowDifferences();
}

void CompareController::End() {
    compared_.reset();
    HideDifferences();
    windows_.RefreshViews();
    if (CQelView* view = windows_.ActiveView(); view && view->ChildWnd()) view->ChildWnd()->UpdateWindow();
}

void CompareController::HideDifferences() {
    if (differencesDlg_) differencesDlg_->hide();
}

void CompareController::ShowDifferences() {
    if (!compared_) return;
    if (!differencesDlg_) {
        differencesDlg_ = new CDifferencesDlg(parent_);
        windows_.ShareFrameKeys(differencesDlg_);
        differencesDlg_->openMap = [this](const DifferenceRow& row) {
            windows_.OpenMapAt(row.name, row.firstRow, row.firstColumn);
        };
        differencesDlg_->copyRow = [this](const DifferenceRow& row) { CopyRow(row); };
        // A constant's undo step goes into the list of the map shown.
        differencesDlg_->canCopy = [this](const DifferenceRow& row) {
            return row.kind != DifferenceKind::kConstant || (windows_.ActiveView() && edited_.currentMap);
        };
    }
    differencesDlg_->setWindowTitle(Q("Differences - " + compared_->dataFileName));
    RefreshDifferences(true);
    differencesDlg_->show();
    differencesDlg_->raise();
}

void CompareController::RefreshDifferences(bool force) {
    if (!differencesDlg_ || !compared_ || !edited_.HasImage()) return;
    if (!force && !differencesDlg_->isVisible()) return;
    // Only a changed image changes the list: the cursor moves cost a compare of the images.
    if (!force && differencesImage_ && *differencesImage_ == edited_.image()) {
        differencesDlg_->UpdateButtons();
        return;
    }
    if (!differencesImage_) differencesImage_ = std::make_unique<Image>();
    *differencesImage_ = edited_.image();
    const CalibrationDifferences differences = DiffCalibrations(edited_, *compared_);
    std::string heading = "Edited: " + edited_.dataFileName + "    Compared: " + compared_->dataFileName + "\n";
    if (differences.Empty()) {
        heading += "The two calibrations hold the same data.";
    } else {
        auto count = [](std::size_t n, const char* one, const char* many) {
            return std::to_string(n) + " " + (n == 1 ? one : many);
        };
        heading += count(differences.maps.size(), "map", "maps") + ", " +
                   count(differences.constants.size(), "constant", "constants") + " and " +
                   count(differences.bytes.size(), "byte range", "byte ranges") + " differ.";
    }
    differencesDlg_->SetRows(DifferenceRows(edited_, differences), Q(heading));
}

void CompareController::CopyFromCompare(bool wholeMap) {
    CQelView* view = windows_.ActiveView();
    auto* table = view ? dynamic_cast<CTableWnd*>(view->ChildWnd()) : nullptr;
    MapRecord* map = edited_.currentMap;
    if (!table || !map || !compared_) return;
    table->CommitPending();
    CompareCopy copy;
    if (wholeMap) {
        copy = PlanMapCopy(edited_, *map, *compared_);
    } else {
        // The selection, or the cursor's DATA cell when nothing is selected.
        std::vector<CellRef> cells = SelectedCells(*map);
        if (cells.empty() && map->cursor.mode == kEditData) cells.push_back({map->cursor.row, map->cursor.column});
        if (cells.empty()) {
            table->SetStatusText("Copy from compare: choose DATA cells first");
            return;
        }
        copy = PlanCellCopy(edited_, *map, *compared_, cells);
    }
    ApplyCopy(view, *map, copy, wholeMap ? "map '" + map->name + "'" : std::string());
}

void CompareController::CopyRow(const DifferenceRow& row) {
    if (!compared_) return;
    if (row.kind == DifferenceKind::kMap) {
        // The map is shown first: its Undo takes the copy back.
        CQelView* table = windows_.OpenMapAt(row.name, row.firstRow, row.firstColumn);
        MapRecord* map = edited_.currentMap;
        if (!table || !map || map->name != row.name) return;
        ApplyCopy(table, *map, PlanMapCopy(edited_, *map, *compared_), "map '" + row.name + "'");
    } else if (row.kind == DifferenceKind::kConstant) {
        CQelView* view = windows_.ActiveView();
        MapRecord* map = edited_.currentMap;
        if (!view || !map) return;
        ApplyCopy(view, *map, PlanConstantCopy(edited_, *compared_, row.name), "constant '" + row.name + "'");
    }
}

void CompareController::ApplyCopy(CQelView* view, MapRecord& map, const CompareCopy& copy, const std::string& what) {
    if (!copy.refusal.empty()) {
        prompt_.Message("Copy from compare: " + copy.refusal + ".\nNothing was copied.", kCompareCaption,
                        PromptIcon::kExclamation);
        return;
    }
    EditContext context = view->MakeEditContext();
    std::string account;
    UndoStepName name(map, "Copy from compare", true);
    if (copy.writes.empty()) {
        account = "Copy from compare: nothing differs";
    } else if (ApplyCompareCopy(context, map, copy) == 0) {
        prompt_.Message("Copy from compare: the map has no cell to hold the undo step.\nNothing was copied.",
                        kCompareCaption, PromptIcon::kExclamation);
        return;
    } else {
        account = "Copy from compare: ";
        if (!what.empty()) account += what + ", ";
        account += std::to_string(copy.cells) + (copy.cells == 1 ? " cell" : " cells");
        if (copy.otherBytes > 0)
            account += " and " + std::to_string(copy.otherBytes) + (copy.otherBytes == 1 ? " other byte" : " other bytes");
        account += " copied";
        for (const std::string& shared : copy.sharedAxes) account += "; '" + shared + "' shares the axes and changed too";
    }
    windows_.RefreshViews();
    if (view->ChildWnd()) view->ChildWnd()->UpdateWindow();
    if (auto* table = dynamic_cast<CTableWnd*>(view->ChildWnd())) table->SetStatusText(account);
    RefreshDifferences(false);
    windows_.UpdateCommandUi();
}
