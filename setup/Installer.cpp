#include "setup/Installer.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/RegistrySettings.h"
#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"
#include "setup/CleanupScript.h"
#include "setup/CopyRule.h"
#include "setup/SetupTexts.h"

namespace fs = std::filesystem;

std::string WithProduct(const std::string& text) {
    std::string out = text;
    for (std::size_t at = out.find("%1"); at != std::string::npos; at = out.find("%1", at + 1))
        out.replace(at, 2, setuptext::kProduct);
    return out;
}

std::string WithValue(const std::string& text, const std::string& value) {
    std::string out = text;
    const std::size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

namespace {

constexpr unsigned kFileMode = 0666;
constexpr unsigned kProgramMode = 0777;

bool IsRealFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathPresent(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool HasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// A definition file ("RV_Tune" with ".st0" or ".stz", any letter case).
bool HoldsDefinition(const std::string& folder) {
    return !FindFileNoCase(folder, "RV_Tune", ".st0").empty() || !FindFileNoCase(folder, "RV_Tune", ".stz").empty();
}

void Fail(SetupHost& host, const std::string& text) {
    host.prompt.Message(text, setuptext::kCaption, PromptIcon::kStop);
}

bool MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directory(path, error);
    return IsRealFolder(path);
}

// The registry values that tell RV_Tune where it is and how to uninstall it.
bool WriteRegistry(const InstallPlan& plan, SetupHost& host) {
    RegistryStore& reg = host.registry;
    return reg.SetValues(
        {{ProgramRegistryKey(), regname::kInstallDirectory, RegistryStore::StringValue(plan.targetFolder)},
         {setupreg::kUninstallKey, setupreg::kDisplayName, RegistryStore::StringValue(setuptext::kProduct)},
         {setupreg::kUninstallKey, setupreg::kUninstallString,
          RegistryStore::StringValue(JoinPath(plan.targetFolder, setupname::kSetupProgram) + " /R")}});
}

bool WriteShortcuts(const InstallPlan& plan, SetupHost& host) {
    const std::string entry =
        DesktopEntryText(JoinPath(plan.targetFolder, setupname::kProgram), plan.targetFolder,
                         JoinPath(plan.targetFolder, setupname::kPicture));
    bool ok = true;
    if (!host.shortcuts.applications.empty()) {
        std::error_code error;
        fs::create_directories(host.shortcuts.applications, error);
        const std::string path = JoinPath(host.shortcuts.applications, setupname::kShortcut);
        if (!WriteFileAtomic(path, entry)) {
            Fail(host, WithValue(setuptext::kFileNotWritten, path));
            ok = false;
        }
    }
    // The desktop gets its shortcut when the user has a desktop folder; none is made.
    if (ok && !host.shortcuts.desktop.empty() && IsRealFolder(host.shortcuts.desktop)) {
        const std::string path = JoinPath(host.shortcuts.desktop, setupname::kShortcut);
        if (WriteFileAtomic(path, entry)) {
            ::chmod(path.c_str(), 0755);   // file managers start only trusted, executable entries
        } else {
            Fail(host, WithValue(setuptext::kFileNotWritten, path));
            ok = false;
        }
    }
    return ok;
}

// The script a previous uninstall left: removed with its value. Only a
// regular file under the script's own name is deleted, whatever the value says.
void RemoveCleanupScript(SetupHost& host) {
    const auto value = host.registry.Query(setupreg::kRunOnceKey, setupreg::kRunOnceValue);
    if (!value) return;
    std::string path(value->data.begin(), value->data.end());
    while (!path.empty() && path.back() == '\0') path.pop_back();
    struct stat info {};
    if (FileNamePart(path) == setupname::kCleanupScript && ::lstat(path.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode))
        ::unlink(path.c_str());
    host.registry.DeleteValue(setupreg::kRunOnceKey, setupreg::kRunOnceValue);
}

// Writes the clean-up script fresh: whatever stood under its name in the
// shared temporary folder (a link planted there included) goes first, and
// the new file is created only if nobody made one in between.
bool WriteCleanupScript(const std::string& path, const std::string& text) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(path.c_str());
    return ok;
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

std::string DistributionFolder(const std::string& currentFolder) {
    std::string folder = currentFolder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    struct stat info {};
    const std::string program = folder + setupname::kPackedProgram;
    if (::stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
    return folder;
}

std::string DefaultDestination(const RegistryStore& registry, const std::string& home) {
    auto text = [&](const std::string& key, const char* name) {
        const auto value = registry.Query(key, name);
        if (!value || value->type != RegistryValue::Type::kString) return std::string();
        std::string out(value->data.begin(), value->data.end());
        while (!out.empty() && out.back() == '\0') out.pop_back();
        return out;
    };
    const std::string installed = text(ProgramRegistryKey(), regname::kInstallDirectory);
    if (!installed.empty()) return installed;
    const std::string programs = text(setupreg::kCurrentVersionKey, setupreg::kProgramFilesDir);
    if (!programs.empty()) return JoinPath(programs, setupreg::kVendorFolder);
    return home.empty() ? "" : JoinPath(home, setupreg::kVendorFolder);
}

FolderCheck CheckInstallFolder(std::string& folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || folder.front() != '/' || HasControlCharacter(folder)) return FolderCheck::kInvalid;
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? FolderCheck::kExists : FolderCheck::kInvalid;
    return errno == ENOENT ? FolderCheck::kMissing : FolderCheck::kInvalid;
}

bool ConfirmInstallFolder(std::string& folder, UserPrompt& prompt) {
    switch (CheckInstallFolder(folder)) {
    case FolderCheck::kExists:
        return true;
    case FolderCheck::kInvalid:
        prompt.Message(WithValue(setuptext::kFolderInvalid, folder), setuptext::kCaption, PromptIcon::kStop);
        return false;
    case FolderCheck::kMissing:
        break;
    }
    if (prompt.Ask(WithValue(setuptext::kFolderMissing, folder), setuptext::kCaption, PromptButtons::kYesNo,
                   PromptIcon::kQuestion, PromptAnswer::kYes) != PromptAnswer::kYes)
        return false;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || CheckInstallFolder(folder) != FolderCheck::kExists) {
        prompt.Message(WithValue(setuptext::kFolderNotCreated, folder), setuptext::kCaption, PromptIcon::kStop);
        return false;
    }
    return true;
}

std::vector<std::string> CollectListRows(const InstallPlan& plan) {
    std::vector<std::string> rows;
    const auto& machines = ShippedMachines();
    for (std::size_t i = 0; i < machines.size(); ++i) {
        const std::string folder = JoinPath(plan.targetFolder, machines[i].folder);
        if (plan.selected[i] || (HoldsDefinition(folder) && !FindFileNoCase(folder, "RV_Tune", ".ini").empty()))
            rows.push_back(machines[i].listRow);
    }
    if (HoldsDefinition(JoinPath(plan.targetFolder, OldestMachine().folder))) rows.push_back(OldestMachine().listRow);
    return rows;
}

int RunInstall(const InstallPlan& plan, SetupHost& host, const std::function<void(int)>& progress) {
    auto advance = [&](int step) {
        if (progress) progress(step);
    };
    const std::string& source = plan.sourceFolder;
    const std::string& target = plan.targetFolder;
    auto copy = [&](const std::string& from, const std::string& to, CopyKind kind, unsigned mode) {
        return CopySucceeded(CopyByRule(JoinPath(source, from), to, kind, mode, host.prompt));
    };
    const auto& machines = ShippedMachines();

    // 1. The program and its two pictures.
    if (!copy(setupname::kPackedProgram, JoinPath(target, setupname::kProgram), CopyKind::kExpand, kProgramMode) ||
        !copy(setupname::kPackedPicture, JoinPath(target, setupname::kPicture), CopyKind::kExpand, kFileMode) ||
        !copy(setupname::kPackedColourPicture, JoinPath(target, setupname::kColourPicture), CopyKind::kExpand,
              kFileMode))
        return kSetupFailed;
    advance(1);

    // 2. The rows the machine list will hold.
    const std::vector<std::string> rows = CollectListRows(plan);
    advance(2);

    // 3. The machine list. A list someone made read-only is theirs: it is
    // reported and left as it is rather than made writable behind their back.
    const std::string list = JoinPath(target, setupname::kMachineList);
    struct stat listInfo {};
    if (::stat(list.c_str(), &listInfo) == 0 &&
        ((listInfo.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         ::faccessat(AT_FDCWD, list.c_str(), W_OK, AT_EACCESS) != 0)) {
        Fail(host, WithValue(setuptext::kReadOnlyFile, list));
        return kSetupFailed;
    }
    if (!copy(setupname::kMachineList, list, CopyKind::kPlain, kFileMode)) return kSetupFailed;
    if (!rows.empty()) {
        std::string text;
        for (const std::string& row : rows) text += row + "\n";
        if (!WriteFileAtomic(list, text)) {
            Fail(host, WithValue(setuptext::kFileNotWritten, list));
            return kSetupFailed;
        }
    }
    advance(3);

    // 4. The machine folders and their work folders.
    for (std::size_t i = 0; i < machines.size(); ++i) {
        if (!plan.selected[i]) continue;
        const std::string folder = JoinPath(target, machines[i].folder);
        for (const std::string& path : {folder, JoinPath(folder, setupname::kWorkFolder)}) {
            if (!MakeFolder(path)) {
                Fail(host, WithValue(setuptext::kFolderNotCreated, path));
                return kSetupFailed;
            }
        }
    }
    advance(4);

    // 5. Each machine's settings, definition (kept packed: RV_Tune expands
    // it at every start) and standard calibration.
    for (std::size_t i = 0; i < machines.size(); ++i) {
        if (!plan.selected[i]) continue;
        const SetupMachine& machine = machines[i];
        const std::string folder = JoinPath(target, machine.folder);
        if (!copy(machine.packedSettings, JoinPath(folder, setupname::kSettings), CopyKind::kExpand, kFileMode) ||
            !copy(machine.packedDefinition, JoinPath(folder, setupname::kDefinition), CopyKind::kPlain, kFileMode) ||
            !copy(machine.packedStandard, JoinPath(JoinPath(folder, setupname::kWorkFolder), setupname::kStandardData),
                  CopyKind::kExpand, kFileMode))
            return kSetupFailed;
    }
    advance(5);

    // 6. The setup program itself, for the uninstall.
    if (!copy(setupname::kSetupProgram, JoinPath(target, setupname::kSetupProgram), CopyKind::kPlain, kProgramMode))
        return kSetupFailed;
    advance(6);

    // 7. A machine without a data folder gets its work folder.
    for (std::size_t i = 0; i < machines.size(); ++i) {
        if (!plan.selected[i]) continue;
        const std::string folder = JoinPath(target, machines[i].folder);
        ProfileFile settings(JoinPath(folder, setupname::kSettings));
        if (!settings.ReadString("DIRECTORY", "PATH1", "").empty()) continue;
        if (!settings.WriteStrings("DIRECTORY", {{"PATH1", JoinPath(folder, setupname::kWorkFolder)}, {"PATH2", ""}})) {
            Fail(host, WithValue(setuptext::kFileNotWritten, settings.Path()));
            return kSetupFailed;
        }
    }
    advance(7);

    // 8. The registry. Without "Install Directory" RV_Tune finds nothing, so
    // a registry file that cannot be written fails the install.
    if (!WriteRegistry(plan, host)) {
        Fail(host, WithValue(setuptext::kRegistryNotWritten, host.registry.Path()));
        return kSetupFailed;
    }
    advance(8);

    // 9. The shortcuts.
    if (!WriteShortcuts(plan, host)) return kSetupFailed;
    advance(9);

    RemoveCleanupScript(host);
    host.prompt.Message(WithProduct(setuptext::kFinished), setuptext::kCaption, PromptIcon::kInformation);
    return kSetupOk;
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
    if (folder.empty() || folder.front() != '/' || HasControlCharacter(folder)) {
        Fail(host, WithValue(setuptext::kBadInstallDirectory, folder));
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
        std::string text = setuptext::kNotAllDeleted;
        text += "\n";
        for (const std::string& path : remove.left) text += "[" + path + "]\n";
        text.pop_back();
        host.prompt.Message(text, setuptext::kCaption, PromptIcon::kExclamation);
        return kSetupFailed;
    }

    const std::string script = TempFolder() + setupname::kCleanupScript;
    if (!WriteCleanupScript(script, CleanupScriptText(folder, setupname::kSetupProgram, script))) {
        Fail(host, WithValue(setuptext::kScriptNotWritten, script));
        return kSetupFailed;
    }
    host.registry.SetString(setupreg::kRunOnceKey, setupreg::kRunOnceValue, script);
    if (scriptPath != nullptr) *scriptPath = script;
    host.prompt.Message(setuptext::kUninstalled, setuptext::kCaption, PromptIcon::kInformation);
    return kSetupOk;
}
