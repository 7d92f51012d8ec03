#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/CommandIds.h"
#include "app/FrameModel.h"
#include "app/MachineSelectDlg.h"
#include "app/ProgressWnd.h"
#include "app/QelApp.h"
#include "app/Strings.h"
#include "app/ToolIcons.h"
#include "config/Definition.h"
#include "ecu/EcuProtocol.h"
#include "ecu/SerialLink.h"
#include "edit/ChildWndFactory.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/QelView.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "model/Maps.h"
#include "platform/PathSearch.h"
#include "platform/SerialPort.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The tool buttons in their order on the dialog bar.
const int kToolButtons[] = {cmd::kOpen,         cmd::kSave,    cmd::kMenu,     cmd::kCopy,
                            cmd::kPaste,        cmd::kUndo,    cmd::kMultiMapEdit, cmd::kMonitor,
                            cmd::kItemSet,      cmd::kDataExchange, cmd::kConstantsList};

// The key command codes the frame passes to the active view's window.
int ForwardCode(int id) {
    switch (id) {
        case cmd::kForwardEnter: return 7;
        case cmd::kForwardPageUp: case cmd::kForwardCtrlShiftPageUp: return 11;
        case cmd::kForwardPageDown: case cmd::kForwardCtrlShiftPageDown: return 12;
        case cmd::kForwardShiftUp: return 13;
        case cmd::kForwardShiftDown: return 14;
        case cmd::kForwardShiftLeft: return 15;
        case cmd::kForwardShiftRight: return 16;
        case cmd::kForwardCtrlShiftUp: return 20;
        case cmd::kForwardCtrlShiftDown: return 21;
        case cmd::kForwardCtrlShiftLeft: return 22;
        case cmd::kForwardCtrlShiftRight: return 23;
        case cmd::kForwardCtrlShiftC: return 24;
        case cmd::kForwardCtrlShiftV: return 25;
        case cmd::kForwardCtrlShiftEnter: return 26;
        default: return 0;
    }
}

// Accelerators that work without a calibration (table 2).
bool InNoDataTable(int id) {
    switch (id) {
        case cmd::kCopy: case cmd::kPaste: case cmd::kCut: case cmd::kUndo: case cmd::kOpen:
        case cmd::kMenu: case cmd::kNextPane: case cmd::kPreviousPane:
            return true;
        default:
            return false;
    }
}

// The "&ALL" box shows the all-lines flag and changes only through the
// command (a map of one line puts it into its third state): a click must not
// step its state before the command has read it.
class CommandCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

}  // namespace

CMainFrame::CMainFrame(CQelApp& app, UserPrompt& prompt, QWidget* parent)
    : QMainWindow(parent), app_(app), prompt_(prompt) {
    setObjectName("mainFrame");
    setWindowTitle(Q(Str(str::kProductName)));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
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
    link_ = std::make_unique<SerialLink>(app_, *port_, pump_, linkTimer_);
    linkTimer_.onTick = [this] { link_->OnTick(); };
    progress_ = new CProgressWnd(this);
    protocol_ = std::make_unique<EcuProtocol>(app_, *link_, prompt_, *progress_);
    ecuWriter = [this](const std::vector<EcuByteWrite>& bytes) { return WriteBytesToEcu(bytes); };
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    ClosePort();
    linkTimer_.onTick = nullptr;
    closingDocument_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) delete sub;
    doc_.reset();
}

void CMainFrame::SetMachineName(const QString& name) { machineLabel_->setText(name); }
QString CMainFrame::MachineName() const { return machineLabel_->text(); }

// --- construction ----------------------------------------------------------

QAction* CMainFrame::AddAction(int id, const QString& text, const QList<QKeySequence>& keys) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString("command%1").arg(id));
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    addAction(a);
    actions_[id] = a;
    return a;
}

