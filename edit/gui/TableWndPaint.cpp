// The table window's drawing: the grid area, the layout of the header, the
// grid and the status line, the scroll ranges, and the paint of the header,
// the DATA grid and the compare marks. Editing is in TableWnd.cpp.
#include "edit/gui/TableWnd.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/QelApp.h"
#include "edit/CalibrationCompare.h"
#include "edit/CellAccess.h"
#include "edit/MapGraphState.h"
#include "edit/ValueDisplay.h"
#include "edit/gui/ScaleLegend.h"

namespace {

const QColor kLightGrey(192, 192, 192);
// The selection: a light blue laid over a quarter strong, so a white cell
// turns a pale blue a greyscale print still tells from white, and the edge
// of the selection in a dark navy with a white line inside it.
const QColor kSelectionTint(0, 90, 220);
constexpr double kTintStrength = 0.25;
const QColor kSelectionEdge(0, 0, 110);

QString Text(const std::string& text) { return QString::fromStdString(text); }

QColor Tinted(const QColor& background) {
    auto mix = [](int a, int b) { return static_cast<int>(a + (b - a) * kTintStrength + 0.5); };
    return QColor(mix(background.red(), kSelectionTint.red()), mix(background.green(), kSelectionTint.green()),
                  mix(background.blue(), kSelectionTint.blue()));
}

QColor Colour(ScaleColour c) { return QColor(c.red, c.green, c.blue); }

// Black or white text, whichever reads better on the background.
QColor TextOn(const QColor& background) {
    const ScaleColour text = ScaleTextColour(
        {static_cast<unsigned char>(background.red()), static_cast<unsigned char>(background.green()),
         static_cast<unsigned char>(background.blue())});
    return QColor(text.red, text.green, text.blue);
}

}  // namespace

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

bool CTableGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = owner_.HitToolTip(help->pos());
        if (text.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CTableWnd::resizeEvent(QResizeEvent*) {
    const int top = Shape().rpmHeader ? cellHeight_ : 0;
    const int statusHeight = cellHeight_ + 2;
    UpdateLegend();
    const int legendWidth = legend_->isVisible() ? std::min(legend_->PreferredWidth(), width() / 2) : 0;
    const int statusTop = std::max(height() - statusHeight, 0);
    statusLine_->setGeometry(0, statusTop, width() - legendWidth, statusHeight);
    legend_->setGeometry(width() - legendWidth, statusTop, legendWidth, statusHeight);
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
                             ShownCellText(context, *map, {kEditRpm, 0, column}));
            painter.drawLine(x + cellWidth_ - 1, 0, x + cellWidth_ - 1, cellHeight_ - 1);
            if (marks.Differs({kEditRpm, 0, column})) {
                headerMarks.push_back({kEditRpm, 0, column});
                headerBoxes.push_back(QRect(x, 0, cellWidth_, cellHeight_));
            }
        }
        painter.drawLine(0, cellHeight_ - 1, width(), cellHeight_ - 1);
        // The corner above the THROT column names the unit of the values.
        painter.drawText(QRect(2, 0, cellWidth_ - 4, cellHeight_), Qt::AlignCenter, CornerText());
    }
    PaintCompareMarks(painter, headerBoxes);
    headerMarks_ = std::move(headerMarks);
}

QString CTableWnd::CornerText() const {
    const MapRecord* map = Map();
    return map ? Text(map->y.unit) : QString();
}

