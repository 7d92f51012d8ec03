#include "edit/gui/MapGraphWnd.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "edit/CellAccess.h"
#include "edit/EditContext.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/gui/MapWnd.h"
#include "edit/UndoList.h"

namespace {

const QColor kBreakpointGrey(192, 192, 192);
const QColor kCursorBreakpointRed(255, 0, 0);

// The first eight are the classic dark colours (line 7 light grey); the rest
// are our own, none of them white, so that every line shows on the pane.
constexpr QRgb kLineColours[20] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),    qRgb(0, 128, 0),    qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128),  qRgb(0, 128, 128),  qRgb(192, 192, 192),
    qRgb(255, 0, 0),     qRgb(0, 176, 0),    qRgb(0, 0, 255),    qRgb(208, 128, 0),
    qRgb(255, 0, 255),   qRgb(0, 176, 176),  qRgb(128, 128, 128), qRgb(120, 60, 0),
    qRgb(96, 0, 160),    qRgb(0, 96, 64),    qRgb(176, 48, 96),  qRgb(64, 96, 160),
};

QPoint ToQt(const GraphPoint& p) { return {p.x, p.y}; }

}  // namespace

CMapGraphWnd::CMapGraphWnd(CMapWnd& owner) : QWidget(&owner), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CMapGraphWnd::~CMapGraphWnd() {
    // Quietly: the views around may be going too, so no notices.
    if (dragging_ && dragMap_) GraphStateOf(*dragMap_).dragging = false;
}

QColor CMapGraphWnd::LineColour(int line) {
    const int n = static_cast<int>(std::size(kLineColours));
    return QColor(kLineColours[((line % n) + n) % n]);
}

// ---------------------------------------------------------------- painting

void CMapGraphWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (dragging_ && !background_.isNull()) {
        // A drag step: the cached picture and the moving segments only.
        painter.drawPixmap(0, 0, background_);
        const MapRecord* map = owner_.Map();
        const QColor colour = drag_.mode == kEditData && map ? LineColour(map->cursor.row) : kBreakpointGrey;
        painter.setPen(QPen(colour, 2, Qt::SolidLine));
        for (const GraphSegment& s : rubberBand_) painter.drawLine(ToQt(s.from), ToQt(s.to));
    } else {
        PaintGraph(painter, false);
    }
    DrawLiveMarks(painter);
}

void CMapGraphWnd::PaintGraph(QPainter& painter, bool background) {
    ++graphPaintCount_;
    painter.fillRect(rect(), Qt::white);
    const MapRecord* map = owner_.Map();
    if (!map) return;
    const bool allLines = owner_.services_.AllLines();
    const int cursorLine = map->cursor.row;
    // The background of a DATA drag leaves out what the rubber band draws.
    const bool dataDrag = background && map->cursor.mode == kEditData;

    if (allLines && map->z.count > 1) {
        // Type 2 has an axis per line: no common breakpoints to mark.
        if (map->type != kMapRpmPerRow) DrawBreakpoints(painter, cursorLine);
        for (int line = 0; line < map->z.count; ++line)
            DrawCurve(painter, line, dataDrag && line == cursorLine);
    } else {
        DrawBreakpoints(painter, cursorLine);
        DrawCurve(painter, cursorLine, dataDrag);
    }
    // In a drag's background only the old place of a dragged breakpoint.
    if (!background || map->cursor.mode == kEditRpm) DrawMarker(painter);

    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void CMapGraphWnd::DrawBreakpoints(QPainter& painter, int line) {
    const MapRecord& map = *owner_.Map();
    painter.setPen(QPen(kBreakpointGrey, 1));
    const int h = height();
    for (const GraphPoint& p : GraphLinePoints(map, owner_.app_.image(), owner_.Scales(), line))
        painter.drawLine(p.x, 0, p.x, h);
}

void CMapGraphWnd::DrawCurve(QPainter& painter, int line, bool withoutMovingSegments) {
    const MapRecord& map = *owner_.Map();
    const std::vector<GraphPoint> points = GraphLinePoints(map, owner_.app_.image(), owner_.Scales(), line);
    painter.setPen(QPen(LineColour(line), line == map.cursor.row ? 2 : 1, Qt::SolidLine));
    if (points.size() == 1) {
        // A line of one point is a level across the whole pane.
        if (!withoutMovingSegments) painter.drawLine(0, points[0].y, width(), points[0].y);
        return;
    }
    const int moving = map.cursor.column;
    for (std::size_t j = 1; j < points.size(); ++j) {
        if (withoutMovingSegments && (static_cast<int>(j) == moving || static_cast<int>(j) - 1 == moving))
            continue;
        painter.drawLine(ToQt(points[j - 1]), ToQt(points[j]));
    }
}

void CMapGraphWnd::DrawMarker(QPainter& painter) {
    const GraphMarker marker = GraphCursorMarker(*owner_.Map(), owner_.app_.image(), owner_.Scales());
    switch (marker.kind) {
        case GraphMarkerKind::kSquare:
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(marker.square.x, marker.square.y, marker.square.width, marker.square.height,
                             Qt::white);
            painter.restore();
            break;
        case GraphMarkerKind::kVerticalLine:
            painter.setPen(QPen(kCursorBreakpointRed, 1));
            painter.drawLine(marker.x, 0, marker.x, height());
            break;
        case GraphMarkerKind::kNone:
            break;
    }
}

// ------------------------------------------------------------------- mouse

void CMapGraphWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(pos.x(), pos.y());
    } else if (event->button() == Qt::RightButton && dragging_) {
        CancelDrag();
    }
}

