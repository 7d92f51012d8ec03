#include "app/gui/MapSelection.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "app/gui/DialogBar.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/MultiMapEdit.h"
#include "edit/TableModel.h"
#include "edit/WindowKinds.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/QelDoc.h"
#include "edit/gui/QelView.h"
#include "model/Maps.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

MapSelectionController::MapSelectionController(CQelApp& app, CDialogBar& bar, SelectorWindows& windows,
                                               CompareController& compare, UserPrompt& prompt, QWidget* parent)
    : app_(app), bar_(bar), windows_(windows), compare_(compare), prompt_(prompt), parent_(parent) {}

void MapSelectionController::RefillMapSelector() {
    filling_ = true;
    bar_.mapSelector()->clear();
    for (const std::string& entry : MapSelectorEntries(app_.maps, app_.mapLinkState, app_.mapLink))
        bar_.mapSelector()->addItem(Q(entry));
    if (app_.currentMap)
        bar_.mapSelector()->setCurrentIndex(bar_.mapSelector()->findText(
            Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, app_.currentMap->name))));
    filling_ = false;
}

void MapSelectionController::ClearMapSelector() {
    filling_ = true;
    bar_.mapSelector()->clear();
    filling_ = false;
}

void MapSelectionController::ShowCurrentMap() {
    if (app_.currentMap) ChooseEntryOf(app_.currentMap->name);
}

void MapSelectionController::ChooseEntryOf(const std::string& name) {
    filling_ = true;
    bar_.mapSelector()->setCurrentIndex(
        bar_.mapSelector()->findText(Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, name))));
    filling_ = false;
}

MapRecord* MapSelectionController::SelectorMap() const {
    const std::string name = bar_.mapSelector()->currentText().toStdString();
    // A link group's label ("#1,#2", "#2,#3") stands for its first map.
    return FindMap(app_.maps, MapOfSelectorEntry(app_.mapLinkState, app_.mapLink, name));
}

void MapSelectionController::Clear() {
    filling_ = true;
    bar_.Clear();
    filling_ = false;
}

void MapSelectionController::ClearLines() {
    filling_ = true;
    bar_.lineSelector()->clear();
    filling_ = false;
    bar_.allBox()->setEnabled(false);
    bar_.dataField()->clear();
    bar_.pointField()->clear();
}

void MapSelectionController::FillLineList() {
    MapRecord* map = app_.currentMap;
    filling_ = true;
    bar_.lineSelector()->clear();
    if (map) {
        const LineList list = LineListOf(app_, *map);
        for (std::size_t i = 0; i < list.texts.size(); ++i)
            bar_.lineSelector()->addItem(Q(list.texts[i]), static_cast<int>(i));
        bar_.lineSelector()->setCurrentIndex(list.selected >= 0 ? list.selected : (list.texts.empty() ? -1 : 0));
        bar_.allBox()->setCheckState(map->z.count < 2 ? Qt::PartiallyChecked
                                     : AllLines()     ? Qt::Checked
                                                      : Qt::Unchecked);
    }
    filling_ = false;
    Refresh();
}

void MapSelectionController::Refresh() {
    MapRecord* map = app_.currentMap;
    if (map && app_.HasImage()) {
        DialogBarFields fields;
        if (DialogBarFieldsOf(app_, *map, bar_.lineSelector()->currentIndex(), fields)) {
            if (fields.lineFollows >= 0 && fields.lineFollows < bar_.lineSelector()->count()) {
                filling_ = true;
                bar_.lineSelector()->setCurrentIndex(fields.lineFollows);
                filling_ = false;
            }
            // A drag in the map window shows its moving value before the
            // image has it.
            DraggedFields dragged;
            if (DraggedFieldText(*map, app_.formats, dragged)) (dragged.data ? fields.data : fields.point) = dragged.text;
            bar_.pointField()->setText(Q(fields.point));
            bar_.SetUnits(Q(map->y.unit), Q(map->x.unit));
            if (!bar_.dataField()->hasFocus()) bar_.dataField()->setText(Q(fields.data));
        }
    }
    // Every edit passes here: the Differences list follows the image.
    compare_.RefreshDifferences(false);
    windows_.UpdateCommandUi();
}

void MapSelectionController::UpdateLineEntry(int column, const QString& text) {
    if (column >= 0 && column < bar_.lineSelector()->count()) bar_.lineSelector()->setItemText(column, text);
}

void MapSelectionController::SelectMapByName(const std::string& entry) {
    CQelDoc* doc = windows_.Document();
    if (!doc) return;
    const std::string name = MapOfSelectorEntry(app_.mapLinkState, app_.mapLink, entry);
    for (CQelView* view : doc->Views()) {
        if (view->ChildWnd()) view->ChildWnd()->PrepareRefresh();
        view->ShowMap(name);
    }
    FillLineList();
    doc->RefreshViews(kWindowMap);
}

void MapSelectionController::MapChosen(int index) {
    if (filling_ || index < 0) return;
    if (windows_.EndDrags()) {
        // The map stays; so does the selector.
        RefillMapSelector();
        return;
    }
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    SelectMapByName(bar_.mapSelector()->itemText(index).toStdString());
    windows_.UpdateCommandUi();
}

void MapSelectionController::LineChosen(int index) {
    if (filling_) return;
    if (windows_.EndDrags()) {
        FillLineList();
        return;
    }
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    if (!app_.currentMap || index >= app_.currentMap->z.count) return;
    StepLine(index);
}

void MapSelectionController::StepLineBy(int step) { StepLine(bar_.lineSelector()->currentIndex() + step); }

