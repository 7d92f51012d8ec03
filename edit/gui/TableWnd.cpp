#include "edit/gui/TableWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <optional>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "edit/CalibrationCompare.h"
#include "edit/CellAccess.h"
#include "edit/CellEdit.h"
#include "edit/ClipboardText.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "model/ValueConversion.h"

namespace {

const QColor kLightGrey(192, 192, 192);

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A cell's text; the cell the map window is dragging shows the moving value,
// which the image receives only when the drag is committed.
QString ShownText(const EditContext& context, const MapRecord& map, const TableCell& cell) {
    std::string text;
    if (DraggedCellText(map, context.formats, cell.mode, cell.row, cell.column, text)) return Text(text);
    return Text(CellText(context, map, cell));
}

}  // namespace

bool SelectOnClick(QLineEdit* editor, QEvent* event, bool& swallowing) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // Text the user has typed keeps the usual caret placement.
            if (mouse->button() != Qt::LeftButton || editor->isModified()) return false;
            editor->setFocus(Qt::MouseFocusReason);
            editor->selectAll();
            swallowing = true;
            return true;
        }
        case QEvent::MouseMove:
            return swallowing;
        case QEvent::MouseButtonRelease:
            if (!swallowing) return false;
            swallowing = false;
            return true;
        default:
            return false;
    }
}

// --- the grid -------------------------------------------------------------

CTableGrid::CTableGrid(CTableWnd& owner) : QAbstractScrollArea(&owner), owner_(owner) {
    setObjectName("tableGrid");
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
}

void CTableGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    owner_.PaintGrid(painter, event->rect());
}

void CTableGrid::mousePressEvent(QMouseEvent* event) {
    owner_.GridPressed(event->position().toPoint(), event->modifiers());
}

void CTableGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    owner_.UpdateScrollRanges();
}

void CTableGrid::scrollContentsBy(int, int) { owner_.GridScrolled(); }

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
    setFocusProxy(gridEditor_);
    // Ctrl+Tab belongs to the table (it clears the selection), not to the
    // MDI area's window switching, which filters the whole application.
    qApp->installEventFilter(this);
    ResetForMap();
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
    PlaceEditor();
    update();
    grid_->viewport()->update();
}

void CTableWnd::UpdateWindow() { RefreshFromImage(); }

void CTableWnd::resizeEvent(QResizeEvent*) {
    const int top = Shape().rpmHeader ? cellHeight_ : 0;
    const int statusHeight = cellHeight_ + 2;
    statusLine_->setGeometry(0, std::max(height() - statusHeight, 0), width(), statusHeight);
    grid_->setGeometry(cellWidth_, top, std::max(width() - cellWidth_, 0), std::max(height() - top - statusHeight, 0));
    UpdateScrollRanges();
    PlaceEditor();
}

void CTableWnd::UpdateScrollRanges() {
    const TableShape shape = Shape();
    const QSize area = grid_->viewport()->size();
    const int visibleColumns = std::max(area.width() / cellWidth_, 1);
    const int visibleLines = std::max(area.height() / cellHeight_, 1);
    grid_->horizontalScrollBar()->setRange(0, std::max(shape.columns - visibleColumns, 0));
    grid_->horizontalScrollBar()->setPageStep(visibleColumns);
    grid_->verticalScrollBar()->setRange(0, std::max(shape.lines - visibleLines, 0));
    grid_->verticalScrollBar()->setPageStep(visibleLines);
}

void CTableWnd::GridScrolled() {
    // The header follows the grid, and so does the editor over its cell.
    update();
    grid_->viewport()->update();
    MapRecord* map = Map();
    if (!map) return;
    const TableShape shape = Shape();
    const TableCell cell{map->cursor.mode, map->cursor.row, map->cursor.column};
    const int line = GridLineOf(shape, cell);
    if (line >= 0 && gridEditor_->isVisible()) {
        gridEditor_->move((cell.column - firstColumn()) * cellWidth_, (line - firstLine()) * cellHeight_);
    } else if (axisEditor_->isVisible()) {
        if (cell.mode == kEditThrot) {
            const int l = shape.doubled ? 2 * cell.column + 1 : cell.column;
            axisEditor_->move(0, (shape.rpmHeader ? cellHeight_ : 0) + (l - firstLine()) * cellHeight_);
        } else {
            axisEditor_->move(cellWidth_ + (cell.column - firstColumn()) * cellWidth_, 0);
        }
    }
}

QPoint CTableWnd::GridCellCentre(const TableCell& cell) const {
    const int line = GridLineOf(Shape(), cell);
    return QPoint((cell.column - firstColumn()) * cellWidth_ + cellWidth_ / 2,
                  (line - firstLine()) * cellHeight_ + cellHeight_ / 2);
}