void CMainFrame::CreateActions() {
    using K = QKeySequence;
    AddAction(cmd::kOpen, "&Open\tCtrl+O", {K("Ctrl+O")});
    AddAction(cmd::kExit, "E&xit\tAlt+F4");
    AddAction(cmd::kDirectory, "&Directory...");
    AddAction(cmd::kMachineSelect, "&MachineSelect...");
    AddAction(cmd::kToolBox, "&Tool box...");
    AddAction(cmd::kAbout, Q(Str(str::kAboutMenu)));
    AddAction(cmd::kClose, "&Close");
    AddAction(cmd::kSave, "&Save...");
    AddAction(cmd::kMenu, "&Menu...\tF1", {K(Qt::Key_F1)});
    AddAction(cmd::kUndo, "&Undo\tCtrl+Z", {K("Ctrl+Z"), K("Alt+Backspace")});
    AddAction(cmd::kCopy, "&Copy\tCtrl+C", {K("Ctrl+C"), K("Ctrl+Insert")});
    AddAction(cmd::kPaste, "&Paste\tCtrl+V", {K("Ctrl+V"), K("Shift+Insert")});
    AddAction(cmd::kCut, "Cu&t\tCtrl+X", {K("Ctrl+X"), K("Shift+Delete")});
    AddAction(cmd::kMultiMapEdit, "&Multi Map Edit...");
    AddAction(cmd::kIndividualEdit, "&Individual Edit");
    AddAction(cmd::kMonitor, "&Monitor...\tCtrl+M");
    AddAction(cmd::kMonitorCtrlM, "&Monitor...\tCtrl+M", {K("Ctrl+M")});
    AddAction(cmd::kMonitorStart, "St&art");
    AddAction(cmd::kMonitorStop, "St&op");
    AddAction(cmd::kItemSet, "&Item set...");
    AddAction(cmd::kRs232c, "&RS232C...");
    AddAction(cmd::kTitle, "&Title...");
    AddAction(cmd::kConstantsList, "&Constants list...");
    AddAction(cmd::kDataExchange, "Data &Exchange...");
    AddAction(cmd::kOpenMapWindow, "&Map");
    AddAction(cmd::kOpenTableWindow, "&Table");
    AddAction(cmd::kOpenHexWindow, "&HEX");
    AddAction(cmd::kWindowCascade, "&Cascade");
    AddAction(cmd::kWindowTile, "&Tile");
    AddAction(cmd::kAllLines, "&All\tAlt+A");
    AddAction(cmd::kMonitorDialog, "&Monitor Dialog");
    AddAction(cmd::kNextPane, "Next Pane", {K(Qt::Key_F6)});
    AddAction(cmd::kPreviousPane, "Previous Pane", {K("Shift+F6")});
    AddAction(cmd::kFlipAllLines, "All Lines", {K(Qt::Key_F4)});
    AddAction(cmd::kFocusSwap, "Focus", {K(Qt::Key_F5)});
    AddAction(cmd::kToggleDataRpm, "DATA/RPM", {K("Shift+F5")});
    AddAction(cmd::kPreviousLine, "Previous Line", {K(Qt::Key_F2)});
    AddAction(cmd::kNextLine, "Next Line", {K(Qt::Key_F3)});
    AddAction(cmd::kForwardEnter, "Enter", {K(Qt::Key_Return), K(Qt::Key_Enter)});
    AddAction(cmd::kForwardPageUp, "Step Up", {K(Qt::Key_PageUp)});
    AddAction(cmd::kForwardPageDown, "Step Down", {K(Qt::Key_PageDown)});
    AddAction(cmd::kForwardCtrlShiftPageUp, "Step Up", {K("Ctrl+Shift+PgUp")});
    AddAction(cmd::kForwardCtrlShiftPageDown, "Step Down", {K("Ctrl+Shift+PgDown")});
    AddAction(cmd::kForwardShiftUp, "Up", {K("Shift+Up")});
    AddAction(cmd::kForwardShiftDown, "Down", {K("Shift+Down")});
    AddAction(cmd::kForwardShiftLeft, "Left", {K("Shift+Left")});
    AddAction(cmd::kForwardShiftRight, "Right", {K("Shift+Right")});
    AddAction(cmd::kForwardCtrlShiftUp, "Select Up", {K("Ctrl+Shift+Up")});
    AddAction(cmd::kForwardCtrlShiftDown, "Select Down", {K("Ctrl+Shift+Down")});
    AddAction(cmd::kForwardCtrlShiftLeft, "Select Left", {K("Ctrl+Shift+Left")});
    AddAction(cmd::kForwardCtrlShiftRight, "Select Right", {K("Ctrl+Shift+Right")});
    AddAction(cmd::kForwardCtrlShiftC, "Key 24", {K("Ctrl+Shift+C")});
    AddAction(cmd::kForwardCtrlShiftV, "Key 25", {K("Ctrl+Shift+V")});
    AddAction(cmd::kForwardCtrlShiftEnter, "Key 26", {K("Ctrl+Shift+Return")});
    actions_[cmd::kAllLines]->setCheckable(true);
    for (int id : {cmd::kMonitor, cmd::kMonitorCtrlM, cmd::kMonitorStart, cmd::kMonitorStop})
        actions_[id]->setCheckable(true);
}

