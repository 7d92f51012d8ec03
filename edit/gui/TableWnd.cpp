#include "edit/gui/TableWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <optional>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "edit/CalibrationCompare.h"
#include "edit/CellAccess.h"
#include "edit/CellEdit.h"
#include "edit/ClipboardText.h"
#include "model/Strings.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/ValueDisplay.h"
#include "edit/gui/ScaleLegend.h"
#include "model/ValueConversion.h"

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString ShownCellText(const EditContext& context, const MapRecord& map, const TableCell& cell) {
    std::string text;
    if (DraggedCellText(map, context.formats, cell.mode, cell.row, cell.column, text)) return Text(text);
    return Text(CellText(context, map, cell));
}

// --- the window -----------------------------------------------------------

CTableWnd::CTableWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent)
    : CChildWnd(app, prompt, services, parent),
      cellWidth_(app.registry.tableCellWidth),
      cellHeight_(app.registry.tableCellHeight) {
    setObjectName("tableWnd");
    cellWidth_ = std::max(cellWidth_, 8);
    cellHeight_ = std::max(cellHeight_, 8);
    font_ = QFont("Century");
    font_.setPixelSize(std::max(app.registry.tableFontSize, 6));
    setFont(font_);
    setFocusPolicy(Qt::ClickFocus);

    grid_ = new CTableGrid(*this);
    axisEditor_ = new QLineEdit(this);
    axisEditor_->setObjectName("axisEditor");
    axisEditor_->setFont(font_);
    axisEditor_->hide();
    gridEditor_ = new QLineEdit(grid_->viewport());
    gridEditor_->setObjectName("gridEditor");
    gridEditor_->setFont(font_);
    gridEditor_->setFrame(false);
    gridEditor_->hide();
    for (QLineEdit* editor : {axisEditor_, gridEditor_}) {
        editor->installEventFilter(this);
        editor->setContextMenuPolicy(Qt::NoContextMenu);
    }
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName("tableStatusLine");
    statusLine_->setFont(font_);
    statusLine_->setAutoFillBackground(true);
    statusLine_->setContentsMargins(4, 0, 4, 0);
    legend_ = new CScaleLegend(this);
    legend_->setFont(font_);
    legend_->hide();
    setFocusProxy(gridEditor_);
    // Ctrl+Tab belongs to the table (it clears the selection), not to the
    // MDI area's window switching, which filters the whole application.
    qApp->installEventFilter(this);
    ResetForMap();
}

void CTableWnd::SetZoom(int percent) {
    const auto zoomed = [percent](int size, int least) { return std::max(std::max(size, least) * percent / 100, least); };
    cellWidth_ = zoomed(app_.registry.tableCellWidth, 8);
    cellHeight_ = zoomed(app_.registry.tableCellHeight, 8);
    font_.setPixelSize(zoomed(app_.registry.tableFontSize, 6));
    setFont(font_);
    for (QWidget* w : {static_cast<QWidget*>(axisEditor_), static_cast<QWidget*>(gridEditor_),
                       static_cast<QWidget*>(statusLine_)})
        w->setFont(font_);
    resizeEvent(nullptr);
    update();
    grid_->viewport()->update();
}

MapRecord* CTableWnd::Map() const { return app_.currentMap; }

TableShape CTableWnd::Shape() const {
    return Map() ? TableShapeOf(*Map(), app_.definitionKind) : TableShape{};
}

EditContext CTableWnd::Context() { return services_.MakeEditContext(app_); }

int CTableWnd::firstLine() const { return grid_->verticalScrollBar()->value(); }
int CTableWnd::firstColumn() const { return grid_->horizontalScrollBar()->value(); }

void CTableWnd::UpdateCaption() {
    if (!Map()) return;
    services_.SetCaption("TABLE - " + Text(Map()->name));
}

void CTableWnd::ResetForMap() {
    grid_->horizontalScrollBar()->setValue(0);
    grid_->verticalScrollBar()->setValue(0);
    UpdateCaption();
    resizeEvent(nullptr);
    PlaceEditor();
    update();
    grid_->viewport()->update();
}

void CTableWnd::RefreshFromImage() {
    // The account of an operation holds only until the image changes again (an undo, another edit).
    statusText_.clear();
    resizeEvent(nullptr);   // the colour scale's legend follows the values; the editor is placed
    update();
    grid_->viewport()->update();
}

void CTableWnd::UpdateWindow() { RefreshFromImage(); }

