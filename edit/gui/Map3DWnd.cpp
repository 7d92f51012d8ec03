#include "edit/gui/Map3DWnd.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygonF>
#include <QToolTip>
#include <QWheelEvent>

#include "app/QelApp.h"
#include "edit/LinkedMaps.h"
#include "edit/OperatingOverlay.h"
#include "model/Maps.h"
#include "model/ValueConversion.h"

namespace {

constexpr const char* kCaptionPrefix = "3D - ";
constexpr int kLegendWidth = 90;
constexpr int kMargin = 12;
constexpr double kTurnStep = 10.0;      // degrees a key turns
constexpr double kTiltStep = 5.0;       // degrees a key tilts
constexpr double kZoomStep = 1.25;      // factor a key or a wheel notch zooms
constexpr double kDragDegrees = 0.5;    // degrees a pixel of drag turns or tilts
constexpr double kHoverRadius = 8.0;    // pixels from a vertex the mouse may be
const QColor kWire(40, 40, 40);
const QColor kCompared(210, 0, 0);
const QColor kFloor(170, 170, 170);

QString Text(const std::string& s) { return QString::fromStdString(s); }

QColor Colour(ScaleColour c) { return QColor(c.red, c.green, c.blue); }

QPointF At(const ScreenPoint& p) { return QPointF(p.x, p.y); }

const char* WhyNoSurface(AxesStatus status) {
    switch (status) {
        case AxesStatus::kEmptyMap: return "This map has no cells.";
        case AxesStatus::kNotInData: return "The axis values of this map are not in the file's data.";
        case AxesStatus::kBadEquation: return "An axis value of this map does not convert.";
        case AxesStatus::kReady: break;
    }
    return "";
}

}  // namespace

CMap3DWnd::CMap3DWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent)
    : CChildWnd(app, prompt, services, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName("surfaceStatusLine");
    statusLine_->setAutoFillBackground(true);
    statusLine_->setContentsMargins(4, 0, 4, 0);
    UpdateStatusLine();
}

void CMap3DWnd::ResetForMap() {
    hover_ = -1;
    points_.clear();
    UpdateStatusLine();
    update();
}

QString CMap3DWnd::Caption() const {
    const MapRecord* map = Map();
    if (!map) return QString::fromLatin1(kCaptionPrefix);
    return QString::fromLatin1(kCaptionPrefix) + Text(LinkedMapName(app_.maps, app_.mapLinkState, app_.mapLink, *map));
}

SurfaceViewport CMap3DWnd::PlotViewport() const {
    const int statusHeight = statusLine_->sizeHint().height();
    SurfaceViewport viewport;
    viewport.left = kMargin;
    viewport.top = kMargin;
    viewport.width = std::max(0, width() - kLegendWidth - 2 * kMargin);
    viewport.height = std::max(0, height() - statusHeight - 2 * kMargin);
    return viewport;
}

SurfaceGrid CMap3DWnd::ComparedGrid(const MapRecord& map) const {
    Calibration* compared = app_.compared.get();
    if (!compared || !compared->HasImage()) return SurfaceGrid{};
    const MapRecord* other = FindMap(compared->maps, map.name);
    // Another shape has no vertex to lay beside each of this map's.
    if (!other || other->type != map.type || other->z.count != map.z.count || other->x.count != map.x.count)
        return SurfaceGrid{};
    const EditContext context = AppEditContext(*compared);
    return ReadSurfaceGrid(context, *other);
}

void CMap3DWnd::resizeEvent(QResizeEvent* event) {
    CChildWnd::resizeEvent(event);
    const int statusHeight = statusLine_->sizeHint().height();
    statusLine_->setGeometry(0, std::max(height() - statusHeight, 0), width(), statusHeight);
}

