#include "app/gui/OperatingPointDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QComboBox* ItemBox(const std::vector<DiagItem>& items, const AxisSource& source, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItem(operatingpointdlg::kAutomatic);
    for (const DiagItem& item : items)
        box->addItem(item.unit.empty() ? Q(item.name) : Q(item.name + " [" + item.unit + "]"));
    // A name the settings give is shown as its item; the default as "(automatic)".
    const bool named = !source.setName.empty() && source.item >= 0 && static_cast<std::size_t>(source.item) < items.size();
    box->setCurrentIndex(named ? source.item + 1 : 0);
    return box;
}

}  // namespace

COperatingPointDlg::COperatingPointDlg(const std::vector<DiagItem>& items, const OperatingPoint& point,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName("operatingPointDlg");
    setWindowTitle(operatingpointdlg::kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("The monitor items that place the engine on the maps:", this));
    auto* form = new QFormLayout;
    rpm_ = ItemBox(items, point.rpm, this);
    rpm_->setObjectName("rpmItem");
    throt_ = ItemBox(items, point.throt, this);
    throt_->setObjectName("throtItem");
    form->addRow("&RPM:", rpm_);
    form->addRow("&THROT:", throt_);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

int COperatingPointDlg::RpmItem() const { return rpm_->currentIndex() - 1; }
int COperatingPointDlg::ThrotItem() const { return throt_->currentIndex() - 1; }
