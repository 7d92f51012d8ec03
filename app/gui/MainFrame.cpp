#include "app/gui/MainFrame.h"

#include "edit/MultiMapEdit.h"
#include "edit/gui/ConstantsDlg.h"
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

#include "app/gui/AboutDlg.h"
#include "app/gui/CalibrationController.h"
#include "app/gui/ChildFrame.h"
#include "app/gui/DialogBar.h"
#include "app/gui/DirectoryDlg.h"
#include "app/gui/FrameCommands.h"
#include "app/gui/FrameLogbook.h"
#include "app/gui/ToolBoxDlg.h"
#include "edit/gui/TitleDlg.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/TableMathsController.h"
#include "edit/gui/TableMathsDlg.h"
#include "edit/gui/TableWnd.h"
#include "app/CommandIds.h"
#include "app/FrameModel.h"
#include "app/gui/MachineSelectDlg.h"
#include "app/gui/ProgressWnd.h"
#include "app/QelApp.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"
#include "config/Definition.h"
#include "ecu/DataExchange.h"
#include "ecu/Logbook.h"
#include "ecu/SafeWrite.h"
#include "ecu/WriteGuard.h"
#include "ecu/EcuSession.h"
#include "ecu/ItemSet.h"
#include "ecu/Monitor.h"
#include "ecu/MonitorSelection.h"
#include "ecu/Rs232cParams.h"
#include "ecu/gui/DataExchangeDlg.h"
#include "ecu/gui/LogbookDlg.h"
#include "ecu/gui/ItemSetDlg.h"
#include "ecu/gui/EcuController.h"
#include "ecu/gui/MonitorWnd.h"
#include "ecu/gui/Rs232cDlg.h"
#include "edit/gui/ChildWndFactory.h"
#include "edit/CalibrationCompare.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/gui/QelView.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "model/Maps.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
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
        [this](Calibration& into, const std::string& path) { return LoadCompared(into, path); }, this);
    CreateActions();
    CreateDialogBar();
    InstallMenu(2);
    ClearDialogBar();

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
    life_ = std::make_unique<CalibrationController>(app_, *this, dialogs_, prompt_, *ecu_, *compare_, this);
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
    connect(bar_, &CDialogBar::mapActivated, this, &CMainFrame::OnMapSelected);
    connect(bar_, &CDialogBar::lineActivated, this, &CMainFrame::OnLineSelected);
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

bool CMainFrame::AllLines() const {
    if (!app_.currentMap) return false;
    auto it = allLines_.find(app_.currentMap->name);
    return it != allLines_.end() && it->second;
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

std::string CMainFrame::LoadCompared(Calibration& into, const std::string& path) {
    // A definition load also sets the machine's line settings, command set
    // and expected identification: a scratch machine takes them, knowing
    // only the folder the file must name.
    MachineConfig machine;
    machine.registry.machineFolder = app_.registry.machineFolder;
    machine.registry.machineName = app_.registry.machineName;
    const int result = LoadCalibrationLike(app_, into, machine, prompt_, path);
    if (result == kLoaded) {
        into.dataFileName = FileNamePart(path);
        return {};
    }
    return result == kOtherMachine ? Str(str::kMachineTypeDifferent)
           : result == kUnreadable ? Str(str::kOpenFailed)
                                   : std::string("The file is damaged.");
}

void CMainFrame::OpenDataFile(const std::string& path) { life_->OpenDataFile(path); }

bool CMainFrame::OpenDataFileOnFirstMap(const std::string& path) { return life_->OpenDataFileOnFirstMap(path); }

bool CMainFrame::CloseCalibration() { return life_->Close(); }

void CMainFrame::ShowLoaded(const std::string& path) {
    allLines_.clear();
    setWindowTitle(Q(Str(str::kProductName) + " - " + path));
    RefillMapSelector();
    if (bar_->mapSelector()->count() > 0) bar_->mapSelector()->setCurrentIndex(0);
    InstallMenu(4);
}

void CMainFrame::ShowSaved(const std::string& fileName) {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!(sub && sub->isMaximized())) setWindowTitle(Q(Str(str::kProductName) + " - " + fileName));
}

