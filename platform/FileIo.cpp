#include "platform/FileIo.h"
#include "platform/PathSearch.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The folder part of path, for the temporary file that must live beside it
// so that the final rename stays on one file system.
std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The name stem of every temporary file written for target: "." + name +
// ".tmp", the name cut so that the temporary name stays within the file
// system's name limit. The writer's process id and a count follow.
std::string TempStem(const std::string& target) {
    return "." + FileNamePart(target).substr(0, 200) + ".tmp";
}

// Opens a fresh file next to target for writing. O_EXCL keeps us from ever
// writing into somebody else's file; the name varies until one is free.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    static unsigned counter = 0;
    const std::string stem = JoinPath(FolderPart(target), TempStem(target));
    for (int attempt = 0; attempt < 100; ++attempt) {
        ++counter;
        tempPath = stem + std::to_string(static_cast<long>(::getpid())) + "-" + std::to_string(counter);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

void RemoveStaleTemps(const std::string& target) {
    const int folder = ::open(FolderPart(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    RemoveStaleTempsAt(folder, FileNamePart(target));
    ::close(folder);
}

// Makes the rename itself durable: without it, a power cut soon after a
// save reported as done could bring back the old file.
void SyncFolder(const std::string& target) {
    const int fd = ::open(FolderPart(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);   // some file systems cannot sync a folder; the rename stands anyway
    ::close(fd);
}

// The file path finally names: a symbolic link is followed (a relative one
// from its own folder) until a name that is no link, which need not exist
// yet (a direct write through a dangling link creates the file it names).
// false for a loop of links.
bool FollowLinks(const std::string& path, std::string& target) {
    constexpr int kMaxLinks = 40;   // as the kernel's own limit
    target = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::string named(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0) + 256, '\0');
        const ssize_t length = ::readlink(target.c_str(), named.data(), named.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= named.size()) return false;
        named.resize(static_cast<std::size_t>(length));
        target = named.front() == '/' ? named : JoinPath(FolderPart(target), named);
    }
    return false;
}

// Whether a write in place would be allowed: the effective user's access,
// which counts permission bits, access lists, read-only file systems and
// immutable files; and, since the superuser passes every permission check,
// a file nobody may write (no write bit at all) is refused to everyone.
bool MayWriteInPlace(const std::string& target, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && tmp[0] != '\0') ? std::string(tmp) : std::string("/tmp");
    if (folder.back() != '/') folder += '/';
    return folder;
}

void RemoveStaleTempsAt(int folder, const std::string& name) {
    const std::string stem = TempStem(name);
    const int listFd = ::dup(folder);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr) {
        if (listFd >= 0) ::close(listFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string found = entry->d_name;
        if (found.size() <= stem.size() || found.compare(0, stem.size(), stem) != 0) continue;
        // <stem><pid>-<count>, digits only; anything else is not ours.
        const std::size_t dash = found.find('-', stem.size());
        if (dash == std::string::npos || dash == stem.size() || dash + 1 >= found.size() || dash - stem.size() > 9)
            continue;
        if (found.find_first_not_of("0123456789", stem.size()) != dash ||
            found.find_first_not_of("0123456789", dash + 1) != std::string::npos)
            continue;
        const long pid = std::strtol(found.c_str() + stem.size(), nullptr, 10);
        if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(folder, found.c_str(), 0);
    }
    ::closedir(dir);
}

namespace {

// A folder of the effective user that nobody else may enter; not a link.
bool IsPrivateFolder(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

}  // namespace

std::string UserTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && tmp[0] != '\0') {
        // A shared $TMPDIR (/tmp itself) gets a folder of this user's in it.
        const std::string shared = TempFolder();
        struct stat info {};
        if (::stat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
            (info.st_mode & 022) == 0)
            return shared;   // the user's own, and nobody else may create files in it
        const std::string own = shared + "orvandel-" + std::to_string(::geteuid());
        ::mkdir(own.c_str(), 0700);   // one already there is checked like a new one
        if (IsPrivateFolder(own)) return own + "/";
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) return JoinPath(runtime, "");
    std::string cache;
    if (const char* env = std::getenv("XDG_CACHE_HOME"); env != nullptr && env[0] == '/') {
        cache = env;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        cache = JoinPath(home, ".cache");
    } else if (const passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_dir != nullptr &&
                                                              user->pw_dir[0] == '/') {
        cache = JoinPath(user->pw_dir, ".cache");
    }
    if (!cache.empty()) {
        const std::string own = JoinPath(cache, "orvandel");
        ::mkdir(cache.c_str(), 0700);
        ::mkdir(own.c_str(), 0700);   // a folder already there is checked like a new one
        if (IsPrivateFolder(own)) return own + "/";
    }
    return "/tmp/";
}