void CMainFrame::CreateDialogBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName("dialogBar");
    bar->setMovable(false);
    bar->setFloatable(false);
    auto* panel = new QWidget(bar);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    for (int id : kToolButtons) {
        auto* button = new QToolButton(panel);
        button->setObjectName(QString("button%1").arg(id));
        button->setIcon(ToolIcon(id));
        button->setIconSize(QSize(24, 24));
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, id] { OnCommand(id); });
        layout->addWidget(button);
        buttons_[id] = button;
    }
    buttons_[cmd::kOpen]->setToolTip("Open");
    buttons_[cmd::kSave]->setToolTip("Save");
    buttons_[cmd::kMenu]->setToolTip("Menu");
    buttons_[cmd::kCopy]->setToolTip("Copy");
    buttons_[cmd::kPaste]->setToolTip("Paste");
    buttons_[cmd::kUndo]->setToolTip("Undo");
    buttons_[cmd::kMultiMapEdit]->setToolTip("Multi Map Edit");
    buttons_[cmd::kMonitor]->setToolTip("Monitor");
    buttons_[cmd::kItemSet]->setToolTip("Item set");
    buttons_[cmd::kDataExchange]->setToolTip("Data Exchange");
    buttons_[cmd::kConstantsList]->setToolTip("Constants list");

    auto* mapLabel = new QLabel("La&bel", panel);
    mapSelector_ = new QComboBox(panel);
    mapSelector_->setObjectName("control1005");
    mapSelector_->setMinimumContentsLength(16);
    mapLabel->setBuddy(mapSelector_);
    auto* lineLabel = new QLabel("&Line", panel);
    lineSelector_ = new QComboBox(panel);
    lineSelector_->setObjectName("control1006");
    lineSelector_->setMinimumContentsLength(6);
    lineLabel->setBuddy(lineSelector_);
    allBox_ = new CommandCheckBox("&ALL", panel);
    allBox_->setObjectName("control1148");
    allBox_->setTristate(true);
    // Its mnemonic (Alt+A) and a click flip all lines; the keyboard stays in
    // the cell editor the user is typing in.
    allBox_->setFocusPolicy(Qt::NoFocus);
    auto* dataLabel = new QLabel("&Data", panel);
    dataField_ = new QLineEdit(panel);
    dataField_->setObjectName("control1008");
    dataField_->setMaxLength(8);
    dataField_->setFixedWidth(70);
    dataLabel->setBuddy(dataField_);
    okButton_ = new QPushButton("OK", panel);
    okButton_->setObjectName("control1");
    auto* pointLabel = new QLabel("Point", panel);
    pointField_ = new QLineEdit(panel);
    pointField_->setObjectName("control1007");
    pointField_->setReadOnly(true);
    pointField_->setFixedWidth(70);
    machineLabel_ = new QLabel("...", panel);
    machineLabel_->setObjectName("control1206");
    for (QWidget* w : std::initializer_list<QWidget*>{mapLabel, mapSelector_, lineLabel, lineSelector_, allBox_,
                                                      dataLabel, dataField_, okButton_, pointLabel, pointField_,
                                                      machineLabel_})
        layout->addWidget(w);
    layout->addStretch(1);
    bar->addWidget(panel);
    addToolBar(Qt::TopToolBarArea, bar);
    // The value fields belong to an open document.
    documentControls_ = {allBox_, dataLabel, dataField_, okButton_, pointLabel, pointField_};
    for (QWidget* w : documentControls_) w->hide();

    connect(mapSelector_, qOverload<int>(&QComboBox::activated), this, &CMainFrame::OnMapSelected);
    connect(lineSelector_, qOverload<int>(&QComboBox::activated), this, &CMainFrame::OnLineSelected);
    connect(allBox_, &QCheckBox::clicked, this, [this] { OnCommand(cmd::kAllLines); });
    connect(okButton_, &QPushButton::clicked, this, [this] { OnCommand(cmd::kOk); });
    dataField_->installEventFilter(this);
}

void CMainFrame::InstallMenu(int resource) {
    menuResource_ = resource;
    menuBar()->clear();
    menus_.clear();
    auto menu = [this](const char* title) {
        QMenu* m = menuBar()->addMenu(title);
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
        m->installEventFilter(this);
        menus_.push_back(m);
        return m;
    };
    auto add = [this](QMenu* m, std::initializer_list<int> ids) {
        for (int id : ids) m->addAction(actions_.at(id));
    };
    if (resource == 2) {
        QMenu* file = menu("&File");
        add(file, {cmd::kOpen});
        file->addSeparator();
        add(file, {cmd::kExit});
        add(menu("&Set"), {cmd::kDirectory, cmd::kMachineSelect});
        add(menu("&Help"), {cmd::kToolBox, cmd::kAbout});
        return;
    }
    QMenu* file = menu("&File");
    add(file, {cmd::kClose, cmd::kSave, cmd::kMenu});
    file->addSeparator();
    add(file, {cmd::kExit});
    if (resource == 3) add(menu("&Edit"), {cmd::kUndo, cmd::kCopy, cmd::kPaste, cmd::kMultiMapEdit, cmd::kIndividualEdit});
    add(menu("&Monitor"), {cmd::kMonitor, cmd::kMonitorStart, cmd::kMonitorStop, cmd::kItemSet});
    add(menu("&Set"), {cmd::kRs232c, cmd::kTitle, cmd::kConstantsList, cmd::kDataExchange, cmd::kDirectory,
                       cmd::kMachineSelect});
    QMenu* window = menu("&Window");
    QMenu* open = window->addMenu("&Open");
    add(open, {cmd::kOpenMapWindow, cmd::kOpenTableWindow, cmd::kOpenHexWindow});
    add(window, {cmd::kWindowCascade, cmd::kWindowTile});
    if (resource == 3) add(window, {cmd::kAllLines});
    add(window, {cmd::kMonitorDialog});
    add(menu("&Help"), {cmd::kToolBox, cmd::kAbout});
}