void CMainFrame::ShowNoCalibration() {
    allLines_.clear();
    setWindowTitle(Q(Str(str::kProductName)));
    fillingSelectors_ = true;
    bar_->mapSelector()->clear();
    fillingSelectors_ = false;
    ClearDialogBar();
    InstallMenu(2);
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
    fillingSelectors_ = true;
    bar_->lineSelector()->clear();
    fillingSelectors_ = false;
    bar_->allBox()->setEnabled(false);
    bar_->dataField()->clear();
    bar_->pointField()->clear();
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

MapRecord* CMainFrame::SelectorMap() const {
    const std::string name = bar_->mapSelector()->currentText().toStdString();
    // A link group's label ("#1,#2", "#2,#3") stands for its first map.
    return FindMap(app_.maps, MapOfSelectorEntry(app_.mapLinkState, app_.mapLink, name));
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
    FillLineList();
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
    fillingSelectors_ = true;
    bar_->mapSelector()->setCurrentIndex(
        bar_->mapSelector()->findText(Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, name))));
    fillingSelectors_ = false;
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
    FillLineList();
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

void CMainFrame::OnFlipAllLines() {
    if (HasDocumentWindow() && app_.currentMap && app_.currentMap->z.count > 1) OnAllLines();
}

void CMainFrame::StepLineBy(int step) { StepLine(bar_->lineSelector()->currentIndex() + step); }

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

void CMainFrame::OnAllLines() {
    MapRecord* map = app_.currentMap;
    if (!map) return;
    if (map->z.count < 2) {
        bar_->allBox()->setCheckState(Qt::PartiallyChecked);
        return;
    }
    bool& flag = allLines_[map->name];
    flag = !flag;
    bar_->allBox()->setCheckState(flag ? Qt::Checked : Qt::Unchecked);
    // The graph pane paints itself: the map window and its pane both redraw.
    for (CQelView* view : Views())
        if (view->Kind() == kWindowMap && view->ChildWnd()) view->ChildWnd()->RefreshFromImage();
}

void CMainFrame::OnToggleDataRpm() {
    MapRecord* map = app_.currentMap;
    if (app_.definitionKind != kDefinitionFreeMap || !HasDocumentWindow() || !map) return;
    if (map->cursor.mode != kEditData && map->cursor.mode != kEditRpm) return;
    doc_->PrepareViews(0);
    ToggleDataRpm(app_, *map);
    doc_->RefreshViews(0);
    if (CChildWnd* child = ActiveChild(); child && child->Kind() == kWindowTable) child->UpdateWindow();
}

void CMainFrame::OnIndividualEdit() {
    if (prompt_.Ask(Str(str::kCancelMapLink), Str(str::kProductName), PromptButtons::kOkCancel,
                    PromptIcon::kQuestion, PromptAnswer::kOk) == PromptAnswer::kCancel)
        return;
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    DropMapLink(app_);
    RefillMapSelector();
    if (app_.currentMap) {
        const std::string name = app_.currentMap->name;
        bar_->mapSelector()->setCurrentIndex(bar_->mapSelector()->findText(Q(name)));
        SelectMapByName(name);
    }
}

void CMainFrame::OnMachineSelect() {
    CMachineSelectDlg dialog(app_, prompt_, this);
    if (dialog.exec() == CMachineSelectDlg::kExitProgram) QCoreApplication::exit(0);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnDirectory() {
    CDirectoryDlg dialog(app_, prompt_, this);
    dialogs_.RunDirectory(dialog);
}

// The editor works on a copy of the data file's titles; OK puts what it
// changed back into the file's lines, which the next save writes.
void CMainFrame::OnTitle() {
    std::vector<std::string> titles;
    std::vector<int> pairLines;
    ReadTitles(app_.dataLines, titles, &pairLines);
    CTitleDlg dialog(titles, pairLines, app_.modified, prompt_, CalibrationOpen(), this);
    if (dialogs_.RunTitles(dialog) == QDialog::Accepted && CalibrationOpen() &&
        StoreTitles(app_.dataLines, dialog.Titles(), dialog.PairLines()))
        app_.modified = 1;
}

void CMainFrame::OnToolBox() {
    CToolBoxDlg dialog(this);
    dialogs_.RunToolBox(dialog);
}

void CMainFrame::OnFocusSwap() {
    CQelView* view = ActiveView();
    if (view && view->isAncestorOf(QApplication::focusWidget())) bar_->mapSelector()->setFocus();
    else if (QMdiSubWindow* sub = mdi_->currentSubWindow()) sub->widget()->setFocus();
}

bool CMainFrame::MultiMapEdit() {
    CMultiMapDlg dialog(app_, prompt_, this);
    if (dialogs_.RunMultiMap(dialog) != QDialog::Accepted) return false;
    if (app_.mapLinkState == kLinkNone) DropMapLink(app_);
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    RefillMapSelector();
    // A link shows its first group; without one the current map stays.
    if (app_.mapLinkState != kLinkNone && bar_->mapSelector()->count() > 0) {
        fillingSelectors_ = true;
        bar_->mapSelector()->setCurrentIndex(0);
        fillingSelectors_ = false;
    }
    if (bar_->mapSelector()->currentIndex() >= 0) SelectMapByName(bar_->mapSelector()->currentText().toStdString());
    UpdateCommandUi();
    return true;
}

void CMainFrame::ConstantsList() {
    auto buffer = std::make_unique<Image>(app_.image());
    // Shift+Enter: the committed value goes into the image in use and to the
    // ECU at once, besides the dialog's copy.
    auto liveWrite = [this](std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
        std::vector<EcuByteWrite> writes;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto at = static_cast<std::uint16_t>(address + i);
            if (app_.image()[at] != bytes[i]) app_.modified = 1;
            app_.image()[at] = bytes[i];
            writes.push_back({at, bytes[i]});
        }
        logbook_->SendSingleWrites(*session_, writes);
    };
    CConstantsDlg dialog(app_.definitionLines, *buffer, prompt_, liveWrite, app_.Data(), this);
    // Without a listed constant the dialog ends at once with Cancel.
    const bool ok = dialog.ConstantCount() > 0 && dialogs_.RunConstants(dialog) == QDialog::Accepted;
    if (ok && CopyBackImage(app_.image(), *buffer)) app_.modified = 1;
    if (CChildWnd* child = ActiveChild()) child->RefreshFromImage();
}

