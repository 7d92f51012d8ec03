// The tuning loop's marks in the table and map windows (app_.operating):
// the hit seconds of a recorded ride as the shade of the table's cells, and
// the operating point as frames around the cells it lies between and as a
// line, a dot and a fading trail on the map window's graph. Each repaint
// after the point moved covers only the old and the new marks, so an answer
// of the monitor reaches the screen at once.
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/QelApp.h"
#include "edit/OperatingOverlay.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/gui/MapWnd.h"
#include "edit/gui/TableWnd.h"

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A pane position on the curve of the THROT row nearest to a fractional
// row, at a fractional column between its breakpoints.
bool PanePosition(const MapRecord& map, const Image& image, const GraphScales& scales, float row, float column,
                  QPointF& at) {
    if (map.z.count <= 0 || !std::isfinite(row) || !std::isfinite(column)) return false;
    const int line = std::clamp(static_cast<int>(std::lround(row)), 0, map.z.count - 1);
    const std::vector<GraphPoint> points = GraphLinePoints(map, image, scales, line);
    if (points.empty()) return false;
    const float last = static_cast<float>(points.size() - 1);
    const float c = std::clamp(column, 0.0f, last);
    const auto low = static_cast<std::size_t>(std::floor(c));
    const std::size_t high = std::min(low + 1, points.size() - 1);
    const double f = c - static_cast<float>(low);
    at = QPointF(points[low].x + (points[high].x - points[low].x) * f,
                 points[low].y + (points[high].y - points[low].y) * f);
    return true;
}

constexpr int kDotRadius = 4;
constexpr int kTrailRadius = 3;

// What the marks of live cover in a pane of height h: the strip of the RPM
// line and the squares of the dots.
QRegion LiveRegion(const LiveMarks& live, const MapRecord& map, const Image& image, const GraphScales& scales,
                   int h) {
    QRegion region;
    if (!live.On(map)) return region;
    QPointF at;
    if (PanePosition(map, image, scales, live.cells.row, live.cells.column, at)) {
        const int x = static_cast<int>(std::lround(at.x()));
        region += QRect(x - 2, 0, 5, h);
        region += QRect(x - kDotRadius - 2, static_cast<int>(at.y()) - kDotRadius - 2, 2 * kDotRadius + 5,
                        2 * kDotRadius + 5);
    }
    for (const TrailCell& cell : live.trail)
        if (PanePosition(map, image, scales, cell.row, cell.column, at))
            region += QRect(static_cast<int>(at.x()) - kTrailRadius - 2, static_cast<int>(at.y()) - kTrailRadius - 2,
                            2 * kTrailRadius + 5, 2 * kTrailRadius + 5);
    return region;
}

}  // namespace

// --- the table window ---------------------------------------------------------

QRect CTableWnd::GridBox(int row, int column) const {
    const int line = GridLineOf(Shape(), {kEditData, row, column});
    return QRect((column - firstColumn()) * cellWidth_, (line - firstLine()) * cellHeight_, cellWidth_, cellHeight_);
}

bool CTableWnd::HitBackground(const TableCell& cell, QColor& background) const {
    const MapRecord* map = Map();
    const CellSeconds* hits = map ? app_.operating.HitsOn(*map) : nullptr;
    if (!hits || cell.mode != kEditData) return false;
    const double shade = HitShade(hits->At(cell.row, cell.column), hits->maximum);
    const int grey = shade > 0.0 ? HitGrey(shade) : 255;
    background = QColor(grey, grey, grey);
    return true;
}

