#include "platform/FileDialogRequest.h"

#include <filesystem>
#include <system_error>

std::vector<std::string> FilterEntries(const std::string& tableFilter) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= tableFilter.size()) {
        std::size_t bar = tableFilter.find('|', pos);
        if (bar == std::string::npos) bar = tableFilter.size();
        parts.push_back(tableFilter.substr(pos, bar - pos));
        pos = bar + 1;
    }
    std::vector<std::string> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;   // "||" ends the list
        entries.push_back(parts[i]);
    }
    return entries;
}

namespace {

constexpr const char* kWorkFolder = "WORK";

bool Absolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::string WorkFolderOf(const std::string& settingsFilePath) {
    const std::string machine = ParentOf(settingsFilePath);
    if (machine.empty()) return std::string(kWorkFolder);
    return machine == "/" ? std::string("/") + kWorkFolder : machine + "/" + kWorkFolder;
}

std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath,
                              const std::function<bool(const std::string&)>& isFolder) {
    const std::string work = WorkFolderOf(settingsFilePath);
    for (const std::string& folder : {directoryFirst, ParentOf(calibrationPath), work})
        if (Absolute(folder) && isFolder(folder)) return folder;
    return work;
}

std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath) {
    return DialogStartFolder(directoryFirst, calibrationPath, settingsFilePath, [](const std::string& folder) {
        std::error_code error;
        return std::filesystem::is_directory(folder, error);
    });
}
