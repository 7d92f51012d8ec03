#include "platform/TreeCopy.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"

namespace {

// The shipped tree is a list, machine folders and their WORK folders; far
// deeper is no tree of ours.
constexpr int kMaxDepth = 8;

// Closes a descriptor at the end of its scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

FileTime TimeOf(const struct stat& info) { return FileTime{info.st_mtim.tv_sec, info.st_mtim.tv_nsec}; }

std::string Reason(const std::string& path, const char* what) { return path + ": " + what; }
std::string Reason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

void Fail(TreeCopyResult& result, const std::string& reason) {
    if (result.error.empty()) result.error = reason;
}

// Copies the open source into a new file in folder and gives it the
// source's write time. The name has the form the atomic file writes use
// (".name.tmp<pid>-<count>"), so the next copy or save of the file clears
// one a killed program left behind (RemoveStaleTempsAt). 0, or the error number.
int WriteTemp(int source, const struct stat& sourceInfo, int folder, const std::string& name, std::string& tempName) {
    static unsigned counter = 0;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = "." + name.substr(0, 200) + ".tmp" + std::to_string(static_cast<long>(::getpid())) + "-" +
                   std::to_string(++counter);
        fd = ::openat(folder, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    char buffer[65536];
    int error = 0;
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
        if (total > kMaxInputFileSize) error = EFBIG;
        else if (!WriteAll(fd, buffer, static_cast<std::size_t>(got))) error = errno != 0 ? errno : EIO;
        if (error != 0) break;
    }
    const struct timespec times[2] = {{0, UTIME_NOW}, sourceInfo.st_mtim};
    if (error == 0 && (::futimens(fd, times) != 0 || ::fsync(fd) != 0)) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlinkat(folder, tempName.c_str(), 0);
    return error;
}

void CopyFile(int sourceFolder, int targetFolder, const std::string& name, const std::string& shown,
              TreeCopyResult& result) {
    Fd source(::openat(sourceFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat sourceInfo {};
    if (source.get() < 0 || ::fstat(source.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        Fail(result, Reason(shown, "the shipped file cannot be read"));
        return;
    }
    if (static_cast<unsigned long long>(sourceInfo.st_size) > kMaxInputFileSize) {
        Fail(result, Reason(shown, "the shipped file is too large"));
        return;
    }

    struct stat targetInfo {};
    if (::fstatat(targetFolder, name.c_str(), &targetInfo, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(targetInfo.st_mode)) {
            result.leftAlone.push_back(shown);
            return;
        }
        // Newer, or made read-only: the user's. The same time and size: the
        // copy made last time.
        const bool readOnly = (targetInfo.st_mode & S_IWUSR) == 0;
        const bool sameCopy = targetInfo.st_mtim.tv_sec == sourceInfo.st_mtim.tv_sec &&
                              targetInfo.st_mtim.tv_nsec == sourceInfo.st_mtim.tv_nsec &&
                              targetInfo.st_size == sourceInfo.st_size;
        if (readOnly || sameCopy || IsNewer(TimeOf(targetInfo), TimeOf(sourceInfo))) {
            ++result.kept;
            return;
        }
    } else if (errno != ENOENT) {
        Fail(result, Reason(shown, errno));
        return;
    }

    // The rename replaces whatever stands under the name by then, a link
    // planted meanwhile included, and never writes through it.
    std::string tempName;
    if (const int error = WriteTemp(source.get(), sourceInfo, targetFolder, name, tempName); error != 0) {
        Fail(result, Reason(shown, error));
        return;
    }
    if (::renameat(targetFolder, tempName.c_str(), targetFolder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(targetFolder, tempName.c_str(), 0);
        Fail(result, Reason(shown, error));
        return;
    }
    ++result.copied;
    RemoveStaleTempsAt(targetFolder, name);
}

void CopyFolder(int sourceFolder, int targetFolder, const std::string& prefix, int depth, TreeCopyResult& result) {
    const int listFd = ::dup(sourceFolder);
    DIR* list = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (list == nullptr) {
        if (listFd >= 0) ::close(listFd);
        Fail(result, Reason(prefix.empty() ? "." : prefix, "the shipped folder cannot be listed"));
        return;
    }
    const int copiedBefore = result.copied;
    while (const dirent* entry = ::readdir(list)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string shown = prefix + name;
        struct stat info {};
        if (::fstatat(sourceFolder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode)) {
            CopyFile(sourceFolder, targetFolder, name, shown, result);
        } else if (S_ISDIR(info.st_mode) && depth < kMaxDepth) {
            if (::mkdirat(targetFolder, name.c_str(), 0755) != 0 && errno != EEXIST) {
                Fail(result, Reason(shown, errno));
                continue;
            }
            Fd target(::openat(targetFolder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (target.get() < 0) {
                // A link or a file where the folder belongs stays as it is.
                if (errno == ELOOP || errno == ENOTDIR) result.leftAlone.push_back(shown);
                else Fail(result, Reason(shown, errno));
                continue;
            }
            Fd source(::openat(sourceFolder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (source.get() < 0) {
                Fail(result, Reason(shown, "the shipped folder cannot be opened"));
                continue;
            }
            CopyFolder(source.get(), target.get(), shown + "/", depth + 1, result);
        }
        // Links and other kinds of file in the shipped tree are not part of it.
    }
    ::closedir(list);
    // The renames last through a power cut once the folder is synced.
    if (result.copied != copiedBefore) ::fsync(targetFolder);
}

// Makes folder and its missing parents, each private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

bool IsNewer(const FileTime& target, const FileTime& source) {
    if (target.seconds != source.seconds) return target.seconds > source.seconds;
    return target.nanoseconds > source.nanoseconds;
}

bool CopyTreeByTime(const std::string& source, const std::string& target, TreeCopyResult& result) {
    result = TreeCopyResult();
    if (target.empty() || target[0] != '/') {
        Fail(result, Reason(target, "not an absolute folder"));
        return false;
    }
    if (!MakeFolders(target)) {
        Fail(result, Reason(target, errno));
        return false;
    }
    char* real = ::realpath(target.c_str(), nullptr);
    if (real == nullptr) {
        Fail(result, Reason(target, errno));
        return false;
    }
    const std::string folder = real;
    std::free(real);

    Fd targetFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (targetFd.get() < 0 || ::fstat(targetFd.get(), &info) != 0) {
        Fail(result, Reason(folder, errno));
        return false;
    }
    // Files another user could replace would be read as the user's own settings.
    if (info.st_uid != ::geteuid()) {
        Fail(result, Reason(folder, "the folder belongs to another user"));
        return false;
    }
    if ((info.st_mode & S_IWOTH) != 0) {
        Fail(result, Reason(folder, "every user may write in the folder"));
        return false;
    }
    result.folder = folder;
    Fd sourceFd(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (sourceFd.get() < 0) {
        Fail(result, Reason(source, errno));
        return false;
    }
    CopyFolder(sourceFd.get(), targetFd.get(), "", 0, result);
    return result.error.empty();
}
