#pragma once
// The About dialog ("Version"): the product name with the program's file
// name stem, the version and the copyright line.
#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QLabel* nameText() const { return name_; }
    QLabel* versionText() const { return version_; }
    QLabel* copyrightText() const { return copyright_; }

private:
    QLabel* name_;
    QLabel* version_;
    QLabel* copyright_;
};
