#include "edit/gui/DifferencesDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString CDifferencesDlg::KindText(DifferenceKind kind) {
    switch (kind) {
        case DifferenceKind::kMap: return "map";
        case DifferenceKind::kConstant: return "constant";
        case DifferenceKind::kBytes: return "bytes";
    }
    return QString();
}

CDifferencesDlg::CDifferencesDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("differencesDlg");
    setWindowTitle("Differences");
    setModal(false);
    heading_ = new QLabel(this);
    heading_->setObjectName("differencesHeading");
    heading_->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName("differencesList");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({"Kind", "Name", "Differs", "Largest difference", "Edited", "Compared"});
    list_->header()->setStretchLastSection(true);
    open_ = new QPushButton("&Open Map", this);
    copy_ = new QPushButton("Copy &from compare", this);
    close_ = new QPushButton("Close", this);
    open_->setAutoDefault(false);
    copy_->setAutoDefault(false);
    close_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addWidget(copy_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(640, 320);

    connect(list_, &QTreeWidget::itemActivated, this, [this] { Activate(); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
    connect(open_, &QPushButton::clicked, this, [this] { Activate(); });
    connect(copy_, &QPushButton::clicked, this, [this] {
        const DifferenceRow* row = Chosen();
        if (row && copyRow) copyRow(*row);
    });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    UpdateButtons();
}

void CDifferencesDlg::SetRows(std::vector<DifferenceRow> rows, const QString& heading) {
    const DifferenceRow* chosen = Chosen();
    const DifferenceKind chosenKind = chosen ? chosen->kind : DifferenceKind::kMap;
    const std::string chosenName = chosen ? chosen->name : std::string();
    const bool hadChoice = chosen != nullptr;

    rows_ = std::move(rows);
    heading_->setText(heading);
    list_->clear();
    QTreeWidgetItem* again = nullptr;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const DifferenceRow& row = rows_[i];
        auto* item = new QTreeWidgetItem(list_, {KindText(row.kind), Q(row.name), Q(row.count), Q(row.largest),
                                                 Q(row.edited), Q(row.compared)});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        if (hadChoice && row.kind == chosenKind && row.name == chosenName) again = item;
    }
    for (int column = 0; column < list_->columnCount() - 1; ++column) list_->resizeColumnToContents(column);
    if (again) list_->setCurrentItem(again);
    else if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    UpdateButtons();
}

const DifferenceRow* CDifferencesDlg::Chosen() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item) return nullptr;
    const int index = item->data(0, Qt::UserRole).toInt();
    return index >= 0 && index < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(index)] : nullptr;
}

void CDifferencesDlg::UpdateButtons() {
    const DifferenceRow* row = Chosen();
    open_->setEnabled(row && row->kind == DifferenceKind::kMap);
    const bool copyable = row && row->kind != DifferenceKind::kBytes && !row->shapeDiffers;
    copy_->setEnabled(copyable && (!canCopy || canCopy(*row)));
}

void CDifferencesDlg::Activate() {
    const DifferenceRow* row = Chosen();
    if (row && row->kind == DifferenceKind::kMap && openMap) openMap(*row);
}
