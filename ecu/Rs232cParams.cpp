#include "ecu/Rs232cParams.h"

#include <cstddef>

#include "config/MachineConfig.h"
#include "ecu/Monitor.h"
#include "ecu/SerialLink.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"

namespace {

// The code of text among words (word i is code i); -1 when it is none.
int WordCode(const std::string& text, std::initializer_list<const char*> words) {
    int code = 0;
    for (const char* word : words) {
        if (text == word) return code;
        ++code;
    }
    return -1;
}

bool Chosen(const SerialCodes& codes) {
    return codes.speed >= 0 && codes.speed <= 5 && codes.dataBits >= 0 && codes.dataBits <= 1 &&
           codes.parity >= 0 && codes.parity <= 2 && codes.stopBits >= 0 && codes.stopBits <= 2 &&
           codes.xonXoff >= 0 && codes.xonXoff <= 1 && codes.port >= 0 && codes.port <= 7;
}

}  // namespace

SerialCodes CurrentSerialCodes(const MachineConfig& machine) {
    SerialCodes codes;
    codes.speed = machine.speedCode;
    codes.dataBits = machine.dataBitsCode;
    codes.parity = machine.parityCode;
    codes.stopBits = machine.stopBitsCode;
    codes.xonXoff = machine.flowCode == 1 ? 0 : 1;
    codes.port = machine.portCode;
    return codes;
}

SerialCodes SettingsFileSerialCodes(const ProfileFile& settings) {
    // The keys of the settings file's RS232C section, as the start-up reads them.
    const auto read = [&](const char* key) { return settings.ReadString(portsetting::kSection, key, ""); };
    SerialCodes codes;
    codes.speed = WordCode(read("SPEED"), {"600", "1200", "2400", "4800", "9600", "19200"});
    codes.dataBits = WordCode(read("DATA"), {"7BIT", "8BIT"});
    codes.parity = WordCode(read("PARITY"), {"NON", "ODD", "EVEN"});
    codes.stopBits = WordCode(read("STOP"), {"1BIT", "1.5BIT", "2BIT"});
    codes.xonXoff = WordCode(read("XFLLOW"), {"NO", "YES"});
    codes.port = WordCode(read(portsetting::kKey), {"PORT1", "PORT2", "PORT3", "PORT4"});
    return codes;
}

Rs232cDialog::Rs232cDialog(const SerialCodes& current, const SerialCodes& settingsFile)
    : choice(current), settingsFile_(settingsFile) {}

bool Rs232cDialog::DefaultEnabled() const { return Chosen(settingsFile_); }

void Rs232cDialog::ApplyDefault() { choice = settingsFile_; }

int Rs232cDialog::Accept(SerialCodes& out) const {
    if (!Chosen(choice)) return str::kAllParametersNotDefined;
    out = choice;
    return 0;
}

bool ApplySerialCodes(SerialLink& link, Monitor& monitor, const SerialCodes& codes, ProfileFile& settings,
                      RegistryStore& registry) {
    MachineConfig& machine = link.Machine();
    if (codes.port != machine.portCode && link.portOpen) monitor.Stop();
    if (codes.speed >= 0) machine.speedCode = codes.speed;
    if (codes.dataBits >= 0) machine.dataBitsCode = codes.dataBits;
    if (codes.parity >= 0) machine.parityCode = codes.parity;
    if (codes.stopBits >= 0) machine.stopBitsCode = codes.stopBits;
    if (codes.xonXoff >= 0) machine.flowCode = codes.xonXoff == 1 ? 0 : 1;
    return link.SetPort(codes.port, settings, registry);
}