void CTableWnd::UpdateLegend() {
    const MapRecord* map = Map();
    ScaleRange range;
    if (map && app_.colourScale && app_.HasImage()) range = MapDataRange(*map, app_.image(), app_.Data());
    if (!range.valid) {
        legend_->hide();
        return;
    }
    const LegendText text = ScaleLegendText(range, *map, app_.formats);
    legend_->SetEnds(Text(text.low), Text(text.high));
    legend_->show();
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
    // and on the selection's tint and edge alike.
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

    // The colour scale: the range of this map's DATA values in the file.
    ScaleRange shading;
    if (app_.colourScale) shading = MapDataRange(*map, app_.image(), app_.Data());
    const DataSpan data = app_.Data();
    std::set<std::pair<int, int>> selectedSet;
    for (const CellRef& cell : SelectedCells(*map)) selectedSet.insert({cell.row, cell.column});
    std::vector<TableCell> selected;

    // The cell outlines in one go, then the texts: a full table is 255
    // cells, and switching pens per cell costs more than the lines do.
    std::vector<QRect> outlines;
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
            // The background: the RPM line grey, a DATA cell the file holds
            // by its value on the colour scale, the hit seconds of a ride
            // over both; a selected cell tinted on top. The text turns white
            // where the background is dark.
            QColor background = cell.mode == kEditRpm ? kLightGrey : QColor(Qt::white);
            if (cell.mode == kEditData && shading.valid && DataCellHeld(*map, data, cell.row, cell.column)) {
                float physical = 0.0f;
                const std::uint8_t raw = app_.image()[DataCellAddress(*map, cell.row, cell.column)];
                if (ToPhysicalByte(map->y, raw, physical) == kConversionOk)
                    background = Colour(ScaleColourAt(shading.PositionOf(physical)));
            }
            HitBackground(cell, background);
            const bool isSelected = cell.mode == kEditData && selectedSet.count({cell.row, cell.column}) != 0;
            if (isSelected) {
                background = Tinted(background);
                selected.push_back(cell);
            }
            if (background != QColor(Qt::white)) painter.fillRect(box, background);
            outlines.push_back(box.adjusted(0, 0, -1, -1));
            painter.setPen(TextOn(background));
            painter.drawText(box.adjusted(0, 0, -3, 0), Qt::AlignRight | Qt::AlignVCenter,
                             ShownCellText(context, *map, cell));
        }
    }
    painter.setPen(kLightGrey);
    painter.drawRects(outlines.data(), static_cast<int>(outlines.size()));
    PaintSelectionEdges(painter, selected, selectedSet);
    PaintCompareMarks(painter, gridBoxes);
    gridMarks_ = std::move(gridMarks);
    PaintLiveMarks(painter);
    // Beyond the last column and row.
    QBrush hatch(kLightGrey, Qt::DiagCrossPattern);
    if (usedWidth < size.width()) painter.fillRect(QRect(usedWidth, 0, size.width() - usedWidth, size.height()), hatch);
    if (usedHeight < size.height())
        painter.fillRect(QRect(0, usedHeight, std::min(usedWidth, size.width()), size.height() - usedHeight), hatch);
}


void CTableWnd::PaintSelectionEdges(QPainter& painter, const std::vector<TableCell>& selected,
                                    const std::set<std::pair<int, int>>& all) {
    // Only the sides a selected cell shares with no other selected cell: one
    // frame around the whole rectangle, none across the values inside it.
    auto isSelected = [&all](int row, int column) { return all.count({row, column}) != 0; };
    const TableShape shape = Shape();
    painter.setBrush(Qt::NoBrush);
    // The light lines first, so that the dark edge wins where they cross.
    for (const bool dark : {false, true}) {
        painter.setPen(QPen(dark ? kSelectionEdge : QColor(Qt::white), 1));
        for (const TableCell& cell : selected) {
            const int line = GridLineOf(shape, cell);
            const QRect box((cell.column - firstColumn()) * cellWidth_, (line - firstLine()) * cellHeight_,
                            cellWidth_, cellHeight_);
            // A doubled map has the row's RPM line between two DATA lines, so
            // the rows above and below are never neighbours on screen there.
            const bool up = !shape.doubled && isSelected(cell.row - 1, cell.column);
            const bool down = !shape.doubled && isSelected(cell.row + 1, cell.column);
            const bool left = isSelected(cell.row, cell.column - 1);
            const bool right = isSelected(cell.row, cell.column + 1);
            const QPoint a = box.topLeft(), b = box.topRight(), c = box.bottomRight(), d = box.bottomLeft();
            const struct {
                bool open;
                QPoint from, to, inward;
            } sides[] = {{!up, a, b, {0, 1}}, {!down, d, c, {0, -1}}, {!left, a, d, {1, 0}}, {!right, b, c, {-1, 0}}};
            for (const auto& side : sides) {
                if (!side.open) continue;
                if (dark) {
                    painter.drawLine(side.from, side.to);
                    painter.drawLine(side.from + side.inward, side.to + side.inward);
                } else {
                    painter.drawLine(side.from + 2 * side.inward, side.to + 2 * side.inward);
                }
            }
        }
    }
}
