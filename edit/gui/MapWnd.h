#pragma once
// The map window (window kind 1): the current map as a graph. This window
// paints the light-grey margins with the DATA labels on the left, the RPM
// labels along the bottom and the axis names, owns the raw range and the
// scales, and holds the graph pane (CMapGraphWnd) in the rest of its area.
// A map whose X equation fails on its axis values gets no pane: the message
// is shown when the window is made.
#include "edit/gui/ChildWnd.h"
#include "edit/GraphGeometry.h"

class CMapGraphWnd;
struct EditContext;

class CMapWnd : public CChildWnd {
public:
    CMapWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent = nullptr);
    ~CMapWnd() override;

    int Kind() const override { return kWindowMap; }
    void ResetForMap() override;
    void RefreshFromImage() override;
    void UpdateWindow() override;
    void KeyCommand(int code) override;
    // Shift+Enter: the cursor cell (and its linked cells) to the ECU.
    void SingleWriteCommand() override;
    void UndoEdit() override;
    bool CancelDrag() override;
    void OperatingChanged(const LiveMarks& before) override;

    // The pane; nullptr when the X equation failed.
    CMapGraphWnd* graphPane() const { return pane_; }
    MapRecord* Map() const { return map_; }
    const GraphScales& Scales() const { return scales_; }
    const GraphRawRange& RawRange() const { return range_; }
    // "MAP - " and the map's name as the map link shows it.
    QString Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Escape ends a drag as the right button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class CMapGraphWnd;
    bool FreeMapDefinition() const;
    // Range, pane and scales for the current map.
    void Prepare(bool atCreation);
    void Layout();
    EditContext Context() const;

    MapRecord* map_ = nullptr;
    GraphRawRange range_;
    GraphScales scales_;
    QFont labelFont_;
    CMapGraphWnd* pane_ = nullptr;   // a child: Qt deletes it with the window
};
