#pragma once
// A map's DATA as a surface over its two axes, for the 3D window: the grid
// of physical values read once, placed in a unit box by axis value (not by
// index: uneven breakpoints stay uneven, a falling axis runs the other way),
// turned (yaw), tilted (pitch), zoomed and laid onto a viewport of the
// screen; the faces in the order a painter must fill them, and the vertex
// under the mouse.
//
// Box coordinates: RPM along x and THROT along y, each -0.5 .. 0.5 between
// the axis's lowest and highest value; DATA up along z,
// -kSurfaceHeight/2 .. kSurfaceHeight/2 over the data range. An axis or a
// data range of a single value sits in the middle. The projection is
// orthographic: the picture does not depend on a distance to the eye.
#include <cstddef>
#include <string>
#include <vector>

#include "edit/ColourScale.h"
#include "edit/EditContext.h"
#include "edit/OperatingCells.h"
#include "model/MapRecord.h"

// The box's height against its width and depth.
constexpr double kSurfaceHeight = 0.6;

struct SurfaceGrid {
    AxesStatus status = AxesStatus::kEmptyMap;   // the axes as ReadOperatingAxes found them
    int rows = 0;                                // THROT rows
    int columns = 0;                             // RPM columns
    OperatingAxes axes;
    // Physical DATA values, row by row. NaN where there is no value: a cell
    // the file does not hold (its zero is no value) or one whose equation
    // failed. Such a vertex is not drawn, nor any face or edge touching it.
    std::vector<double> data;

    bool Ready() const { return status == AxesStatus::kReady; }
    double Value(int row, int column) const { return data[static_cast<std::size_t>(row * columns + column)]; }
    float Rpm(int row, int column) const { return axes.RpmOfRow(static_cast<std::size_t>(row))[static_cast<std::size_t>(column)]; }
    float Throt(int row) const { return axes.throt[static_cast<std::size_t>(row)]; }
};

// The map as the table window shows it: axis values through
// ReadOperatingAxes, DATA through the Y item's equation.
SurfaceGrid ReadSurfaceGrid(const EditContext& context, const MapRecord& map);

// The values the box spans: each axis from its lowest to its highest value
// (over every RPM line of a map with one per row), the DATA range of the
// finite values.
struct SurfaceBox {
    float rpmLow = 0.0f;
    float rpmHigh = 0.0f;
    float throtLow = 0.0f;
    float throtHigh = 0.0f;
    ScaleRange data;
};

SurfaceBox SurfaceBoxOf(const SurfaceGrid& grid);
// Widens box to hold grid too (a compared map drawn in the same box).
void IncludeInBox(SurfaceBox& box, const SurfaceGrid& grid);

// How the box is seen. Yaw turns it about the vertical, pitch is the eye's
// height: 0 looks from the side, 90 straight down.
struct SurfaceView {
    static constexpr double kDefaultYaw = -30.0;
    static constexpr double kDefaultPitch = 30.0;
    static constexpr double kMinPitch = -90.0;
    static constexpr double kMaxPitch = 90.0;
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 8.0;

    double yawDegrees = kDefaultYaw;
    double pitchDegrees = kDefaultPitch;
    double zoom = 1.0;   // 1: the whole box fits the viewport at every angle

    void Rotate(double degrees);   // yaw kept in (-180, 180]
    void Tilt(double degrees);     // pitch held between kMinPitch and kMaxPitch
    void ZoomBy(double factor);    // held between kMinZoom and kMaxZoom; a factor <= 0 or NaN is ignored
    void Reset() { *this = SurfaceView{}; }
};

// The part of the screen the box is drawn in, pixels.
struct SurfaceViewport {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
};

struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
    double depth = 0.0;   // larger is farther from the eye
    bool valid = false;   // false: the value was not finite
};

class SurfaceProjector {
public:
    SurfaceProjector(const SurfaceBox& box, const SurfaceView& view, const SurfaceViewport& viewport);

    // A point of the box (x, y, z as above) on the screen.
    ScreenPoint ProjectBox(double x, double y, double z) const;
    // A point given in axis and DATA values; invalid when any is not finite.
    ScreenPoint Project(float rpm, float throt, double value) const;

    double BoxX(float rpm) const;
    double BoxY(float throt) const;
    double BoxZ(double value) const;
    // Pixels per box unit.
    double Scale() const { return scale_; }

private:
    SurfaceBox box_;
    double cosYaw_, sinYaw_, cosPitch_, sinPitch_;
    double centreX_, centreY_, scale_;
};

// Every vertex of the grid on the screen, row by row (invalid where the
// grid has no value).
std::vector<ScreenPoint> ProjectGrid(const SurfaceGrid& grid, const SurfaceProjector& projector);

// A face of the surface: the cell between rows row, row + 1 and columns
// column, column + 1, with the mean of its four values (for its shade) and
// its mean depth.
struct SurfaceFace {
    int row = 0;
    int column = 0;
    double value = 0.0;
    double depth = 0.0;
};

// The faces whose four vertices have values, farthest first, so each one
// painted covers those behind it. None for a map of one row or one column.
std::vector<SurfaceFace> FacesBackToFront(const SurfaceGrid& grid, const std::vector<ScreenPoint>& points);

// The vertex nearest to (x, y) within radius pixels, -1 for none; of two
// at the same distance the nearer to the eye. The index is row * columns + column.
int VertexAt(const std::vector<ScreenPoint>& points, double x, double y, double radius);

// The axis and DATA values at a fractional row and column (as the operating
// point gives them), bilinear between the four vertices around; each held at
// the grid's edge. false when a vertex with a share in it has no value.
bool SurfacePointAt(const SurfaceGrid& grid, float row, float column, float& rpm, float& throt, double& value);


// What hovering a vertex tells: "Row 2, column 5  THROT 25.0  RPM 3000:
// Injection 4.50 ms" (rows and columns counted from 1, values as the table
// window prints them), or "... : no value in the file" for a cell the file
// does not hold.
std::string SurfaceVertexText(const EditContext& context, const MapRecord& map, const SurfaceGrid& grid, int row,
                              int column);
