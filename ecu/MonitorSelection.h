#pragma once
// The monitor selection in the settings file: section "DIAGSELECT", keys
// SELECT0, SELECT1, ... holding the names of the monitor items shown in the
// monitor window, in row order, up to the first empty value.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/DiagItem.h"

class ProfileFile;

namespace diagselect {
constexpr const char* kSection = "DIAGSELECT";
constexpr const char* kKeyPrefix = "SELECT";
// Without a stored selection the monitor shows the first items of the definition.
constexpr std::size_t kDefaultCount = 15;
// The monitor window has 30 rows; a longer stored list is cut there.
constexpr std::size_t kMaxEntries = 30;
}  // namespace diagselect

// Indices 0 .. 14 (fewer when the definition has fewer items).
std::vector<std::uint8_t> DefaultMonitorSelection(const std::vector<DiagItem>& items);

// The stored selection when every stored name names an item (the first item
// of that name); otherwise, and when SELECT0 is empty, the default. Items
// beyond index 255 cannot be held in the 8-bit lists: naming one makes the
// stored selection invalid as a whole.
std::vector<std::uint8_t> LoadMonitorSelection(const ProfileFile& settings,
                                               const std::vector<DiagItem>& items);

// Nothing when selection is empty. Otherwise empties the old SELECTn values
// (the keys stay) and writes SELECTi = name of the i-th selected item;
// indices without an item are left out. false when a write failed.
bool SaveMonitorSelection(ProfileFile& settings, const std::vector<DiagItem>& items,
                          const std::vector<std::uint8_t>& selection);
