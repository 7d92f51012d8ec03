#pragma once
// The child windows of the open calibration in the main frame's MDI area:
// the document they show, a window of a kind opened on the current map, the
// windows the Menu dialog's choice and a compare row open, the tiling, the
// focus swap with the dialog bar, and the end of them all.
#include <memory>
#include <string>
#include <vector>

class CChildWnd;
class CDialogBar;
class CQelApp;
class CQelDoc;
class CQelView;
class MapSelectionController;
class QMdiArea;
struct DocumentFrame;
struct UserPrompt;

// What the child windows ask of the frame around them.
struct FrameWindowsHost {
    virtual ~FrameWindowsHost() = default;
    // The first window of a calibration opened: the document's menus go up.
    virtual void DocumentOpened() = 0;
    // The user closed the last window; the calibration stays loaded.
    virtual void LastWindowClosed() = 0;
    virtual void UpdateCommandUi() = 0;
};

class FrameWindows {
public:
    // frame: what the document asks of the frame (the dialog bar, the
    // caption, the writes to the ECU).
    FrameWindows(CQelApp& app, UserPrompt& prompt, DocumentFrame& frame, FrameWindowsHost& host, QMdiArea& mdi,
                 CDialogBar& bar, MapSelectionController& selection);
    ~FrameWindows();

    CQelDoc* Document() const { return doc_.get(); }
    bool HasDocumentWindow() const;
    CQelView* ActiveView() const;
    CChildWnd* ActiveChild() const;
    std::vector<CQelView*> Views() const;
    // Ends a drag running in any window; true when one ran.
    bool EndDrags();
    void RefreshViews();

    // A new child frame with a view of the kind on the current map; nullptr
    // when the kind has no window or there is no map.
    CQelView* OpenWindow(int kind);
    // The map chosen in the Menu dialog in the map and table windows.
    void ShowChosenMap(int mapIndex, bool fromOpen);
    // The named map in the table window (opened when there is none), the
    // cursor on row and column when given; the table's view, or nullptr.
    CQelView* OpenMapAt(const std::string& name, int row, int column);
    // Tiles the child windows one above the other, each the full width.
    void TileHorizontally();
    // Window > Cascade: each window two thirds of the area (never below a
    // usable size), stepped by a title bar's height.
    void Cascade();
    // Ctrl+F4: the active child window closes as its close button closes it.
    void CloseActive();
    // Ctrl+plus (+1), Ctrl+minus (-1), Ctrl+0 (0): every table window's font
    // and cells a zoom step larger or smaller, kept in the machine's settings.
    void Zoom(int direction);
    int TableZoom() const { return zoom_; }
    // The windows' kinds and places and their map into the machine's
    // settings, when a calibration's windows close.
    void SaveLayout();
    // The saved windows opened on the current map where they were (brought
    // on screen); false when none was saved.
    bool RestoreLayout();
    // The map the saved layout names ("" for none).
    std::string LaidOutMap() const;
    // F5: the keyboard from the active window to the map selector and back.
    void FocusSwap();
    // Every window closes and the document ends; the calibration stays.
    void CloseDocument();
    // The same at the end of the frame, which then tells nobody.
    void End();

private:
    void DeleteDocumentWindows();   // every window of the document, the closed ones too
    void ChildFrameClosed();

    CQelApp& app_;
    UserPrompt& prompt_;
    DocumentFrame& frame_;
    FrameWindowsHost& host_;
    QMdiArea& mdi_;
    CDialogBar& bar_;
    MapSelectionController& selection_;
    std::unique_ptr<CQelDoc> doc_;
    bool closingDocument_ = false;
    int zoom_ = 100;
};
