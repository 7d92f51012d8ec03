#pragma once
// The frame of a document window: one view inside the main frame's MDI area.
#include <QMdiSubWindow>
#include <functional>

class CQelDoc;
class CQelView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 200;
    static constexpr int kMinimumHeight = 120;

    CChildFrame(CQelDoc& doc, CQelView* view, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CQelView* View() const { return view_; }
    // Called once the frame and its view are gone.
    std::function<void()> onClosed;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void Activated();

    CQelDoc& doc_;
    CQelView* view_;
};
