#include "ecu/Rs232cParams.h"

#include <cstddef>

#include "app/QelApp.h"
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

SerialCodes CurrentSerialCodes(const CQelApp& app) {
    SerialCodes codes;
    codes.speed = app.speedCode;
    codes.dataBits = app.dataBitsCode;
    codes.parity = app.parityCode;
    codes.stopBits = app.stopBitsCode;
    codes.xonXoff = app.flowCode == 1 ? 0 : 1;
    codes.port = app.portCode;
    return codes;
}

SerialCodes SettingsFileSerialCodes(const ProfileFile& settings) {
    const auto read = [&](const char* key) { return settings.ReadString(ini::kRs232c, key, ""); };
    SerialCodes codes;
    codes.speed = WordCode(read(ini::kSpeed), {"600", "1200", "2400", "4800", "9600", "19200"});
    codes.dataBits = WordCode(read(ini::kData), {"7BIT", "8BIT"});
    codes.parity = WordCode(read(ini::kParity), {"NON", "ODD", "EVEN"});
    codes.stopBits = WordCode(read(ini::kStop), {"1BIT", "1.5BIT", "2BIT"});
    codes.xonXoff = WordCode(read(ini::kFlow), {"NO", "YES"});
    codes.port = WordCode(read(ini::kPort), {"PORT1", "PORT2", "PORT3", "PORT4"});
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

bool ApplySerialCodes(CQelApp& app, SerialLink& link, Monitor& monitor, const SerialCodes& codes) {
    if (codes.port != app.portCode && link.portOpen) monitor.Stop();
    if (codes.speed >= 0) app.speedCode = codes.speed;
    if (codes.dataBits >= 0) app.dataBitsCode = codes.dataBits;
    if (codes.parity >= 0) app.parityCode = codes.parity;
    if (codes.stopBits >= 0) app.stopBitsCode = codes.stopBits;
    if (codes.xonXoff >= 0) app.flowCode = codes.xonXoff == 1 ? 0 : 1;
    return link.SetPort(codes.port);
}
