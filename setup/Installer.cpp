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
#include "platform/NoFollowFile.h"
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
constexpr unsigned kDesktopEntryMode = 0755;   // file managers start only trusted, executable entries

// A definition file ("RV_Tune" with ".st0" or ".stz", any letter case).
bool HoldsDefinition(const std::string& folder) {
    return !FindFileNoCase(folder, "RV_Tune", ".st0").empty() || !FindFileNoCase(folder, "RV_Tune", ".stz").empty();
}

void Fail(SetupHost& host, const std::string& text) {
    host.prompt.Message(text, setuptext::kCaption, PromptIcon::kStop);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Opens (making it when missing) a folder setup writes into, without
// following a link; a link on the way or a folder that cannot be made
// stops the install with its message.
bool MakeFolder(SetupHost& host, const std::string& path) {
    int fd = -1;
    std::string link;
    const NoFollowResult result = OpenFolderNoFollow(path, true, fd, link);
    if (fd >= 0) ::close(fd);
    if (result == NoFollowResult::kLink) ReportLink(link, host.prompt);
    else if (result != NoFollowResult::kOk) Fail(host, WithValue(setuptext::kFolderNotCreated, path));
    return result == NoFollowResult::kOk;
}

// Writes text as path without following a link, the time now.
bool WriteSafely(SetupHost& host, const std::string& path, const std::string& text, unsigned mode) {
    std::string link;
    const NoFollowResult result = WriteNoFollow(path, text, mode, nullptr, link);
    if (result == NoFollowResult::kLink) ReportLink(link, host.prompt);
    else if (result != NoFollowResult::kOk) Fail(host, WithValue(setuptext::kFileNotWritten, path));
    return result == NoFollowResult::kOk;
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

// A shortcut folder is the user's own: a link in its path (a desktop kept on
// another disk) is resolved once, like the install folder; below it, and at
// the entry itself, nothing is followed.
bool WriteShortcut(SetupHost& host, const std::string& folder, const std::string& entry, bool makeFolder,
                   unsigned mode) {
    std::string real;
    if (!ResolveFolder(folder, real)) {
        if (!makeFolder) return true;   // no desktop to be found: no desktop shortcut
        Fail(host, WithValue(setuptext::kFolderNotCreated, folder));
        return false;
    }
    if (!makeFolder) {
        struct stat info {};
        if (::stat(real.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return true;
    }
    return MakeFolder(host, real) && WriteSafely(host, JoinPath(real, setupname::kShortcut), entry, mode);
}

bool WriteShortcuts(const InstallPlan& plan, SetupHost& host) {
    const std::string entry =
        DesktopEntryText(JoinPath(plan.targetFolder, setupname::kProgram), plan.targetFolder,
                         JoinPath(plan.targetFolder, setupname::kPicture));
    // The desktop gets its shortcut when the user has a desktop folder; none is made.
    return (host.shortcuts.applications.empty() ||
            WriteShortcut(host, host.shortcuts.applications, entry, true, kFileMode & ~CurrentUmask())) &&
           (host.shortcuts.desktop.empty() ||
            WriteShortcut(host, host.shortcuts.desktop, entry, false, kDesktopEntryMode));
}

// The script a previous uninstall left: removed with its value. Only a
// regular file of the user's under a script's name is deleted, whatever the
// value says.
void RemoveCleanupScript(SetupHost& host) {
    const auto value = host.registry.Query(setupreg::kRunOnceKey, setupreg::kRunOnceValue);
    if (!value) return;
    std::string path(value->data.begin(), value->data.end());
    while (!path.empty() && path.back() == '\0') path.pop_back();
    RemoveCleanupScriptFile(path);
    host.registry.DeleteValue(setupreg::kRunOnceKey, setupreg::kRunOnceValue);
}

// The machine list before the copy: a link is refused; a list someone made
// read-only is theirs when it is newer than the package (the copy rule keeps
// it and the rewrite clears read-only), and refused when the copy would
// replace it, or when it is not the user's to make writable.
bool CheckMachineList(SetupHost& host, const std::string& list, const std::string& source) {
    struct stat info {};
    const NoFollowResult state = StatReportingLink(list, info, host.prompt);
    if (state == NoFollowResult::kLink) return false;
    if (state != NoFollowResult::kOk || !S_ISREG(info.st_mode)) return true;   // the copy rule reports the rest
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
        ::faccessat(AT_FDCWD, list.c_str(), W_OK, AT_EACCESS) == 0)
        return true;
    struct stat sourceInfo {};
    const bool newer = ::stat(source.c_str(), &sourceInfo) == 0 &&
                       IsNewer({info.st_mtim.tv_sec, info.st_mtim.tv_nsec},
                               {sourceInfo.st_mtim.tv_sec, sourceInfo.st_mtim.tv_nsec});
    const bool ours = info.st_uid == ::geteuid() || ::geteuid() == 0;
    if (newer && ours) return true;
    Fail(host, WithValue(setuptext::kReadOnlyFile, list));
    return false;
}

// Step 3's rewrite: the rows, one a line, with read-only cleared.
bool RewriteMachineList(SetupHost& host, const std::string& list, const std::vector<std::string>& rows) {
    struct stat info {};
    const NoFollowResult state = StatReportingLink(list, info, host.prompt);
    if (state == NoFollowResult::kLink) return false;
    const unsigned mode = state == NoFollowResult::kOk ? (info.st_mode & 07777) | S_IWUSR : kFileMode & ~CurrentUmask();
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return WriteSafely(host, list, text, mode);
}

// Step 7 for one machine: PATH1 and PATH2 written when PATH1 is empty.
bool WriteWorkFolder(SetupHost& host, const std::string& machineFolder) {
    const std::string path = JoinPath(machineFolder, setupname::kSettings);
    std::string text;
    std::string link;
    struct stat info {};
    NoFollowResult state = StatNoFollow(path, info, link);
    if (state == NoFollowResult::kOk) state = ReadNoFollow(path, text, link);
    if (state == NoFollowResult::kLink) {
        ReportLink(link, host.prompt);
        return false;
    }
    // Step 5 left the file: one that cannot be read now is not rewritten blind.
    if (state != NoFollowResult::kOk || text.size() > kMaxInputFileSize) {
        Fail(host, WithValue(setuptext::kFileNotWritten, path));
        return false;
    }
    if (!ProfileFile::StringIn(text, "DIRECTORY", "PATH1", "").empty()) return true;
    if (!ProfileFile::SetStrings(text, "DIRECTORY",
                                 {{"PATH1", JoinPath(machineFolder, setupname::kWorkFolder)}, {"PATH2", ""}})) {
        Fail(host, WithValue(setuptext::kFileNotWritten, path));
        return false;
    }
    return WriteSafely(host, path, text, info.st_mode & 07777);
}

}  // namespace

bool IsUsableFolderName(const std::string& folder) {
    if (folder.empty() || folder.front() != '/') return false;
    for (char c : folder)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

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
    if (!IsUsableFolderName(folder)) return FolderCheck::kInvalid;
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

bool ConfirmMachineSelection(const InstallPlan& plan, UserPrompt& prompt) {
    for (bool selected : plan.selected)
        if (selected) return true;
    prompt.Message(setuptext::kNoMachineSelected, setuptext::kCaption, PromptIcon::kStop);
    return false;
}

int RunInstall(const InstallPlan& givenPlan, SetupHost& host, const std::function<void(int)>& progress) {
    auto advance = [&](int step) {
        if (progress) progress(step);
    };
    // RV_Tune alone, with no machine to choose, could only say so and exit.
    if (!ConfirmMachineSelection(givenPlan, host.prompt)) return kSetupFailed;
    // A target that is a link, or lies below one, is resolved once: the real
    // folder is what is recorded and written, and from here on no link is followed.
    InstallPlan plan = givenPlan;
    if (!ResolveFolder(givenPlan.targetFolder, plan.targetFolder) ||
        CheckInstallFolder(plan.targetFolder) != FolderCheck::kExists) {
        Fail(host, WithValue(setuptext::kFolderInvalid, givenPlan.targetFolder));
        return kSetupFailed;
    }
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

    // 3. The machine list.
    const std::string list = JoinPath(target, setupname::kMachineList);
    if (!CheckMachineList(host, list, JoinPath(source, setupname::kMachineList)) ||
        !copy(setupname::kMachineList, list, CopyKind::kPlain, kFileMode) ||
        (!rows.empty() && !RewriteMachineList(host, list, rows)))
        return kSetupFailed;
    advance(3);

    // 4. The machine folders and their work folders.
    for (std::size_t i = 0; i < machines.size(); ++i) {
        if (!plan.selected[i]) continue;
        const std::string folder = JoinPath(target, machines[i].folder);
        if (!MakeFolder(host, folder) || !MakeFolder(host, JoinPath(folder, setupname::kWorkFolder)))
            return kSetupFailed;
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
    for (std::size_t i = 0; i < machines.size(); ++i)
        if (plan.selected[i] && !WriteWorkFolder(host, JoinPath(target, machines[i].folder))) return kSetupFailed;
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
