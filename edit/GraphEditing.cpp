#include "edit/GraphEditing.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "model/ValueConversion.h"

namespace {

bool Near(int a, int b) { return std::abs(static_cast<long long>(a) - b) <= kGraphHitTolerance; }

// The first point of the line within the tolerance box around (mx, my).
bool HitOnLine(const MapRecord& map, const Image& image, const GraphScales& s, int line, int mx,
               int my, GraphHit& hit) {
    GraphPoint p;
    for (int j = 0; GraphPointPosition(map, image, s, line, j, p); ++j) {
        if (Near(p.x, mx) && Near(p.y, my)) {
            std::uint16_t rpmRaw = 0, dataRaw = 0;
            MapPointAt(map, image, line, j, rpmRaw, dataRaw);
            hit = {GraphHitKind::kData, line, j, dataRaw};
            return true;
        }
    }
    return false;
}

// RPM breakpoints can be picked only where they are raw values of a Free Map
// and one axis per picture: not for type 2 with all lines shown.
bool RpmEditable(const MapRecord& map, bool freeMap, bool allLines) {
    return freeMap && !(map.type == kMapRpmPerRow && allLines);
}

GraphPoint Unset() { return {-1, 0}; }

// Image addresses of a DATA cell and of an RPM breakpoint (16-bit wrap).
std::uint16_t DataAddress(const MapRecord& map, int line, int point) {
    long long index = static_cast<long long>(line) * map.x.count + point;
    long long offset = index * (map.y.elementSize == 2 ? 2 : 1);
    return static_cast<std::uint16_t>((map.y.start + offset) & 0xFFFF);
}

std::uint16_t RpmAddress(const MapRecord& map, int line, int point) {
    long long index = map.type == kMapRpmPerRow ? static_cast<long long>(line) * map.x.count + point : point;
    long long offset = index * (map.x.elementSize == 2 ? 2 : 1);
    return static_cast<std::uint16_t>((map.x.start + offset) & 0xFFFF);
}

}  // namespace

GraphHit GraphHitTest(const MapRecord& map, const Image& image, const GraphScales& s,
                      bool allLines, int mx, int my) {
    GraphHit hit;
    const int cursorLine = map.cursor.row;
    if (HitOnLine(map, image, s, cursorLine, mx, my, hit)) return hit;
    if (allLines) {
        for (int line = 0; line < map.z.count; ++line) {
            if (HitOnLine(map, image, s, line, mx, my, hit)) return hit;
        }
    }
    if (s.axis == GraphAxisKind::kFreeMap && RpmEditable(map, true, allLines)) {
        std::uint16_t rpmRaw = 0, dataRaw = 0;
        for (int j = 0; MapPointAt(map, image, cursorLine, j, rpmRaw, dataRaw); ++j) {
            if (Near(RpmX(s, rpmRaw), mx)) return {GraphHitKind::kRpm, cursorLine, j, rpmRaw};
        }
    }
    return GraphHit{};
}

GraphClick ApplyGraphClick(MapRecord& map, const Image& image, const GraphHit& hit) {
    EditCursor& c = map.cursor;
    switch (hit.kind) {
        case GraphHitKind::kData:
            if (c.mode == kEditData && c.row == hit.line && c.column == hit.point) {
                c.raw = hit.value;
                return GraphClick::kDragStart;
            }
            c.mode = kEditData;
            c.row = hit.line;
            c.column = hit.point;
            c.raw = hit.value;
            ComputeEditLimits(map, image);
            return GraphClick::kSelected;
        case GraphHitKind::kRpm:
            if (c.mode == kEditRpm && c.column == hit.point) return GraphClick::kDragStart;
            c.mode = kEditRpm;
            c.column = hit.point;
            c.raw = hit.value;
            ComputeEditLimits(map, image);
            return GraphClick::kSelected;
        case GraphHitKind::kNone:
            break;
    }
    return GraphClick::kNothing;
}

bool BeginGraphDrag(const MapRecord& map, const Image& image, const GraphScales& s,
                    GraphDrag& drag) {
    const EditCursor& c = map.cursor;
    if (c.mode != kEditData && c.mode != kEditRpm) return false;
    std::uint16_t rpmRaw = 0, dataRaw = 0;
    GraphPoint point;
    if (!MapPointAt(map, image, c.row, c.column, rpmRaw, dataRaw) ||
        !GraphPointPosition(map, image, s, c.row, c.column, point))
        return false;

    GraphDrag d;
    d.mode = c.mode;
    d.line = c.row;
    d.column = c.column;
    d.point = point;
    d.editValue = c.raw;
    if (c.mode == kEditData) {
        d.valueAtStart = dataRaw;
        if (c.column > 0 && !GraphPointPosition(map, image, s, c.row, c.column - 1, d.previous))
            return false;
        if (c.column == 0) d.previous = Unset();
        if (!GraphPointPosition(map, image, s, c.row, c.column + 1, d.next)) d.next = Unset();
    } else {
        d.valueAtStart = rpmRaw;
    }
    drag = d;
    return true;
}

