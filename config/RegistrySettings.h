#pragma once
// Machine-independent and per-installation values kept under the registry key
// "SOFTWARE\RV_Tune": the installation and machine folders, display sizes,
// the communication log switch and ECU exchange parameters.
#include <array>
#include <cstdint>
#include <string>

#include "config/CommLogFile.h"

class RegistryStore;

namespace regname {
constexpr const char* kEcuCheckResult = "EcuCheckResult";
constexpr const char* kProgramDlgFontSize = "ProgramDlgFontSize";
constexpr const char* kTableWndCellWidth = "TableWndCellWidth";
constexpr const char* kTableWndCellHeight = "TableWndCellHeight";
constexpr const char* kTableWndFontSize = "TableWndFontSize";
constexpr const char* kCommoLog = "CommoLog";
constexpr const char* kCommoLogDelete = "CommoLogDelete";
constexpr const char* kReadEcuNum = "ReadEcuNum";
constexpr const char* kMachineName = "MachineName";
constexpr const char* kMachineFolder = "MachineFolder";
constexpr const char* kInitializeFolder = "InitializeFolder";
constexpr const char* kSettingFolder = "SettingFolder";
constexpr const char* kInstallDirectory = "Install Directory";
constexpr const char* kRs232cPort = "Rs232cPort";
}  // namespace regname

struct RegistrySettings {
    static constexpr int kDefaultReadCount = 30;

    std::array<std::uint8_t, 3> expectedId{{'M', '1', 0}};
    int programDlgFontSize = 14;
    int tableCellWidth = 50;
    int tableCellHeight = 16;
    int tableFontSize = 14;
    int readEcuNum = kDefaultReadCount;
    bool expectedIdPresent = false;
    std::string machineName;
    std::string machineFolder;
    std::string initializeFolder;
    std::string settingFolder;
    std::string installDirectory;
    CommLogFile commLog;
    int rs232cPort = -1;

    // A large screen is at least 800 pixels wide or 600 high; it gets the
    // larger font and cell defaults.
    explicit RegistrySettings(bool largeScreen = true);

    // 0, or -1 when the key cannot be opened for reading (every field then
    // keeps its default).
    int LoadRegistrySettings(const RegistryStore& store);

    // The machine's name in the logbook and for its standard data file: its
    // folder, as data files name it, else its display name.
    const std::string& LogbookMachine() const { return machineFolder.empty() ? machineName : machineFolder; }

    bool HasMachine() const {
        return !machineName.empty() && !machineFolder.empty() && !initializeFolder.empty() &&
               !settingFolder.empty();
    }
};

// The registry key of the program, below HKEY_LOCAL_MACHINE.
const std::string& ProgramRegistryKey();

// A folder value written as an absolute path keeps only its last component:
// "C:\Tool\ABC03" gives "ABC03", and so does "/opt/tool/ABC03".
std::string TrimFolderValue(const std::string& value);