void CMap3DWnd::paintEvent(QPaintEvent*) {
    services_.SetCaption(Caption());
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    MapRecord* map = Map();
    points_.clear();
    if (!map || !app_.HasImage()) return;
    const EditContext context = Context();
    grid_ = ReadSurfaceGrid(context, *map);
    if (!grid_.Ready()) {
        painter.setPen(Qt::black);
        painter.drawText(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::AlignCenter | Qt::TextWordWrap,
                         WhyNoSurface(grid_.status));
        return;
    }
    const SurfaceGrid compared = ComparedGrid(*map);
    SurfaceBox box = SurfaceBoxOf(grid_);
    const ScaleRange shade = box.data;   // the legend and the faces: this map's own values
    IncludeInBox(box, compared);
    const SurfaceProjector projector(box, view_, PlotViewport());
    points_ = ProjectGrid(grid_, projector);
    if (hover_ >= static_cast<int>(points_.size())) hover_ = -1;

    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintFloor(painter, projector, box, context, *map);
    PaintSurface(painter, grid_, shade);
    if (compared.Ready()) {
        painter.setPen(QPen(kCompared, 1.5));
        PaintWireframe(painter, compared, ProjectGrid(compared, projector), false);
    }
    PaintCursor(painter, grid_, *map);
    PaintLive(painter, grid_, projector, *map);
    if (hover_ >= 0 && points_[static_cast<std::size_t>(hover_)].valid) {
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(Qt::white);
        painter.drawEllipse(At(points_[static_cast<std::size_t>(hover_)]), 3.5, 3.5);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintLegend(painter, shade, context, *map);
}

void CMap3DWnd::PaintFloor(QPainter& painter, const SurfaceProjector& projector, const SurfaceBox& box,
                           const EditContext& context, const MapRecord& map) {
    const double floor = -kSurfaceHeight / 2;
    const ScreenPoint corners[4] = {projector.ProjectBox(-0.5, -0.5, floor), projector.ProjectBox(0.5, -0.5, floor),
                                    projector.ProjectBox(0.5, 0.5, floor), projector.ProjectBox(-0.5, 0.5, floor)};
    painter.setPen(QPen(kFloor, 1));
    painter.setBrush(Qt::NoBrush);
    QPolygonF outline;
    for (const ScreenPoint& c : corners) outline << At(c);
    painter.drawPolygon(outline);
    // The height of the corner where both axes start.
    painter.drawLine(At(corners[0]), At(projector.ProjectBox(-0.5, -0.5, -floor)));

    // The axes' ends at the floor's edges, and the values of the DATA edge.
    painter.setPen(Qt::darkGray);
    const QFontMetrics metrics(painter.font());
    auto label = [&](const ScreenPoint& p, const QString& text) {
        const QRectF r(p.x - 60, p.y - metrics.height() / 2.0, 120, metrics.height());
        painter.drawText(r, Qt::AlignCenter, text);
    };
    // RPM along the front edge, THROT beside the right one, each pushed out
    // off the floor.
    // The items' own names, as the map window names its axes (a warm-up
    // trim runs over coolant temperature, not throttle).
    auto outside = [&](double x, double y) { return projector.ProjectBox(x, y, floor); };
    const QString rpm = map.x.name.empty() ? QString("RPM") : Text(map.x.name);
    const QString throt = map.z.name.empty() ? QString("THROT") : Text(map.z.name);
    label(outside(-0.5, -0.68), rpm + " " + Text(FormatX(box.rpmLow, context.formats)));
    label(outside(0.5, -0.68), rpm + " " + Text(FormatX(box.rpmHigh, context.formats)));
    label(outside(0.72, -0.5), throt + " " + Text(FormatZ(box.throtLow, context.formats)));
    label(outside(0.72, 0.5), throt + " " + Text(FormatZ(box.throtHigh, context.formats)));
    if (box.data.valid) {
        const std::string high = FormatData(static_cast<float>(box.data.high), &map, context.formats);
        label(projector.ProjectBox(-0.5, -0.5, -floor * 1.15), Text(high));
    }
}

void CMap3DWnd::PaintSurface(QPainter& painter, const SurfaceGrid& grid, const ScaleRange& shade) {
    // The edges no face carries (beside a cell without a value, or all of a
    // map of one row or one column) go first; each face then covers what
    // lies behind it and draws its own edges, so the wireframe hides where
    // the surface does.
    painter.setPen(QPen(kWire, 1));
    PaintWireframe(painter, grid, points_, true);
    for (const SurfaceFace& face : FacesBackToFront(grid, points_)) {
        const int a = face.row * grid.columns + face.column;
        const int corners[4] = {a, a + 1, a + grid.columns + 1, a + grid.columns};
        QPolygonF polygon;
        for (int index : corners) polygon << At(points_[static_cast<std::size_t>(index)]);
        painter.setBrush(Colour(ScaleColourAt(shade.PositionOf(face.value))));
        painter.drawPolygon(polygon);
    }
}

void CMap3DWnd::PaintWireframe(QPainter& painter, const SurfaceGrid& grid, const std::vector<ScreenPoint>& points,
                               bool onlyWithoutFace) {
    if (points.size() != grid.data.size()) return;
    auto valid = [&](int row, int column) {
        return points[static_cast<std::size_t>(row * grid.columns + column)].valid;
    };
    // The face between rows row, row + 1 and columns column, column + 1 has
    // all four vertices (and so draws its own edges).
    auto face = [&](int row, int column) {
        return row >= 0 && column >= 0 && row + 1 < grid.rows && column + 1 < grid.columns && valid(row, column) &&
               valid(row, column + 1) && valid(row + 1, column) && valid(row + 1, column + 1);
    };
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            const ScreenPoint& p = points[static_cast<std::size_t>(row * grid.columns + column)];
            if (!p.valid) continue;
            if (column + 1 < grid.columns) {
                const ScreenPoint& q = points[static_cast<std::size_t>(row * grid.columns + column + 1)];
                if (q.valid && !(onlyWithoutFace && (face(row - 1, column) || face(row, column))))
                    painter.drawLine(At(p), At(q));
            }
            if (row + 1 < grid.rows) {
                const ScreenPoint& q = points[static_cast<std::size_t>((row + 1) * grid.columns + column)];
                if (q.valid && !(onlyWithoutFace && (face(row, column - 1) || face(row, column))))
                    painter.drawLine(At(p), At(q));
            }
        }
    }
    // A map of a single cell is one point.
    if (grid.rows == 1 && grid.columns == 1 && points[0].valid) painter.drawEllipse(At(points[0]), 2.0, 2.0);
}

