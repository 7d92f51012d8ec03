#pragma once
// The graph pane of the map window: the curves of the map's lines over the
// RPM axis, the selection marker, and the mouse. A click picks a point (or a
// breakpoint of a Free Map); a second click on it starts a drag, which
// redraws only the moving segments over a cached picture of everything else;
// releasing the left button writes the value with a Drag undo record, the
// right button cancels. Key commands step the value or move the cursor.
//
// The geometry is the core's (edit/GraphGeometry.h, edit/GraphEditing.h);
// this class draws and carries out what it computes.
#include <QPixmap>
#include <QWidget>
#include <vector>

#include "edit/GraphEditing.h"

class CMapWnd;
struct EditContext;
class QPainter;
struct LiveMarks;

class CMapGraphWnd : public QWidget {
public:
    explicit CMapGraphWnd(CMapWnd& owner);
    // A drag still running when the window goes must not leave the table
    // window and the dialog bar showing its value.
    ~CMapGraphWnd() override;

    // A key command code from the view or the main frame (ignored while a
    // drag runs: the drag owns the cursor cell until the button comes up).
    void KeyCommand(int code);
    // A drag in progress ends without writing (the map is switched away).
    void CancelDrag();

    bool Dragging() const { return dragging_; }
    const GraphDrag& Drag() const { return drag_; }
    // The cached picture of a drag; null while idle.
    const QPixmap& Background() const { return background_; }
    // Paints of the whole graph so far; a drag step paints none.
    int GraphPaintCount() const { return graphPaintCount_; }

    // Line i's colour: a fixed list of 20, line 0 black.
    static QColor LineColour(int line);

    // The operating point moved from before (OperatingMarks.cpp): the strips
    // of the old and new marks are repainted, nothing else.
    void OperatingChanged(const LiveMarks& before);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The whole pane; in background mode without the parts a drag moves.
    void PaintGraph(QPainter& painter, bool background);
    void DrawBreakpoints(QPainter& painter, int line);
    void DrawCurve(QPainter& painter, int line, bool withoutMovingSegments);
    void DrawMarker(QPainter& painter);
    // The RPM line, the dot on the nearest THROT line's curve and the fading trail.
    void DrawLiveMarks(QPainter& painter);

    void LeftButtonDown(int mx, int my);
    void BeginDrag();
    void CommitDrag();
    void EndDrag();
    // A table selection goes when the graph is used.
    void ClearRangeSelection();
    void WriteToEcu(const GraphKeyPlan& plan);
    // The cursor cell lies outside the data the file keeps: the refusal shown, true.
    bool RefusedOutsideData(const EditContext& context, const MapRecord& map);

    CMapWnd& owner_;
    GraphDrag drag_;
    bool dragging_ = false;
    MapRecord* dragMap_ = nullptr;   // the map whose cell is being dragged
    QPixmap background_;
    std::vector<GraphSegment> rubberBand_;
    int graphPaintCount_ = 0;
};
