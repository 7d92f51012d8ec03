#include "edit/SurfaceProjection.h"

#include <cmath>

#include "edit/CellAccess.h"
#include "tests/edit/EditFixture.h"

namespace {

// The fixture's map: THROT 10, 20, 30 (x); RPM 1000, 1500, 2000, 2500 (x*50);
// DATA 0, 1, ... 11 (x*0.5 of 0, 2, ... 22), row by row.
struct SurfaceProjectionTest : EditFixture {
    // Straight down (pitch 90, yaw 0) on a 200 x 200 viewport: across is
    // RPM, up the screen is THROT, and the DATA height does not show.
    static constexpr double kCentre = 100.0;
    const double scale = 200.0 / (2.0 * std::sqrt(0.5 + kSurfaceHeight * kSurfaceHeight / 4.0));

    SurfaceGrid Grid() { return ReadSurfaceGrid(context, map); }
    static SurfaceProjector Projector(const SurfaceGrid& grid, double yaw, double pitch) {
        SurfaceView view;
        view.yawDegrees = yaw;
        view.pitchDegrees = pitch;
        return SurfaceProjector(SurfaceBoxOf(grid), view, {0, 0, 200, 200});
    }
    void SetRpm(std::vector<std::uint8_t> raw) {
        for (std::size_t i = 0; i < raw.size(); ++i) image[map.x.start + i] = raw[i];
    }
};

TEST_F(SurfaceProjectionTest, VerticesSitWhereTheirAxisValuesPutThem) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> rpm;     // raw RPM bytes (x 50)
        std::vector<double> expectedX;     // the box's x of each column: -0.5 at the lowest RPM
    };
    const Case cases[] = {
        {"even", {20, 30, 40, 50}, {-0.5, -1.0 / 6, 1.0 / 6, 0.5}},
        {"uneven: spaced by value, not by index", {20, 22, 24, 50}, {-0.5, -0.5 + 2.0 / 30, -0.5 + 4.0 / 30, 0.5}},
        {"falling", {50, 40, 30, 20}, {0.5, 1.0 / 6, -1.0 / 6, -0.5}},
        {"equal neighbours share a place", {20, 30, 30, 50}, {-0.5, -0.5 + 1.0 / 3, -0.5 + 1.0 / 3, 0.5}},
        {"all equal: the middle", {30, 30, 30, 30}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRpm(c.rpm);
        const SurfaceGrid grid = Grid();
        ASSERT_TRUE(grid.Ready());
        const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 90));
        ASSERT_EQ(points.size(), 12u);
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                const ScreenPoint& p = points[static_cast<std::size_t>(row * 4 + column)];
                ASSERT_TRUE(p.valid);
                EXPECT_NEAR(p.x, kCentre + scale * c.expectedX[column], 1e-6) << row << "," << column;
                // THROT 10, 20, 30: the first row nearest the eye, at the foot.
                EXPECT_NEAR(p.y, kCentre - scale * (row * 0.5 - 0.5), 1e-6) << row << "," << column;
            }
        }
    }
}

TEST_F(SurfaceProjectionTest, AFallingThrotAxisTurnsTheRowsAround) {
    image[map.z.start] = 30;
    image[map.z.start + 2] = 10;
    const SurfaceGrid grid = Grid();
    const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 90));
    EXPECT_NEAR(points[0].y, kCentre - scale * 0.5, 1e-6);   // THROT 30 at the far edge
    EXPECT_NEAR(points[8].y, kCentre + scale * 0.5, 1e-6);
}

TEST_F(SurfaceProjectionTest, FromTheSideHeightIsTheValueAndTurningSwapsTheAxes) {
    const SurfaceGrid grid = Grid();   // DATA 0 .. 11
    // Pitch 0: the screen's height is the value, the lowest at the box's foot.
    std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 0));
    EXPECT_NEAR(points[0].y, kCentre + scale * kSurfaceHeight / 2, 1e-6);
    EXPECT_NEAR(points[11].y, kCentre - scale * kSurfaceHeight / 2, 1e-6);
    EXPECT_NEAR(points[5].y, kCentre - scale * kSurfaceHeight * (5.0 / 11 - 0.5), 1e-6);
    // A quarter turn from above: THROT runs across the screen, RPM up it.
    points = ProjectGrid(grid, Projector(grid, 90, 90));
    EXPECT_NEAR(points[0].x, kCentre + scale * 0.5, 1e-6);    // THROT 10: -0.5 turned to +x
    EXPECT_NEAR(points[0].y, kCentre + scale * 0.5, 1e-6);    // RPM 1000 at the foot
    EXPECT_NEAR(points[11].y, kCentre - scale * 0.5, 1e-6);
}