void CTableWnd::PaintLiveMarks(QPainter& painter) {
    liveCells_.clear();
    const MapRecord* map = Map();
    const LiveMarks& live = app_.operating.live;
    if (!map || !live.On(*map)) return;
    // Told apart without colour, and drawn over the cell's edge only, so the
    // value, the selection's outline and the compare corner stay in sight:
    // the nearest cell gets a solid black frame of 2 pixels with a white one
    // inside; the others a dashed black line over white, 1 pixel.
    painter.setBrush(Qt::NoBrush);
    const CellShare* nearest = nullptr;
    for (const CellShare& share : live.cells.cells)
        if (share.row == live.cells.nearestRow && share.column == live.cells.nearestColumn) nearest = &share;
    for (const CellShare& share : live.cells.cells) {
        if (&share == nearest) continue;
        const QRect box = GridBox(share.row, share.column).adjusted(0, 0, -1, -1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(box);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(box);
        liveCells_.push_back({kEditData, share.row, share.column});
    }
    if (nearest) {
        const QRect box = GridBox(nearest->row, nearest->column);
        painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(box).adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(box.adjusted(1, 1, -2, -2));
        liveCells_.insert(liveCells_.begin(), {kEditData, nearest->row, nearest->column});
    }
}

void CTableWnd::OperatingChanged(const LiveMarks& before) {
    const MapRecord* map = Map();
    if (!map) return;
    QRegion changed;
    const LiveMarks* both[] = {&before, &app_.operating.live};
    for (const LiveMarks* marks : both)
        if (marks->On(*map))
            for (const CellShare& share : marks->cells.cells)
                changed += GridBox(share.row, share.column).adjusted(-2, -2, 2, 2);
    if (!changed.isEmpty()) grid_->viewport()->update(changed);
}

void CTableWnd::HitsChanged() {
    grid_->viewport()->update();
    UpdateStatusLine();
}

std::string CTableWnd::HitStatusText(const MapRecord& map, int row, int column) const {
    const CellSeconds* hits = app_.operating.HitsOn(map);
    if (!hits) return std::string();
    return "  (" + HitSecondsText(hits->At(row, column)) + " in " + app_.operating.hitsSource + ")";
}

QString CTableWnd::HitToolTip(const QPoint& position) const {
    const MapRecord* map = Map();
    const CellSeconds* hits = map ? app_.operating.HitsOn(*map) : nullptr;
    if (!hits) return QString();
    TableCell hit;
    if (!GridHit(Shape(), cellWidth_, cellHeight_, firstLine(), firstColumn(), position.x(), position.y(), hit) ||
        hit.mode != kEditData)
        return QString();
    return Text(HitSecondsText(hits->At(hit.row, hit.column)) + " around this cell in " + app_.operating.hitsSource);
}

// --- the map window --------------------------------------------------------------

void CMapWnd::OperatingChanged(const LiveMarks& before) {
    if (pane_) pane_->OperatingChanged(before);
}

void CMapGraphWnd::OperatingChanged(const LiveMarks& before) {
    const MapRecord* map = owner_.Map();
    if (!map) return;
    const Image& image = owner_.app_.image();
    QRegion changed = LiveRegion(before, *map, image, owner_.Scales(), height());
    changed += LiveRegion(owner_.app_.operating.live, *map, image, owner_.Scales(), height());
    if (!changed.isEmpty()) update(changed);
}

void CMapGraphWnd::DrawLiveMarks(QPainter& painter) {
    const MapRecord* map = owner_.Map();
    const LiveMarks& live = owner_.app_.operating.live;
    if (!map || !live.On(*map)) return;
    const Image& image = owner_.app_.image();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // The way the engine came, fading with age.
    painter.setPen(Qt::NoPen);
    QPointF at;
    for (const TrailCell& cell : live.trail) {
        if (!PanePosition(*map, image, owner_.Scales(), cell.row, cell.column, at)) continue;
        const int alpha = static_cast<int>(std::lround(40 + 160 * (1.0f - std::clamp(cell.age, 0.0f, 1.0f))));
        painter.setBrush(QColor(0, 0, 0, alpha));
        painter.drawEllipse(at, kTrailRadius, kTrailRadius);
    }
    if (PanePosition(*map, image, owner_.Scales(), live.cells.row, live.cells.column, at)) {
        // A dashed black line on white reads over the grey breakpoint lines
        // and the red one of a chosen breakpoint alike.
        painter.setRenderHint(QPainter::Antialiasing, false);
        const int x = static_cast<int>(std::lround(at.x()));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(x + 1, 0, x + 1, height());
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawLine(x, 0, x, height());
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(Qt::black);
        painter.drawEllipse(QPointF(x, at.y()), kDotRadius, kDotRadius);
    }
    painter.restore();
}
