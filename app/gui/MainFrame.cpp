#include "app/gui/MainFrame.h"

#include "edit/gui/QelDoc.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/CommandIds.h"
#include "app/FileHistory.h"
#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "app/VerifyListing.h"
#include "app/gui/FrameLogbook.h"
#include "ecu/EcuSession.h"
#include "ecu/gui/ProgressWnd.h"
#include "files/DataFile.h"
#include "edit/LinkedMaps.h"
#include "edit/gui/MultiMapDlg.h"
#include "edit/gui/QelView.h"
#include "model/Strings.h"

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
    edit_ = std::make_unique<EditCommands>(app_, *this, prompt_);
    pictures_ = std::make_unique<PictureController>(app_, app_.defaultFolder, app_.settingsFilePath, dialogs_,
                                                    prompt_, this);
    CreateActions();
    CreateDialogBar();
    FrameWindowsHost& host = *this;
    windows_ = std::make_unique<FrameWindows>(app_, prompt_, *this, host, *mdi_, *bar_, *selection_);
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

    line_ = std::make_unique<EcuLine>(app_, app_, app_.registryStore(), prompt_, this);
    line_->onCloseAfterWrite = [this] { RequestClose(); };
    ecu_ = std::make_unique<EcuController>(
        EcuParts{app_, app_, app_.registryStore(), app_.settingsFilePath, app_.defaultFolder, Session(),
                 LiveMonitor(), WriteStop()},
        *this, dialogs_, prompt_, this);
    ecu_->differenceListing = [this](const DataPane& exchange, const DataPane& comparison) {
        return VerifyListing(app_, exchange.start, exchange.bytes, comparison.start, comparison.bytes);
    };
    operating_ = std::make_unique<OperatingController>(
        OperatingParts{app_, app_.settingsFilePath, app_.defaultFolder, LiveMonitor(), app_.operating}, *this, dialogs_,
        prompt_, this);
    playback_ = std::make_unique<PlaybackController>(
        PlaybackParts{app_, app_.settingsFilePath, app_.defaultFolder, LiveMonitor(), *operating_, *ecu_}, *this,
        dialogs_, prompt_, this);
    life_ = std::make_unique<CalibrationController>(app_, *this, dialogs_, prompt_, *ecu_, *compare_, this);
    dialogCommands_ = std::make_unique<DialogCommands>(
        app_, dialogs_, prompt_, this, [this](const std::vector<EcuByteWrite>& bytes) { return WriteToEcu(bytes); },
        [this] {
            if (CChildWnd* child = ActiveChild()) child->RefreshFromImage();
        });
    ecuFiles_ = std::make_unique<EcuFileCommands>(app_, *this, *life_, prompt_);
    display_ = std::make_unique<DisplayOptionsController>(app_, prompt_, [this] {
        if (CQelDoc* doc = Document()) doc->RefreshAll(nullptr);
    });
    // Every single write is entered in the machine's logbook.
    logbook_ = std::make_unique<FrameLogbook>(*this, app_, prompt_);
    logbook_->Point(Session().writeLog);
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    playback_.reset();   // it shows its log in the monitor and the marks
    ecu_.reset();   // the monitor's window goes before the monitor
    operating_.reset();   // and its listener on the monitor
    line_->End();
    windows_->End();
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

std::vector<CChildWnd*> CMainFrame::MapWindows() const {
    std::vector<CChildWnd*> windows;
    for (CQelView* view : Views())
        if (view->ChildWnd()) windows.push_back(view->ChildWnd());
    return windows;
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
    playback_->End();
    operating_->End();
}

void CMainFrame::ShowSaved(const std::string& fileName) {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!(sub && sub->isMaximized())) setWindowTitle(Q(Str(str::kProductName) + " - " + fileName));
}

void CMainFrame::ShowStatus(const std::string& text) { statusBar()->showMessage(Q(text)); }

QString CMainFrame::StatusText() const {
    return findChild<QStatusBar*>() ? findChild<QStatusBar*>()->currentMessage() : QString();
}

QMenu* CMainFrame::FileMenu() const {
    for (QMenu* m : menus_)
        if (m->title() == "&File") return m;
    return nullptr;
}

void CMainFrame::FillRecentFiles() {
    QMenu* file = FileMenu();
    for (QAction* a : recentActions_) {
        for (QMenu* m : menus_) m->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    if (!file || !life_) return;
    QAction* exit = action(cmd::kExit);
    const std::vector<std::string> list = life_->RecentFiles();
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto* a = new QAction(Q(RecentMenuText(static_cast<int>(i), list[i])), this);
        a->setObjectName(QString("recentFile%1").arg(i + 1));
        const std::string path = list[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (EndDrags()) return;
            life_->OpenRecent(path);
            UpdateCommandUi();
        });
        file->insertAction(exit, a);
        recentActions_.push_back(a);
    }
    if (!list.empty()) {
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        file->insertAction(exit, separator);
        recentActions_.push_back(separator);
    }
}

void CMainFrame::ShowNoCalibration() {
    selection_->ForgetAllLines();
    setWindowTitle(Q(Str(str::kProductName)));
    selection_->ClearMapSelector();
    selection_->Clear();
    InstallMenu(2);
    playback_->End();
    operating_->End();
}

bool CMainFrame::RunMenu(int& mapIndex) {
    CMenuDlg dialog(app_, prompt_, *this, this);
    const int result = dialogs_.RunMenu(dialog);
    if (result != QDialog::Accepted) return false;
    mapIndex = dialog.ChosenMap();
    return mapIndex >= 0 && mapIndex < static_cast<int>(app_.maps.size());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A write running inside a window's command holds the close: a single
    // write closes the frame when it is over, with the usual question; a
    // block write asks first, at its next record boundary.
    if (line_->HoldClose() || !life_->Quit()) {
        event->ignore();
        return;
    }
    Session().ClosePort();
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

void CMainFrame::DocumentOpened() { InstallMenu(3); }

void CMainFrame::LastWindowClosed() {
    ResetToDataLoaded();
    UpdateCommandUi();
}

bool CMainFrame::MultiMapEdit() {
    CMultiMapDlg dialog(app_, prompt_, this);
    if (dialogs_.RunMultiMap(dialog) != QDialog::Accepted) return false;
    selection_->AfterMultiMapEdit();
    return true;
}

void CMainFrame::SetPhase(const std::string& phase) { ProgressWindow().SetPhase(phase); }

bool CMainFrame::RestoreEntry(Logbook& book, const LogEntry& entry) { return logbook_->Restore(book, entry); }

bool CMainFrame::OpenEntry(const LogEntry& entry) { return logbook_->Open(entry); }

int CMainFrame::WriteToEcu(const std::vector<EcuByteWrite>& bytes) {
    return logbook_->SendSingleWrites(Session(), bytes);
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
