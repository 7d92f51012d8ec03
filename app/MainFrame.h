#pragma once
// The main frame: the MDI window that holds the calibration's windows.
#include <QMainWindow>

class CQelApp;
class QLabel;
class QMdiArea;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CQelApp& app, QWidget* parent = nullptr);

    // The dialog bar's machine name (control 1206).
    void SetMachineName(const QString& name);
    QString MachineName() const;
    QMdiArea* mdiArea() const { return mdi_; }

private:
    CQelApp& app_;
    QMdiArea* mdi_;
    QLabel* machineLabel_;
};
