#include "app/DirectoryList.h"

#include "app/QelApp.h"
#include "platform/ProfileFile.h"

#include <utility>

namespace {
std::string PathKey(int n) { return "PATH" + std::to_string(n); }
}

std::vector<std::string> ReadDirectoryList(const ProfileFile& settings) {
    std::vector<std::string> list;
    for (int n = 1; n <= dirlist::kMaxFolders; ++n) {
        std::string folder = settings.ReadPath(ini::kDirectory, PathKey(n), dirlist::kMissing);
        // An emptied key ends the list as a missing one does.
        if (folder == dirlist::kMissing || folder.empty()) break;
        list.push_back(std::move(folder));
    }
    return list;
}

std::vector<std::string> ChooseDirectory(const std::vector<std::string>& list, const std::string& folder) {
    std::vector<std::string> chosen{folder};
    for (const std::string& entry : list) {
        if (chosen.size() >= static_cast<std::size_t>(dirlist::kMaxFolders)) break;
        if (entry != folder) chosen.push_back(entry);
    }
    return chosen;
}

bool WriteDirectoryList(ProfileFile& settings, const std::vector<std::string>& list) {
    // One rewrite of the file for all keys: a program killed midway leaves
    // the old list or the new one, never a mix of both.
    std::vector<std::pair<std::string, std::string>> values;
    int n = 1;
    for (; n <= dirlist::kMaxFolders && n <= static_cast<int>(list.size()); ++n)
        values.emplace_back(PathKey(n), list[static_cast<std::size_t>(n - 1)]);
    for (; n <= dirlist::kMaxFolders; ++n) {
        const std::string old = settings.ReadPath(ini::kDirectory, PathKey(n), dirlist::kMissing);
        if (old == dirlist::kMissing || old.empty()) continue;
        values.emplace_back(PathKey(n), "");
    }
    return settings.WriteStrings(ini::kDirectory, values);
}
