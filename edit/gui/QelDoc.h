#pragma once
// The document: the open calibration as a whole. It holds no calibration
// data (that is the application's); it gives the main window its caption and
// passes change notices to every open view.
#include <QString>
#include <vector>

#include "edit/gui/ChildWnd.h"

class CQelApp;
class CQelView;
class UserPrompt;

// What the document and its views need of the main frame.
struct DocumentFrame {
    virtual ~DocumentFrame() = default;
    // The dialog bar from the current cursor (Line list, Point, Data).
    virtual void RefreshDialogBar() = 0;
    virtual void SetMainCaption(const QString& caption) = 0;
    virtual void UpdateLineEntry(int column, const QString& text) = 0;
    virtual bool AllLines() const = 0;
    virtual int WriteToEcu(const std::vector<EcuByteWrite>& bytes) = 0;
    // A view's frame came to the front.
    virtual void ViewActivated(CQelView* view) = 0;
};

class CQelDoc {
public:
    CQelDoc(CQelApp& app, UserPrompt& prompt, DocumentFrame& frame);
    CQelDoc(const CQelDoc&) = delete;
    CQelDoc& operator=(const CQelDoc&) = delete;

    // The main window's caption: the product name, " - " and the file name.
    void OnOpenDocument();
    // 3001 with OK and Cancel; true means close.
    bool ConfirmClose();

    void AddView(CQelView* view);
    void RemoveView(CQelView* view);
    const std::vector<CQelView*>& Views() const { return views_; }
    bool HasViewOfKind(int kind) const;

    // The dialog bar first, then every view whose window kind differs.
    void RefreshViews(int exceptKind);
    // The second variant: the cursor is about to move.
    void PrepareViews(int exceptKind);
    // The dialog bar, then every view brought up to date and repainted at
    // once; the focus view's frame gets the focus.
    void RefreshAll(CQelView* focus);

    CQelApp& App() { return app_; }
    UserPrompt& Prompt() { return prompt_; }
    DocumentFrame& Frame() { return frame_; }

private:
    CQelApp& app_;
    UserPrompt& prompt_;
    DocumentFrame& frame_;
    std::vector<CQelView*> views_;
};
