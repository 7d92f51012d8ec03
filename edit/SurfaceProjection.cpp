#include "edit/SurfaceProjection.h"
#include "edit/ValueDisplay.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "edit/CellAccess.h"
#include "edit/TableModel.h"
#include "model/ValueConversion.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

double Radians(double degrees) { return degrees * kPi / 180.0; }

// value's place between low and high as -0.5 .. 0.5; the middle for a span
// of one value.
double Unit(double value, double low, double high) {
    if (!(high > low)) return 0.0;
    return (value - low) / (high - low) - 0.5;
}

void Widen(float value, float& low, float& high, bool& first) {
    if (first) {
        low = high = value;
        first = false;
        return;
    }
    low = std::min(low, value);
    high = std::max(high, value);
}

}  // namespace

SurfaceGrid ReadSurfaceGrid(const EditContext& context, const MapRecord& map) {
    SurfaceGrid grid;
    grid.axes = ReadOperatingAxes(context, map);
    grid.status = grid.axes.status;
    if (!grid.Ready()) return grid;
    grid.rows = map.z.count;
    grid.columns = map.x.count;
    grid.data.assign(static_cast<std::size_t>(grid.rows * grid.columns), kNoValue);
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            if (context.keptData && !context.keptData->Holds(DataCellAddress(map, row, column))) continue;
            std::uint16_t raw = 0;
            if (ReadDataCell(context.image, map, column, row, raw) != kCellOk) continue;
            float physical = 0.0f;
            if (ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), physical) != kEquationOk) continue;
            if (!std::isfinite(physical)) continue;
            grid.data[static_cast<std::size_t>(row * grid.columns + column)] = physical;
        }
    }
    return grid;
}

SurfaceBox SurfaceBoxOf(const SurfaceGrid& grid) {
    SurfaceBox box;
    if (!grid.Ready()) return box;
    bool firstRpm = true;
    bool firstThrot = true;
    for (const std::vector<float>& line : grid.axes.rpm)
        for (float rpm : line) Widen(rpm, box.rpmLow, box.rpmHigh, firstRpm);
    for (float throt : grid.axes.throt) Widen(throt, box.throtLow, box.throtHigh, firstThrot);
    box.data = ScaleRangeOf(grid.data);
    return box;
}

void IncludeInBox(SurfaceBox& box, const SurfaceGrid& grid) {
    if (!grid.Ready()) return;
    const SurfaceBox other = SurfaceBoxOf(grid);
    box.rpmLow = std::min(box.rpmLow, other.rpmLow);
    box.rpmHigh = std::max(box.rpmHigh, other.rpmHigh);
    box.throtLow = std::min(box.throtLow, other.throtLow);
    box.throtHigh = std::max(box.throtHigh, other.throtHigh);
    if (!other.data.valid) return;
    if (!box.data.valid) {
        box.data = other.data;
        return;
    }
    box.data.low = std::min(box.data.low, other.data.low);
    box.data.high = std::max(box.data.high, other.data.high);
}

void SurfaceView::Rotate(double degrees) {
    if (!std::isfinite(degrees)) return;
    double yaw = std::fmod(yawDegrees + degrees, 360.0);
    if (yaw <= -180.0) yaw += 360.0;
    if (yaw > 180.0) yaw -= 360.0;
    yawDegrees = yaw;
}

void SurfaceView::Tilt(double degrees) {
    if (!std::isfinite(degrees)) return;
    pitchDegrees = std::clamp(pitchDegrees + degrees, kMinPitch, kMaxPitch);
}

void SurfaceView::ZoomBy(double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    zoom = std::clamp(zoom * factor, kMinZoom, kMaxZoom);
}

SurfaceProjector::SurfaceProjector(const SurfaceBox& box, const SurfaceView& view, const SurfaceViewport& viewport)
    : box_(box),
      cosYaw_(std::cos(Radians(view.yawDegrees))),
      sinYaw_(std::sin(Radians(view.yawDegrees))),
      cosPitch_(std::cos(Radians(view.pitchDegrees))),
      sinPitch_(std::sin(Radians(view.pitchDegrees))),
      centreX_(viewport.left + viewport.width / 2.0),
      centreY_(viewport.top + viewport.height / 2.0) {
    // Every corner of the box lies within this radius of its centre, so at
    // zoom 1 the box stays inside the viewport however it is turned.
    const double radius = std::sqrt(0.25 + 0.25 + kSurfaceHeight * kSurfaceHeight / 4.0);
    scale_ = view.zoom * std::max(0.0, std::min(viewport.width, viewport.height)) / (2.0 * radius);
}

double SurfaceProjector::BoxX(float rpm) const { return Unit(rpm, box_.rpmLow, box_.rpmHigh); }
double SurfaceProjector::BoxY(float throt) const { return Unit(throt, box_.throtLow, box_.throtHigh); }
double SurfaceProjector::BoxZ(double value) const {
    if (!box_.data.valid) return 0.0;
    return kSurfaceHeight * Unit(value, box_.data.low, box_.data.high);
}

