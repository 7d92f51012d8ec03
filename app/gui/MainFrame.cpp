#include "app/gui/MainFrame.h"

#include "edit/MultiMapEdit.h"
#include "edit/gui/MultiMapDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/gui/CalibrationController.h"
#include "app/gui/ChildFrame.h"
#include "app/gui/DialogCommands.h"
#include "app/gui/DialogBar.h"
#include "app/gui/FrameCommands.h"
#include "app/gui/FrameLogbook.h"
#include "app/gui/MapSelection.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/TableMathsController.h"
#include "edit/gui/TableWnd.h"
#include "app/CommandIds.h"
#include "app/FrameModel.h"
#include "app/gui/ProgressWnd.h"
#include "app/QelApp.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"
#include "ecu/Logbook.h"
#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "ecu/gui/EcuController.h"
#include "edit/gui/ChildWndFactory.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/gui/QelView.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "model/Maps.h"
#include "platform/PathSearch.h"
#include "platform/SerialPort.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CMainFrame::CMainFrame(CQelApp& app, UserPrompt& prompt, FrameDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      prompt_(prompt),
      ownDialogs_(dialogs ? nullptr : std::make_unique<QtFrameDialogs>(prompt)),
      dialogs_(dialogs ? *dialogs : *ownDialogs_) {
    setObjectName("mainFrame");
    setWindowTitle(Q(Str(str::kProductName)));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
    maths_ = std::make_unique<TableMathsController>(app_, dialogs_, prompt_, this);
    compare_ = std::make_unique<CompareController>(
        app_, app_.compared, *this, dialogs_, prompt_,
        [this](Calibration& into, const std::string& path) { return life_->LoadCompared(into, path); }, this);
    CreateActions();
    CreateDialogBar();
    InstallMenu(2);
    selection_->Clear();

    idleTimer_ = new QTimer(this);
    connect(idleTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommandUi);
    idleTimer_->start(100);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandUi(); });
    // The widget that last had the keyboard inside the frame, the menus
    // aside: Escape out of a menu gives the keyboard back to it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && isAncestorOf(now) && !qobject_cast<QMenuBar*>(now) && !qobject_cast<QMenu*>(now))
            workFocus_ = now;
    });

    resize(600, 460);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    port_ = std::make_unique<PosixSerialPort>(&app_.registryStore());
    progress_ = new CProgressWnd(this);
    session_ = std::make_unique<EcuSession>(app_, app_.definitionLines, *port_, pump_,
                                            linkTimer_, prompt_, *progress_);
    linkTimer_.onTick = [this] { session_->OnTick(); };
    monitor_ = std::make_unique<Monitor>(app_.diagItems, session_->Link(), session_->Protocol(), prompt_);
    ecu_ = std::make_unique<EcuController>(
        EcuParts{app_, app_, app_.registryStore(), app_.settingsFilePath, app_.defaultFolder, *session_, *monitor_,
                 writeStop_},
        *this, dialogs_, prompt_, this);
    operating_ = std::make_unique<OperatingController>(
        OperatingParts{app_, app_.settingsFilePath, app_.defaultFolder, *monitor_, app_.operating}, *this, dialogs_,
        prompt_, this);
    life_ = std::make_unique<CalibrationController>(app_, *this, dialogs_, prompt_, *ecu_, *compare_, this);
    dialogCommands_ = std::make_unique<DialogCommands>(
        app_, dialogs_, prompt_, this, [this](const std::vector<EcuByteWrite>& bytes) { return WriteToEcu(bytes); },
        [this] {
            if (CChildWnd* child = ActiveChild()) child->RefreshFromImage();
        });
    // Every single write is entered in the machine's logbook.
    logbook_ = std::make_unique<FrameLogbook>(*this, app_, prompt_);
    logbook_->Point(session_->writeLog);
    // A single write runs inside the command of a window; keys and clicks
    // that could close that window wait until it is over.
    session_->onWriteRunning = [this](bool running) {
        if (running) {
            inputHeldBeforeWrite_ = pump_.holdUserInput;
            pump_.holdUserInput = true;
            return;
        }
        pump_.holdUserInput = inputHeldBeforeWrite_;
        if (closeAfterEcuWrite_) {
            closeAfterEcuWrite_ = false;
            RequestClose();
        }
    };
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    ecu_.reset();   // the monitor's window goes before the monitor
    operating_.reset();   // and its listener
    monitor_.reset();
    session_->ClosePort();
    linkTimer_.onTick = nullptr;
    closingDocument_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) delete sub;
    doc_.reset();
}

