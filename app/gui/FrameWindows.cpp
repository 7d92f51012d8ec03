#include "app/gui/FrameWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <algorithm>

#include "app/QelApp.h"
#include "app/WindowLayout.h"
#include "app/gui/ChildFrame.h"
#include "app/gui/DialogBar.h"
#include "app/gui/MapSelection.h"
#include "edit/MultiMapEdit.h"
#include "edit/TableModel.h"
#include "edit/gui/QelDoc.h"
#include "edit/gui/QelView.h"
#include "edit/gui/TableWnd.h"
#include "model/Maps.h"
#include "platform/ProfileFile.h"

FrameWindows::FrameWindows(CQelApp& app, UserPrompt& prompt, DocumentFrame& frame, FrameWindowsHost& host,
                           QMdiArea& mdi, CDialogBar& bar, MapSelectionController& selection)
    : app_(app), prompt_(prompt), frame_(frame), host_(host), mdi_(mdi), bar_(bar), selection_(selection),
      zoom_(ReadZoom(ProfileFile(app.settingsFilePath))) {}

FrameWindows::~FrameWindows() = default;

bool FrameWindows::HasDocumentWindow() const { return doc_ && !doc_->Views().empty(); }

CQelView* FrameWindows::ActiveView() const {
    QMdiSubWindow* sub = mdi_.currentSubWindow();
    if (!sub) sub = mdi_.activeSubWindow();
    auto* frame = qobject_cast<CChildFrame*>(sub);
    return frame ? frame->View() : nullptr;
}

CChildWnd* FrameWindows::ActiveChild() const {
    CQelView* view = ActiveView();
    return view ? view->ChildWnd() : nullptr;
}

std::vector<CQelView*> FrameWindows::Views() const {
    return doc_ ? doc_->Views() : std::vector<CQelView*>{};
}

bool FrameWindows::EndDrags() {
    bool ended = false;
    for (CQelView* view : Views())
        if (view->ChildWnd() && view->ChildWnd()->CancelDrag()) ended = true;
    return ended;
}

void FrameWindows::RefreshViews() {
    if (doc_) doc_->RefreshViews(0);
}

CQelView* FrameWindows::OpenWindow(int kind) {
    // With no active view the window opens on the map chosen in the map
    // selector (after a cancelled Menu dialog there is no current map yet).
    if (!ActiveView()) {
        if (MapRecord* chosen = selection_.SelectorMap()) app_.currentMap = chosen;
    }
    if (!app_.currentMap) return nullptr;
    const bool fresh = !doc_;
    if (fresh) doc_ = std::make_unique<CQelDoc>(app_, prompt_, frame_);
    CQelView* view = CQelView::Create(*doc_, kind);
    if (!view) {
        if (fresh) doc_.reset();
        return nullptr;
    }
    if (fresh) {
        doc_->OnOpenDocument();
        host_.DocumentOpened();
        bar_.ShowDocumentControls(true);
        bar_.allBox()->setEnabled(true);
    }
    auto* frame = new CChildFrame(*doc_, view);
    frame->onClosed = [this] { ChildFrameClosed(); };
    // The child's window menu binds Ctrl+F4 too; two bindings of one key
    // cancel each other, so the frame's Close window alone keeps it.
    if (QMenu* menu = frame->systemMenu())
        for (QAction* a : menu->actions())
            if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_F4)) a->setShortcut(QKeySequence());
    mdi_.addSubWindow(frame);
    frame->setGeometry(mdi_.viewport()->rect());
    if (auto* table = dynamic_cast<CTableWnd*>(view->ChildWnd())) table->SetZoom(zoom_);
    frame->show();
    mdi_.setActiveSubWindow(frame);
    view->setFocus();
    selection_.FillLineList();
    return view;
}

