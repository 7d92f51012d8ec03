#pragma once
// The RS232C parameter dialog without its window. It carries a radio group
// for every line setting, but the line settings are fixed by the settings
// file: only the port group is shown. OK needs a choice in every group.
#include <string>

class Monitor;
class ProfileFile;
class RegistryStore;
class SerialLink;
struct MachineConfig;

// The serial codes of the link; -1 where a group has no choice.
struct SerialCodes {
    int speed = -1;      // 0..5: 600 .. 19200 baud
    int dataBits = -1;   // 0: 7, 1: 8
    int parity = -1;     // 0 none, 1 odd, 2 even
    int stopBits = -1;   // 0: 1, 1: 1.5, 2: 2
    int xonXoff = -1;    // 1 on, 0 off
    int port = -1;       // 0..7: COM1 .. COM8
};

// The codes the program runs with (its flow code 1 is XON/XOFF off).
SerialCodes CurrentSerialCodes(const MachineConfig& machine);

// The settings file's own values for "&Default", each -1 when absent or not
// one of the dialog's words: "600" .. "19200", "7BIT"/"8BIT", "NON"/"ODD"/
// "EVEN", "1BIT"/"1.5BIT"/"2BIT", "YES"/"NO", "PORT1" .. "PORT4".
SerialCodes SettingsFileSerialCodes(const ProfileFile& settings);

enum class Rs232cGroup { kSpeed, kBit, kParity, kStop, kPort, kXFlow, kDefault };

class Rs232cDialog {
public:
    Rs232cDialog(const SerialCodes& current, const SerialCodes& settingsFile);

    // The radio choices (and the check box) as the dialog shows them.
    SerialCodes choice;

    // Only the port group is shown; the other groups, "&X Fllow" and
    // "&Default" are hidden and disabled.
    static bool Shown(Rs232cGroup group) { return group == Rs232cGroup::kPort; }
    // "&Default" would need every settings value; it is hidden in any case.
    bool DefaultEnabled() const;
    void ApplyDefault();

    // OK: 0 with the codes when every group has a choice, else 1512 and the
    // dialog stays open.
    int Accept(SerialCodes& out) const;

private:
    SerialCodes settingsFile_;
};

// What the main frame does with the dialog's codes: the line settings are
// stored as they came back (their groups are hidden), the port goes through
// the link's SetPort into settings and registry. A monitor running on the
// old port is stopped first (its outstanding answer is let in), so it does
// not carry on over a line the user has left. false when the settings file
// or the registry could not be written.
bool ApplySerialCodes(SerialLink& link, Monitor& monitor, const SerialCodes& codes, ProfileFile& settings,
                      RegistryStore& registry);
