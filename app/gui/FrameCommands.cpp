#include "app/gui/FrameCommands.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolButton>

#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "edit/MultiMapEdit.h"
#include "edit/UndoList.h"
#include "edit/gui/ChildWndFactory.h"
#include "edit/gui/QelView.h"
#include "model/Strings.h"

#include "app/CommandIds.h"
#include "app/gui/MainFrame.h"
#include "ecu/Monitor.h"
#include "edit/WindowKinds.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// The rows of app/FrameCommands.def with their handlers. A member of the
// frame, so the handlers reach what the frame keeps to itself.
const std::vector<FrameCommand>& CMainFrame::Commands() {
    static const std::vector<FrameCommand> rows = {
#define COMMAND(id, text, keys, menu, where, rule, forward, handler) \
    {id, text, keys, menu, where, [](CMainFrame& f) { handler; }},
#include "app/FrameCommands.def"
#undef COMMAND
    };
    return rows;
}

void CMainFrame::CreateActions() {
    for (const FrameCommand& row : Commands()) {
        if (row.text && !*row.text) continue;   // a button's or a message's command: no item, no key
        auto* a = new QAction(row.text ? QString(row.text) : Q(Str(str::kAboutMenu)), this);
        a->setObjectName(QString("command%1").arg(row.id));
        if (*row.keys) a->setShortcuts(QKeySequence::listFromString(row.keys));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setCheckable(QueryCommandUi(row.id, FrameState{}).checkable);
        const int id = row.id;
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(a);
        actions_[row.id] = a;
    }
}

void CMainFrame::InstallMenu(int resource) {
    menuResource_ = resource;
    menuBar()->clear();
    menus_.clear();
    static const std::pair<FrameMenu, const char*> kMenus[] = {
        {kFileMenu, "&File"}, {kEditMenu, "&Edit"}, {kMonitorMenu, "&Monitor"},
        {kSetMenu, "&Set"},   {kWindowMenu, "&Window"}, {kHelpMenu, "&Help"},
    };
    auto rowsOf = [resource](FrameMenu menu) {
        std::vector<const FrameCommand*> rows;
        for (const FrameCommand& row : Commands())
            if (row.menu == menu && row.InMenu(resource)) rows.push_back(&row);
        return rows;
    };
    auto fill = [this](QMenu* m, const std::vector<const FrameCommand*>& rows) {
        for (const FrameCommand* row : rows) {
            if ((row->where & sep) && !m->isEmpty()) m->addSeparator();
            m->addAction(actions_.at(row->id));
        }
    };
    for (const auto& [which, title] : kMenus) {
        const std::vector<const FrameCommand*> rows = rowsOf(which);
        const std::vector<const FrameCommand*> open = which == kWindowMenu ? rowsOf(kOpenMenu)
                                                                           : std::vector<const FrameCommand*>{};
        if (rows.empty() && open.empty()) continue;
        QMenu* m = menuBar()->addMenu(title);
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
        if (which == kFileMenu) connect(m, &QMenu::aboutToShow, this, &CMainFrame::FillRecentFiles);
        m->installEventFilter(this);
        menus_.push_back(m);
        if (!open.empty()) fill(m->addMenu("&Open"), open);
        fill(m, rows);
    }
}

QAction* CMainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QToolButton* CMainFrame::toolButton(int id) const {
    return bar_->toolButton(id);
}

FrameState CMainFrame::CurrentState() {
    FrameState state;
    CChildWnd* child = ActiveChild();
    state.calibrationOpen = CalibrationOpen();
    state.hasDocumentWindow = HasDocumentWindow();
    if (child) {
        state.activeKind = child->Kind();
        state.childHasSelection = child->HasSelection();
        state.childCellEditing = child->CellEditing();
    }
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    state.clipboardHasText = mime && mime->hasText();
    const MapRecord* undoMap = ActiveView() ? app_.currentMap : nullptr;
    state.undoText = UndoMenuText(undoMap);
    state.undoEnabled = UndoMenuEnabled(undoMap);
    state.redoText = RedoMenuText(undoMap);
    state.redoEnabled = RedoMenuEnabled(undoMap);
    state.multiMapEditAvailable = MultiMapEditAvailable(app_.maps);
    state.mapLinked = app_.mapLinkState != kLinkNone;
    state.portOpen = line_ && line_->Session().PortOpen();
    state.hasMonitorItems = !app_.diagItems.empty();
    state.monitorWindowShown = ecu_ && ecu_->MonitorWindowShown();
    state.monitorRecording = ecu_ && ecu_->Recording();
    state.currentMap = app_.currentMap != nullptr;
    state.comparing = app_.compared != nullptr;
    state.hitCountsShown = operating_ && operating_->HitsShown();
    state.colourScale = app_.colourScale;
    state.stepDecimals = app_.formats.stepDecimals;
    state.selectorMap = SelectorMap() != nullptr;
    state.mapWindowAvailable = ChildWndKindAvailable(kWindowMap);
    const CQelDoc* doc = Document();
    state.mapWindowOpen = doc && doc->HasViewOfKind(kWindowMap);
    state.tableWindowOpen = doc && doc->HasViewOfKind(kWindowTable);
    state.hexWindowOpen = doc && doc->HasViewOfKind(kWindowHex);
    state.surfaceWindowOpen = doc && doc->HasViewOfKind(kWindowSurface);
    state.allLinesThirdState = bar_->allBox()->checkState() == Qt::PartiallyChecked;
    state.allLines = AllLines();
    state.lineIndex = bar_->lineSelector()->currentIndex();
    state.lineCount = bar_->lineSelector()->count();
    return state;
}

void CMainFrame::ShareFrameKeys(QWidget* window) {
    for (const FrameCommand& row : Commands()) {
        QAction* a = action(row.id);
        // The keys passed to a child window (Enter, arrows, PgUp, ...) and
        // the clipboard's belong to the window's own lists and fields.
        if (!a || !*row.keys || ForwardCode(row.id) != 0) continue;
        if (row.id == cmd::kCopy || row.id == cmd::kPaste || row.id == cmd::kCut) continue;
        window->addAction(a);
    }
}

CommandUi CMainFrame::QueryCommand(int id) { return QueryCommandUi(id, CurrentState()); }

void CMainFrame::UpdateCommandUi() {
    const FrameState state = CurrentState();
    for (auto& [id, a] : actions_) {
        const CommandUi ui = QueryCommandUi(id, state);
        a->setEnabled(ui.enabled);
        if (ui.checkable) a->setChecked(ui.checked);
        if (!ui.text.empty()) a->setText(Q(ui.text));
    }
    for (auto& [id, button] : bar_->toolButtons()) button->setEnabled(QueryCommandUi(id, state).enabled);
    if (actions_.count(cmd::kAbout)) actions_[cmd::kAbout]->setText(Q(Str(str::kAboutMenu)));
}

void CMainFrame::ForwardKey(int code) {
    CChildWnd* child = ActiveChild();
    if (child) child->KeyCommand(code);
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
    if (id == cmd::kForwardEnter && bar_->dataField()->hasFocus()) id = cmd::kOk;   // Enter in the Data field is its OK
    if (const int code = ForwardCode(id)) {
        ForwardKey(code);
        UpdateCommandUi();
        return;
    }
    for (const FrameCommand& row : Commands()) {
        if (row.id != id) continue;
        row.handler(*this);
        break;
    }
    ecu_->RefreshMonitorWindow();
    compare_->RefreshDifferences(false);
    UpdateCommandUi();
}
