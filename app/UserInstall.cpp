#include "app/UserInstall.h"

#include <cstdlib>
#include <string>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/MachineList.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"
#include "platform/TreeCopy.h"
#include "platform/UserPrompt.h"

namespace {

constexpr const char* kFolderName = "orvandel";

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The folder as the system has it; empty when it does not exist.
std::string RealFolder(const std::string& folder) {
    if (folder.empty()) return "";
    char* real = ::realpath(folder.c_str(), nullptr);
    if (real == nullptr) return "";
    std::string path = real;
    std::free(real);
    return path;
}

bool HoldsMachineList(const std::string& folder) {
    return IsRegularFile(FindFileNoCase(folder, "MCN_LIST", ".DAT"));
}

}  // namespace

std::string UserInstallFolder() {
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base
    // directory rules say: it would name a different folder in every
    // working folder.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return JoinPath(data, kFolderName);
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/') {
        home = env;
    } else if (const passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_dir != nullptr) {
        home = user->pw_dir;
    }
    if (home.empty() || home[0] != '/') return "";
    return JoinPath(JoinPath(home, ".local/share"), kFolderName);
}

bool HoldsInstallation(const std::string& folder, const std::string& exeName) {
    return !folder.empty() && HoldsMachineList(folder) && IsRegularFile(FindFileNoCase(folder, exeName, ""));
}

InstallChoice ChooseInstallFolder(const std::string& recorded, const std::string& programPath,
                                  const std::string& exeName, const std::string& userFolder) {
    const std::string shipped = ShippedMachinesFolder(programPath);
    // A record of the shipped folder itself is no installation of the user's:
    // its files are the package's and cannot be written.
    if (HoldsInstallation(recorded, exeName) && (shipped.empty() || RealFolder(recorded) != shipped))
        return {recorded, ""};
    if (!shipped.empty()) return {userFolder.empty() ? shipped : userFolder, userFolder.empty() ? "" : shipped};
    return {recorded, ""};
}

std::string PrepareInstallFolder(const InstallChoice& choice, UserPrompt& prompt) {
    if (choice.shipped.empty()) return choice.folder;
    TreeCopyResult copy;
    if (CopyTreeByTime(choice.shipped, choice.folder, copy)) return copy.folder;
    const bool usable = !copy.folder.empty() && HoldsMachineList(copy.folder);
    prompt.Message("The machines could not be copied to " + choice.folder + ":\n" + copy.error + "\n" +
                       (usable ? "Your copy there is used as it is."
                               : "The machines in " + choice.shipped + " are used for this run; they cannot be "
                                                                        "changed."),
                   text::kProgramTitle, PromptIcon::kExclamation);
    return usable ? copy.folder : choice.shipped;
}