void MapSelectionController::StepLine(int index) {
    MapRecord* map = app_.currentMap;
    CQelDoc* doc = windows_.Document();
    if (!map || !doc) return;
    CQelView* view = windows_.ActiveView();
    CChildWnd* child = view ? view->ChildWnd() : nullptr;
    if (child && child->EditPending()) return;
    index = std::clamp(index, 0, std::max(bar_.lineSelector()->count() - 1, 0));
    if (index >= map->z.count) return;
    filling_ = true;
    bar_.lineSelector()->setCurrentIndex(index);
    filling_ = false;
    doc->PrepareViews(0);
    StepToLine(app_, *map, index);
    doc->RefreshViews(0);
    if (child) child->UpdateWindow();
}

void MapSelectionController::CommitTyped(bool okButton) {
    MapRecord* map = app_.currentMap;
    if (!map) return;
    if (windows_.EndDrags()) {
        Refresh();
        return;
    }
    CQelView* view = windows_.ActiveView();
    EditContext context = view ? view->MakeEditContext(app_) : AppLinkedEditContext(app_);
    const TypedValueResult result =
        CommitTypedValue(context, app_, *map, bar_.dataField()->text().toStdString(), okButton);
    CChildWnd* child = view ? view->ChildWnd() : nullptr;
    // The field always shows what the cell holds now; a refused text goes.
    auto showText = [this, &result] {
        bar_.dataField()->setText(Q(result.dataText));
        bar_.dataField()->setModified(false);
    };
    if (result.committed || result.refused) {
        if (result.written && windows_.Document()) windows_.Document()->RefreshViews(0);
        if (child) child->UpdateWindow();
        showText();
        if (result.message) ShowTypedMessage(*result.message, okButton);
        windows_.UpdateCommandUi();
        return;
    }
    if (!okButton) {
        showText();
        return;
    }
    if (result.clearField) {
        bar_.dataField()->clear();
        return;
    }
    if (child) child->UpdateWindow();
    if (result.wrongWord) prompt_.Message(Str(str::kWrongWord2), Str(str::kProductName), PromptIcon::kExclamation);
    Refresh();
    bar_.dataField()->setText(Q(result.dataText));
    bar_.dataField()->setModified(false);
}

void MapSelectionController::DataFieldLeft() {
    // The focus going to the OK button is its click coming: OK commits the
    // text, with its messages, once.
    if (!app_.currentMap || !bar_.dataField()->isModified() || QApplication::focusWidget() == bar_.okButton()) return;
    bar_.dataField()->setModified(false);
    CommitTyped(false);
}

void MapSelectionController::ShowTypedMessage(const PromptMessage& message, bool now) {
    if (now) {
        prompt_.Show(message);
        return;
    }
    // The field lost the focus: the message waits until the focus has
    // settled where the user put it.
    QTimer::singleShot(0, parent_, [this, message] { prompt_.Show(message); });
}

void MapSelectionController::ToggleAllLines() {
    MapRecord* map = app_.currentMap;
    if (!map) return;
    if (map->z.count < 2) {
        bar_.allBox()->setCheckState(Qt::PartiallyChecked);
        return;
    }
    bool& flag = allLines_[map->name];
    flag = !flag;
    bar_.allBox()->setCheckState(flag ? Qt::Checked : Qt::Unchecked);
    // The graph pane paints itself: the map window and its pane both redraw.
    if (CQelDoc* doc = windows_.Document())
        for (CQelView* view : doc->Views())
            if (view->Kind() == kWindowMap && view->ChildWnd()) view->ChildWnd()->RefreshFromImage();
}

void MapSelectionController::FlipAllLines() {
    if (windows_.HasDocumentWindow() && app_.currentMap && app_.currentMap->z.count > 1) ToggleAllLines();
}

bool MapSelectionController::AllLines() const {
    if (!app_.currentMap) return false;
    auto it = allLines_.find(app_.currentMap->name);
    return it != allLines_.end() && it->second;
}

void MapSelectionController::IndividualEdit() {
    if (prompt_.Ask(Str(str::kCancelMapLink), Str(str::kProductName), PromptButtons::kOkCancel,
                    PromptIcon::kQuestion, PromptAnswer::kOk) == PromptAnswer::kCancel)
        return;
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    DropMapLink(app_);
    RefillMapSelector();
    if (app_.currentMap) {
        const std::string name = app_.currentMap->name;
        bar_.mapSelector()->setCurrentIndex(bar_.mapSelector()->findText(Q(name)));
        SelectMapByName(name);
    }
}

void MapSelectionController::AfterMultiMapEdit() {
    if (app_.mapLinkState == kLinkNone) DropMapLink(app_);
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    RefillMapSelector();
    // A link shows its first group; without one the current map stays.
    if (app_.mapLinkState != kLinkNone && bar_.mapSelector()->count() > 0) {
        filling_ = true;
        bar_.mapSelector()->setCurrentIndex(0);
        filling_ = false;
    }
    if (bar_.mapSelector()->currentIndex() >= 0) SelectMapByName(bar_.mapSelector()->currentText().toStdString());
    windows_.UpdateCommandUi();
}

void MapSelectionController::ToggleDataRpm() {
    MapRecord* map = app_.currentMap;
    CQelDoc* doc = windows_.Document();
    if (app_.definitionKind != kDefinitionFreeMap || !windows_.HasDocumentWindow() || !doc || !map) return;
    if (map->cursor.mode != kEditData && map->cursor.mode != kEditRpm) return;
    doc->PrepareViews(0);
    ::ToggleDataRpm(app_, *map);
    doc->RefreshViews(0);
    CQelView* view = windows_.ActiveView();
    if (CChildWnd* child = view ? view->ChildWnd() : nullptr; child && child->Kind() == kWindowTable) child->UpdateWindow();
}
