// Uninstalling: what "Install Directory" names is deleted by name, only when
// it is an installation, never following a link, and only once the clean-up
// script for what remains is written.
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "config/RegistrySettings.h"
#include "platform/FileIo.h"
#include "platform/NoFollowFile.h"
#include "platform/PathSearch.h"
#include "platform/RegistryStore.h"
#include "setup/CleanupScript.h"
#include "setup/Installer.h"
#include "setup/SetupTexts.h"

namespace {

bool IsRealFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathPresent(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

void Fail(SetupHost& host, const std::string& text) {
    host.prompt.Message(text, setuptext::kCaption, PromptIcon::kStop);
}

// A regular file of its own (no link, and no link on the way) under path.
bool HoldsRegularFile(const std::string& path) {
    struct stat info {};
    std::string link;
    return StatNoFollow(path, info, link) == NoFollowResult::kOk && S_ISREG(info.st_mode);
}

// Deleting below the install folder never follows a link: a file is removed
// only when every folder between it and the install folder is a real folder
// (a link to elsewhere stays, and is listed as left), and removing a link
// removes the link itself.
class Remover {
public:
    std::vector<std::string> left;

    void File(const std::string& path) {
        if (!PathPresent(path)) return;
        struct stat info {};
        ::lstat(path.c_str(), &info);
        if (S_ISDIR(info.st_mode) || ::unlink(path.c_str()) != 0) left.push_back(path);
    }
    void Folder(const std::string& path) {
        if (!PathPresent(path)) return;
        if (!IsRealFolder(path) || ::rmdir(path.c_str()) != 0) left.push_back(path);
    }
    // A folder below the install folder that may be entered.
    bool Enter(const std::string& path) {
        if (!PathPresent(path)) return false;
        if (IsRealFolder(path)) return true;
        left.push_back(path);
        return false;
    }
};


}  // namespace

bool IsInstallation(const std::string& folder) {
    return HoldsRegularFile(JoinPath(folder, setupname::kProgram)) &&
           HoldsRegularFile(JoinPath(folder, setupname::kMachineList));
}

int RunUninstall(SetupHost& host, std::string* scriptPath) {
    const auto value = host.registry.Query(ProgramRegistryKey(), regname::kInstallDirectory);
    std::string folder;
    if (value && value->type == RegistryValue::Type::kString) {
        folder.assign(value->data.begin(), value->data.end());
        while (!folder.empty() && folder.back() == '\0') folder.pop_back();
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Relative names would be taken from the current folder, an empty one
    // from the root: neither is an installation.
    if (!IsUsableFolderName(folder)) {
        Fail(host, WithValue(setuptext::kBadInstallDirectory, folder));
        return kSetupFailed;
    }
    // "/", a home folder, an empty folder or one emptied by hand: setup
    // deletes by name, and only where it finds its own program and list.
    if (!IsInstallation(folder)) {
        Fail(host, WithValue(WithProduct(setuptext::kNotAnInstallation), folder));
        return kSetupFailed;
    }
    // The script first: the shared temporary folder may refuse it, and an
    // uninstall that then stopped would have deleted everything but the
    // means to finish.
    std::string script;
    if (!WriteCleanupScript(folder, setupname::kSetupProgram, script)) {
        Fail(host, WithValue(setuptext::kScriptNotWritten, TempFolder() + setupname::kCleanupScriptPrefix + "XXXXXX" +
                                                              setupname::kCleanupScriptSuffix) +
                       "\nNothing was deleted.");
        return kSetupFailed;
    }

    Remover remove;
    std::vector<SetupMachine> machines = ShippedMachines();
    remove.File(JoinPath(folder, setupname::kMachineList));
    std::vector<bool> entered;
    for (const SetupMachine& machine : machines) {
        const std::string machineFolder = JoinPath(folder, machine.folder);
        entered.push_back(remove.Enter(machineFolder));
        if (entered.back()) remove.File(JoinPath(machineFolder, setupname::kSettings));
    }
    remove.File(JoinPath(folder, setupname::kProgram));
    remove.File(JoinPath(folder, setupname::kPicture));
    remove.File(JoinPath(folder, setupname::kColourPicture));
    for (std::size_t i = 0; i < machines.size(); ++i)
        if (entered[i]) remove.File(JoinPath(JoinPath(folder, machines[i].folder), setupname::kDefinition));
    machines.push_back(OldestMachine());
    entered.push_back(PathPresent(JoinPath(folder, OldestMachine().folder)) && IsRealFolder(JoinPath(folder, OldestMachine().folder)));
    for (std::size_t i = 0; i < machines.size(); ++i) {
        if (!entered[i]) continue;
        const std::string machineFolder = JoinPath(folder, machines[i].folder);
        const std::string work = JoinPath(machineFolder, setupname::kWorkFolder);
        if (i < kShippedMachineCount && remove.Enter(work)) remove.File(JoinPath(work, setupname::kStandardData));
        remove.Folder(work);
        remove.Folder(machineFolder);
    }
    // The oldest machine's folder when it is a link: reported, not followed.
    if (!entered.back()) remove.Enter(JoinPath(folder, OldestMachine().folder));
    for (const std::string& shortcutFolder : {host.shortcuts.applications, host.shortcuts.desktop})
        if (!shortcutFolder.empty()) remove.File(JoinPath(shortcutFolder, setupname::kShortcut));
    if (!host.registry.DeleteKey(setupreg::kUninstallKey)) remove.left.push_back(setupreg::kUninstallKey);

    if (!remove.left.empty()) {
        ::unlink(script.c_str());
        std::string text = setuptext::kNotAllDeleted;
        text += "\n";
        for (const std::string& path : remove.left) text += "[" + path + "]\n";
        text.pop_back();
        host.prompt.Message(text, setuptext::kCaption, PromptIcon::kExclamation);
        return kSetupFailed;
    }

    host.registry.SetString(setupreg::kRunOnceKey, setupreg::kRunOnceValue, script);
    if (scriptPath != nullptr) *scriptPath = script;
    // Nothing here runs the registry's RunOnce entries: the message says how.
    host.prompt.Message(std::string(setuptext::kUninstalled) + "\n\n" +
                            WithValue(setuptext::kRunCleanupScript, "sh " + ShellQuote(script)),
                        setuptext::kCaption, PromptIcon::kInformation);
    return kSetupOk;
}
