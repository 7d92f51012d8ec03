#pragma once
// The Differences list of a compare: one row per map that differs (its
// differing cells and the largest difference), then per constant, then per
// byte range outside every map and constant. The list stays open beside the
// windows: choosing a map row (double click, Enter or Open) opens that map,
// and Copy from compare takes the chosen map or constant from the compared
// calibration. The frame fills the rows and carries the choices out.
#include <QDialog>
#include <functional>
#include <vector>

#include "edit/CalibrationCompare.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class CDifferencesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDifferencesDlg(QWidget* parent = nullptr);

    // The rows and the line above them; the chosen row stays chosen when a
    // row of the same kind and name is still there.
    void SetRows(std::vector<DifferenceRow> rows, const QString& heading);
    const std::vector<DifferenceRow>& Rows() const { return rows_; }
    // The chosen row, or nullptr.
    const DifferenceRow* Chosen() const;

    QTreeWidget* list() const { return list_; }
    QLabel* heading() const { return heading_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* closeButton() const { return close_; }

    std::function<void(const DifferenceRow&)> openMap;
    std::function<void(const DifferenceRow&)> copyRow;
    // Whether the row may be copied now (a constant needs a map shown to
    // hold its undo step); map and constant rows only when unset.
    std::function<bool(const DifferenceRow&)> canCopy;

    // The buttons follow the chosen row and the frame's state.
    void UpdateButtons();

    static QString KindText(DifferenceKind kind);

private:
    void Activate();

    std::vector<DifferenceRow> rows_;
    QLabel* heading_;
    QTreeWidget* list_;
    QPushButton* open_;
    QPushButton* copy_;
    QPushButton* close_;
};
