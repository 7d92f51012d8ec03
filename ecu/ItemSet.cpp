#include "ecu/ItemSet.h"

#include "ecu/MonitorSelection.h"

ItemSet::ItemSet(const std::vector<DiagItem>& items, const MonitorItemList& dialogList,
                 const MonitorItemList& statusBarList)
    : lists_{dialogList, statusBarList}, original_{dialogList.Entries(), statusBarList.Entries()} {
    for (const DiagItem& item : items) names_.push_back(item.name);
}

std::vector<std::string> ItemSet::ItemNames() const { return names_; }

std::vector<std::string> ItemSet::EntryNames(List list) const {
    std::vector<std::string> names;
    for (const std::uint8_t index : lists_[list].Entries())
        names.push_back(index < names_.size() ? names_[index] : std::string());
    return names;
}

void ItemSet::SelectItem(int index) {
    // The lists hold 8-bit indices: an item beyond 255 cannot be listed.
    item_ = index >= 0 && static_cast<std::size_t>(index) < names_.size() && index <= 0xFF ? index : -1;
}

void ItemSet::SelectEntry(List list, int position) {
    entry_[list] = position >= 0 && static_cast<std::size_t>(position) < lists_[list].Size() ? position : -1;
}

bool ItemSet::CanAdd(List list) const { return item_ >= 0 && lists_[list].CanAdd(); }

bool ItemSet::CanRemove(List list) const { return entry_[list] >= 0; }

bool ItemSet::Add(List list) {
    if (!CanAdd(list)) return false;
    MonitorItemList& entries = lists_[list];
    const auto item = static_cast<std::uint8_t>(item_);
    int selected = entry_[list];
    if (selected >= 0) {
        // Follow the selected entry to where it is after the insertion, and
        // to the new entry when it was itself the item that moved.
        const bool selectedIsItem = entries.Entries()[static_cast<std::size_t>(selected)] == item;
        int oldAt = -1;
        for (std::size_t i = 0; i < entries.Size(); ++i)
            if (entries.Entries()[i] == item) oldAt = static_cast<int>(i);
        const int at = entries.Add(item, selected);
        if (at < 0) return false;
        // An item that moves from above the selected entry leaves it where
        // it was: one entry out above it, one in.
        if (selectedIsItem) selected = at;
        else if (oldAt < 0 || oldAt > selected) ++selected;
        entry_[list] = selected;
        return true;
    }
    return entries.Add(item) >= 0;
}

bool ItemSet::Remove(List list) {
    const int position = entry_[list];
    if (position < 0 || !lists_[list].Remove(static_cast<std::size_t>(position))) return false;
    const int size = static_cast<int>(lists_[list].Size());
    entry_[list] = position < size ? position : size - 1;
    return true;
}

bool ApplyItemSet(const ItemSet& set, Monitor& monitor, const std::vector<DiagItem>& items, ProfileFile& settings,
                  bool& dialogChanged) {
    dialogChanged = set.Changed(ItemSet::kDialog);
    if (dialogChanged) monitor.SetDialogList(set.Entries(ItemSet::kDialog).Entries());
    if (set.Changed(ItemSet::kStatusBar)) monitor.SetStatusBarList(set.Entries(ItemSet::kStatusBar).Entries());
    return SaveMonitorSelection(settings, items, set.Entries(ItemSet::kDialog).Entries());
}