void CMainFrame::SetMachineName(const QString& name) { bar_->SetMachineName(name); }
QString CMainFrame::MachineName() const { return bar_->MachineName(); }

// --- construction ----------------------------------------------------------

void CMainFrame::CreateDialogBar() {
    bar_ = new CDialogBar(this);
    addToolBar(Qt::TopToolBarArea, bar_);
    connect(bar_, &CDialogBar::commandRequested, this, [this](int id) { OnCommand(id); });
    selection_ = std::make_unique<MapSelectionController>(app_, *bar_, *this, *compare_, prompt_, this);
    connect(bar_, &CDialogBar::mapActivated, this, [this](int index) { selection_->MapChosen(index); });
    connect(bar_, &CDialogBar::lineActivated, this, [this](int index) { selection_->LineChosen(index); });
    bar_->dataField()->installEventFilter(this);
}

// --- state -------------------------------------------------------------------

bool CMainFrame::CalibrationOpen() const { return !app_.dataFilePath.empty(); }

bool CMainFrame::HasDocumentWindow() const { return doc_ && !doc_->Views().empty(); }

CQelView* CMainFrame::ActiveView() const {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!sub) sub = mdi_->activeSubWindow();
    auto* frame = qobject_cast<CChildFrame*>(sub);
    return frame ? frame->View() : nullptr;
}

CChildWnd* CMainFrame::ActiveChild() const {
    CQelView* view = ActiveView();
    return view ? view->ChildWnd() : nullptr;
}

std::vector<CQelView*> CMainFrame::Views() const {
    return doc_ ? doc_->Views() : std::vector<CQelView*>{};
}

std::vector<CChildWnd*> CMainFrame::MapWindows() const {
    std::vector<CChildWnd*> windows;
    for (CQelView* view : Views())
        if (view->ChildWnd()) windows.push_back(view->ChildWnd());
    return windows;
}

// --- commands ----------------------------------------------------------------

bool CMainFrame::EndDrags() {
    bool ended = false;
    for (CQelView* view : Views())
        if (view->ChildWnd() && view->ChildWnd()->CancelDrag()) ended = true;
    return ended;
}

std::string CMainFrame::AskFile(const FileDialogRequest& request) { return dialogs_.AskFile(this, request); }

void CMainFrame::RefreshViews() {
    if (doc_) doc_->RefreshViews(0);
}

void CMainFrame::OpenDataFile(const std::string& path) { life_->OpenDataFile(path); }

bool CMainFrame::OpenDataFileOnFirstMap(const std::string& path) { return life_->OpenDataFileOnFirstMap(path); }

bool CMainFrame::CloseCalibration() { return life_->Close(); }

void CMainFrame::ShowLoaded(const std::string& path) {
    selection_->ForgetAllLines();
    setWindowTitle(Q(Str(str::kProductName) + " - " + path));
    RefillMapSelector();
    if (bar_->mapSelector()->count() > 0) bar_->mapSelector()->setCurrentIndex(0);
    InstallMenu(4);
    operating_->End();
}

void CMainFrame::ShowSaved(const std::string& fileName) {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!(sub && sub->isMaximized())) setWindowTitle(Q(Str(str::kProductName) + " - " + fileName));
}

void CMainFrame::ShowNoCalibration() {
    selection_->ForgetAllLines();
    setWindowTitle(Q(Str(str::kProductName)));
    selection_->ClearMapSelector();
    selection_->Clear();
    InstallMenu(2);
    operating_->End();
}

bool CMainFrame::RunMenu(int& mapIndex) {
    CMenuDlg dialog(app_, prompt_, *this, this);
    const int result = dialogs_.RunMenu(dialog);
    if (result != QDialog::Accepted) return false;
    mapIndex = dialog.ChosenMap();
    return mapIndex >= 0 && mapIndex < static_cast<int>(app_.maps.size());
}

