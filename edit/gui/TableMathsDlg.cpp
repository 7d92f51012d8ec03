#include "edit/gui/TableMathsDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/Equation.h"
#include "model/ValueConversion.h"

std::string MathsSummary(const TableMathsPlan& plan, const EditContext& context, const MapRecord& map) {
    if (plan.result == kMathsNoCells) return "No cell of the table is selected.";
    if (plan.result == kMathsOutsideData) return plan.refusal;
    std::string text = std::to_string(plan.changes.size()) + " of " + std::to_string(plan.cellCount) +
                       " cells change, largest change " + FormatData(plan.largestChange, &map, context.formats) +
                       " " + map.y.name;
    if (plan.limitedCount > 0) text += "; " + std::to_string(plan.limitedCount) + " held at the limits";
    return text;
}

QString CTableMathsDlg::Caption(TableMathsOp op) {
    switch (op) {
        case TableMathsOp::kSet: return "Set to Value";
        case TableMathsOp::kAdd: return "Add Value";
        case TableMathsOp::kScale: return "Scale by Percent";
        case TableMathsOp::kInterpolateRows: return "Interpolate Along Rows";
        case TableMathsOp::kInterpolateColumns: return "Interpolate Along Columns";
        case TableMathsOp::kInterpolateBoth: return "Interpolate Across Both";
        case TableMathsOp::kSmooth: return "Smooth";
    }
    return QString();
}

CTableMathsDlg::CTableMathsDlg(const EditContext& context, const MapRecord& map, std::vector<CellRef> cells,
                               TableMathsOp op, QWidget* parent)
    : QDialog(parent), context_(context), map_(map), cells_(std::move(cells)), op_(op) {
    setObjectName("tableMathsDlg");
    setWindowTitle(Caption(op) + " - " + QString::fromStdString(map.name));
    value_ = new QLineEdit(this);
    value_->setObjectName("mathsValue");
    preview_ = new QLabel(this);
    preview_->setObjectName("mathsPreview");
    ok_ = new QPushButton("OK", this);
    cancel_ = new QPushButton("Cancel", this);
    ok_->setDefault(true);

    const QString unit = QString::fromStdString(map.y.name);
    QString label;
    switch (op) {
        case TableMathsOp::kSet: label = "New value (" + unit + "):"; break;
        case TableMathsOp::kAdd: label = "Add (" + unit + ", negative to subtract):"; break;
        default: label = "Percent of the present value (110 = 10 % more):"; break;
    }
    auto* form = new QFormLayout;
    form->addRow(label, value_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview_);
    layout->addLayout(buttons);

    connect(value_, &QLineEdit::textChanged, this, [this] { Recompute(); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    Recompute();
}

void CTableMathsDlg::Recompute() {
    const std::string text = value_->text().trimmed().toStdString();
    if (!IsNumericInput(text)) {
        plan_ = TableMathsPlan{};
        plan_.result = kMathsBadValue;
        preview_->setText("Type a number.");
        ok_->setEnabled(false);
        return;
    }
    plan_ = PlanTableMaths(context_, map_, cells_, op_, ReadFloat(text));
    preview_->setText(QString::fromStdString(MathsSummary(plan_, context_, map_)));
    ok_->setEnabled(plan_.result == kMathsOk);
}
