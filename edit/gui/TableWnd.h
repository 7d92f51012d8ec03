#pragma once
// The table window (kind 3): the current map as a table of physical values.
// The header part holds the THROT column on the left and the RPM row along
// the top; the DATA grid fills the rest and scrolls, the header following.
// Two in-place editors lie over the cursor cell: the axis editor in the
// header and the grid editor in the grid.
#include <QAbstractScrollArea>
#include <QFont>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "edit/CalibrationCompare.h"
#include "edit/gui/ChildWnd.h"
#include "edit/TableModel.h"

class QLabel;
class QLineEdit;
class CScaleLegend;
class CTableWnd;

// A click on an in-place editor that shows its cell's value (nothing typed
// yet) selects the whole text, so that what the user types replaces it; the
// caret is placed only in text the user is typing. swallowing carries the
// click from its press to its release. true when the event was taken.
bool SelectOnClick(QLineEdit* editor, QEvent* event, bool& swallowing);

// A cell's text as the table shows it; the cell the map window is dragging
// shows the moving value, which the image receives only when the drag is
// committed.
QString ShownCellText(const EditContext& context, const MapRecord& map, const TableCell& cell);

// The DATA grid: paints and takes the mouse for the table window.
class CTableGrid : public QAbstractScrollArea {
public:
    explicit CTableGrid(CTableWnd& owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;   // the hit tooltip

private:
    CTableWnd& owner_;
};

class CTableWnd : public CChildWnd {
public:
    CTableWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent);

    int Kind() const override { return kWindowTable; }
    void ResetForMap() override;
    void RefreshFromImage() override;
    void UpdateWindow() override;
    void KeyCommand(int code) override;
    void Copy() override;
    void Cut() override;
    void Paste() override;
    bool HasSelection() const override;
    bool CellEditing() const override;
    bool EditPending() const override;
    void OperatingChanged(const LiveMarks& before) override;
    void HitsChanged() override;

    QLineEdit* gridEditor() const { return gridEditor_; }
    QLineEdit* axisEditor() const { return axisEditor_; }
    CTableGrid* grid() const { return grid_; }
    int cellWidth() const { return cellWidth_; }
    int cellHeight() const { return cellHeight_; }
    // The font and cells at percent of the machine's table sizes (Ctrl+plus
    // and Ctrl+minus in the frame); never below 8-pixel cells and 6-pixel text.
    void SetZoom(int percent);
    int fontPixelSize() const { return font_.pixelSize(); }
    int firstLine() const;
    int firstColumn() const;
    // The centre of a grid cell in the grid's viewport, and of a header cell
    // in the window (for the mouse).
    QPoint GridCellCentre(const TableCell& cell) const;
    QPoint HeaderCellCentre(const TableCell& cell) const;

    // Pending text the user typed into the editor in use, committed.
    void CommitPending();
    // The views repainted from the image after an edit, the editor on the cursor cell.
    void AfterEdit();
    // The status line below the grid: the text of the last operation until
    // the cursor moves; then the cursor cell's value.
    void SetStatusText(const std::string& text);
    QLabel* statusLine() const { return statusLine_; }
    // The legend of the colour scale beside the status line; hidden while
    // the cells are not shaded.
    CScaleLegend* legend() const { return legend_; }
    // The text of the corner above the THROT column: the DATA unit.
    QString CornerText() const;
    // The cells the last paint marked as differing from the compared
    // calibration, the header's first, then the grid's (only those in view).
    std::vector<TableCell> MarkedCells() const;
    // The DATA cells the last paint marked as around the operating point,
    // the nearest first (OperatingMarks.cpp).
    const std::vector<TableCell>& LiveCells() const { return liveCells_; }
    // The seconds of the recorded ride around the DATA cell under a point of
    // the grid; empty where no hits are laid over the map.
    QString HitToolTip(const QPoint& position) const;

    // Used by the grid.
    void PaintGrid(QPainter& painter, const QRect& area);
    void GridPressed(const QPoint& position, Qt::KeyboardModifiers modifiers);
    void GridScrolled();
    void UpdateScrollRanges();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MapRecord* Map() const;
    TableShape Shape() const;
    EditContext Context();
    void UpdateCaption();
    // The editor over the cursor cell, the view scrolled to it.
    void PlaceEditor();
    void EnterPressed(bool shift);
    void MoveCursor(int code, bool extend);
    void StepCursor(bool up);
    void WriteSelectionToEcu();
    void ClearSelectionAndRepaint();
    // The cursor cell's line of the status line, with the compared value
    // while a compare is open.
    void UpdateStatusLine();
    // The differing cells of the map against the compared calibration.
    CompareMarks Marks() const;
    // The marks of differing cells over their boxes.
    void PaintCompareMarks(QPainter& painter, const std::vector<QRect>& boxes);
    // The tuning loop's marks (OperatingMarks.cpp): a DATA cell's background
    // by its hit seconds (false where no hits are laid over the map), the
    // frames of the operating point, the cursor cell's seconds for the
    // status line.
    bool HitBackground(const TableCell& cell, QColor& background) const;
    void PaintLiveMarks(QPainter& painter);
    // The selection's edge: a dark line with a light one inside along the
    // outer sides of the selected cells in view (all: every selected cell,
    // row and column), in TableWndPaint.cpp; the tint is the cells' own.
    void PaintSelectionEdges(QPainter& painter, const std::vector<TableCell>& selected,
                             const std::set<std::pair<int, int>>& all);
    // The colour scale's range for the map and the legend shown for it.
    void UpdateLegend();
    QRect GridBox(int row, int column) const;
    std::string HitStatusText(const MapRecord& map, int row, int column) const;

    int cellWidth_;
    int cellHeight_;
    QFont font_;
    CTableGrid* grid_;
    QLineEdit* axisEditor_;
    QLineEdit* gridEditor_;
    QLabel* statusLine_;
    CScaleLegend* legend_;
    std::string statusText_;   // an operation's account, shown until the cursor moves
    bool swallowingClick_ = false;
    std::vector<TableCell> headerMarks_;   // painted compare marks
    std::vector<TableCell> gridMarks_;
    std::vector<TableCell> liveCells_;     // painted operating point frames
};