void CMainFrame::ShowChosenMap(int mapIndex, bool fromOpen) {
    const std::string name = app_.maps[static_cast<std::size_t>(mapIndex)]->name;
    if (fromOpen) app_.openState = kOpenChosen;
    if (!HasDocumentWindow()) {
        app_.currentMap = app_.maps[static_cast<std::size_t>(mapIndex)].get();
        OpenWindow(kWindowMap);
        OpenWindow(kWindowTable);
        if (HasDocumentWindow()) app_.openState = kOpenDocument;
        mdi_->activateNextSubWindow();
    } else if (doc_->HasViewOfKind(kWindowMap)) {
        if (doc_->HasViewOfKind(kWindowTable)) {
            if (ActiveView() && ActiveView()->Kind() == kWindowTable) mdi_->activateNextSubWindow();
        } else {
            OpenWindow(kWindowTable);
            mdi_->activateNextSubWindow();
        }
    } else if (!OpenWindow(kWindowMap) && !doc_->HasViewOfKind(kWindowTable)) {
        OpenWindow(kWindowTable);
    }
    TileHorizontally();
    mdi_->activateNextSubWindow();
    const int entry = bar_->mapSelector()->findText(Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, name)));
    if (entry >= 0) bar_->mapSelector()->setCurrentIndex(entry);
    SelectMapByName(name);
}

void CMainFrame::CloseDocument() {
    closingDocument_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) delete sub;
    closingDocument_ = false;
    doc_.reset();
    bar_->ShowDocumentControls(false);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (session_->WriteRunning()) {
        // The write's waits run inside a window's command; the frame closes
        // when it is over, with the usual question.
        closeAfterEcuWrite_ = true;
        event->ignore();
        return;
    }
    if (writeStop_.WriteRunning()) {
        // A block write asks first, at its next record boundary.
        writeStop_.HoldClose(BlockWriteStop::kFrame);
        event->ignore();
        return;
    }
    if (!life_->Quit()) {
        event->ignore();
        return;
    }
    session_->ClosePort();
    event->accept();
}

void CMainFrame::RequestClose() { QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection); }

void CMainFrame::ResetToDataLoaded() {
    selection_->ClearLines();
    InstallMenu(4);
    // The link groups come back as the definition gives them, whether or
    // not a link was in force.
    const bool dropped = ::ResetToDataLoaded(app_, prompt_);
    DropMapLink(app_);
    if (dropped) RefillMapSelector();
}

void CMainFrame::ChildFrameClosed() {
    if (closingDocument_ || !doc_) return;
    if (!doc_->Views().empty()) return;
    // The last window of the calibration closed: the calibration stays loaded.
    doc_.reset();
    bar_->ShowDocumentControls(false);
    ResetToDataLoaded();
    UpdateCommandUi();
}

CQelView* CMainFrame::OpenWindow(int kind) {
    // With no active view the window opens on the map chosen in the map
    // selector (after a cancelled Menu dialog there is no current map yet).
    if (!ActiveView()) {
        if (MapRecord* chosen = SelectorMap()) app_.currentMap = chosen;
    }
    if (!app_.currentMap) return nullptr;
    const bool fresh = !doc_;
    if (fresh) doc_ = std::make_unique<CQelDoc>(app_, prompt_, *this);
    CQelView* view = CQelView::Create(*doc_, kind);
    if (!view) {
        if (fresh) doc_.reset();
        return nullptr;
    }
    if (fresh) {
        doc_->OnOpenDocument();
        InstallMenu(3);
        bar_->ShowDocumentControls(true);
        bar_->allBox()->setEnabled(true);
    }
    auto* frame = new CChildFrame(*doc_, view);
    frame->onClosed = [this] { ChildFrameClosed(); };
    mdi_->addSubWindow(frame);
    frame->setGeometry(mdi_->viewport()->rect());
    frame->show();
    mdi_->setActiveSubWindow(frame);
    view->setFocus();
    selection_->FillLineList();
    return view;
}

void CMainFrame::TileHorizontally() {
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int height = std::max(area.height() / static_cast<int>(windows.size()), CChildFrame::kMinimumHeight);
    int y = 0;
    for (QMdiSubWindow* w : windows) {
        if (w->isMinimized() || w->isMaximized()) w->showNormal();
        w->setGeometry(0, y, area.width(), height);
        y += height;
    }
}

CQelView* CMainFrame::OpenMapAt(const std::string& name, int row, int column) {
    MapRecord* map = FindMap(app_.maps, name);
    if (!map || EndDrags()) return nullptr;
    if (auto* active = dynamic_cast<CTableWnd*>(ActiveChild())) active->CommitPending();
    CQelView* table = nullptr;
    for (CQelView* view : Views())
        if (view->Kind() == kWindowTable) table = view;
    selection_->ChooseEntryOf(name);
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    if (!table) {
        const bool fresh = !HasDocumentWindow();
        if (fresh) app_.currentMap = map;
        table = OpenWindow(kWindowTable);
        if (!table) return nullptr;
        if (fresh) app_.openState = kOpenDocument;
    }
    mdi_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(table->parentWidget()));
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
    selection_->FillLineList();
    doc_->RefreshViews(0);
    if (table->ChildWnd()) table->ChildWnd()->UpdateWindow();
    table->setFocus();
    UpdateCommandUi();
    return table;
}

