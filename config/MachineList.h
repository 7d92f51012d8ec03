#pragma once
// The machine list "MCN_LIST.DAT" in the installation folder and the choices
// of the Machine Select dialog. The dialog only shows the list and asks these
// functions what to do.
#include <optional>
#include <string>
#include <vector>

#include "platform/UserPrompt.h"

class RegistryStore;
struct RegistrySettings;

struct MachineEntry {
    std::string title;    // display name, stored as MachineName
    std::string second;   // required, not used further (the maker word)
    std::string folder;   // the machine's folder under the installation folder
    int readCount = 30;   // size / 16 + 1, or 30
};

// One line "title,second,folder[,size[,...]]"; nothing for a line without two
// commas or with an empty title, second field or folder. Fields are not
// trimmed; a line end's carriage return is not part of the line.
std::optional<MachineEntry> ParseMachineLine(const std::string& line);
// The entries of the list file in file order; empty when it cannot be read.
std::vector<MachineEntry> ReadMachineList(const std::string& path);

enum class MachineSelectStep { kStayOpen, kCloseOk, kCloseCancel, kExitProcess };

// OK on the entry at selected (-1: nothing selected). Asks before replacing a
// recorded machine; records the choice in the registry and in settings.
MachineSelectStep MachineSelectOk(const std::vector<MachineEntry>& entries, int selected,
                                  RegistrySettings& settings, RegistryStore& store,
                                  UserPrompt& prompt);
// Cancel: closes when a machine is recorded, else asks whether to end the
// program.
MachineSelectStep MachineSelectCancel(const RegistrySettings& settings, UserPrompt& prompt);

// The machines a package installs beside the programs: share/orvandel next
// to the folder of programPath, or one level further up (RV_Tune itself lives
// in lib/orvandel/ with its start-up pictures). The first that holds
// "MCN_LIST.DAT", or empty. A user of the package works in a copy of it
// (app/UserInstall).
std::string ShippedMachinesFolder(const std::string& programPath);

// The entry whose folder is code (letter case ignored), or nothing.
std::optional<MachineEntry> FindMachineByFolder(const std::vector<MachineEntry>& entries, const std::string& code);
