#pragma once
// What the installer tests look at after a run: the files below a folder and
// the registry values setup wrote.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace installcheck {

// Every path below folder, relative, sorted; none when it is missing.
inline std::vector<std::string> Tree(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    if (!fs::exists(folder)) return paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        paths.push_back(fs::relative(entry.path(), folder).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A registry value as text without its closing zeros; "<missing>" when absent.
inline std::string RegText(const RegistryStore& reg, const std::string& key, const std::string& name) {
    const auto value = reg.Query(key, name);
    if (!value) return "<missing>";
    std::string text(value->data.begin(), value->data.end());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace installcheck
