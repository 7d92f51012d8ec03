#pragma once
// Installing and uninstalling: the steps, in order, without any window. The
// pages and the unattended mode both run these.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/UserPrompt.h"
#include "setup/MachineTable.h"
#include "setup/Shortcuts.h"

class RegistryStore;

// What the install and uninstall reach outside the folders they are given.
struct SetupHost {
    RegistryStore& registry;
    UserPrompt& prompt;
    ShortcutFolders shortcuts;
};

enum SetupResult : int { kSetupOk = 0, kSetupFailed = 1 };

// The distribution folder: the current folder with a "/" at its end; empty
// when the packaged program is not in it (the program then only says so).
std::string DistributionFolder(const std::string& currentFolder);

// The destination first offered: "Install Directory", else ProgramFilesDir
// with VOZA/RV_Tune appended, else that below the home folder.
std::string DefaultDestination(const RegistryStore& registry, const std::string& home);

// An absolute path without control characters (a line end in a folder name
// would break every list and entry that names it).
bool IsUsableFolderName(const std::string& folder);

enum class FolderCheck { kExists, kMissing, kInvalid };
// A usable install folder is an absolute path without control characters
// (a line end in a folder name would break every list and entry that names
// it) that is a folder or does not exist yet. folder comes back without
// trailing "/" (the root stays "/").
FolderCheck CheckInstallFolder(std::string& folder);

// The checks before installing with their messages: a missing folder is
// offered for creation, an invalid one refused. True when the folder exists
// afterwards.
bool ConfirmInstallFolder(std::string& folder, UserPrompt& prompt);

struct InstallPlan {
    std::string sourceFolder;   // the distribution folder
    std::string targetFolder;   // checked and existing
    std::array<bool, kShippedMachineCount> selected{{true, true, true, true, true, true}};
};

constexpr int kInstallStepCount = 9;

// True when plan selects a machine; else says so ("No machine is selected...").
bool ConfirmMachineSelection(const InstallPlan& plan, UserPrompt& prompt);

// The install steps in order; progress(step) after each (1 to 9). A plan
// without a machine is refused before anything is written. The target
// folder is resolved to the real folder first (a link to it, or above it,
// is followed once, here), and that folder is recorded and written; below
// it no link is followed: a link found where setup would write stops the
// install with a message naming it. Reports the first failure and stops
// there (files already copied stay); on success removes the clean-up
// script a previous uninstall left and shows the end message.
int RunInstall(const InstallPlan& plan, SetupHost& host, const std::function<void(int)>& progress = {});

// The machine-list rows the install writes: selected machines, machines
// whose folder holds a definition and settings file already, and the oldest
// machine when its folder holds a definition.
std::vector<std::string> CollectListRows(const InstallPlan& plan);

// True when folder holds what setup installed: the program and the machine
// list, regular files reached without a link.
bool IsInstallation(const std::string& folder);

// Uninstalls what "Install Directory" names. scriptPath receives the
// clean-up script's path when everything went. An empty or relative
// "Install Directory", or a folder that is no installation, deletes nothing
// and writes no script. The script is written before anything is deleted,
// and removed again when something stays; the end message names it and how
// to run it.
int RunUninstall(SetupHost& host, std::string* scriptPath = nullptr);
