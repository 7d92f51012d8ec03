#include "app/gui/ChildFrame.h"

#include "edit/gui/QelDoc.h"
#include "edit/gui/QelView.h"

CChildFrame::CChildFrame(CQelDoc& doc, CQelView* view, QWidget* parent)
    : QMdiSubWindow(parent), doc_(doc), view_(view) {
    setAttribute(Qt::WA_DeleteOnClose);   // closing removes it at once, without a question
    setWidget(view);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    connect(this, &QMdiSubWindow::aboutToActivate, this, &CChildFrame::Activated);
}

CChildFrame::~CChildFrame() {
    // The view leaves its document before anybody hears that the frame went.
    delete view_;
    view_ = nullptr;
    if (onClosed) onClosed();
}

void CChildFrame::focusInEvent(QFocusEvent* event) {
    QMdiSubWindow::focusInEvent(event);
    Activated();
}

// The window that comes to the front shows the current cursor.
void CChildFrame::Activated() {
    if (!view_) return;
    doc_.PrepareViews(0);
    doc_.Frame().ViewActivated(view_);
    if (view_->ChildWnd()) view_->ChildWnd()->update();
}
