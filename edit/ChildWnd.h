#pragma once
// The window a view shows: the map window (kind 1), the HEX window (kind 2)
// or the table window (kind 3). The view and the main frame talk to it only
// through this interface, so the windows need no knowledge of menus.
#include <QWidget>

class CQelApp;
class UserPrompt;

enum : int { kWindowMap = 1, kWindowHex = 2, kWindowTable = 3 };

// What a child window asks of the document and the main frame around it.
struct ViewServices {
    virtual ~ViewServices() = default;
    // Every other view whose window kind differs from exceptKind redraws;
    // the dialog bar is refreshed first.
    virtual void RefreshViews(int exceptKind) = 0;
    virtual void RefreshDialogBar() = 0;
    // The caption of the child frame ("TABLE - Fuel", ...).
    virtual void SetCaption(const QString& caption) = 0;
};

class CChildWnd : public QWidget {
public:
    CChildWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent)
        : QWidget(parent), app_(app), prompt_(prompt), services_(services) {}

    virtual int Kind() const = 0;
    // The current map changed (ShowMap): start over on it.
    virtual void ResetForMap() = 0;
    // The image changed elsewhere: repaint from it.
    virtual void RefreshFromImage() { update(); }
    // RefreshAll: bring the window up to date (the table places its editor again).
    virtual void UpdateWindow() { update(); }
    // A key command code forwarded by the main frame or the view.
    virtual void KeyCommand(int /*code*/) {}
    // Edit commands of the main frame, for the active view's window.
    virtual void Copy() {}
    virtual void Cut() {}
    virtual void Paste() {}
    virtual void UndoEdit() {}

protected:
    CQelApp& app_;
    UserPrompt& prompt_;
    ViewServices& services_;
};
