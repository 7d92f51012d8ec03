#include "edit/gui/EditCommands.h"

#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "edit/gui/EditWindows.h"
#include "edit/gui/QelView.h"
#include "model/Calibration.h"

EditCommands::EditCommands(Calibration& calibration, EditWindows& windows)
    : calibration_(calibration), windows_(windows) {}

CChildWnd* EditCommands::ActiveChild() const {
    CQelView* view = windows_.ActiveView();
    return view ? view->ChildWnd() : nullptr;
}

void EditCommands::Undo() {
    MapRecord* map = calibration_.currentMap;
    CQelView* view = windows_.ActiveView();
    if (!map || !view) return;
    EditContext context = view->MakeEditContext();
    if (::Undo(context, *map) != 1) return;
    ClearSelection(*map);
    if (map->cursor.mode == kEditData) AnchorSelection(*map, map->cursor.row, map->cursor.column);
    windows_.RefreshViews();
    if (view->ChildWnd()) view->ChildWnd()->UpdateWindow();
}

void EditCommands::Cut() {
    if (CChildWnd* child = ActiveChild()) child->Cut();
}

void EditCommands::Copy() {
    if (CChildWnd* child = ActiveChild()) child->Copy();
}

void EditCommands::Paste() {
    if (CChildWnd* child = ActiveChild()) child->Paste();
}