void CMainFrame::SetPhase(const std::string& phase) { progress_->SetPhase(phase); }

bool CMainFrame::RestoreEntry(Logbook& book, const LogEntry& entry) { return logbook_->Restore(book, entry); }

bool CMainFrame::OpenEntry(const LogEntry& entry) { return logbook_->Open(entry); }

int CMainFrame::WriteToEcu(const std::vector<EcuByteWrite>& bytes) {
    return logbook_->SendSingleWrites(*session_, bytes);
}

// --- dialog bar --------------------------------------------------------------

void CMainFrame::RefillMapSelector() {
    fillingSelectors_ = true;
    bar_->mapSelector()->clear();
    for (const std::string& entry : MapSelectorEntries(app_.maps, app_.mapLinkState, app_.mapLink))
        bar_->mapSelector()->addItem(Q(entry));
    if (app_.currentMap)
        bar_->mapSelector()->setCurrentIndex(bar_->mapSelector()->findText(
            Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, app_.currentMap->name))));
    fillingSelectors_ = false;
}

void CMainFrame::ClearDialogBar() {
    fillingSelectors_ = true;
    bar_->Clear();
    fillingSelectors_ = false;
}

void CMainFrame::FillLineList() {
    MapRecord* map = app_.currentMap;
    fillingSelectors_ = true;
    bar_->lineSelector()->clear();
    if (map) {
        const LineList list = LineListOf(app_, *map);
        for (std::size_t i = 0; i < list.texts.size(); ++i) bar_->lineSelector()->addItem(Q(list.texts[i]), static_cast<int>(i));
        bar_->lineSelector()->setCurrentIndex(list.selected >= 0 ? list.selected : (list.texts.empty() ? -1 : 0));
        bar_->allBox()->setCheckState(map->z.count < 2 ? Qt::PartiallyChecked : AllLines() ? Qt::Checked : Qt::Unchecked);
    }
    fillingSelectors_ = false;
    RefreshDialogBar();
}

void CMainFrame::RefreshDialogBar() {
    MapRecord* map = app_.currentMap;
    if (map && app_.HasImage()) {
        DialogBarFields fields;
        if (DialogBarFieldsOf(app_, *map, bar_->lineSelector()->currentIndex(), fields)) {
            if (fields.lineFollows >= 0 && fields.lineFollows < bar_->lineSelector()->count()) {
                fillingSelectors_ = true;
                bar_->lineSelector()->setCurrentIndex(fields.lineFollows);
                fillingSelectors_ = false;
            }
            // A drag in the map window shows its moving value before the
            // image has it.
            DraggedFields dragged;
            if (DraggedFieldText(*map, app_.formats, dragged))
                (dragged.data ? fields.data : fields.point) = dragged.text;
            bar_->pointField()->setText(Q(fields.point));
            if (!bar_->dataField()->hasFocus()) bar_->dataField()->setText(Q(fields.data));
        }
    }
    // Every edit passes here: the Differences list follows the image.
    compare_->RefreshDifferences(false);
    UpdateCommandUi();
}

void CMainFrame::SetMainCaption(const QString& caption) { setWindowTitle(caption); }

