#include "ecu/gui/ItemSetDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

constexpr int kListWidth = 170;
constexpr int kMinimumListHeight = 320;

}  // namespace

CItemSetDlg::CItemSetDlg(ItemSet& set, QWidget* parent) : QDialog(parent), set_(set) {
    setObjectName("itemSetDlg");
    setWindowTitle("Set Monitor data");
    auto* layout = new QGridLayout(this);

    auto* itemsLabel = new QLabel("Diag.&com", this);
    items_ = new QListWidget(this);
    items_->setObjectName("diagList");
    itemsLabel->setBuddy(items_);
    for (const std::string& name : set_.ItemNames()) items_->addItem(Q(name));

    const char* labels[2] = {"&Monitor Dialog Item", "&Status Bar Item"};
    const char* names[2] = {"dialogList", "statusBarList"};
    QLabel* listLabels[2];
    QVBoxLayout* buttonColumns[2];
    for (int list = 0; list < 2; ++list) {
        listLabels[list] = new QLabel(labels[list], this);
        lists_[list] = new QListWidget(this);
        lists_[list]->setObjectName(names[list]);
        listLabels[list]->setBuddy(lists_[list]);
        add_[list] = new QPushButton(list == ItemSet::kDialog ? ">>(&A)" : ">>", this);
        remove_[list] = new QPushButton(list == ItemSet::kDialog ? "<<(&D)" : "<<", this);
        add_[list]->setAutoDefault(false);
        remove_[list]->setAutoDefault(false);
        buttonColumns[list] = new QVBoxLayout;
        buttonColumns[list]->addStretch(1);
        buttonColumns[list]->addWidget(add_[list]);
        buttonColumns[list]->addWidget(remove_[list]);
        buttonColumns[list]->addStretch(1);
    }
    // Tall enough to show a full monitor list of thirty entries.
    const int rowHeight = std::max(items_->sizeHintForRow(0), items_->fontMetrics().height());
    const int listHeight = std::max(kMinimumListHeight, static_cast<int>(monitor::kDialogMax) * rowHeight +
                                                            2 * items_->frameWidth() + 4);
    for (QListWidget* list : {items_, lists_[0], lists_[1]}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFixedSize(kListWidth, listHeight);
    }
    add_[ItemSet::kDialog]->setObjectName("addButton");
    remove_[ItemSet::kDialog]->setObjectName("removeButton");

    ok_ = new QPushButton("OK", this);
    cancel_ = new QPushButton("Cancel", this);
    ok_->setDefault(true);
    auto* okColumn = new QVBoxLayout;
    okColumn->addWidget(ok_);
    okColumn->addWidget(cancel_);
    okColumn->addStretch(1);

    layout->addWidget(itemsLabel, 0, 0);
    layout->addWidget(items_, 1, 0);
    layout->addLayout(buttonColumns[ItemSet::kDialog], 1, 1);
    layout->addWidget(listLabels[ItemSet::kDialog], 0, 2);
    layout->addWidget(lists_[ItemSet::kDialog], 1, 2);
    layout->addLayout(buttonColumns[ItemSet::kStatusBar], 1, 3);
    layout->addWidget(listLabels[ItemSet::kStatusBar], 0, 4);
    layout->addWidget(lists_[ItemSet::kStatusBar], 1, 4);
    layout->addLayout(okColumn, 1, 5);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The status-bar items show nowhere: their list and buttons are hidden.
    for (QWidget* w : std::initializer_list<QWidget*>{listLabels[ItemSet::kStatusBar], lists_[ItemSet::kStatusBar],
                                                      add_[ItemSet::kStatusBar], remove_[ItemSet::kStatusBar]})
        w->hide();

    // A chosen entry is a selected one: the current row a list takes with
    // the focus is no choice.
    connect(items_, &QListWidget::itemSelectionChanged, this, [this] {
        set_.SelectItem(SelectedRow(items_));
        UpdateButtons();
    });
    for (int index = 0; index < 2; ++index) {
        const auto list = static_cast<ItemSet::List>(index);
        connect(lists_[list], &QListWidget::itemSelectionChanged, this, [this, list] {
            if (filling_) return;
            set_.SelectEntry(list, SelectedRow(lists_[list]));
            UpdateButtons();
        });
        connect(add_[list], &QPushButton::clicked, this, [this, list] { OnAdd(list); });
        connect(remove_[list], &QPushButton::clicked, this, [this, list] { OnRemove(list); });
        FillList(list);
    }
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    UpdateButtons();
}

void CItemSetDlg::FillList(ItemSet::List list) {
    filling_ = true;
    QListWidget* widget = lists_[list];
    widget->clear();
    for (const std::string& name : set_.EntryNames(list)) widget->addItem(Q(name));
    const int selected = set_.SelectedEntry(list);
    if (selected >= 0) widget->setCurrentRow(selected, QItemSelectionModel::ClearAndSelect);
    else widget->clearSelection();
    filling_ = false;
}

void CItemSetDlg::UpdateButtons() {
    for (int list = 0; list < 2; ++list) {
        add_[list]->setEnabled(set_.CanAdd(static_cast<ItemSet::List>(list)));
        remove_[list]->setEnabled(set_.CanRemove(static_cast<ItemSet::List>(list)));
    }
}

void CItemSetDlg::OnAdd(ItemSet::List list) {
    if (!set_.Add(list)) return;
    FillList(list);
    UpdateButtons();
}

void CItemSetDlg::OnRemove(ItemSet::List list) {
    if (!set_.Remove(list)) return;
    FillList(list);
    UpdateButtons();
}
