#include "edit/gui/QelDoc.h"

#include <algorithm>

#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "model/Strings.h"
#include "edit/gui/QelView.h"

CQelDoc::CQelDoc(CQelApp& app, UserPrompt& prompt, DocumentFrame& frame)
    : app_(app), prompt_(prompt), frame_(frame) {}

void CQelDoc::OnOpenDocument() {
    frame_.SetMainCaption(QString::fromStdString(Str(str::kProductName) + " - " + app_.dataFileName));
}

bool CQelDoc::ConfirmClose() {
    return ConfirmCloseWithoutSaving(prompt_);
}

void CQelDoc::AddView(CQelView* view) { views_.push_back(view); }

void CQelDoc::RemoveView(CQelView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

bool CQelDoc::HasViewOfKind(int kind) const {
    return std::any_of(views_.begin(), views_.end(), [kind](CQelView* v) { return v->Kind() == kind; });
}

void CQelDoc::RefreshViews(int exceptKind) {
    frame_.RefreshDialogBar();
    for (CQelView* view : std::vector<CQelView*>(views_))
        if (view->Kind() != exceptKind && view->ChildWnd()) view->ChildWnd()->RefreshFromImage();
}

void CQelDoc::PrepareViews(int exceptKind) {
    for (CQelView* view : std::vector<CQelView*>(views_))
        if (view->Kind() != exceptKind && view->ChildWnd()) view->ChildWnd()->PrepareRefresh();
}

void CQelDoc::RefreshAll(CQelView* focus) {
    frame_.RefreshDialogBar();
    for (CQelView* view : std::vector<CQelView*>(views_)) {
        if (!view->ChildWnd()) continue;
        view->ChildWnd()->UpdateWindow();
        view->ChildWnd()->repaint();
    }
    if (focus) {
        if (QWidget* frame = focus->parentWidget()) frame->setFocus();
        focus->update();
    }
}
