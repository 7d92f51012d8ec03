#include "edit/gui/EditCommands.h"

#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "edit/gui/EditWindows.h"
#include "edit/gui/QelView.h"
#include "model/Calibration.h"
#include "platform/UserPrompt.h"

namespace {
constexpr const char* kRedoCaption = "Redo";
}  // namespace

EditCommands::EditCommands(Calibration& calibration, EditWindows& windows, UserPrompt& prompt)
    : calibration_(calibration), windows_(windows), prompt_(prompt) {}

CChildWnd* EditCommands::ActiveChild() const {
    CQelView* view = windows_.ActiveView();
    return view ? view->ChildWnd() : nullptr;
}

void EditCommands::AfterUndoOrRedo() {
    MapRecord* map = calibration_.currentMap;
    // The selection is the technician's: an Undo of one cell of it must not
    // lose the rest. Only where there is none does the cursor cell anchor one.
    if (map && !HasSelection(*map)) {
        ClearSelection(*map);
        if (map->cursor.mode == kEditData) AnchorSelection(*map, map->cursor.row, map->cursor.column);
    }
    windows_.RefreshViews();
    if (CChildWnd* child = ActiveChild()) child->UpdateWindow();
}

void EditCommands::Undo() {
    MapRecord* map = calibration_.currentMap;
    CQelView* view = windows_.ActiveView();
    if (!map || !view) return;
    EditContext context = view->MakeEditContext();
    if (::Undo(context, *map) != 1) return;
    AfterUndoOrRedo();
}

void EditCommands::Redo() {
    MapRecord* map = calibration_.currentMap;
    CQelView* view = windows_.ActiveView();
    if (!map || !view) return;
    EditContext context = view->MakeEditContext();
    const RedoResult result = ::Redo(context, *map);
    if (!result.message.empty()) {
        prompt_.Message(result.message, kRedoCaption, PromptIcon::kExclamation);
        return;
    }
    if (result.code == kRedone) AfterUndoOrRedo();
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