QPoint CTableWnd::HeaderCellCentre(const TableCell& cell) const {
    const TableShape shape = Shape();
    if (cell.mode == kEditRpm)
        return QPoint(cellWidth_ + (cell.column - firstColumn()) * cellWidth_ + cellWidth_ / 2, cellHeight_ / 2);
    const int line = shape.doubled ? 2 * cell.column + 1 : cell.column;
    return QPoint(cellWidth_ / 2,
                  (shape.rpmHeader ? cellHeight_ : 0) + (line - firstLine()) * cellHeight_ + cellHeight_ / 2);
}

void CTableWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    MapRecord* map = Map();
    const TableShape shape = Shape();
    // The grid's cells paint themselves; the header, the scroll bars'
    // corner and anything the grid leaves free are grey.
    const QRect cells(grid_->mapTo(this, grid_->viewport()->pos()), grid_->viewport()->size());
    for (const QRect& part : QRegion(rect()).subtracted(QRegion(cells))) painter.fillRect(part, kLightGrey);
    const int top = shape.rpmHeader ? cellHeight_ : 0;
    headerMarks_.clear();
    if (!map) return;
    UpdateCaption();
    const EditContext context = Context();
    painter.setFont(font_);
    painter.setPen(Qt::black);

    const CompareMarks marks = Marks();
    std::vector<TableCell> headerMarks;
    std::vector<QRect> headerBoxes;

    // The THROT column: one value per row, on the second line of a doubled row.
    for (int line = firstLine(); line < shape.lines; ++line) {
        const int y = top + (line - firstLine()) * cellHeight_;
        if (y > height()) break;
        painter.drawLine(0, y + cellHeight_ - 1, cellWidth_ - 1, y + cellHeight_ - 1);
        if (shape.doubled && line % 2 == 0) continue;
        const int row = shape.doubled ? line / 2 : line;
        painter.drawText(QRect(0, y, cellWidth_ - 2, cellHeight_), Qt::AlignRight | Qt::AlignVCenter,
                         Text(CellText(context, *map, {kEditThrot, 0, row})));
        if (marks.Differs({kEditThrot, 0, row})) {
            headerMarks.push_back({kEditThrot, 0, row});
            headerBoxes.push_back(QRect(0, y, cellWidth_, cellHeight_));
        }
    }
    painter.drawLine(cellWidth_ - 1, 0, cellWidth_ - 1, height());
    if (shape.rpmHeader) {
        for (int column = firstColumn(); column < shape.columns; ++column) {
            const int x = cellWidth_ + (column - firstColumn()) * cellWidth_;
            if (x > width()) break;
            painter.drawText(QRect(x, 0, cellWidth_ - 2, cellHeight_), Qt::AlignRight | Qt::AlignVCenter,
                             ShownText(context, *map, {kEditRpm, 0, column}));
            painter.drawLine(x + cellWidth_ - 1, 0, x + cellWidth_ - 1, cellHeight_ - 1);
            if (marks.Differs({kEditRpm, 0, column})) {
                headerMarks.push_back({kEditRpm, 0, column});
                headerBoxes.push_back(QRect(x, 0, cellWidth_, cellHeight_));
            }
        }
        painter.drawLine(0, cellHeight_ - 1, width(), cellHeight_ - 1);
    }
    PaintCompareMarks(painter, headerBoxes);
    headerMarks_ = std::move(headerMarks);
}

CompareMarks CTableWnd::Marks() const {
    const MapRecord* map = Map();
    if (!map || !app_.compared) return {};
    return MapCompareMarks(app_.definitionKind, *map, app_.image(), *app_.compared, app_.Data());
}

void CTableWnd::PaintCompareMarks(QPainter& painter, const std::vector<QRect>& boxes) {
    // Told apart without colour: an outline of black and white dashes inside
    // the cell and a black corner triangle edged in white, drawn over the
    // selection's outline, so that they show on white, on the header's grey
    // and on the selection's blue alike.
    QPen white(Qt::white);
    white.setWidth(2);
    QPen dashed(Qt::black);
    dashed.setWidth(2);
    dashed.setStyle(Qt::DashLine);
    const int corner = std::max(cellHeight_ / 2, 6);
    for (const QRect& box : boxes) {
        const QRect outline = box.adjusted(1, 1, -2, -2);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(white);
        painter.drawRect(outline);
        painter.setPen(dashed);
        painter.drawRect(outline);
        const QPoint triangle[3] = {box.topLeft(), box.topLeft() + QPoint(corner, 0), box.topLeft() + QPoint(0, corner)};
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::black);
        painter.drawPolygon(triangle, 3);
    }
    painter.setBrush(Qt::NoBrush);
}

