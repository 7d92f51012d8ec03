#include "setup/CleanupScript.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "setup/SetupTexts.h"

namespace {

constexpr std::size_t kUniqueLetters = 6;   // the XXXXXX mkstemps fills in

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    out += '\'';
    return out;
}

std::string CleanupScriptText(const std::string& installFolder, const std::string& setupName,
                              const std::string& scriptPath) {
    const std::string program = ShellQuote(installFolder + "/" + setupName);
    const std::string folder = ShellQuote(installFolder);
    std::string text = "#!/bin/sh\n";
    text += "if [ -f " + program + " ]; then rm -f -- " + program + "; fi\n";
    text += "if [ -d " + folder + " ]; then rmdir -- " + folder + "; fi\n";
    text += "echo 'Orvandel UnInstaller finished'\n";
    text += "echo 'Please close this window'\n";
    text += "rm -f -- " + ShellQuote(scriptPath);   // the last line, without a line end
    return text;
}

bool WriteCleanupScript(const std::string& installFolder, const std::string& setupName, std::string& path) {
    const std::string suffix = setupname::kCleanupScriptSuffix;
    std::string name = TempFolder() + setupname::kCleanupScriptPrefix + std::string(kUniqueLetters, 'X') + suffix;
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    // O_CREAT | O_EXCL with a name nobody could know: a link or file planted
    // in the shared folder is never opened.
    const int fd = ::mkstemps(buffer.data(), static_cast<int>(suffix.size()));
    if (fd < 0) return false;
    path = buffer.data();
    bool ok = ::fchmod(fd, 0700) == 0 && WriteAll(fd, CleanupScriptText(installFolder, setupName, path)) &&
              ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

bool IsCleanupScriptName(const std::string& name) {
    if (name == setupname::kCleanupScriptLegacy) return true;
    const std::string prefix = setupname::kCleanupScriptPrefix;
    const std::string suffix = setupname::kCleanupScriptSuffix;
    if (name.size() != prefix.size() + kUniqueLetters + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < prefix.size() + kUniqueLetters; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

void RemoveCleanupScriptFile(const std::string& path) {
    struct stat info {};
    if (!IsCleanupScriptName(FileNamePart(path)) || ::lstat(path.c_str(), &info) != 0) return;
    if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) ::unlink(path.c_str());
}
