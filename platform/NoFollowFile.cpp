#include "platform/NoFollowFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "platform/FileIo.h"

namespace {

// Closes the descriptor it holds when it goes away.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value = -1) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void Reset(int value) {
        if (fd >= 0) ::close(fd);
        fd = value;
    }
    int Release() {
        const int value = fd;
        fd = -1;
        return value;
    }
};

// The names of an absolute path; "." and empty names are dropped. false
// for a relative path or a ".." (which would leave a folder already checked).
bool SplitPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    if (path.empty() || path.front() != '/') return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name == "..") return false;
        if (!name.empty() && name != ".") names.push_back(name);
        start = end + 1;
    }
    return true;
}

// Splits path into its folder and its last name; false when it names no file.
bool SplitName(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (path.empty() || path.front() != '/' || slash == std::string::npos) return false;
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
    return !name.empty() && name != "." && name != "..";
}

// What stands under name in the folder fd, after an open that did not go through.
NoFollowResult Classify(int folder, const std::string& name) {
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? NoFollowResult::kMissing : NoFollowResult::kFailed;
    return S_ISLNK(info.st_mode) ? NoFollowResult::kLink : NoFollowResult::kFailed;
}

// The folder of path opened without following links, and path's last name.
NoFollowResult OpenFolderOf(const std::string& path, Descriptor& folder, std::string& name, std::string& link) {
    std::string folderPath;
    if (!SplitName(path, folderPath, name)) return NoFollowResult::kFailed;
    int fd = -1;
    const NoFollowResult result = OpenFolderNoFollow(folderPath, false, fd, link);
    folder.Reset(fd);
    return result;
}

}  // namespace

bool ResolveFolder(const std::string& path, std::string& resolved) {
    if (path.empty() || path.front() != '/') return false;
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) != nullptr) {
        resolved = buffer;
        return true;
    }
    if (errno != ENOENT) return false;
    // The part that exists resolved; the names still to be made appended as given.
    std::string folder;
    std::string name;
    if (!SplitName(path, folder, name) || !ResolveFolder(folder, resolved)) return false;
    if (resolved.back() != '/') resolved += '/';
    resolved += name;
    return true;
}

NoFollowResult OpenFolderNoFollow(const std::string& path, bool create, int& fd, std::string& link) {
    fd = -1;
    std::vector<std::string> names;
    if (!SplitPath(path, names)) return NoFollowResult::kFailed;
    Descriptor current(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (current.fd < 0) return NoFollowResult::kFailed;
    std::string walked;
    for (const std::string& name : names) {
        walked += "/" + name;
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = ::openat(current.fd, name.c_str(), flags);
        if (next < 0 && errno == ENOENT && create) {
            // Another process making the same folder at the same time is no failure.
            if (::mkdirat(current.fd, name.c_str(), 0777) != 0 && errno != EEXIST) return NoFollowResult::kFailed;
            next = ::openat(current.fd, name.c_str(), flags);
        }
        if (next < 0) {
            const NoFollowResult found = Classify(current.fd, name);
            if (found == NoFollowResult::kLink) link = walked;
            return found;
        }
        current.Reset(next);
    }
    fd = current.Release();
    return NoFollowResult::kOk;
}

NoFollowResult StatNoFollow(const std::string& path, struct stat& info, std::string& link) {
    Descriptor folder;
    std::string name;
    const NoFollowResult opened = OpenFolderOf(path, folder, name, link);
    if (opened != NoFollowResult::kOk) return opened;
    if (::fstatat(folder.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? NoFollowResult::kMissing : NoFollowResult::kFailed;
    if (!S_ISLNK(info.st_mode)) return NoFollowResult::kOk;
    link = path;
    return NoFollowResult::kLink;
}

NoFollowResult ReadNoFollow(const std::string& path, std::string& content, std::string& link) {
    content.clear();
    Descriptor folder;
    std::string name;
    const NoFollowResult opened = OpenFolderOf(path, folder, name, link);
    if (opened != NoFollowResult::kOk) return opened;
    // O_NONBLOCK: a FIFO under the name must not hang the reader.
    Descriptor file(::openat(folder.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0) {
        const NoFollowResult found = Classify(folder.fd, name);
        if (found == NoFollowResult::kLink) link = path;
        return found;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return NoFollowResult::kFailed;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            content.clear();
            return NoFollowResult::kFailed;
        }
        if (got == 0) return NoFollowResult::kOk;
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

NoFollowResult WriteNoFollow(const std::string& path, const std::string& content, unsigned mode,
                             const struct timespec* modified, std::string& link) {
    Descriptor folder;
    std::string name;
    const NoFollowResult opened = OpenFolderOf(path, folder, name, link);
    if (opened != NoFollowResult::kOk) return opened;
    struct stat old {};
    if (::fstatat(folder.fd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(old.st_mode)) {
            link = path;
            return NoFollowResult::kLink;
        }
        if (!S_ISREG(old.st_mode)) return NoFollowResult::kFailed;
    } else if (errno != ENOENT) {
        return NoFollowResult::kFailed;
    }

    // The new file beside the name, under a name nobody else holds.
    static unsigned counter = 0;
    const std::string stem = "." + name.substr(0, 200) + ".tmp" + std::to_string(static_cast<long>(::getpid())) + "-";
    std::string temp;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        temp = stem + std::to_string(++counter);
        file.Reset(::openat(folder.fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.fd < 0 && errno != EEXIST) return NoFollowResult::kFailed;
    }
    if (file.fd < 0) return NoFollowResult::kFailed;
    // The time last: any write after it would move it again.
    const struct timespec times[2] = {{0, UTIME_NOW}, modified != nullptr ? *modified : timespec{0, UTIME_NOW}};
    bool ok = WriteAll(file.fd, content.data(), content.size()) &&
              ::fchmod(file.fd, static_cast<mode_t>(mode & 07777)) == 0 && ::futimens(file.fd, times) == 0 &&
              ::fsync(file.fd) == 0;
    ok = ::close(file.Release()) == 0 && ok;
    ok = ok && ::renameat(folder.fd, temp.c_str(), folder.fd, name.c_str()) == 0;
    if (!ok) {
        ::unlinkat(folder.fd, temp.c_str(), 0);
        return NoFollowResult::kFailed;
    }
    ::fsync(folder.fd);   // the rename made durable; some file systems cannot sync a folder
    return NoFollowResult::kOk;
}
