#pragma once
// The registry file of a test installation, written as the registry editor
// exports it: the header, the program's key and its values, one a line.
#include <string>

#include "tests/support/TempDir.h"

// The program's key line.
constexpr const char* kTestRegistryKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RV_Tune]\n";

// A whole file: the header, the key and values (whole lines, "\"Name\"=...\n").
inline std::string TestRegistryText(const std::string& values) {
    return std::string("Windows Registry Editor Version 5.00\n\n") + kTestRegistryKey + values;
}

// The installation folder and, when folder is not empty, the machine in it:
// MachineName, and MachineFolder, InitializeFolder and SettingFolder all folder.
inline std::string TestInstallValues(const std::string& installDir, const std::string& machineName = "",
                                     const std::string& folder = "") {
    std::string values = "\"Install Directory\"=\"" + installDir + "\"\n";
    if (!folder.empty()) {
        values += "\"MachineName\"=\"" + machineName + "\"\n"
                  "\"MachineFolder\"=\"" + folder + "\"\n"
                  "\"InitializeFolder\"=\"" + folder + "\"\n"
                  "\"SettingFolder\"=\"" + folder + "\"\n";
    }
    return values;
}

// dir/registry.reg with the installation's values followed by extraValues;
// returns its path.
inline std::string WriteTestRegistry(const TempDir& dir, const std::string& installDir, const std::string& machineName,
                                     const std::string& folder, const std::string& extraValues = "") {
    return dir.Write("registry.reg", TestRegistryText(TestInstallValues(installDir, machineName, folder) + extraValues));
}