std::vector<TableCell> CTableWnd::MarkedCells() const {
    std::vector<TableCell> cells = headerMarks_;
    cells.insert(cells.end(), gridMarks_.begin(), gridMarks_.end());
    return cells;
}

void CTableWnd::PaintGrid(QPainter& painter, const QRect& area) {
    const QSize size = grid_->viewport()->size();
    painter.fillRect(area, Qt::white);
    MapRecord* map = Map();
    gridMarks_.clear();
    if (!map) return;
    const TableShape shape = Shape();
    const EditContext context = Context();
    painter.setFont(font_);
    const int usedWidth = (shape.columns - firstColumn()) * cellWidth_;
    const int usedHeight = (shape.lines - firstLine()) * cellHeight_;
    const CompareMarks marks = Marks();
    std::vector<TableCell> gridMarks;
    std::vector<QRect> gridBoxes;

    // The cell outlines in one go, then the texts: a full table is 255
    // cells, and switching pens per cell costs more than the lines do.
    std::vector<QRect> outlines;
    painter.setPen(Qt::black);
    for (int line = firstLine(); line < shape.lines; ++line) {
        const int y = (line - firstLine()) * cellHeight_;
        if (y > size.height()) break;
        for (int column = firstColumn(); column < shape.columns; ++column) {
            const int x = (column - firstColumn()) * cellWidth_;
            if (x > size.width()) break;
            const TableCell cell = CellOfGridLine(shape, line, column);
            const QRect box(x, y, cellWidth_, cellHeight_);
            if (marks.Differs(cell)) {
                gridMarks.push_back(cell);
                gridBoxes.push_back(box);
            }
            if (cell.mode == kEditRpm) painter.fillRect(box, kLightGrey);
            outlines.push_back(box.adjusted(0, 0, -1, -1));
            painter.drawText(box.adjusted(0, 0, -3, 0), Qt::AlignRight | Qt::AlignVCenter,
                             ShownText(context, *map, cell));
        }
    }
    painter.setPen(kLightGrey);
    painter.drawRects(outlines.data(), static_cast<int>(outlines.size()));
    // Selected cells are outlined.
    QPen blue(Qt::blue);
    blue.setWidth(5);
    painter.setPen(blue);
    painter.setBrush(Qt::NoBrush);
    for (const CellRef& cell : SelectedCells(*map)) {
        const int line = GridLineOf(shape, {kEditData, cell.row, cell.column});
        painter.drawRect((cell.column - firstColumn()) * cellWidth_ + 2, (line - firstLine()) * cellHeight_ + 2,
                         cellWidth_ - 5, cellHeight_ - 5);
    }
    PaintCompareMarks(painter, gridBoxes);
    gridMarks_ = std::move(gridMarks);
    // Beyond the last column and row.
    QBrush hatch(kLightGrey, Qt::DiagCrossPattern);
    if (usedWidth < size.width()) painter.fillRect(QRect(usedWidth, 0, size.width() - usedWidth, size.height()), hatch);
    if (usedHeight < size.height())
        painter.fillRect(QRect(0, usedHeight, std::min(usedWidth, size.width()), size.height() - usedHeight), hatch);
}

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
    editor->setText(ShownText(context, *map, cell));
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
        text = "THROT " + CellText(context, *map, {kEditThrot, 0, cursor.row}) + "  RPM " +
               CellText(context, *map, {kEditRpm, cursor.row, cursor.column}) + ": " + CellText(context, *map, cell);
    else if (cursor.mode == kEditThrot || cursor.mode == kEditRpm)
        text = std::string(cursor.mode == kEditThrot ? "THROT " : "RPM ") + CellText(context, *map, cell);
    if (comparing && !text.empty()) text += CompareCellText(context, *map, *app_.compared, cell);
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
    if (shift && app_.definitionKind == kDefinitionConfigMap && cursor.mode == kEditData) WriteSelectionToEcu();
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
    services_.WriteToEcu(bytes);
}

void CTableWnd::MoveCursor(int code, bool extend) {
    MapRecord* map = Map();
    if (!map) return;
    CommitPending();
    TableCell target;
    const TableShape shape = Shape();
    if (!CursorMoveTarget(*map, shape, code, target)) return;
    if (app_.definitionKind == kDefinitionConfigMap && target.mode != kEditData && map->type != kMapConfigImage)
        return;
    services_.PrepareViews(0);
    statusText_.clear();
    const EditCursor before = map->cursor;
    if (extend && before.mode == kEditData && target.mode == kEditData)
        ExtendSelection(*map, target.row, target.column, before.row, before.column);
    EditContext context = Context();
    PlaceCursor(context, *map, target);
    AfterEdit();
    (gridEditor_->isVisible() ? gridEditor_ : axisEditor_)->setFocus();
}