void CMainFrame::UpdateLineEntry(int column, const QString& text) {
    if (column >= 0 && column < bar_->lineSelector()->count()) bar_->lineSelector()->setItemText(column, text);
}

void CMainFrame::ViewActivated(CQelView*) {
    if (app_.currentMap) {
        fillingSelectors_ = true;
        bar_->mapSelector()->setCurrentIndex(bar_->mapSelector()->findText(
            Q(SelectorEntryOfMap(app_.mapLinkState, app_.mapLink, app_.currentMap->name))));
        fillingSelectors_ = false;
    }
    FillLineList();
}

void CMainFrame::SelectMapByName(const std::string& entry) {
    if (!doc_) return;
    const std::string name = MapOfSelectorEntry(app_.mapLinkState, app_.mapLink, entry);
    for (CQelView* view : doc_->Views()) {
        if (view->ChildWnd()) view->ChildWnd()->PrepareRefresh();
        view->ShowMap(name);
    }
    FillLineList();
    doc_->RefreshViews(kWindowMap);
}

void CMainFrame::OnMapSelected(int index) {
    if (fillingSelectors_ || index < 0) return;
    if (EndDrags()) {
        // The map stays; so does the selector.
        RefillMapSelector();
        return;
    }
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    SelectMapByName(bar_->mapSelector()->itemText(index).toStdString());
    UpdateCommandUi();
}

void CMainFrame::OnLineSelected(int index) {
    if (fillingSelectors_) return;
    if (EndDrags()) {
        FillLineList();
        return;
    }
    if (app_.currentMap) ClearSelection(*app_.currentMap);
    if (!app_.currentMap || index >= app_.currentMap->z.count) return;
    StepLine(index);
}

void CMainFrame::StepLine(int index) {
    MapRecord* map = app_.currentMap;
    if (!map || !doc_) return;
    if (CChildWnd* child = ActiveChild(); child && child->EditPending()) return;
    index = std::clamp(index, 0, std::max(bar_->lineSelector()->count() - 1, 0));
    if (index >= map->z.count) return;
    fillingSelectors_ = true;
    bar_->lineSelector()->setCurrentIndex(index);
    fillingSelectors_ = false;
    doc_->PrepareViews(0);
    StepToLine(app_, *map, index);
    doc_->RefreshViews(0);
    if (CChildWnd* child = ActiveChild()) child->UpdateWindow();
}

void CMainFrame::CommitTyped(bool okButton) {
    MapRecord* map = app_.currentMap;
    if (!map) return;
    if (EndDrags()) {
        RefreshDialogBar();
        return;
    }
    CQelView* view = ActiveView();
    EditContext context = view ? view->MakeEditContext(app_) : AppLinkedEditContext(app_);
    const TypedValueResult result =
        CommitTypedValue(context, app_, *map, bar_->dataField()->text().toStdString(), okButton);
    CChildWnd* child = ActiveChild();
    // The field always shows what the cell holds now; a refused text goes.
    auto showText = [this, &result] {
        bar_->dataField()->setText(Q(result.dataText));
        bar_->dataField()->setModified(false);
    };
    if (result.committed || result.refused) {
        if (result.written && doc_) doc_->RefreshViews(0);
        if (child) child->UpdateWindow();
        showText();
        if (result.message) ShowTypedMessage(*result.message, okButton);
        UpdateCommandUi();
        return;
    }
    if (!okButton) {
        showText();
        return;
    }
    if (result.clearField) {
        bar_->dataField()->clear();
        return;
    }
    if (child) child->UpdateWindow();
    if (result.wrongWord) prompt_.Message(Str(str::kWrongWord2), Str(str::kProductName), PromptIcon::kExclamation);
    RefreshDialogBar();
    bar_->dataField()->setText(Q(result.dataText));
    bar_->dataField()->setModified(false);
}

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

void CMainFrame::ShowTypedMessage(const PromptMessage& message, bool now) {
    if (now) {
        prompt_.Show(message);
        return;
    }
    // The field lost the focus: the message waits until the focus has
    // settled where the user put it.
    QTimer::singleShot(0, this, [this, message] { prompt_.Show(message); });
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
    // The focus going to the OK button is its click coming: OK commits the
    // text, with its messages, once.
    if (watched == bar_->dataField() && event->type() == QEvent::FocusOut && app_.currentMap && bar_->dataField()->isModified() &&
        QApplication::focusWidget() != bar_->okButton()) {
        bar_->dataField()->setModified(false);
        CommitTyped(false);
    }
    return QMainWindow::eventFilter(watched, event);
}
