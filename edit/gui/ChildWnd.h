#pragma once
// The window a view shows: the map window (kind 1), the HEX window (kind 2)
// or the table window (kind 3). The view and the main frame talk to it only
// through this interface, so the windows need no knowledge of menus.
#include <QWidget>
#include <cstdint>
#include <vector>

#include "app/QelApp.h"
#include "ecu/EcuSession.h"
#include "edit/EditContext.h"
#include "edit/WindowKinds.h"

class UserPrompt;
struct LiveMarks;


// What a child window asks of the document and the main frame around it.
struct ViewServices {
    virtual ~ViewServices() = default;
    // Every other view whose window kind differs from exceptKind redraws;
    // the dialog bar is refreshed first.
    virtual void RefreshViews(int exceptKind) = 0;
    virtual void RefreshDialogBar() = 0;
    // The caption of the child frame ("TABLE - Fuel", ...).
    virtual void SetCaption(const QString& caption) = 0;
    // The second refresh variant: the cursor is about to move; every view
    // whose kind differs from exceptKind is told first (PrepareRefresh).
    virtual void PrepareViews(int /*exceptKind*/) {}
    // The context of a cell edit: the application's image and flags, the
    // map link and the dialog bar's Line list. Build one per command.
    virtual EditContext MakeEditContext(CQelApp& app) { return AppEditContext(app); }
    // The Line list entry of THROT row column shows text.
    virtual void UpdateLineEntry(int /*column*/, const QString& /*text*/) {}
    // The all-lines flag of the current map (the dialog bar's "&ALL").
    virtual bool AllLines() const { return false; }
    // Writes the bytes to the ECU with the single-address write, opening the
    // port for the time of the writes when it is closed. 0, or the code of
    // the failure (its message has been shown); -1 without a serial link.
    virtual int WriteToEcu(const std::vector<EcuByteWrite>& /*bytes*/) { return -1; }
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
    // The second refresh variant: the cursor is about to move elsewhere.
    virtual void PrepareRefresh() {}
    // A key command code forwarded by the main frame or the view.
    virtual void KeyCommand(int /*code*/) {}
    // Shift+Enter passed on by the view: the single-value ECU write.
    virtual void SingleWriteCommand() {}
    // Edit commands of the main frame, for the active view's window.
    virtual void Copy() {}
    virtual void Cut() {}
    virtual void Paste() {}
    virtual void UndoEdit() {}
    // The Clipboard rule asks: a selection of two different corners, or a
    // cell editor in use.
    virtual bool HasSelection() const { return false; }
    virtual bool CellEditing() const { return false; }
    // The editor holds text the user typed and nobody committed yet.
    virtual bool EditPending() const { return false; }
    // A drag with the mouse button still down ends without writing, as the
    // right button ends it: a command that moves the cursor, switches the
    // map or the line, or changes the undo list must not find one running.
    // true when a drag was running.
    virtual bool CancelDrag() { return false; }
    // The tuning loop's marks (app_.operating): the live marks moved from
    // before to where they are now; the hits laid over the maps changed.
    virtual void OperatingChanged(const LiveMarks& /*before*/) {}
    virtual void HitsChanged() { update(); }

protected:
    CQelApp& app_;
    UserPrompt& prompt_;
    ViewServices& services_;
};