TEST_F(SurfaceProjectionTest, CellsOutsideTheDataHaveNoVertexAndTouchNoFace) {
    DataSpan kept;   // the file holds DATA up to row 1, column 1 (the fifth cell)
    kept.start = map.base;
    kept.end = static_cast<std::uint16_t>(DataCellAddress(map, 1, 2));
    context.keptData = kept;
    const SurfaceGrid grid = Grid();
    ASSERT_TRUE(grid.Ready());
    EXPECT_TRUE(std::isfinite(grid.Value(1, 1)));
    EXPECT_TRUE(std::isnan(grid.Value(1, 2)));   // its zero is no value, not 0
    const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, -30, 30));
    EXPECT_FALSE(points[6].valid);
    EXPECT_TRUE(points[5].valid);
    const std::vector<SurfaceFace> faces = FacesBackToFront(grid, points);
    ASSERT_EQ(faces.size(), 1u);   // only the cell of rows 0-1, columns 0-1 has four values
    EXPECT_EQ(faces[0].row, 0);
    EXPECT_EQ(faces[0].column, 0);
    EXPECT_NEAR(faces[0].value, (0 + 1 + 4 + 5) / 4.0, 1e-9);
    // The range shades by the values there are.
    EXPECT_DOUBLE_EQ(SurfaceBoxOf(grid).data.high, 5.0);
    // An axis byte outside the data leaves nothing to place the surface by.
    kept.start = static_cast<std::uint16_t>(map.x.start + 1);
    context.keptData = kept;
    EXPECT_EQ(Grid().status, AxesStatus::kNotInData);
    EXPECT_TRUE(ProjectGrid(Grid(), Projector(Grid(), 0, 90)).empty());
}

TEST_F(SurfaceProjectionTest, FacesComeFarthestFirst) {
    const SurfaceGrid grid = Grid();
    // Seen from the low-throttle side, the high rows are the far ones.
    const std::vector<SurfaceFace> faces = FacesBackToFront(grid, ProjectGrid(grid, Projector(grid, 0, 30)));
    ASSERT_EQ(faces.size(), 6u);
    for (std::size_t i = 1; i < faces.size(); ++i) EXPECT_GE(faces[i - 1].depth, faces[i].depth);
    EXPECT_EQ(faces.front().row, 1);
    EXPECT_EQ(faces.back().row, 0);
    // Turned half round, the order turns too.
    const std::vector<SurfaceFace> turned = FacesBackToFront(grid, ProjectGrid(grid, Projector(grid, 180, 30)));
    EXPECT_EQ(turned.front().row, 0);
}

TEST_F(SurfaceProjectionTest, AMapOfOneRowHasVerticesButNoFaces) {
    map.z.count = 1;
    map.y.count = 4;
    const SurfaceGrid grid = Grid();
    ASSERT_TRUE(grid.Ready());
    const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 90));
    ASSERT_EQ(points.size(), 4u);
    EXPECT_NEAR(points[0].y, kCentre, 1e-6);   // one THROT value: the middle
    EXPECT_TRUE(FacesBackToFront(grid, points).empty());
}

TEST_F(SurfaceProjectionTest, AnRpmLinePerRowPlacesEachRowByItsOwnBreakpoints) {
    MakeFreeMap(kMapRpmPerRow);   // every row 1000 .. 2500
    image[map.x.start + 4] = 40;   // row 1: 2000, 2500, 2000, 2500 ... made uneven
    image[map.x.start + 5] = 44;
    const SurfaceGrid grid = Grid();
    ASSERT_EQ(grid.axes.rpm.size(), 3u);
    const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 90));
    EXPECT_NEAR(points[4].x, kCentre + scale * (2000.0 - 1000) / 1500 - scale * 0.5, 1e-6);
    EXPECT_NEAR(points[5].x, kCentre + scale * ((2200.0 - 1000) / 1500 - 0.5), 1e-6);
    EXPECT_NEAR(points[1].x, kCentre + scale * ((1500.0 - 1000) / 1500 - 0.5), 1e-6);
}

