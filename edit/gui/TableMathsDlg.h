#pragma once
// The value of a table maths operation (set, add, scale): the DATA item's
// name as its unit, and below the field how many cells the value changes,
// the largest change and how many results are held at the item's limits,
// updated as the user types. OK is enabled only for a number; the plan it
// accepted is the one shown.
#include <QDialog>

#include "edit/TableMaths.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CTableMathsDlg : public QDialog {
    Q_OBJECT
public:
    // context and map stay alive while the dialog runs; nothing is written.
    CTableMathsDlg(const EditContext& context, const MapRecord& map, std::vector<CellRef> cells, TableMathsOp op,
                   QWidget* parent = nullptr);
    const TableMathsPlan& Plan() const { return plan_; }

    QLineEdit* valueEdit() const { return value_; }
    QLabel* previewLabel() const { return preview_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The caption and the field's label of an operation.
    static QString Caption(TableMathsOp op);

private:
    void Recompute();

    const EditContext& context_;
    const MapRecord& map_;
    std::vector<CellRef> cells_;
    TableMathsOp op_;
    TableMathsPlan plan_;
    QLineEdit* value_;
    QLabel* preview_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The one-line account of a plan: "12 of 20 cells change, largest change 1.5
// Injection; 2 held at the limits", or why it is refused.
std::string MathsSummary(const TableMathsPlan& plan, const EditContext& context, const MapRecord& map);