QAction* CMainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QToolButton* CMainFrame::toolButton(int id) const {
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
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

// --- update rules ----------------------------------------------------------

CommandUi CMainFrame::QueryCommand(int id) {
    CommandUi ui;
    const bool open = CalibrationOpen();
    CChildWnd* child = ActiveChild();
    if (ForwardCode(id) != 0 || id == cmd::kFlipAllLines || id == cmd::kFocusSwap || id == cmd::kToggleDataRpm ||
        id == cmd::kPreviousLine || id == cmd::kNextLine || id == cmd::kMonitorCtrlM) {
        // The document's accelerator table.
        if (!HasDocumentWindow() && !InNoDataTable(id)) ui.enabled = false;
    }
    switch (id) {
        case cmd::kSave: case cmd::kMenu: case cmd::kConstantsList: case cmd::kDataExchange:
            ui.enabled = open;
            break;
        case cmd::kUndo: {
            const MapRecord* map = ActiveView() ? app_.currentMap : nullptr;
            ui.text = UndoMenuText(map);
            ui.enabled = UndoMenuEnabled(map);
            break;
        }
        case cmd::kCut: case cmd::kCopy: case cmd::kPaste: {
            const bool kind = child && (child->Kind() == kWindowHex || child->Kind() == kWindowTable);
            ui.enabled = kind && (child->HasSelection() || child->CellEditing());
            if (id == cmd::kPaste) {
                const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
                ui.enabled = ui.enabled && mime && mime->hasText();
            }
            break;
        }
        case cmd::kMultiMapEdit:
            ui.enabled = HasDocumentWindow() && MultiMapEditAvailable(app_.maps);
            break;
        case cmd::kIndividualEdit:
            ui.enabled = app_.mapLinkState != kLinkNone;
            break;
        case cmd::kMonitor: case cmd::kMonitorCtrlM:
            ui.enabled = ui.enabled && open;
            ui.checkable = true;
            ui.checked = false;   // the monitor dialog is not shown
            break;
        case cmd::kMonitorStart:
            ui.enabled = false;   // needs the monitor dialog shown and the port closed
            ui.checkable = true;
            ui.checked = link_ && link_->portOpen;
            break;
        case cmd::kMonitorStop:
            ui.enabled = false;   // needs the monitor dialog shown and the port open
            ui.checkable = true;
            ui.checked = !(link_ && link_->portOpen);
            break;
        case cmd::kMonitorDialog:
            ui.enabled = false;
            break;
        case cmd::kItemSet:
            ui.enabled = !app_.diagItems.empty() && open;
            break;
        case cmd::kOpenMapWindow:
            ui.enabled = ChildWndKindAvailable(kWindowMap) && (app_.currentMap || SelectorMap()) &&
                         !(doc_ && doc_->HasViewOfKind(kWindowMap));
            break;
        case cmd::kOpenTableWindow:
            ui.enabled = (app_.currentMap || SelectorMap()) && !(doc_ && doc_->HasViewOfKind(kWindowTable));
            break;
        case cmd::kOpenHexWindow:
            ui.enabled = (app_.currentMap || SelectorMap()) && !(doc_ && doc_->HasViewOfKind(kWindowHex));
            break;
        case cmd::kOpenWindowKind4:
            ui.enabled = false;
            break;
        case cmd::kAllLines:
            ui.enabled = app_.currentMap != nullptr && allBox_->checkState() != Qt::PartiallyChecked;
            ui.checkable = true;
            ui.checked = AllLines();
            break;
        case cmd::kPreviousLine:
            ui.enabled = ui.enabled && lineSelector_->currentIndex() > 0;
            break;
        case cmd::kNextLine:
            ui.enabled = ui.enabled && lineSelector_->currentIndex() >= 0 &&
                         lineSelector_->currentIndex() < lineSelector_->count() - 1;
            break;
        default:
            break;
    }
    return ui;
}

void CMainFrame::UpdateCommandUi() {
    for (auto& [id, a] : actions_) {
        const CommandUi ui = QueryCommand(id);
        a->setEnabled(ui.enabled);
        if (ui.checkable) a->setChecked(ui.checked);
        if (!ui.text.empty()) a->setText(Q(ui.text));
    }
    for (auto& [id, button] : buttons_) button->setEnabled(QueryCommand(id).enabled);
    if (actions_.count(cmd::kAbout)) actions_[cmd::kAbout]->setText(Q(Str(str::kAboutMenu)));
}

// --- commands ----------------------------------------------------------------

void CMainFrame::ShowMissingDialog(const char* name) {
    char text[256];
    std::snprintf(text, sizeof text, text::kDialogMissing, name);
    prompt_.Message(text, Str(str::kProductName), PromptIcon::kInformation);
}

void CMainFrame::ForwardKey(int code) {
    CChildWnd* child = ActiveChild();
    if (child) child->KeyCommand(code);
}

bool CMainFrame::EndDrags() {
    bool ended = false;
    for (CQelView* view : Views())
        if (view->ChildWnd() && view->ChildWnd()->CancelDrag()) ended = true;
    return ended;
}

void CMainFrame::OnCommand(int id) {
    if (!QueryCommand(id).enabled) return;
    // A drag in the map window owns the cursor cell until its button comes
    // up: a command arriving meanwhile (Ctrl+Z, F2, F3, ...) ends the drag as
    // the right button would and does nothing else, so that neither the
    // dragged value nor the command lands on a cell nobody chose.
    if (EndDrags()) {
        UpdateCommandUi();
        return;
    }
    if (id == cmd::kForwardEnter && dataField_->hasFocus()) id = cmd::kOk;   // Enter in the Data field is its OK
    if (const int code = ForwardCode(id)) {
        ForwardKey(code);
        UpdateCommandUi();
        return;
    }
    switch (id) {
        case cmd::kOpen: OnOpen(); break;
        case cmd::kSave: OnSave(); break;
        case cmd::kClose: CloseCalibration(); break;
        case cmd::kExit: close(); break;
        case cmd::kMenu: OnMenu(); break;
        case cmd::kUndo: OnUndo(); break;
        case cmd::kCut: if (ActiveChild()) ActiveChild()->Cut(); break;
        case cmd::kCopy: if (ActiveChild()) ActiveChild()->Copy(); break;
        case cmd::kPaste: if (ActiveChild()) ActiveChild()->Paste(); break;
        case cmd::kMultiMapEdit: MultiMapEdit(); break;
        case cmd::kIndividualEdit: OnIndividualEdit(); break;
        case cmd::kMonitor: case cmd::kMonitorCtrlM: case cmd::kMonitorButton: ShowMissingDialog("Monitor"); break;
        case cmd::kItemSet: ShowMissingDialog("Item Set"); break;
        case cmd::kRs232c: ShowMissingDialog("RS232C Parameter"); break;
        case cmd::kTitle: ShowMissingDialog("Title"); break;
        case cmd::kConstantsList: ConstantsList(); break;
        case cmd::kDataExchange: DataExchange(); break;
        case cmd::kDirectory: ShowMissingDialog("Directory"); break;
        case cmd::kMachineSelect: OnMachineSelect(); break;
        case cmd::kToolBox: ShowMissingDialog("About ToolBox"); break;
        case cmd::kAbout: OnAbout(); break;
        case cmd::kOpenMapWindow: OpenWindow(kWindowMap); break;
        case cmd::kOpenTableWindow: OpenWindow(kWindowTable); break;
        case cmd::kOpenHexWindow: OpenWindow(kWindowHex); break;
        case cmd::kWindowCascade: mdi_->cascadeSubWindows(); break;
        case cmd::kWindowTile: TileHorizontally(); break;
        case cmd::kNextPane: mdi_->activateNextSubWindow(); break;
        case cmd::kPreviousPane: mdi_->activatePreviousSubWindow(); break;
        case cmd::kAllLines: OnAllLines(); break;
        case cmd::kFlipAllLines:
            if (HasDocumentWindow() && app_.currentMap && app_.currentMap->z.count > 1) OnAllLines();
            break;
        case cmd::kFocusSwap: OnFocusSwap(); break;
        case cmd::kToggleDataRpm: OnToggleDataRpm(); break;
        case cmd::kPreviousLine: StepLine(lineSelector_->currentIndex() - 1); break;
        case cmd::kNextLine: StepLine(lineSelector_->currentIndex() + 1); break;
        case cmd::kOk: CommitTyped(true); break;
        default: break;
    }
    UpdateCommandUi();
}

std::string CMainFrame::AskFile(const FileDialogRequest& request) {
    if (fileDialog) return fileDialog(request);
    QStringList filters;
    for (const std::string& f : request.filters) filters << Q(f);
    QFileDialog dialog(this, Q(request.title), Q(request.folder));
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(Q(request.defaultExtension));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.proposedName.empty()) dialog.selectFile(Q(request.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
    return dialog.selectedFiles().front().toStdString();
}

void CMainFrame::OnOpen() {
    // A new load replaces the maps the open windows show: they go first.
    if (doc_ || CalibrationOpen()) {
        if (!CloseCalibration()) return;
    }
    FileDialogRequest request;
    request.title = text::kOpenFileTitle;
    request.folder = app_.defaultFolder;
    request.defaultExtension = Str(str::kDataFileExtension);
    request.filters = FilterEntries(Str(str::kDataFileFilter));
    const std::string path = AskFile(request);
    if (path.empty()) return;
    OpenDataFile(path);
}

void CMainFrame::OpenDataFile(const std::string& path) {
    if (doc_ || CalibrationOpen()) {
        if (!CloseCalibration()) return;
    }
    const int result = LoadDataFile(app_, prompt_, path);
    if (result == kOtherMachine || result == kUnreadable) {
        prompt_.Message(Str(result == kOtherMachine ? str::kMachineTypeDifferent : str::kOpenFailed),
                        Str(str::kProductName), PromptIcon::kExclamation);
        ResetCalibration(app_);
        return;
    }
    if (result != kLoaded) {   // abandoned after its message
        ResetCalibration(app_);
        RefillMapSelector();
        return;
    }
    app_.dataFilePath = path;
    app_.dataFileName = FileNamePart(path);
    allLines_.clear();
    setWindowTitle(Q(Str(str::kProductName) + " - " + path));
    RefillMapSelector();
    if (mapSelector_->count() > 0) mapSelector_->setCurrentIndex(0);
    InstallMenu(4);

    int mapIndex = -1;
    if (!RunMenu(mapIndex)) {
        ResetToDataLoaded();
        return;
    }
    ShowChosenMap(mapIndex, true);
}

bool CMainFrame::RunMenu(int& mapIndex) {
    CMenuDlg dialog(app_, prompt_, *this, this);
    const int result = runMenuDialog ? runMenuDialog(dialog) : dialog.exec();
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
    const int entry = mapSelector_->findText(Q(name));
    if (entry >= 0) mapSelector_->setCurrentIndex(entry);
    SelectMapByName(name);
}

void CMainFrame::OnMenu() {
    int mapIndex = -1;
    if (!RunMenu(mapIndex)) return;
    ShowChosenMap(mapIndex, false);
}

void CMainFrame::OnSave() {
    FileDialogRequest request;
    request.save = true;
    request.title = text::kSaveAsTitle;
    request.folder = app_.defaultFolder;
    request.proposedName = app_.dataFileName;
    request.defaultExtension = Str(str::kDataFileExtension);
    request.filters = FilterEntries(Str(str::kDataFileFilter));
    const std::string path = AskFile(request);
    if (path.empty()) return;
    if (!SaveDataFile(app_, path)) {
        prompt_.Message(Str(str::kSaveError), Str(str::kProductName), PromptIcon::kExclamation);
        return;
    }
    app_.dataFilePath = path;
    app_.dataFileName = FileNamePart(path);
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!(sub && sub->isMaximized())) setWindowTitle(Q(Str(str::kProductName) + " - " + app_.dataFileName));
}

bool CMainFrame::CloseCalibration() {
    if (doc_) doc_->PrepareViews(0);
    if (app_.modified && CalibrationOpen()) {
        const bool close = doc_ ? doc_->ConfirmClose() : ConfirmCloseWithoutSaving(prompt_);
        if (!close) return false;
    }
    CloseDocument();
    ResetCalibration(app_);
    allLines_.clear();
    setWindowTitle(Q(Str(str::kProductName)));
    fillingSelectors_ = true;
    mapSelector_->clear();
    fillingSelectors_ = false;
    ClearDialogBar();
    InstallMenu(2);
    return true;
}

void CMainFrame::CloseDocument() {
    closingDocument_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) delete sub;
    closingDocument_ = false;
    doc_.reset();
    for (QWidget* w : documentControls_) w->hide();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (ecuWriteRunning_) {
        // The write's waits run inside a window's command; the frame closes
        // when it is over, with the usual question.
        closeAfterEcuWrite_ = true;
        event->ignore();
        return;
    }
    if (doc_) doc_->PrepareViews(0);
    if (app_.modified && CalibrationOpen()) {
        if (!ConfirmCloseWithoutSaving(prompt_)) {
            event->ignore();
            return;
        }
    }
    CloseDocument();
    ResetCalibration(app_);
    ClosePort();
    event->accept();
}

