#pragma once
// The item set dialog ("Set Monitor data") without its window: all monitor
// items on the left, the monitor window's list and the status-bar list
// beside it, each with its add and remove button. The dialog edits copies;
// OK hands them back to the monitor, Cancel drops them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ecu/Monitor.h"
#include "model/DiagItem.h"

class ProfileFile;

class ItemSet {
public:
    enum List { kDialog = 0, kStatusBar = 1 };

    ItemSet(const std::vector<DiagItem>& items, const MonitorItemList& dialogList,
            const MonitorItemList& statusBarList);

    // The left list: every item's name in definition order.
    std::vector<std::string> ItemNames() const;
    // A list's entries by item name (an index without an item shows empty).
    std::vector<std::string> EntryNames(List list) const;
    const MonitorItemList& Entries(List list) const { return lists_[list]; }

    // Selections; -1 for none. A selection outside its list is none.
    void SelectItem(int index);
    void SelectEntry(List list, int position);
    int SelectedItem() const { return item_; }
    int SelectedEntry(List list) const { return entry_[list]; }

    // ">>": an item is selected on the left and the list is not full.
    bool CanAdd(List list) const;
    // "<<": an entry of the list is selected.
    bool CanRemove(List list) const;
    // Inserts the left item before the selected entry (appends without one);
    // its other occurrence goes, so a listed item moves. The selected entry
    // stays selected, so that further adds line up before it. false when
    // the button is disabled.
    bool Add(List list);
    // Removes the selected entry; the entry that takes its place (else the
    // new last one) is selected, so that "<<" can go on.
    bool Remove(List list);

    // A list differs from what the dialog was opened with.
    bool Changed(List list) const { return lists_[list].Entries() != original_[list]; }

private:
    std::vector<std::string> names_;   // of every item, in definition order
    MonitorItemList lists_[2];
    std::vector<std::uint8_t> original_[2];
    int item_ = -1;
    int entry_[2] = {-1, -1};
};

// OK of the dialog: the monitor takes the lists that changed (dialogChanged
// tells whether the monitor window's rows must be built again), and the
// window's list is saved in the settings file. false when the file could
// not be written.
bool ApplyItemSet(const ItemSet& set, Monitor& monitor, const std::vector<DiagItem>& items, ProfileFile& settings,
                  bool& dialogChanged);