void CTableWnd::PlaceEditor() {
    MapRecord* map = Map();
    if (!map || map->cursor.mode == kEditNone) {
        axisEditor_->hide();
        gridEditor_->hide();
        return;
    }
    const TableShape shape = Shape();
    EditContext context = Context();
    EditCursor& cursor = map->cursor;
    ComputeEditLimits(*map, app_.image());
    const TableCell cell{cursor.mode, cursor.row, cursor.column};
    const QSize area = grid_->viewport()->size();
    const int visibleColumns = area.width() / cellWidth_;
    const int visibleLines = area.height() / cellHeight_;
    QScrollBar* horizontal = grid_->horizontalScrollBar();
    QScrollBar* vertical = grid_->verticalScrollBar();

    const int line = GridLineOf(shape, cell);
    QLineEdit* editor = nullptr;
    QRect box;
    if (line >= 0) {
        horizontal->setValue(ScrollToShow(horizontal->value(), cell.column, visibleColumns, horizontal->maximum()));
        vertical->setValue(ScrollToShow(vertical->value(), line, visibleLines, vertical->maximum()));
        editor = gridEditor_;
        box = QRect((cell.column - firstColumn()) * cellWidth_, (line - firstLine()) * cellHeight_, cellWidth_,
                    cellHeight_);
        axisEditor_->hide();
    } else if (cell.mode == kEditThrot) {
        const int throtLine = shape.doubled ? 2 * cell.column + 1 : cell.column;
        vertical->setValue(ScrollToShow(vertical->value(), throtLine, visibleLines, vertical->maximum()));
        editor = axisEditor_;
        box = QRect(0, (shape.rpmHeader ? cellHeight_ : 0) + (throtLine - firstLine()) * cellHeight_, cellWidth_,
                    cellHeight_);
        gridEditor_->hide();
    } else {
        horizontal->setValue(ScrollToShow(horizontal->value(), cell.column, visibleColumns, horizontal->maximum()));
        editor = axisEditor_;
        box = QRect(cellWidth_ + (cell.column - firstColumn()) * cellWidth_, 0, cellWidth_, cellHeight_);
        gridEditor_->hide();
    }
    editor->setGeometry(box);
    editor->setText(ShownCellText(context, *map, cell));
    editor->selectAll();
    editor->show();
    UpdateStatusLine();
}

void CTableWnd::SetStatusText(const std::string& text) {
    statusText_ = text;
    UpdateStatusLine();
}

void CTableWnd::UpdateStatusLine() {
    MapRecord* map = Map();
    const bool comparing = app_.compared != nullptr;
    if (!statusText_.empty() || !map || (map->cursor.mode != kEditData && !comparing)) {
        statusLine_->setText(Text(statusText_));
        return;
    }
    const EditContext context = Context();
    const EditCursor& cursor = map->cursor;
    const TableCell cell{cursor.mode, cursor.row, cursor.column};
    std::string text;
    if (cursor.mode == kEditData)
        text = "THROT " + WithUnit(CellText(context, *map, {kEditThrot, 0, cursor.row}), map->z.unit) + "  RPM " +
               WithUnit(CellText(context, *map, {kEditRpm, cursor.row, cursor.column}), map->x.unit) + ": " +
               WithUnit(CellText(context, *map, cell), map->y.unit);
    else if (cursor.mode == kEditThrot)
        text = "THROT " + WithUnit(CellText(context, *map, cell), map->z.unit);
    else if (cursor.mode == kEditRpm)
        text = "RPM " + WithUnit(CellText(context, *map, cell), map->x.unit);
    if (comparing && !text.empty()) text += CompareCellText(context, *map, *app_.compared, cell);
    if (cursor.mode == kEditData) text += HitStatusText(*map, cursor.row, cursor.column);
    statusLine_->setText(Text(text));
}

void CTableWnd::CommitPending() {
    MapRecord* map = Map();
    if (!map) return;
    EditContext context = Context();
    if (gridEditor_->isVisible() && gridEditor_->isModified()) {
        std::string text;
        if (CommitDataEdit(context, *map, prompt_, gridEditor_->text().toStdString(), text))
            services_.RefreshViews(kWindowTable);
        gridEditor_->setText(Text(text));
    } else if (axisEditor_->isVisible() && axisEditor_->isModified()) {
        const AxisCommit plan = CommitAxisEdit(context, *map, prompt_, axisEditor_->text().toStdString());
        if (plan.write) services_.RefreshViews(kWindowTable);
        axisEditor_->setText(Text(plan.editorText));
    }
}