void CMap3DWnd::PaintCursor(QPainter& painter, const SurfaceGrid& grid, const MapRecord& map) {
    const EditCursor& cursor = map.cursor;
    painter.setBrush(Qt::NoBrush);
    if (cursor.mode == kEditData) {
        if (cursor.row < 0 || cursor.row >= grid.rows || cursor.column < 0 || cursor.column >= grid.columns) return;
        const ScreenPoint& p = points_[static_cast<std::size_t>(cursor.row * grid.columns + cursor.column)];
        if (!p.valid) return;
        // A black ring with a white one inside reads on every shade.
        painter.setPen(QPen(Qt::white, 4));
        painter.drawEllipse(At(p), 6.0, 6.0);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawEllipse(At(p), 6.0, 6.0);
        return;
    }
    // An axis element: its whole line of vertices, drawn thick.
    QPolygonF line;
    if (cursor.mode == kEditThrot && cursor.column >= 0 && cursor.column < grid.rows) {
        for (int c = 0; c < grid.columns; ++c) {
            const ScreenPoint& p = points_[static_cast<std::size_t>(cursor.column * grid.columns + c)];
            if (p.valid) line << At(p);
        }
    } else if (cursor.mode == kEditRpm && cursor.column >= 0 && cursor.column < grid.columns) {
        const bool perRow = grid.axes.rpm.size() > 1;
        for (int r = 0; r < grid.rows; ++r) {
            if (perRow && r != cursor.row) continue;
            const ScreenPoint& p = points_[static_cast<std::size_t>(r * grid.columns + cursor.column)];
            if (p.valid) line << At(p);
        }
    }
    if (line.isEmpty()) return;
    painter.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (line.size() == 1) painter.drawEllipse(line.front(), 5.0, 5.0);
    else painter.drawPolyline(line);
}

void CMap3DWnd::PaintLive(QPainter& painter, const SurfaceGrid& grid, const SurfaceProjector& projector,
                          const MapRecord& map) {
    const LiveMarks& live = app_.operating.live;
    if (!live.On(map)) return;
    float rpm = 0.0f;
    float throt = 0.0f;
    double value = 0.0;
    painter.setPen(Qt::NoPen);
    for (const TrailCell& cell : live.trail) {
        if (!SurfacePointAt(grid, cell.row, cell.column, rpm, throt, value)) continue;
        const int alpha = static_cast<int>(std::lround(40 + 160 * (1.0f - std::clamp(cell.age, 0.0f, 1.0f))));
        painter.setBrush(QColor(0, 0, 0, alpha));
        painter.drawEllipse(At(projector.Project(rpm, throt, value)), 3.0, 3.0);
    }
    if (!SurfacePointAt(grid, live.cells.row, live.cells.column, rpm, throt, value)) return;
    const ScreenPoint on = projector.Project(rpm, throt, value);
    const ScreenPoint floor = projector.ProjectBox(projector.BoxX(rpm), projector.BoxY(throt), -kSurfaceHeight / 2);
    // A dashed drop to the floor says where on the axes the point lies.
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawLine(At(on), At(floor));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::black);
    painter.drawEllipse(At(on), 5.0, 5.0);
}