void FrameWindows::ShowChosenMap(int mapIndex, bool fromOpen) {
    const std::string name = app_.maps[static_cast<std::size_t>(mapIndex)]->name;
    if (fromOpen) app_.openState = kOpenChosen;
    bool laidOut = false;
    if (!HasDocumentWindow()) {
        app_.currentMap = app_.maps[static_cast<std::size_t>(mapIndex)].get();
        // A calibration opened again: its windows where they were last time.
        laidOut = fromOpen && RestoreLayout();
        if (!laidOut) {
            OpenWindow(kWindowMap);
            OpenWindow(kWindowTable);
        }
        if (HasDocumentWindow()) app_.openState = kOpenDocument;
        mdi_.activateNextSubWindow();
    } else if (doc_->HasViewOfKind(kWindowMap)) {
        if (doc_->HasViewOfKind(kWindowTable)) {
            if (ActiveView() && ActiveView()->Kind() == kWindowTable) mdi_.activateNextSubWindow();
        } else {
            OpenWindow(kWindowTable);
            mdi_.activateNextSubWindow();
        }
    } else if (!OpenWindow(kWindowMap) && !doc_->HasViewOfKind(kWindowTable)) {
        OpenWindow(kWindowTable);
    }
    if (!laidOut) TileHorizontally();
    mdi_.activateNextSubWindow();
    const int entry =
        bar_.mapSelector()->findText(QString::fromStdString(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, name)));
    if (entry >= 0) bar_.mapSelector()->setCurrentIndex(entry);
    selection_.SelectMapByName(name);
}

CQelView* FrameWindows::OpenMapAt(const std::string& name, int row, int column) {
    MapRecord* map = FindMap(app_.maps, name);
    if (!map || EndDrags()) return nullptr;
    if (auto* active = dynamic_cast<CTableWnd*>(ActiveChild())) active->CommitPending();
    CQelView* table = nullptr;
    for (CQelView* view : Views())
        if (view->Kind() == kWindowTable) table = view;
    selection_.ChooseEntryOf(name);
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    if (!table) {
        const bool fresh = !HasDocumentWindow();
        if (fresh) app_.currentMap = map;
        table = OpenWindow(kWindowTable);
        if (!table) return nullptr;
        if (fresh) app_.openState = kOpenDocument;
    }
    mdi_.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(table->parentWidget()));
    for (CQelView* view : Views()) {
        if (view->ChildWnd()) view->ChildWnd()->PrepareRefresh();
        view->ShowMap(name);
    }
    // The cursor on the first differing cell, the selection's anchor with it.
    if (row >= 0 && column >= 0) {
        EditContext context = table->MakeEditContext();
        PlaceCursor(context, *map, {kEditData, row, column});
        AnchorSelection(*map, row, column);
    }
    selection_.FillLineList();
    doc_->RefreshViews(0);
    if (table->ChildWnd()) table->ChildWnd()->UpdateWindow();
    table->setFocus();
    host_.UpdateCommandUi();
    return table;
}

void FrameWindows::TileHorizontally() {
    const QList<QMdiSubWindow*> windows = mdi_.subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = mdi_.viewport()->rect();
    const int height = std::max(area.height() / static_cast<int>(windows.size()), CChildFrame::kMinimumHeight);
    int y = 0;
    for (QMdiSubWindow* w : windows) {
        if (w->isMinimized() || w->isMaximized()) w->showNormal();
        w->setGeometry(0, y, area.width(), height);
        y += height;
    }
}

void FrameWindows::FocusSwap() {
    CQelView* view = ActiveView();
    if (view && view->isAncestorOf(QApplication::focusWidget())) bar_.mapSelector()->setFocus();
    else if (QMdiSubWindow* sub = mdi_.currentSubWindow()) sub->widget()->setFocus();
}

void FrameWindows::DeleteDocumentWindows() {
    for (QMdiSubWindow* sub : mdi_.subWindowList()) delete sub;
    // A window closed a moment ago (Ctrl+F4, its close box) waits for a
    // deferred delete and is no longer in the list, but its view still
    // belongs to the document: it goes now, before the document does.
    if (!doc_) return;
    std::vector<QPointer<QWidget>> closed;
    for (CQelView* view : doc_->Views()) {
        QWidget* window = view;
        while (window->parentWidget() && !qobject_cast<QMdiSubWindow*>(window)) window = window->parentWidget();
        closed.emplace_back(window);
    }
    for (const QPointer<QWidget>& window : closed) delete window.data();
}

