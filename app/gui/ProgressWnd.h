#pragma once
// The small progress window of the ECU operations: the operation's title on
// the first line and a progress text, "Wait..." at first, on the second. It
// is modeless; the operation's waits keep it painted.
#include <QWidget>

#include "ecu/ProgressDisplay.h"

class QLabel;

class CProgressWnd : public QWidget, public ProgressDisplay {
public:
    explicit CProgressWnd(QWidget* owner);

    void Show(const std::string& title) override;
    void SetText(const std::string& text) override;
    void Close() override;

    QString TitleText() const;
    QString ProgressText() const;
    // Operations shown so far, for the tests.
    int ShowCount() const { return showCount_; }

private:
    QLabel* title_;
    QLabel* progress_;
    int showCount_ = 0;
};
