#pragma once
// The item set dialog ("Set Monitor data"): all monitor items on the left,
// the monitor window's rows in the middle, ">>(&A)" and "<<(&D)" between
// them. The status-bar list and its buttons are there but hidden. The lists
// and their rules are the core's ItemSet; OK leaves the edited lists there.
#include <QDialog>

#include "ecu/ItemSet.h"

class QListWidget;
class QPushButton;

class CItemSetDlg : public QDialog {
    Q_OBJECT
public:
    CItemSetDlg(ItemSet& set, QWidget* parent = nullptr);

    QListWidget* itemList() const { return items_; }
    QListWidget* dialogList() const { return lists_[ItemSet::kDialog]; }
    QListWidget* statusBarList() const { return lists_[ItemSet::kStatusBar]; }
    QPushButton* addButton(ItemSet::List list = ItemSet::kDialog) const { return add_[list]; }
    QPushButton* removeButton(ItemSet::List list = ItemSet::kDialog) const { return remove_[list]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void FillList(ItemSet::List list);
    void UpdateButtons();
    void OnAdd(ItemSet::List list);
    void OnRemove(ItemSet::List list);

    ItemSet& set_;
    QListWidget* items_;
    QListWidget* lists_[2];
    QPushButton* add_[2];
    QPushButton* remove_[2];
    QPushButton* ok_;
    QPushButton* cancel_;
    bool filling_ = false;
};
