#pragma once
// The "Monitor" window: one row per entry of the monitor's list (name,
// value, unit), thirty at most, and the start/stop button. It is modeless;
// the link timer's poll fills the values in the core, and the window shows
// them. The window ends below its last used row and comes back where the
// user left it for the rest of the run.
#include <QDialog>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class Monitor;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class CMonitorWnd : public QDialog {
    Q_OBJECT
public:
    // mainWindow gets the focus on Enter.
    CMonitorWnd(Monitor& monitor, QWidget* mainWindow);

    // Opening: the rows get the names and units of the monitor's list,
    // empty values, and the window shows (or comes to the front).
    void Open();
    // After the list changed: the rows again, values empty.
    void Rebuild();
    // To the front with the focus on the start/stop button.
    void BringToFront();
    // The values and the button text as the core holds them now. A value
    // the poll no longer renews is shown stale: grey and slanted.
    void Refresh();

    // The window was closed by the user (close box, Escape).
    std::function<void()> onClosed;
    // The Record button was pressed; whether the monitor records now.
    std::function<void()> onRecord;
    std::function<bool()> isRecording;
    // The status line under the rows (where the log goes, how it ended).
    void SetStatus(const std::string& text);

    QPushButton* startButton() const { return start_; }
    QPushButton* recordButton() const { return record_; }
    QLabel* statusLine() const { return status_; }
    QLabel* nameLabel(int row) const { return names_[static_cast<std::size_t>(row)]; }
    QLineEdit* valueBox(int row) const { return values_[static_cast<std::size_t>(row)]; }
    QLabel* unitLabel(int row) const { return units_[static_cast<std::size_t>(row)]; }
    // Rows shown (the entries of the monitor's list).
    int UsedRows() const { return usedRows_; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void OnStartStop();
    void KeepOnScreen();
    void ShowStale(QLineEdit* box, bool stale);
    // The window's key rule; true when the key was taken.
    bool HandleKey(QKeyEvent* event);

    Monitor& monitor_;
    QWidget* mainWindow_;
    std::vector<QLabel*> names_;
    std::vector<QLineEdit*> values_;
    std::vector<QLabel*> units_;
    QPushButton* start_;
    QPushButton* record_;
    QLabel* status_;
    QTimer* refresh_;
    int usedRows_ = 0;
    bool placed_ = false;
    QPoint position_;
};