void FrameWindows::CloseDocument() {
    closingDocument_ = true;
    DeleteDocumentWindows();
    closingDocument_ = false;
    doc_.reset();
    bar_.ShowDocumentControls(false);
}

void FrameWindows::End() {
    closingDocument_ = true;
    DeleteDocumentWindows();
    doc_.reset();
}

void FrameWindows::ChildFrameClosed() {
    if (closingDocument_ || !doc_) return;
    if (!doc_->Views().empty()) return;
    // The last window of the calibration closed: the calibration stays loaded.
    doc_.reset();
    bar_.ShowDocumentControls(false);
    host_.LastWindowClosed();
}

// --- layout ----------------------------------------------------------------------

void FrameWindows::Cascade() {
    // The framework's cascade sizes each window to its hint, which for a
    // map's window is a few cells: too small to work in.
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi_.subWindowList())
        if (w->isVisible()) windows.push_back(w);
    if (windows.isEmpty()) return;
    const QRect area = mdi_.viewport()->rect();
    const int step = std::max(mdi_.fontMetrics().height() + 12, 20);
    const std::vector<WindowRect> rects =
        CascadeRects(area.width(), area.height(), static_cast<int>(windows.size()), step);
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMinimized() || w->isMaximized()) w->showNormal();
        const WindowRect& r = rects[static_cast<std::size_t>(i)];
        w->setGeometry(r.x, r.y, r.width, r.height);
        w->raise();
    }
    mdi_.setActiveSubWindow(windows.back());
}

void FrameWindows::CloseActive() {
    if (QMdiSubWindow* sub = mdi_.activeSubWindow() ? mdi_.activeSubWindow() : mdi_.currentSubWindow()) sub->close();
}

void FrameWindows::Zoom(int direction) {
    zoom_ = NextZoom(zoom_, direction);
    for (CQelView* view : Views())
        if (auto* table = dynamic_cast<CTableWnd*>(view->ChildWnd())) table->SetZoom(zoom_);
    ProfileFile settings(app_.settingsFilePath);
    if (ReadZoom(settings) != zoom_) WriteZoom(settings, zoom_);
}

void FrameWindows::SaveLayout() {
    if (!HasDocumentWindow() || app_.settingsFilePath.empty()) return;
    WindowLayout layout;
    if (app_.currentMap) layout.map = app_.currentMap->name;
    for (QMdiSubWindow* sub : mdi_.subWindowList(QMdiArea::CreationOrder)) {
        auto* frame = qobject_cast<CChildFrame*>(sub);
        if (!frame || !frame->View()) continue;
        const QRect r = sub->isMaximized() || sub->isMinimized() ? mdi_.viewport()->rect() : sub->geometry();
        layout.windows.push_back({frame->View()->Kind(), {r.x(), r.y(), r.width(), r.height()}});
    }
    ProfileFile settings(app_.settingsFilePath);
    WriteWindowLayout(settings, layout);
}

bool FrameWindows::RestoreLayout() {
    const WindowLayout layout = ReadWindowLayout(ProfileFile(app_.settingsFilePath));
    if (layout.windows.empty()) return false;
    const QRect area = mdi_.viewport()->rect();
    for (const SavedWindow& saved : layout.windows) {
        if (doc_ && doc_->HasViewOfKind(saved.kind)) continue;   // one window of a kind, as the menu allows
        CQelView* view = OpenWindow(saved.kind);
        if (!view) continue;
        const WindowRect r = BringOnScreen(saved.rect, area.width(), area.height());
        if (QWidget* sub = view->parentWidget()) sub->setGeometry(r.x, r.y, r.width, r.height);
    }
    return HasDocumentWindow();
}

std::string FrameWindows::LaidOutMap() const {
    return ReadWindowLayout(ProfileFile(app_.settingsFilePath)).map;
}
