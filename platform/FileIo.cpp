#include "platform/FileIo.h"
#include "platform/PathSearch.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include <fcntl.h>
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

// Opens a fresh file next to target for writing. O_EXCL keeps us from ever
// writing into somebody else's file; the name varies until one is free.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    static unsigned counter = 0;
    const std::string folder = FolderPart(target);
    // Cut so that the temporary name stays within the file system's name limit.
    const std::string base = FileNamePart(target).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        ++counter;
        const unsigned long stamp = static_cast<unsigned long>(::getpid()) * 7919UL +
                                    static_cast<unsigned long>(std::time(nullptr)) + counter * 104729UL;
        tempPath = JoinPath(folder, "." + base + ".tmp" + std::to_string(stamp % 1000000000UL));
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
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

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && tmp[0] != '\0') ? std::string(tmp) : std::string("/tmp");
    if (folder.back() != '/') folder += '/';
    return folder;
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
    // The folder is not synced: after a crash the name shows the old file or
    // the new one, both complete, and that is all the program promises. A
    // folder sync would cost a few milliseconds on every save.
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t limit) {
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
