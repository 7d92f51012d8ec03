#include "edit/gui/QelView.h"

#include <QKeyEvent>
#include <QMdiSubWindow>

#include "app/QelApp.h"
#include "edit/gui/ChildWndFactory.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/QelDoc.h"
#include "model/Maps.h"
#include "model/ValueConversion.h"

CQelView* CQelView::Create(CQelDoc& doc, int kind, QWidget* parent) {
    CQelApp& app = doc.App();
    if (!ChildWndKindAvailable(kind) || app.currentMap == nullptr || !app.HasImage()) return nullptr;
    return new CQelView(doc, kind, parent);
}

CQelView::CQelView(CQelDoc& doc, int kind, QWidget* parent) : QWidget(parent), doc_(doc), kind_(kind) {
    CQelApp& app = doc.App();
    StartDataEdit(*app.currentMap, app.image());
    child_ = CreateChildWnd(kind, app, doc.Prompt(), *this, this);
    child_->setGeometry(rect());
    setFocusProxy(child_);
    doc_.AddView(this);
}

CQelView::~CQelView() { doc_.RemoveView(this); }

int CQelView::ShowMap(const std::string& name) {
    CQelApp& app = doc_.App();
    MapRecord* map = FindMap(app.maps, name);
    if (map == nullptr) return 0;
    app.currentMap = map;
    child_->ResetForMap();
    StartDataEdit(*map, app.image());
    doc_.Frame().RefreshDialogBar();
    child_->update();
    return 1;
}

void CQelView::RefreshViews(int exceptKind) { doc_.RefreshViews(exceptKind); }
void CQelView::RefreshDialogBar() { doc_.Frame().RefreshDialogBar(); }
void CQelView::PrepareViews(int exceptKind) { doc_.PrepareViews(exceptKind); }

void CQelView::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->setWindowTitle(caption);
}

EditContext CQelView::MakeEditContext(CQelApp& app) {
    return AppLinkedEditContext(app, [this](int column, const std::string& text) {
        doc_.Frame().UpdateLineEntry(column, QString::fromStdString(text));
    });
}

EditContext CQelView::MakeEditContext() { return MakeEditContext(doc_.App()); }

void CQelView::UpdateLineEntry(int column, const QString& text) { doc_.Frame().UpdateLineEntry(column, text); }
bool CQelView::AllLines() const { return doc_.Frame().AllLines(); }
int CQelView::WriteToEcu(const std::vector<EcuByteWrite>& bytes) { return doc_.Frame().WriteToEcu(bytes); }

void CQelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (child_) child_->setGeometry(0, 0, width(), height());
}

void CQelView::keyPressEvent(QKeyEvent* event) {
    if (child_ && (kind_ == kWindowMap || kind_ == kWindowTable)) {
        int code = 0;
        switch (event->key()) {
            case Qt::Key_Left: code = 1; break;
            case Qt::Key_Up: code = 5; break;
            case Qt::Key_Right: code = 2; break;
            case Qt::Key_Down: code = 6; break;
            default: break;
        }
        if (code != 0 && event->modifiers() == Qt::NoModifier) child_->KeyCommand(code);
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            (event->modifiers() & Qt::ShiftModifier))
            child_->SingleWriteCommand();
    }
    QWidget::keyPressEvent(event);
}