void CTableWnd::AfterEdit() {
    services_.RefreshViews(kWindowTable);
    PlaceEditor();
    update();
    grid_->viewport()->update();
}

void CTableWnd::EnterPressed(bool shift) {
    MapRecord* map = Map();
    if (!map) return;
    EditContext context = Context();
    EditCursor& cursor = map->cursor;
    if (axisEditor_->isVisible()) {
        const AxisCommit plan = CommitAxisEdit(context, *map, prompt_, axisEditor_->text().toStdString());
        axisEditor_->setText(Text(plan.editorText));
        AfterEdit();
        if (shift) SetStatusText(EcuNotSentText(kEditConfigMapDefinition, cursor.mode));
        return;
    }
    if (!gridEditor_->isVisible()) return;
    bool changed = false;
    // Text the user did not touch is not read back: a value the display
    // rounds would otherwise come back as a different byte.
    if (gridEditor_->isModified()) {
        std::string text;
        changed = CommitDataEdit(context, *map, prompt_, gridEditor_->text().toStdString(), text);
        gridEditor_->setText(Text(text));
    }
    if (!shift && cursor.mode == kEditData && HasSelection()) FillSelection(context, *map, changed, SelectedCells(*map), &prompt_);
    AfterEdit();
    if (!shift) return;
    const int kind = app_.definitionKind == kDefinitionConfigMap ? kEditConfigMapDefinition : kEditFreeMapDefinition;
    if (const std::string why = EcuNotSentText(kind, cursor.mode); !why.empty()) {
        SetStatusText(why);
        return;
    }
    WriteSelectionToEcu();
}

void CTableWnd::WriteSelectionToEcu() {
    MapRecord* map = Map();
    std::vector<CellRef> cells = SelectedCells(*map);
    if (cells.empty()) cells.push_back({map->cursor.row, map->cursor.column});
    std::vector<EcuByteWrite> bytes;
    for (const CellRef& cell : cells) {
        const std::uint16_t address = DataCellAddress(*map, cell.row, cell.column);
        bytes.push_back({address, app_.image()[address]});
        // The same cell of every linked map got the byte too.
        for (std::uint16_t linked :
             LinkedCellAddresses(app_.maps, app_.mapLinkState, app_.mapLink, *map, cell.row, cell.column))
            bytes.push_back({linked, app_.image()[linked]});
    }
    const int code = services_.WriteToEcu(bytes);
    std::vector<std::pair<std::uint16_t, std::uint8_t>> sent;
    for (const EcuByteWrite& write : bytes) sent.emplace_back(write.address, write.value);
    SetStatusText(EcuSendStatus(sent, code, code > 0 ? Str(code) : std::string()));
}


bool CTableWnd::HasSelection() const {
    const MapRecord* map = Map();
    return map != nullptr && ::HasSelection(*map);
}

bool CTableWnd::CellEditing() const { return gridEditor_->isVisible() || axisEditor_->isVisible(); }

bool CTableWnd::EditPending() const {
    return (gridEditor_->isVisible() && gridEditor_->isModified()) ||
           (axisEditor_->isVisible() && axisEditor_->isModified());
}

void CTableWnd::Copy() {
    MapRecord* map = Map();
    if (!map) return;
    if (HasSelection()) {
        const std::string text = CopyText(Context(), *map, map->selection);
        if (!text.empty()) QGuiApplication::clipboard()->setText(Text(text));
        return;
    }
    QLineEdit* editor = axisEditor_->isVisible() ? axisEditor_ : gridEditor_;
    QGuiApplication::clipboard()->setText(editor->text());
}

void CTableWnd::Cut() { (axisEditor_->isVisible() ? axisEditor_ : gridEditor_)->cut(); }

void CTableWnd::Paste() {
    MapRecord* map = Map();
    if (!map) return;
    if (axisEditor_->isVisible()) {
        axisEditor_->paste();
        return;
    }
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    std::optional<std::string> text;
    if (mime != nullptr && mime->hasText()) text = mime->text().toStdString();
    EditContext context = Context();
    const PastePlan plan = PasteValues(context, *map, prompt_, SelectedCells(*map).size(),
                                       text ? std::optional<std::string_view>(*text) : std::nullopt);
    if (plan.messageId != 0) return;
    AfterEdit();
    if (plan.setEditorText) gridEditor_->setText(Text(plan.editorText));
}
