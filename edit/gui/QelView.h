#pragma once
// A view: one child window (map, HEX or table) on the current map, inside a
// child frame of the document. It passes the document's notices to its
// window and its window's requests to the document and the main frame.
#include <QWidget>
#include <string>

#include "edit/gui/ChildWnd.h"

class CQelDoc;

class CQelView : public QWidget, public ViewServices {
    Q_OBJECT
public:
    // The view for window kind 1, 2, 3 or 4 on the current map; nullptr for any
    // other kind (or one without a window in this build) and without a map.
    static CQelView* Create(CQelDoc& doc, int kind, QWidget* parent = nullptr);
    ~CQelView() override;

    int Kind() const { return kind_; }
    CChildWnd* ChildWnd() const { return child_; }
    CQelDoc& Document() { return doc_; }

    // The named map becomes the current map and the window starts over on
    // it. 0 (nothing changed) when no map has that name, else 1.
    int ShowMap(const std::string& name);

    // ViewServices
    void RefreshViews(int exceptKind) override;
    void RefreshDialogBar() override;
    void SetCaption(const QString& caption) override;
    void PrepareViews(int exceptKind) override;
    EditContext MakeEditContext(CQelApp& app) override;
    // The same over the document's calibration.
    EditContext MakeEditContext();
    void UpdateLineEntry(int column, const QString& text) override;
    bool AllLines() const override;
    int WriteToEcu(const std::vector<EcuByteWrite>& bytes) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CQelView(CQelDoc& doc, int kind, QWidget* parent);

    CQelDoc& doc_;
    int kind_;
    CChildWnd* child_ = nullptr;
};
