#include "app/FileHistory.h"

#include "platform/ProfileFile.h"

namespace {

std::string Key(int n) { return recentfiles::kKeyPrefix + std::to_string(n); }

bool Absolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace

std::vector<std::string> ReadRecentFiles(const ProfileFile& settings) {
    std::vector<std::string> list;
    for (int n = 1; n <= recentfiles::kMaxFiles; ++n) {
        std::string path = settings.ReadPath(recentfiles::kSection, Key(n), "");
        if (path.empty()) break;
        list.push_back(std::move(path));
    }
    return list;
}

bool RecentPathReadsBack(const std::string& path) {
    if (!Absolute(path) || path.size() >= ProfileFile::kMaxPathSize) return false;
    for (const char c : path)
        if (c == '\n' || c == '\r' || c == '\0') return false;
    const char last = path.back();
    return last != ' ' && last != '\t';   // the reader trims blanks; a leading one fails Absolute
}

std::vector<std::string> AddRecentFile(const std::vector<std::string>& list, const std::string& path) {
    if (!RecentPathReadsBack(path)) return list;
    std::vector<std::string> result{path};
    for (const std::string& entry : list)
        if (entry != path && result.size() < static_cast<std::size_t>(recentfiles::kMaxFiles)) result.push_back(entry);
    return result;
}

std::vector<std::string> RemoveRecentFile(const std::vector<std::string>& list, const std::string& path) {
    std::vector<std::string> result;
    for (const std::string& entry : list)
        if (entry != path) result.push_back(entry);
    return result;
}

bool WriteRecentFiles(ProfileFile& settings, const std::vector<std::string>& list) {
    std::vector<std::pair<std::string, std::string>> values;
    for (int n = 1; n <= recentfiles::kMaxFiles; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        values.emplace_back(Key(n), i < list.size() ? list[i] : std::string());
    }
    return settings.WriteStrings(recentfiles::kSection, values);
}

std::string RecentMenuText(int index, const std::string& path) {
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (const char c : path) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}