void CTableWnd::StepCursor(bool up) {
    MapRecord* map = Map();
    if (!map) return;
    EditContext context = Context();
    int changed = 0;
    if (map->cursor.mode == kEditData) changed = StepDataCells(context, *map, up, SelectedCells(*map), &prompt_);
    else changed = StepAxisCell(context, *map, up, &prompt_) ? 1 : 0;
    if (changed > 0) AfterEdit();
}

void CTableWnd::KeyCommand(int code) {
    switch (code) {
        case 7: EnterPressed(false); break;
        case 11: StepCursor(true); break;
        case 12: StepCursor(false); break;
        case 13: MoveCursor(kKeyCursorUp, false); break;
        case 14: MoveCursor(kKeyCursorDown, false); break;
        case 15: MoveCursor(kKeyCursorLeft, false); break;
        case 16: MoveCursor(kKeyCursorRight, false); break;
        case 20: MoveCursor(kKeyCursorUp, true); break;
        case 21: MoveCursor(kKeyCursorDown, true); break;
        case 22: MoveCursor(kKeyCursorLeft, true); break;
        case 23: MoveCursor(kKeyCursorRight, true); break;
        default: break;
    }
}

void CTableWnd::GridPressed(const QPoint& position, Qt::KeyboardModifiers modifiers) {
    MapRecord* map = Map();
    if (!map) return;
    const TableShape shape = Shape();
    TableCell hit;
    if (!GridHit(shape, cellWidth_, cellHeight_, firstLine(), firstColumn(), position.x(), position.y(), hit)) return;
    const EditCursor before = map->cursor;
    if (hit.mode == kEditData) {
        if (modifiers & Qt::ShiftModifier) {
            const bool fromData = before.mode == kEditData;
            ExtendSelection(*map, hit.row, hit.column, fromData ? before.row : hit.row,
                            fromData ? before.column : hit.column);
        } else {
            AnchorSelection(*map, hit.row, hit.column);
        }
    } else {
        ClearSelection(*map);
    }
    CommitPending();
    services_.PrepareViews(0);
    statusText_.clear();
    EditContext context = Context();
    PlaceCursor(context, *map, hit);
    PlaceEditor();
    axisEditor_->hide();
    services_.RefreshViews(0);
    update();
    grid_->viewport()->update();
    gridEditor_->setFocus();
}

void CTableWnd::mousePressEvent(QMouseEvent* event) {
    MapRecord* map = Map();
    if (!map) return;
    ClearSelection(*map);
    if (app_.definitionKind == kDefinitionConfigMap && map->type != kMapConfigImage) {
        update();
        return;
    }
    const TableShape shape = Shape();
    TableCell hit;
    const QPoint p = event->position().toPoint();
    if (HeaderHit(shape, cellWidth_, cellHeight_, firstLine(), firstColumn(), p.x(), p.y(), hit)) {
        CommitPending();
        services_.PrepareViews(0);
        EditContext context = Context();
        PlaceCursor(context, *map, hit);
        PlaceEditor();
        services_.RefreshViews(0);
        axisEditor_->setFocus();
    }
    update();
    grid_->viewport()->update();
}

void CTableWnd::ClearSelectionAndRepaint() {
    if (MapRecord* map = Map()) ClearSelection(*map);
    update();
    grid_->viewport()->update();
}

void CTableWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ControlModifier)) {
        ClearSelectionAndRepaint();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CTableWnd::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier) &&
            (widget == this || isAncestorOf(widget))) {
            if (event->type() == QEvent::KeyPress) ClearSelectionAndRepaint();
            else event->accept();
            return true;
        }
    }
    if (watched != axisEditor_ && watched != gridEditor_) return CChildWnd::eventFilter(watched, event);
    if (SelectOnClick(static_cast<QLineEdit*>(watched), event, swallowingClick_)) return true;
    if (event->type() == QEvent::ShortcutOverride) {
        // The main frame's accelerators come before the editors' own keys.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier)) {
            event->accept();
            return true;
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ControlModifier)) {
            ClearSelectionAndRepaint();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            EnterPressed((key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        }
        if (key->key() == Qt::Key_Escape) return true;
    }
    return CChildWnd::eventFilter(watched, event);
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