void CMainFrame::OnClipboard(int id) {
    CChildWnd* child = ActiveChild();
    if (!child) return;
    if (id == cmd::kCut) child->Cut();
    else if (id == cmd::kCopy) child->Copy();
    else child->Paste();
}

void CMainFrame::OnUndo() {
    MapRecord* map = app_.currentMap;
    CQelView* view = ActiveView();
    if (!map || !view) return;
    EditContext context = view->MakeEditContext(app_);
    if (Undo(context, *map) != 1) return;
    ClearSelection(*map);
    if (map->cursor.mode == kEditData) AnchorSelection(*map, map->cursor.row, map->cursor.column);
    doc_->RefreshViews(0);
    if (view->ChildWnd()) view->ChildWnd()->UpdateWindow();
}

void CMainFrame::OnFocusSwap() {
    CQelView* view = ActiveView();
    if (view && view->isAncestorOf(QApplication::focusWidget())) bar_->mapSelector()->setFocus();
    else if (QMdiSubWindow* sub = mdi_->currentSubWindow()) sub->widget()->setFocus();
}

bool CMainFrame::MultiMapEdit() {
    CMultiMapDlg dialog(app_, prompt_, this);
    if (dialogs_.RunMultiMap(dialog) != QDialog::Accepted) return false;
    selection_->AfterMultiMapEdit();
    return true;
}

void CMainFrame::SetPhase(const std::string& phase) { progress_->SetPhase(phase); }

bool CMainFrame::RestoreEntry(Logbook& book, const LogEntry& entry) { return logbook_->Restore(book, entry); }

bool CMainFrame::OpenEntry(const LogEntry& entry) { return logbook_->Open(entry); }

int CMainFrame::WriteToEcu(const std::vector<EcuByteWrite>& bytes) {
    return logbook_->SendSingleWrites(*session_, bytes);
}

// --- dialog bar --------------------------------------------------------------

void CMainFrame::RefillMapSelector() { selection_->RefillMapSelector(); }
void CMainFrame::RefreshDialogBar() { selection_->Refresh(); }
void CMainFrame::UpdateLineEntry(int column, const QString& text) { selection_->UpdateLineEntry(column, text); }
bool CMainFrame::AllLines() const { return selection_->AllLines(); }
MapRecord* CMainFrame::SelectorMap() const { return selection_->SelectorMap(); }
void CMainFrame::SelectMapByName(const std::string& name) { selection_->SelectMapByName(name); }
void CMainFrame::StepLine(int index) { selection_->StepLine(index); }
void CMainFrame::CommitTyped(bool okButton) { selection_->CommitTyped(okButton); }

void CMainFrame::ViewActivated(CQelView*) {
    selection_->ShowCurrentMap();
    selection_->FillLineList();
}

void CMainFrame::SetMainCaption(const QString& caption) { setWindowTitle(caption); }

void CMainFrame::RestoreWorkFocus() {
    if (QApplication::activePopupWidget()) return;   // another menu opened meanwhile
    QWidget* target = workFocus_;
    if (!target || !target->isVisible() || !target->isEnabled()) {
        QMdiSubWindow* sub = mdi_->currentSubWindow();
        target = sub ? sub->widget() : nullptr;
    }
    if (!target) {
        menuBar()->clearFocus();
        return;
    }
    target->setFocus(Qt::PopupFocusReason);
    // A cell editor showing its cell's value is ready to be typed over.
    if (auto* editor = qobject_cast<QLineEdit*>(target); editor && !editor->isModified()) editor->selectAll();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu && std::find(menus_.begin(), menus_.end(), menu) != menus_.end()) {
            // Escape closes the menu and would leave the menu bar holding the
            // keyboard, its title lit, until a second Escape: the keyboard
            // goes back to where it was (the cell editor) at once.
            QTimer::singleShot(0, this, [this] { RestoreWorkFocus(); });
        }
    }
    if (watched == bar_->dataField() && event->type() == QEvent::FocusOut) selection_->DataFieldLeft();
    return QMainWindow::eventFilter(watched, event);
}