std::int32_t GraphDragCandidate(int mode, const GraphScales& s, const EditCursor& limits,
                                int mx, int my) {
    if (limits.lower > limits.upper) return limits.raw;
    long long c = mode == kEditData
                      ? s.dataRawMinimum + (static_cast<long long>(s.pane.height) - my) * s.dataScale / 100
                      : static_cast<long long>(mx) * s.xScale / 1000;
    if (c < limits.lower) c = limits.lower;
    else if (c > limits.upper) c = limits.upper;
    return static_cast<std::int32_t>(std::clamp<long long>(
        c, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

GraphDragMove MoveGraphDrag(GraphDrag& drag, const GraphScales& s, const EditCursor& limits,
                            int bitmapWidth, int bitmapHeight, int mx, int my) {
    GraphDragMove move;
    if ((mx == drag.point.x && my == drag.point.y) || mx < 0 || mx >= bitmapWidth || my < 0 ||
        my >= bitmapHeight)
        return move;
    move.ignored = false;

    const std::int32_t c = GraphDragCandidate(drag.mode, s, limits, mx, my);
    if (c == drag.editValue) return move;
    move.changed = true;

    if (drag.mode == kEditData) {
        drag.point.y = DataY(s, c);
        const GraphPoint p = drag.point;
        if (drag.previous.x != -1) move.rubberBand.push_back({drag.previous, p});
        if (drag.next.x != -1) move.rubberBand.push_back({drag.next, p});
        if (move.rubberBand.empty()) move.rubberBand.push_back({{0, p.y}, {s.pane.width, p.y}});
    } else {
        // Breakpoints are dragged on Free Map axes only, which have no offset.
        drag.point.x = static_cast<int>(static_cast<long long>(c) * 1000 / s.xScale);
        move.rubberBand.push_back({{drag.point.x, 0}, {drag.point.x, s.pane.height}});
    }
    // The cell under the drag holds one byte.
    drag.editValue = static_cast<std::uint8_t>(c & 0xFF);
    return move;
}

bool GraphDragWrite(const GraphDrag& drag, const EditCursor& cursor, std::uint16_t& value) {
    if (cursor.mode != drag.mode || cursor.row != drag.line || cursor.column != drag.column) return false;
    if (drag.editValue == cursor.raw) return false;
    value = drag.editValue;
    return true;
}

void CancelGraphDrag(GraphDrag& drag) { drag.editValue = drag.valueAtStart; }

GraphMarker GraphCursorMarker(const MapRecord& map, const Image& image, const GraphScales& s) {
    GraphMarker marker;
    const EditCursor& c = map.cursor;
    GraphPoint p;
    if (!GraphPointPosition(map, image, s, c.row, c.column, p)) return marker;
    if (c.mode == kEditData) {
        marker.kind = GraphMarkerKind::kSquare;
        marker.square = {p.x - 3, p.y - 3, 7, 7};
    } else if (c.mode == kEditRpm && s.axis != GraphAxisKind::kListAxis) {
        marker.kind = GraphMarkerKind::kVerticalLine;
        marker.x = p.x;
    }
    return marker;
}

GraphKeyPlan PlanGraphKey(const MapRecord& map, const Image& image, bool freeMapDefinition,
                          bool allLines, int code) {
    const EditCursor& c = map.cursor;
    GraphKeyPlan plan;
    plan.line = c.row;
    plan.point = c.column;
    const int start = c.raw;
    bool move = false;

    if (c.mode == kEditData) {
        switch (code) {
            case kKeyShiftEnter:
                if (freeMapDefinition) return GraphKeyPlan{};
                plan.action = GraphKeyAction::kWriteEcu;
                plan.value = c.raw;
                plan.address = DataAddress(map, c.row, c.column);
                return plan;
            case kKeyUp:
            case kKeyPageUp:
            case kKeyDown:
            case kKeyPageDown: {
                const bool up = code == kKeyUp || code == kKeyPageUp;
                const int value = up ? start + 1 : start - 1;
                if (up ? value > c.upper : value < c.lower) return GraphKeyPlan{};
                plan.action = GraphKeyAction::kStepData;
                plan.value = static_cast<std::uint16_t>(value);
                plan.address = DataAddress(map, c.row, c.column);
                return plan;
            }
            case kKeyLeft:
            case kKeyShiftLeft: move = c.column > 0; --plan.point; break;
            case kKeyRight:
            case kKeyShiftRight: move = c.column < map.x.count - 1; ++plan.point; break;
            case kKeyShiftUp: move = c.row > 0; --plan.line; break;
            case kKeyShiftDown: move = c.row < map.z.count - 1; ++plan.line; break;
            default: break;
        }
    } else if (c.mode == kEditRpm && RpmEditable(map, freeMapDefinition, allLines)) {
        switch (code) {
            case kKeyRight:
            case kKeyLeft: {
                const bool up = code == kKeyRight;
                const int value = up ? start + 1 : start - 1;
                if (up ? value > c.upper : value < c.lower) return GraphKeyPlan{};
                plan.action = GraphKeyAction::kStepRpm;
                plan.value = static_cast<std::uint16_t>(value);
                plan.address = RpmAddress(map, c.row, c.column);
                return plan;
            }
            case kKeyUp: move = c.column < map.x.count - 1; ++plan.point; break;
            case kKeyDown: move = c.column > 0; --plan.point; break;
            default: break;
        }
    }
    if (!move) return GraphKeyPlan{};

    std::uint16_t rpmRaw = 0, dataRaw = 0;
    if (!MapPointAt(map, image, plan.line, plan.point, rpmRaw, dataRaw)) return GraphKeyPlan{};
    plan.action = GraphKeyAction::kMoveCursor;
    plan.value = c.mode == kEditData ? dataRaw : rpmRaw;
    return plan;
}

void ApplyGraphCursorMove(MapRecord& map, const Image& image, const GraphKeyPlan& plan) {
    if (plan.action != GraphKeyAction::kMoveCursor) return;
    map.cursor.row = plan.line;
    map.cursor.column = plan.point;
    map.cursor.raw = plan.value;
    ComputeEditLimits(map, image);
}
