#include "setup/CopyRule.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/LzExpand.h"
#include "setup/SetupTexts.h"

namespace {

FileTime TimeOf(const struct stat& info) { return FileTime{info.st_mtim.tv_sec, info.st_mtim.tv_nsec}; }

// The comparison opens both files, as the comparison of their write times
// needs them open: a file that cannot be read is a failed comparison.
bool StatForComparison(const std::string& path, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return ok;
}

// Whether an existing target may be replaced: not when nobody may write it
// (the superuser passes every other check) nor when the user may not.
bool MayReplace(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return true;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool PlainCopy(const std::string& source, const std::string& target) {
    std::string content;
    return ReadWholeFile(source, content) && WriteFileAtomic(target, content);
}

}  // namespace

int CopyByRule(const std::string& source, const std::string& target, CopyKind kind, unsigned mode,
               UserPrompt& prompt) {
    struct stat targetLink {};
    const bool exists = ::lstat(target.c_str(), &targetLink) == 0;
    struct stat sourceInfo {};
    if (exists) {
        struct stat targetInfo {};
        if (!StatForComparison(target, targetInfo) || !StatForComparison(source, sourceInfo)) {
            prompt.Message(setuptext::kTimeStampError, setuptext::kCaption, PromptIcon::kStop);
            return kTimeStampError;
        }
        if (IsNewer(TimeOf(targetInfo), TimeOf(sourceInfo))) return kKeptNewer;
    }
    bool ok = !exists || MayReplace(target);
    if (ok) {
        ok = kind == CopyKind::kExpand ? LzExpandFile(source, target) == kLzOk : PlainCopy(source, target);
    }
    if (ok) ok = ::chmod(target.c_str(), static_cast<mode_t>(mode) & ~CurrentUmask()) == 0;
    if (ok && (exists || StatForComparison(source, sourceInfo))) {
        const struct timespec times[2] = {{0, UTIME_NOW}, sourceInfo.st_mtim};
        ok = ::utimensat(AT_FDCWD, target.c_str(), times, 0) == 0;
    }
    if (!ok) {
        prompt.Message("[" + target + "] " + setuptext::kCopyFailed, setuptext::kCaption, PromptIcon::kStop);
        return kCopyFailed;
    }
    return kCopied;
}
