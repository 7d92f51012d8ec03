#pragma once
// Which installation a run uses. setup records its folder as "Install
// Directory"; the Debian package writes no registry and ships its machines
// read-only beside the programs, so a user of the package gets a copy of
// them of their own, made at the first start and brought up to date at
// every start by the copy rule (a file the user changed since stays).
#include <string>

class UserPrompt;

// The user's copy of the shipped machines: $XDG_DATA_HOME/orvandel when that
// is an absolute path, else ~/.local/share/orvandel; empty without a home.
std::string UserInstallFolder();

// Whether folder holds what setup installs there: the machine list and the
// program exeName, as regular files.
bool HoldsInstallation(const std::string& folder, const std::string& exeName);

struct InstallChoice {
    std::string folder;    // the installation folder of this run
    std::string shipped;   // not empty: folder is the user's copy of these machines
};

// The recorded folder while it holds an installation (other than the
// shipped machines themselves); else, for a program run from the package,
// the user's copy of its machines (the shipped folder itself without a
// home); else the recorded folder as it is.
InstallChoice ChooseInstallFolder(const std::string& recorded, const std::string& programPath,
                                  const std::string& exeName, const std::string& userFolder);

// The folder the run uses, the user's copy brought up to date first. When
// the copy fails the prompt says why, and the run goes on with the user's
// copy if it holds a machine list, else with the shipped machines.
std::string PrepareInstallFolder(const InstallChoice& choice, UserPrompt& prompt);
