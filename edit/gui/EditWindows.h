#pragma once
// What the editing controllers ask of the frame around the document's
// windows: which view is active, a map shown in the table window, and the
// windows and commands brought up to date after a change of the image.
#include <string>

class CQelView;
class QWidget;

struct EditWindows {
    virtual ~EditWindows() = default;
    virtual CQelView* ActiveView() const = 0;
    // The named map in the table window (opened when there is none), the
    // cursor on row and column when given; the table's view, or nullptr.
    virtual CQelView* OpenMapAt(const std::string& name, int row, int column) = 0;
    // Every view of the document redraws from the image.
    virtual void RefreshViews() = 0;
    virtual void UpdateCommandUi() = 0;
    // The frame's keys (Ctrl+Z, Ctrl+Y, F1, ...) also reach it from window,
    // a window of its own beside the frame.
    virtual void ShareFrameKeys(QWidget* window) = 0;
};