void CMapGraphWnd::LeftButtonDown(int mx, int my) {
    MapRecord* map = owner_.Map();
    if (!map) return;
    ClearRangeSelection();
    owner_.setFocus(Qt::MouseFocusReason);
    if (dragging_) return;

    const Image& image = owner_.app_.image();
    MapGraphState& state = GraphStateOf(*map);
    const GraphHit hit = GraphHitTest(*map, image, owner_.Scales(), owner_.services_.AllLines(), mx, my);
    if (hit.kind == GraphHitKind::kNone) return;
    state.graphActive = true;
    switch (ApplyGraphClick(*map, image, hit)) {
        case GraphClick::kDragStart:
            BeginDrag();
            break;
        case GraphClick::kSelected:
            if (hit.kind == GraphHitKind::kData) {
                map->selection = CellSelection{map->cursor.row, map->cursor.column, -1, -1};
            }
            update();
            owner_.services_.RefreshViews(kWindowMap);
            break;
        case GraphClick::kNothing:
            break;
    }
}

void CMapGraphWnd::BeginDrag() {
    MapRecord* map = owner_.Map();
    GraphDrag drag;
    if (!BeginGraphDrag(*map, owner_.app_.image(), owner_.Scales(), drag)) return;
    drag_ = drag;
    rubberBand_.clear();
    background_ = QPixmap(size());
    if (!background_.isNull()) {
        QPainter painter(&background_);
        PaintGraph(painter, true);
    }
    dragging_ = true;
    dragMap_ = map;
    MapGraphState& state = GraphStateOf(*map);
    state.dragging = true;
    state.dragMode = drag_.mode;
    state.dragValue = drag_.editValue;
}

void CMapGraphWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    MapRecord* map = owner_.Map();
    const QPoint pos = event->position().toPoint();
    const GraphDragMove move = MoveGraphDrag(drag_, owner_.Scales(), map->cursor, background_.width(),
                                             background_.height(), pos.x(), pos.y());
    if (!move.changed) return;
    rubberBand_ = move.rubberBand;
    GraphStateOf(*map).dragValue = drag_.editValue;
    update();
    // The table window and the dialog bar follow the moving value.
    owner_.services_.RefreshViews(kWindowMap);
}

void CMapGraphWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) CommitDrag();
}

