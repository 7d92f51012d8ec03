#pragma once
// "About ToolBox": the legend of the dialog bar, each tool button's picture
// beside its name, in the order of the bar. OK and Close end it.
#include <QDialog>

class QLabel;
class QPushButton;

// The tool buttons and the names the legend gives them, in bar order.
struct ToolBoxEntry {
    int command;
    const char* name;
};
extern const ToolBoxEntry kToolBoxLegend[11];

class CToolBoxDlg : public QDialog {
    Q_OBJECT
public:
    explicit CToolBoxDlg(QWidget* parent = nullptr);
    // The icon and the name label of legend entry i.
    QLabel* iconLabel(int i) const { return icons_[i]; }
    QLabel* nameLabel(int i) const { return names_[i]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* closeButton() const { return close_; }

private:
    QLabel* icons_[11];
    QLabel* names_[11];
    QPushButton* ok_;
    QPushButton* close_;
};
