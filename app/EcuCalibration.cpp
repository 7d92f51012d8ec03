#include "app/EcuCalibration.h"

#include <cstdio>

#include "app/FileHistory.h"
#include "model/Calibration.h"
#include "platform/PathSearch.h"

std::string StandardDataFile(const std::string& settingsFilePath, const std::string& machine) {
    const std::string work = WorkFolderOf(settingsFilePath);
    if (!machine.empty()) {
        const std::string own = FindFileNoCase(work, machine, ".qsd");
        if (!own.empty()) return own;
    }
    return FindFileNoCase(work, "Standard_data", ".qsd");
}

std::string EcuReadFileName(const std::string& machine) {
    return (machine.empty() ? std::string("ECU") : machine + "_ECU") + ".qsd";
}

std::string LayEcuRead(Calibration& calibration, std::uint16_t start, const std::vector<std::uint8_t>& bytes) {
    const long first = calibration.dataStart;
    const long last = calibration.dataEnd;   // the checksum byte
    const long readEnd = static_cast<long>(start) + static_cast<long>(bytes.size()) - 1;
    if (!calibration.HasImage() || last <= first || bytes.empty() || start > first || readEnd < last - 1) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The ECU sent %04X-%04lX, which does not hold the calibration's data %04lX-%04lX.",
                      start, bytes.empty() ? static_cast<long>(start) : readEnd, first, last);
        return text;
    }
    for (long address = first; address < last; ++address)
        calibration.image()[static_cast<std::size_t>(address)] = bytes[static_cast<std::size_t>(address - start)];
    calibration.modified = 1;
    return std::string();
}
