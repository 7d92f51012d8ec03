#pragma once
// The 3D window (kind 4): the current map's DATA as a surface over its RPM
// and THROT axes, spaced by axis value, its faces shaded by the colour
// scale (with the legend on the right) and drawn as a wireframe, the edit
// cursor's cell marked, the live operating point laid on it while the
// tuning loop runs, and the compared map as a second, red wireframe while a
// compare is open. The geometry is edit/SurfaceProjection's; this window
// only paints it and turns the view.
//
// Keys: Left and Right turn, Up and Down tilt, + and - zoom, Home resets
// the view; dragging with the left button turns and tilts, the wheel
// zooms. The vertex under the mouse is told in a tooltip and the status
// line.
#include <QPoint>
#include <QString>
#include <vector>

#include "edit/SurfaceProjection.h"
#include "edit/gui/ChildWnd.h"

class QLabel;
class QPainter;

class CMap3DWnd : public CChildWnd {
public:
    CMap3DWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent = nullptr);

    int Kind() const override { return kWindowSurface; }
    void ResetForMap() override;
    void OperatingChanged(const LiveMarks& before) override;

    // "3D - " and the map's name as the map link shows it.
    QString Caption() const;
    SurfaceView& View() { return view_; }
    // The box's viewport: the window less the legend and the status line.
    SurfaceViewport PlotViewport() const;
    // The map's vertices as the last paint placed them, row by row.
    const std::vector<ScreenPoint>& Vertices() const { return points_; }
    QLabel* statusLine() const { return statusLine_; }
    // The vertex the mouse last pointed at, -1 for none.
    int HoverVertex() const { return hover_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    MapRecord* Map() const { return app_.currentMap; }
    EditContext Context() const { return services_.MakeEditContext(app_); }
    // The compared calibration's map of the same name and shape, read; not
    // ready when there is no compare or no such map.
    SurfaceGrid ComparedGrid(const MapRecord& map) const;
    void ViewChanged();
    void UpdateHover(const QPoint& position);
    void UpdateStatusLine();

    void PaintFloor(QPainter& painter, const SurfaceProjector& projector, const SurfaceBox& box,
                    const EditContext& context, const MapRecord& map);
    void PaintSurface(QPainter& painter, const SurfaceGrid& grid, const ScaleRange& shade);
    // Every edge between two vertices with values; onlyWithoutFace: only
    // those no face carries.
    void PaintWireframe(QPainter& painter, const SurfaceGrid& grid, const std::vector<ScreenPoint>& points,
                        bool onlyWithoutFace);
    void PaintCursor(QPainter& painter, const SurfaceGrid& grid, const MapRecord& map);
    void PaintLive(QPainter& painter, const SurfaceGrid& grid, const SurfaceProjector& projector,
                   const MapRecord& map);
    void PaintLegend(QPainter& painter, const ScaleRange& shade, const EditContext& context, const MapRecord& map);

    SurfaceView view_;
    SurfaceGrid grid_;                  // as the last paint read it
    std::vector<ScreenPoint> points_;
    int hover_ = -1;
    bool dragging_ = false;
    QPoint dragFrom_;
    QLabel* statusLine_;
};