ScreenPoint SurfaceProjector::ProjectBox(double x, double y, double z) const {
    ScreenPoint point;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return point;
    // Turn about the vertical, then look down from the pitch: across the
    // screen the turned x; up the screen the height and, the higher the
    // eye, the more of the turned depth.
    const double turnedX = x * cosYaw_ - y * sinYaw_;
    const double turnedY = x * sinYaw_ + y * cosYaw_;
    const double up = z * cosPitch_ + turnedY * sinPitch_;
    point.x = centreX_ + scale_ * turnedX;
    point.y = centreY_ - scale_ * up;
    point.depth = turnedY * cosPitch_ - z * sinPitch_;
    point.valid = true;
    return point;
}

ScreenPoint SurfaceProjector::Project(float rpm, float throt, double value) const {
    if (!std::isfinite(rpm) || !std::isfinite(throt) || !std::isfinite(value)) return ScreenPoint{};
    return ProjectBox(BoxX(rpm), BoxY(throt), BoxZ(value));
}

std::vector<ScreenPoint> ProjectGrid(const SurfaceGrid& grid, const SurfaceProjector& projector) {
    std::vector<ScreenPoint> points;
    if (!grid.Ready()) return points;
    points.reserve(grid.data.size());
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column)
            points.push_back(projector.Project(grid.Rpm(row, column), grid.Throt(row), grid.Value(row, column)));
    return points;
}

std::vector<SurfaceFace> FacesBackToFront(const SurfaceGrid& grid, const std::vector<ScreenPoint>& points) {
    std::vector<SurfaceFace> faces;
    if (!grid.Ready() || points.size() != grid.data.size()) return faces;
    for (int row = 0; row + 1 < grid.rows; ++row) {
        for (int column = 0; column + 1 < grid.columns; ++column) {
            const int corners[4] = {row * grid.columns + column, row * grid.columns + column + 1,
                                    (row + 1) * grid.columns + column + 1, (row + 1) * grid.columns + column};
            SurfaceFace face{row, column, 0.0, 0.0};
            bool whole = true;
            for (int index : corners) {
                const ScreenPoint& p = points[static_cast<std::size_t>(index)];
                if (!p.valid) whole = false;
                face.value += grid.data[static_cast<std::size_t>(index)] / 4.0;
                face.depth += p.depth / 4.0;
            }
            if (whole) faces.push_back(face);
        }
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const SurfaceFace& a, const SurfaceFace& b) { return a.depth > b.depth; });
    return faces;
}

int VertexAt(const std::vector<ScreenPoint>& points, double x, double y, double radius) {
    int best = -1;
    double bestDistance = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ScreenPoint& p = points[i];
        if (!p.valid) continue;
        const double distance = std::hypot(p.x - x, p.y - y);
        if (!(distance <= radius)) continue;
        if (best < 0 || distance < bestDistance ||
            (distance == bestDistance && p.depth < points[static_cast<std::size_t>(best)].depth)) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

bool SurfacePointAt(const SurfaceGrid& grid, float row, float column, float& rpm, float& throt, double& value) {
    if (!grid.Ready() || grid.rows <= 0 || grid.columns <= 0 || !std::isfinite(row) || !std::isfinite(column))
        return false;
    const float r = std::clamp(row, 0.0f, static_cast<float>(grid.rows - 1));
    const float c = std::clamp(column, 0.0f, static_cast<float>(grid.columns - 1));
    const int r0 = static_cast<int>(std::floor(r));
    const int c0 = static_cast<int>(std::floor(c));
    const int r1 = std::min(r0 + 1, grid.rows - 1);
    const int c1 = std::min(c0 + 1, grid.columns - 1);
    const double fr = r - static_cast<float>(r0);
    const double fc = c - static_cast<float>(c0);
    const int rowsAt[2] = {r0, r1};
    const int columnsAt[2] = {c0, c1};
    const double rowWeights[2] = {1.0 - fr, fr};
    const double columnWeights[2] = {1.0 - fc, fc};
    double rpmSum = 0.0;
    double valueSum = 0.0;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const double weight = rowWeights[i] * columnWeights[j];
            if (weight <= 0.0) continue;
            const double v = grid.Value(rowsAt[i], columnsAt[j]);
            if (!std::isfinite(v)) return false;
            valueSum += weight * v;
            rpmSum += weight * grid.Rpm(rowsAt[i], columnsAt[j]);
        }
    }
    rpm = static_cast<float>(rpmSum);
    throt = static_cast<float>(rowWeights[0] * grid.Throt(r0) + rowWeights[1] * grid.Throt(r1));
    value = valueSum;
    return true;
}

std::string SurfaceVertexText(const EditContext& context, const MapRecord& map, const SurfaceGrid& grid, int row,
                              int column) {
    if (!grid.Ready() || row < 0 || row >= grid.rows || column < 0 || column >= grid.columns) return std::string();
    std::string text = "Row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1) + "  THROT " +
                       WithUnit(CellText(context, map, {kEditThrot, 0, row}), map.z.unit) + "  RPM " +
                       WithUnit(CellText(context, map, {kEditRpm, row, column}), map.x.unit) + ": " + map.y.name +
                       (map.y.name.empty() ? "" : " ");
    if (!std::isfinite(grid.Value(row, column))) return text + "no value in the file";
    text += WithUnit(CellText(context, map, {kEditData, row, column}), map.y.unit);
    return text;
}