TEST_F(SurfaceProjectionTest, TheVertexUnderTheMouse) {
    const SurfaceGrid grid = Grid();
    const std::vector<ScreenPoint> points = ProjectGrid(grid, Projector(grid, 0, 90));
    EXPECT_EQ(VertexAt(points, points[6].x + 2, points[6].y - 2, 5), 6);
    EXPECT_EQ(VertexAt(points, points[6].x + 6, points[6].y, 5), -1);
    // From the side the columns of one RPM stand one above the other in
    // depth; the one nearest the eye is taken.
    const std::vector<ScreenPoint> side = ProjectGrid(grid, Projector(grid, 0, 0));
    std::vector<ScreenPoint> level = side;
    for (ScreenPoint& p : level) p.y = kCentre;
    EXPECT_EQ(VertexAt(level, level[1].x, kCentre, 3), 1);   // row 0 is nearest
}

TEST_F(SurfaceProjectionTest, TheOperatingPointBetweenVertices) {
    const SurfaceGrid grid = Grid();
    float rpm = 0, throt = 0;
    double value = 0;
    ASSERT_TRUE(SurfacePointAt(grid, 0.5f, 1.25f, rpm, throt, value));
    EXPECT_NEAR(rpm, 1625.0f, 1e-3);
    EXPECT_NEAR(throt, 15.0f, 1e-4);
    EXPECT_NEAR(value, (1.25 + 5.25) / 2, 1e-6);
    ASSERT_TRUE(SurfacePointAt(grid, 5.0f, -1.0f, rpm, throt, value));   // held at the edge
    EXPECT_NEAR(value, 8.0, 1e-9);
    // A vertex without a value takes the point's value with it.
    DataSpan kept;
    kept.start = map.base;
    kept.end = static_cast<std::uint16_t>(DataCellAddress(map, 1, 2));
    context.keptData = kept;
    EXPECT_FALSE(SurfacePointAt(Grid(), 0.5f, 1.5f, rpm, throt, value));
    EXPECT_TRUE(SurfacePointAt(Grid(), 1.0f, 1.0f, rpm, throt, value));   // on a vertex that has one
}

TEST(SurfaceViewTest, TurnsWrapTiltsAndZoomsStopAtTheirEnds) {
    SurfaceView view;
    view.Rotate(200);   // -30 + 200 = 170
    EXPECT_DOUBLE_EQ(view.yawDegrees, 170);
    view.Rotate(20);
    EXPECT_DOUBLE_EQ(view.yawDegrees, -170);
    view.Tilt(100);
    EXPECT_DOUBLE_EQ(view.pitchDegrees, SurfaceView::kMaxPitch);
    view.Tilt(-500);
    EXPECT_DOUBLE_EQ(view.pitchDegrees, SurfaceView::kMinPitch);
    view.ZoomBy(100);
    EXPECT_DOUBLE_EQ(view.zoom, SurfaceView::kMaxZoom);
    view.ZoomBy(0);
    view.ZoomBy(-2);
    view.ZoomBy(std::nan(""));
    EXPECT_DOUBLE_EQ(view.zoom, SurfaceView::kMaxZoom);
    view.Reset();
    EXPECT_DOUBLE_EQ(view.yawDegrees, SurfaceView::kDefaultYaw);
    EXPECT_DOUBLE_EQ(view.zoom, 1.0);
}

TEST_F(SurfaceProjectionTest, TheHoverTextNamesRowColumnAndValueWithItsUnit) {
    map.y.name = "Injection";
    map.y.unit = "ms";
    map.x.unit = "rpm";
    const SurfaceGrid grid = Grid();
    EXPECT_EQ(SurfaceVertexText(context, map, grid, 1, 2),
              "Row 2, column 3  THROT 20.0  RPM 2000.0 rpm: Injection 6.0 ms");
    EXPECT_EQ(SurfaceVertexText(context, map, grid, 3, 0), "");
}

}  // namespace
