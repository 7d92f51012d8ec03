#include "setup/CopyRule.h"

#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/LzExpand.h"
#include "platform/NoFollowFile.h"
#include "setup/SetupTexts.h"

namespace {

FileTime TimeOf(const struct stat& info) { return FileTime{info.st_mtim.tv_sec, info.st_mtim.tv_nsec}; }

// The comparison opens the source, as the comparison of write times needs
// it open: a file that cannot be read is a failed comparison.
bool StatSource(const std::string& path, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return ok;
}

// Whether an existing target (a regular file, no link) may be replaced: not
// when nobody may write it (the superuser passes every other check) nor when
// the user may not.
bool MayReplace(const std::string& target, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The bytes the target gets: the source expanded, or as it is.
bool TargetContent(const std::string& source, CopyKind kind, std::string& content) {
    std::string raw;
    if (!ReadWholeFile(source, raw)) return false;
    if (kind == CopyKind::kPlain) {
        content.swap(raw);
        return true;
    }
    return LzExpandBuffer(raw, content) == kLzOk;
}

}  // namespace

void ReportLink(const std::string& link, UserPrompt& prompt) {
    prompt.Message(WithValue(setuptext::kLinkFound, link), setuptext::kCaption, PromptIcon::kStop);
}

NoFollowResult StatReportingLink(const std::string& path, struct stat& info, UserPrompt& prompt) {
    std::string link;
    const NoFollowResult state = StatNoFollow(path, info, link);
    if (state == NoFollowResult::kLink) ReportLink(link, prompt);
    return state;
}

int CopyByRule(const std::string& source, const std::string& target, CopyKind kind, unsigned mode,
               UserPrompt& prompt) {
    struct stat targetInfo {};
    const NoFollowResult state = StatReportingLink(target, targetInfo, prompt);
    if (state == NoFollowResult::kLink) return kLinkFound;
    // A target that cannot even be looked at is left to the write, which fails.
    const bool exists = state == NoFollowResult::kOk;
    struct stat sourceInfo {};
    if (exists) {
        if (!S_ISREG(targetInfo.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), R_OK, AT_EACCESS) != 0 ||
            !StatSource(source, sourceInfo)) {
            prompt.Message(setuptext::kTimeStampError, setuptext::kCaption, PromptIcon::kStop);
            return kTimeStampError;
        }
        if (IsNewer(TimeOf(targetInfo), TimeOf(sourceInfo))) return kKeptNewer;
    }
    std::string content;
    bool ok = (!exists || MayReplace(target, targetInfo)) && (exists || StatSource(source, sourceInfo)) &&
              TargetContent(source, kind, content);
    if (ok) {
        std::string link;
        const NoFollowResult written =
            WriteNoFollow(target, content, static_cast<mode_t>(mode) & ~CurrentUmask(), &sourceInfo.st_mtim, link);
        if (written == NoFollowResult::kLink) {
            ReportLink(link, prompt);
            return kLinkFound;
        }
        ok = written == NoFollowResult::kOk;
    }
    if (!ok) {
        prompt.Message("[" + target + "] " + setuptext::kCopyFailed, setuptext::kCaption, PromptIcon::kStop);
        return kCopyFailed;
    }
    return kCopied;
}