bool WriteFileAtomic(const std::string& path, const std::string& content) {
    if (path.empty() || path.back() == '/') return false;
    // Writing through a symbolic link replaces the file it points at, not the link.
    std::string target;
    if (!FollowLinks(path, target)) return false;

    struct stat oldInfo {};
    const bool hadOld = ::lstat(target.c_str(), &oldInfo) == 0;
    if (hadOld && !S_ISREG(oldInfo.st_mode)) return false;
    // The rename needs only the folder's permission; the file's own must
    // allow the write too, as they would for a write in place.
    if (hadOld && !MayWriteInPlace(target, oldInfo)) return false;

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content.data(), content.size());
    if (ok && hadOld) {
        // Owner and group first (a change of owner clears the set-id bits),
        // then the mode. A user may not give a file away: failures only lose
        // what the user could not have kept anyway.
        const int owned = ::fchown(fd, oldInfo.st_uid, oldInfo.st_gid);
        static_cast<void>(owned);
        ::fchmod(fd, oldInfo.st_mode & 07777);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncFolder(target);
    RemoveStaleTemps(target);
    return true;
}

ExclusiveWrite WriteFileExclusive(const std::string& path, const std::string& content) {
    if (path.empty() || path.back() == '/') return ExclusiveWrite::kFailed;
    std::string tempPath;
    const int fd = CreateTempBeside(path, tempPath);
    if (fd < 0) return ExclusiveWrite::kFailed;
    bool ok = WriteAll(fd, content.data(), content.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ExclusiveWrite result = ExclusiveWrite::kFailed;
    if (ok) {
        if (::link(tempPath.c_str(), path.c_str()) == 0) result = ExclusiveWrite::kWritten;
        else if (errno == EEXIST) result = ExclusiveWrite::kExists;
    }
    ::unlink(tempPath.c_str());
    if (result == ExclusiveWrite::kWritten) SyncFolder(path);
    return result;
}

ExclusiveWrite CreateFileExclusiveAt(int folder, const std::string& name, const std::string& content, int& fd) {
    static unsigned counter = 0;
    fd = -1;
    if (name.empty() || name.find('/') != std::string::npos) return ExclusiveWrite::kFailed;
    std::string temp;
    int tempFd = -1;
    for (int attempt = 0; attempt < 100 && tempFd < 0; ++attempt) {
        temp = TempStem(name) + std::to_string(static_cast<long>(::getpid())) + "-" + std::to_string(++counter);
        tempFd = ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (tempFd < 0 && errno != EEXIST) return ExclusiveWrite::kFailed;
    }
    if (tempFd < 0) return ExclusiveWrite::kFailed;
    // Written in full before the name appears: a reader (or a kill) never
    // finds the name with less than the first content.
    ExclusiveWrite result = ExclusiveWrite::kFailed;
    if (WriteAll(tempFd, content.data(), content.size()) && ::fdatasync(tempFd) == 0) {
        if (::linkat(folder, temp.c_str(), folder, name.c_str(), 0) == 0) result = ExclusiveWrite::kWritten;
        else if (errno == EEXIST) result = ExclusiveWrite::kExists;
    }
    ::unlinkat(folder, temp.c_str(), 0);
    if (result != ExclusiveWrite::kWritten) {
        ::close(tempFd);
        return result;
    }
    ::fsync(folder);   // the new name itself; some file systems cannot, the name stands anyway
    RemoveStaleTempsAt(folder, name);
    fd = tempFd;
    return result;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t limit) {
    content.clear();
    // O_NONBLOCK: opening a FIFO nobody writes to would otherwise wait for
    // ever; a regular file reads as always.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    // Only regular files: a folder cannot be read, a FIFO or device could block for ever.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    if (info.st_size > 0 && static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    try {
        if (info.st_size > 0) content.reserve(static_cast<std::size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            if (got == 0) break;
            // A file that grows while it is read is held to the limit too.
            if (static_cast<std::size_t>(got) > limit - content.size()) {
                ok = false;
                break;
            }
            content.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        ok = false;   // a file larger than memory reads as unreadable
    } catch (const std::length_error&) {
        ok = false;
    }
    ::close(fd);
    if (!ok) {
        content.clear();
        content.shrink_to_fit();
    }
    return ok;
}

std::string WhyUnreadable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? std::string("no such file") : std::string(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return "a folder, not a file";
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return "it could not be read";
}

FolderWriteLock::FolderWriteLock(const std::string& path) {
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

FolderWriteLock::~FolderWriteLock() {
    if (fd_ >= 0) ::close(fd_);   // closing releases the lock
}