void CMap3DWnd::PaintLegend(QPainter& painter, const ScaleRange& shade, const EditContext& context,
                            const MapRecord& map) {
    if (!shade.valid) return;
    const int statusHeight = statusLine_->sizeHint().height();
    const int barWidth = 16;
    const int left = width() - kLegendWidth + 8;
    const int top = kMargin + 30;   // below the title
    const int bottom = height() - statusHeight - kMargin - 10;
    if (bottom - top < 20) return;
    QLinearGradient gradient(0, bottom, 0, top);
    for (int i = 0; i <= 10; ++i) gradient.setColorAt(i / 10.0, Colour(ScaleColourAt(i / 10.0)));
    painter.fillRect(QRect(left, top, barWidth, bottom - top), gradient);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(left, top, barWidth, bottom - top));
    painter.drawText(QRect(width() - kLegendWidth, kMargin, kLegendWidth - 4, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     Text(map.y.unit.empty() ? map.y.name : map.y.name + " (" + map.y.unit + ")"));
    // Five ticks: the lowest, the highest and three between.
    const int ticks = shade.high > shade.low ? 5 : 1;
    for (int i = 0; i < ticks; ++i) {
        const double t = ticks == 1 ? 0.5 : i / double(ticks - 1);
        const double value = shade.low + (shade.high - shade.low) * t;
        const int y = static_cast<int>(std::lround(bottom - (bottom - top) * t));
        painter.drawLine(left + barWidth, y, left + barWidth + 4, y);
        painter.drawText(QRect(left + barWidth + 6, y - 8, kLegendWidth - barWidth - 10, 16),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         Text(FormatData(static_cast<float>(value), &map, context.formats)));
    }
}

void CMap3DWnd::ViewChanged() {
    hover_ = -1;
    UpdateStatusLine();
    update();
}

void CMap3DWnd::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left: view_.Rotate(-kTurnStep); break;
        case Qt::Key_Right: view_.Rotate(kTurnStep); break;
        case Qt::Key_Up: view_.Tilt(kTiltStep); break;
        case Qt::Key_Down: view_.Tilt(-kTiltStep); break;
        case Qt::Key_Plus:
        case Qt::Key_Equal: view_.ZoomBy(kZoomStep); break;
        case Qt::Key_Minus: view_.ZoomBy(1.0 / kZoomStep); break;
        case Qt::Key_Home: view_.Reset(); break;
        default: CChildWnd::keyPressEvent(event); return;
    }
    event->accept();
    ViewChanged();
}

void CMap3DWnd::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragFrom_ = event->position().toPoint();
    }
}

void CMap3DWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        view_.Rotate((at.x() - dragFrom_.x()) * kDragDegrees);
        view_.Tilt((at.y() - dragFrom_.y()) * kDragDegrees);
        dragFrom_ = at;
        ViewChanged();
        return;
    }
    UpdateHover(at);
}

void CMap3DWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void CMap3DWnd::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) return;
    view_.ZoomBy(std::pow(kZoomStep, notches));
    event->accept();
    ViewChanged();
}

void CMap3DWnd::leaveEvent(QEvent* event) {
    CChildWnd::leaveEvent(event);
    if (hover_ < 0) return;
    hover_ = -1;
    UpdateStatusLine();
    update();
}

void CMap3DWnd::UpdateHover(const QPoint& position) {
    const int vertex = VertexAt(points_, position.x(), position.y(), kHoverRadius);
    if (vertex == hover_) return;
    hover_ = vertex;
    UpdateStatusLine();
    if (hover_ >= 0) QToolTip::showText(mapToGlobal(position), statusLine_->text(), this);
    else QToolTip::hideText();
    update();
}

void CMap3DWnd::UpdateStatusLine() {
    MapRecord* map = Map();
    if (!map || hover_ < 0 || !grid_.Ready() || grid_.columns <= 0) {
        statusLine_->setText(map ? QString("Arrows turn and tilt, + and - zoom, Home resets; drag to turn")
                                 : QString());
        return;
    }
    statusLine_->setText(
        Text(SurfaceVertexText(Context(), *map, grid_, hover_ / grid_.columns, hover_ % grid_.columns)));
}

void CMap3DWnd::OperatingChanged(const LiveMarks& before) {
    const MapRecord* map = Map();
    if (map && (before.On(*map) || app_.operating.live.On(*map))) update();
}
