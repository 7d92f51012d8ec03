#include "ecu/MonitorSelection.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/ProfileFile.h"

namespace {

std::string SelectKey(std::size_t n) { return diagselect::kKeyPrefix + std::to_string(n); }

}  // namespace

std::vector<std::uint8_t> DefaultMonitorSelection(const std::vector<DiagItem>& items) {
    const std::size_t count = std::min(items.size(), diagselect::kDefaultCount);
    std::vector<std::uint8_t> selection;
    for (std::size_t i = 0; i < count; ++i) selection.push_back(static_cast<std::uint8_t>(i));
    return selection;
}

std::vector<std::uint8_t> LoadMonitorSelection(const ProfileFile& settings,
                                               const std::vector<DiagItem>& items) {
    std::vector<std::uint8_t> stored;
    for (std::size_t n = 0; stored.size() < diagselect::kMaxEntries; ++n) {
        const std::string name = settings.ReadString(diagselect::kSection, SelectKey(n), "");
        if (name.empty()) break;
        const auto found = std::find_if(items.begin(), items.end(),
                                        [&](const DiagItem& item) { return item.name == name; });
        const auto index = found - items.begin();
        if (found == items.end() || index > 0xFF) return DefaultMonitorSelection(items);
        stored.push_back(static_cast<std::uint8_t>(index));
    }
    return stored.empty() ? DefaultMonitorSelection(items) : stored;
}

bool SaveMonitorSelection(ProfileFile& settings, const std::vector<DiagItem>& items,
                          const std::vector<std::uint8_t>& selection) {
    if (selection.empty()) return true;
    // The old keys are cleared and the new ones set in one rewrite of the
    // file: a program killed midway leaves the old list or the new one.
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t n = 0; !settings.ReadString(diagselect::kSection, SelectKey(n), "").empty(); ++n)
        values.emplace_back(SelectKey(n), "");
    std::size_t written = 0;
    for (const std::uint8_t index : selection) {
        if (index >= items.size()) continue;
        values.emplace_back(SelectKey(written++), items[index].name);
    }
    return settings.WriteStrings(diagselect::kSection, values);
}