void CMainFrame::RequestClose() { QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection); }

void CMainFrame::ResetToDataLoaded() {
    fillingSelectors_ = true;
    lineSelector_->clear();
    fillingSelectors_ = false;
    allBox_->setEnabled(false);
    dataField_->clear();
    pointField_->clear();
    InstallMenu(4);
    if (::ResetToDataLoaded(app_, prompt_)) {
        LoadMultiMapSection(app_);
        app_.mapLinkState = kLinkNone;
        RefillMapSelector();
    }
}

void CMainFrame::ChildFrameClosed() {
    if (closingDocument_ || !doc_) return;
    if (!doc_->Views().empty()) return;
    // The last window of the calibration closed: the calibration stays loaded.
    doc_.reset();
    for (QWidget* w : documentControls_) w->hide();
    ResetToDataLoaded();
    UpdateCommandUi();
}

MapRecord* CMainFrame::SelectorMap() const {
    const std::string name = mapSelector_->currentText().toStdString();
    if (MapRecord* map = FindMap(app_.maps, name)) return map;
    // A link group's label ("#1,#2") stands for its first map.
    if (!app_.mapLink.linkList.empty()) return FindMap(app_.maps, app_.mapLink.linkList.front());
    return nullptr;
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
        for (QWidget* w : documentControls_) w->show();
        allBox_->setEnabled(true);
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
        allBox_->setCheckState(Qt::PartiallyChecked);
        return;
    }
    bool& flag = allLines_[map->name];
    flag = !flag;
    allBox_->setCheckState(flag ? Qt::Checked : Qt::Unchecked);
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
    app_.mapLinkState = kLinkNone;
    app_.mapLink.linkList.clear();
    RefillMapSelector();
    if (app_.currentMap) {
        const std::string name = app_.currentMap->name;
        mapSelector_->setCurrentIndex(mapSelector_->findText(Q(name)));
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

void CMainFrame::OnFocusSwap() {
    CQelView* view = ActiveView();
    if (view && view->isAncestorOf(QApplication::focusWidget())) mapSelector_->setFocus();
    else if (QMdiSubWindow* sub = mdi_->currentSubWindow()) sub->widget()->setFocus();
}

bool CMainFrame::MultiMapEdit() {
    ShowMissingDialog("Multi Map Edit");
    return false;
}

void CMainFrame::ConstantsList() {
    auto buffer = std::make_unique<Image>(app_.image());
    const bool ok = constantsEditor ? constantsEditor(*buffer) : (ShowMissingDialog("Constants list"), false);
    if (ok && CopyBackImage(app_.image(), *buffer)) app_.modified = 1;
    if (CChildWnd* child = ActiveChild()) child->RefreshFromImage();
}

void CMainFrame::DataExchange() {
    const int remembered = app_.modified;
    const bool taken = dataExchange ? dataExchange() : (ShowMissingDialog("Data Exchange"), false);
    if (taken && doc_) doc_->RefreshViews(0);
    app_.modified = taken ? 1 : remembered;
}

int CMainFrame::WriteToEcu(const std::vector<EcuByteWrite>& bytes) {
    return ecuWriter ? ecuWriter(bytes) : -1;
}

// --- serial link ---------------------------------------------------------------

bool CMainFrame::OpenPort(bool startTimer) { return link_->OpenPort(startTimer); }

void CMainFrame::ClosePort() {
    if (link_) link_->ClosePort();
}

int CMainFrame::WriteBytesToEcu(const std::vector<EcuByteWrite>& bytes) {
    // A Shift+Enter that arrives while the waits of a write dispatch events
    // would put its bytes between those of the running command.
    if (ecuWriteRunning_) return -1;
    if (bytes.empty()) return 0;
    ecuWriteRunning_ = true;
    // The write runs inside the command of a window; keys and clicks that
    // could close that window wait until it is over.
    const bool heldBefore = pump_.holdUserInput;
    pump_.holdUserInput = true;
    const bool opened = !link_->portOpen;
    if (opened) link_->OpenPort(true);
    int code = 0;
    for (const EcuByteWrite& write : bytes) {
        code = protocol_->WriteByte(write.address, write.value);
        // The failure has been reported; a line that failed one byte would
        // fail every other byte with the same message.
        if (code != 0) break;
    }
    if (opened) link_->ClosePort();
    pump_.holdUserInput = heldBefore;
    ecuWriteRunning_ = false;
    if (closeAfterEcuWrite_) {
        closeAfterEcuWrite_ = false;
        RequestClose();
    }
    return code;
}

// --- dialog bar --------------------------------------------------------------

void CMainFrame::RefillMapSelector() {
    fillingSelectors_ = true;
    mapSelector_->clear();
    for (const auto& map : app_.maps) mapSelector_->addItem(Q(map->name));
    if (app_.currentMap) mapSelector_->setCurrentIndex(mapSelector_->findText(Q(app_.currentMap->name)));
    fillingSelectors_ = false;
}

void CMainFrame::ClearDialogBar() {
    fillingSelectors_ = true;
    lineSelector_->clear();
    fillingSelectors_ = false;
    dataField_->clear();
    pointField_->clear();
    allBox_->setCheckState(Qt::Unchecked);
}

void CMainFrame::FillLineList() {
    MapRecord* map = app_.currentMap;
    fillingSelectors_ = true;
    lineSelector_->clear();
    if (map) {
        const LineList list = LineListOf(app_, *map);
        for (std::size_t i = 0; i < list.texts.size(); ++i) lineSelector_->addItem(Q(list.texts[i]), static_cast<int>(i));
        lineSelector_->setCurrentIndex(list.selected >= 0 ? list.selected : (list.texts.empty() ? -1 : 0));
        allBox_->setCheckState(map->z.count < 2 ? Qt::PartiallyChecked : AllLines() ? Qt::Checked : Qt::Unchecked);
    }
    fillingSelectors_ = false;
    RefreshDialogBar();
}

void CMainFrame::RefreshDialogBar() {
    MapRecord* map = app_.currentMap;
    if (map && app_.HasImage()) {
        DialogBarFields fields;
        if (DialogBarFieldsOf(app_, *map, lineSelector_->currentIndex(), fields)) {
            if (fields.lineFollows >= 0 && fields.lineFollows < lineSelector_->count()) {
                fillingSelectors_ = true;
                lineSelector_->setCurrentIndex(fields.lineFollows);
                fillingSelectors_ = false;
            }
            // A drag in the map window shows its moving value before the
            // image has it.
            DraggedFields dragged;
            if (DraggedFieldText(*map, app_.formats, dragged))
                (dragged.data ? fields.data : fields.point) = dragged.text;
            pointField_->setText(Q(fields.point));
            if (!dataField_->hasFocus()) dataField_->setText(Q(fields.data));
        }
    }
    UpdateCommandUi();
}

void CMainFrame::SetMainCaption(const QString& caption) { setWindowTitle(caption); }

void CMainFrame::UpdateLineEntry(int column, const QString& text) {
    if (column >= 0 && column < lineSelector_->count()) lineSelector_->setItemText(column, text);
}

void CMainFrame::ViewActivated(CQelView*) {
    if (app_.currentMap) {
        fillingSelectors_ = true;
        mapSelector_->setCurrentIndex(mapSelector_->findText(Q(app_.currentMap->name)));
        fillingSelectors_ = false;
    }
    FillLineList();
}

void CMainFrame::SelectMapByName(const std::string& name) {
    if (!doc_) return;
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
    SelectMapByName(mapSelector_->itemText(index).toStdString());
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
    index = std::clamp(index, 0, std::max(lineSelector_->count() - 1, 0));
    if (index >= map->z.count) return;
    fillingSelectors_ = true;
    lineSelector_->setCurrentIndex(index);
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
        CommitTypedValue(context, app_, *map, dataField_->text().toStdString(), okButton);
    CChildWnd* child = ActiveChild();
    // The field always shows what the cell holds now; a refused text goes.
    auto showText = [this, &result] {
        dataField_->setText(Q(result.dataText));
        dataField_->setModified(false);
    };
    if (result.committed || result.refused) {
        if (result.written && doc_) doc_->RefreshViews(0);
        if (child) child->UpdateWindow();
        showText();
        if (result.showMessage) ShowTypedMessage(result.messageText, result.caption, result.icon, okButton);
        UpdateCommandUi();
        return;
    }
    if (!okButton) {
        showText();
        return;
    }
    if (result.clearField) {
        dataField_->clear();
        return;
    }
    if (child) child->UpdateWindow();
    if (result.wrongWord) prompt_.Message(Str(str::kWrongWord2), Str(str::kProductName), PromptIcon::kExclamation);
    RefreshDialogBar();
    dataField_->setText(Q(result.dataText));
    dataField_->setModified(false);
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

void CMainFrame::ShowTypedMessage(const std::string& text, const std::string& caption, PromptIcon icon,
                                  bool now) {
    if (now) {
        prompt_.Message(text, caption, icon);
        return;
    }
    // The field lost the focus: the message waits until the focus has
    // settled where the user put it.
    QTimer::singleShot(0, this, [this, text, caption, icon] { prompt_.Message(text, caption, icon); });
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
    if (watched == dataField_ && event->type() == QEvent::FocusOut && app_.currentMap && dataField_->isModified() &&
        QApplication::focusWidget() != okButton_) {
        dataField_->setModified(false);
        CommitTyped(false);
    }
    return QMainWindow::eventFilter(watched, event);
}