void CMapGraphWnd::CommitDrag() {
    MapRecord* map = owner_.Map();
    EditCursor& cursor = map->cursor;
    std::uint16_t value = 0;
    // The value lands on the dragged cell only, which is still the cursor's.
    if (map == dragMap_ && GraphDragWrite(drag_, cursor, value)) {
        EditContext context = owner_.Context();
        UndoStepName name(*map, "Graph drag");
        std::uint16_t before = 0;
        if (RefusedOutsideData(context, *map)) {
            drag_.editValue = cursor.raw;
        } else if (drag_.mode == kEditData) {
            if (ReadDataCell(context.image, *map, drag_.column, drag_.line, before) == kCellOk) {
                PushUndo(context, *map, kUndoActionDrag, 0);   // the bytes before the drag
                WriteDataCell(context, *map, static_cast<std::uint8_t>(value), drag_.column, drag_.line);
                cursor.raw = value;
            } else {
                owner_.prompt_.Message(Str(str::kDataError) + "\n" + Str(str::kSetAsBefore),
                                       Str(str::kCaptionMapWindow), PromptIcon::kStop);
                drag_.editValue = cursor.raw;
            }
        } else if (ReadRpmCell(context.image, *map, drag_.column, drag_.line, before) == kCellOk) {
            PushUndo(context, *map, kUndoActionDrag, 0);
            WriteRpmCell(context, *map, value, drag_.column, drag_.line);
            cursor.raw = value;
        }
    }
    EndDrag();
    // The other windows saw the moving value; now they read the image again.
    owner_.services_.RefreshViews(kWindowMap);
}

void CMapGraphWnd::CancelDrag() {
    if (!dragging_) return;
    CancelGraphDrag(drag_);
    EndDrag();
    owner_.services_.RefreshViews(kWindowMap);
}

void CMapGraphWnd::EndDrag() {
    background_ = QPixmap();
    rubberBand_.clear();
    dragging_ = false;
    if (dragMap_) GraphStateOf(*dragMap_).dragging = false;
    dragMap_ = nullptr;
    update();
}

void CMapGraphWnd::ClearRangeSelection() {
    MapRecord* map = owner_.Map();
    CellSelection& s = map->selection;
    if (s.endRow < 0 || s.endColumn < 0) return;   // no range, at most an anchor
    s = CellSelection{};
    owner_.services_.RefreshViews(kWindowMap);
}

// -------------------------------------------------------------------- keys

void CMapGraphWnd::KeyCommand(int code) {
    MapRecord* map = owner_.Map();
    if (!map || dragging_) return;
    ClearRangeSelection();
    CQelApp& app = owner_.app_;
    const GraphKeyPlan plan =
        PlanGraphKey(*map, app.image(), owner_.FreeMapDefinition(), owner_.services_.AllLines(), code);
    switch (plan.action) {
        case GraphKeyAction::kNone:
            return;
        case GraphKeyAction::kWriteEcu:
            WriteToEcu(plan);
            return;
        case GraphKeyAction::kStepData:
        case GraphKeyAction::kStepRpm: {
            // RPM steps are undoable too: a breakpoint moved by keys comes
            // back with Undo like one moved by the mouse.
            EditContext context = owner_.Context();
            if (RefusedOutsideData(context, *map)) return;
            UndoStepName name(*map, "Graph step");
            PushUndo(context, *map, kUndoActionStep, 0);   // the bytes before the step
            context.StoreByte(plan.address, static_cast<std::uint8_t>(plan.value), 0);
            map->cursor.raw = plan.value;
            break;
        }
        case GraphKeyAction::kMoveCursor:
            ApplyGraphCursorMove(*map, app.image(), plan);
            if (map->cursor.mode == kEditData &&
                (code == kKeyLeft || code == kKeyRight || code == kKeyShiftLeft || code == kKeyShiftRight))
                map->selection = CellSelection{map->cursor.row, map->cursor.column, -1, -1};
            break;
    }
    update();
    owner_.services_.RefreshViews(kWindowMap);
}

bool CMapGraphWnd::RefusedOutsideData(const EditContext& context, const MapRecord& map) {
    const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map));
    if (refusal.empty()) return false;
    owner_.prompt_.Show(OutsideDataMessage(refusal, Str(str::kCaptionMapWindow)));
    return true;
}

void CMapGraphWnd::WriteToEcu(const GraphKeyPlan& plan) {
    CQelApp& app = owner_.app_;
    const MapRecord& map = *owner_.Map();
    const auto value = static_cast<std::uint8_t>(plan.value);
    std::vector<EcuByteWrite> bytes{{plan.address, value}};
    for (std::uint16_t address :
         LinkedCellAddresses(app.maps, app.mapLinkState, app.mapLink, map, map.cursor.row, map.cursor.column))
        bytes.push_back({address, value});
    // The link reports its own failures.
    owner_.services_.WriteToEcu(bytes);
}
