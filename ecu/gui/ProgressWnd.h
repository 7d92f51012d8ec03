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
    // The step of a safe write ("Backup", "Write", "Verify") shown above the
    // title; "" hides it.
    void SetPhase(const std::string& phase);
    QString PhaseText() const;

    QString TitleText() const;
    QString ProgressText() const;
    // Operations shown so far, for the tests.
    int ShowCount() const { return showCount_; }

private:
    QLabel* phase_;
    QLabel* title_;
    QLabel* progress_;
    int showCount_ = 0;
};
