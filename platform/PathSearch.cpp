#include "platform/PathSearch.h"
#include "platform/AsciiText.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::size_t folderEnd = folder.size();
    while (folderEnd > 0 && folder[folderEnd - 1] == '/') --folderEnd;
    std::size_t nameStart = 0;
    while (nameStart < name.size() && name[nameStart] == '/') ++nameStart;
    return folder.substr(0, folderEnd) + "/" + name.substr(nameStart);
}

std::string FindFileNoCase(const std::string& folder, const std::string& name,
                           const std::string& extension) {
    const std::string wanted = name + extension;
    // Only a name inside folder is searched for; a path would escape it.
    if (wanted.empty() || wanted.find('/') != std::string::npos ||
        wanted.find('\0') != std::string::npos || wanted == "." || wanted == "..") {
        return {};
    }
    const std::string exact = JoinPath(folder, wanted);
    if (IsRegularFile(exact)) return exact;

    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
    if (ec) return {};
    // Of several names that differ only in case, the smallest by byte order
    // wins, so the result does not depend on the directory's order.
    std::string best;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string entryName = it->path().filename().string();
        if (!EqualNoCase(entryName, wanted)) continue;
        const std::string candidate = JoinPath(folder, entryName);
        if (!IsRegularFile(candidate)) continue;
        if (best.empty() || entryName < FileNamePart(best)) best = candidate;
    }
    return best;
}


// Anything the path names counts (file, folder, device), as with the file
// attribute query on Windows; a dangling link does not.
bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
