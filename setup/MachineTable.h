#pragma once
// The machines the installer knows: six shipped ones, packaged as files
// numbered 1 to 6 in the distribution folder, and the oldest machine, known
// only by its list row and folder (it is listed when an earlier installation
// left its definition behind).
#include <array>
#include <string>
#include <vector>

struct SetupMachine {
    std::string listRow;          // the row of MCN_LIST.DAT, without its line end
    std::string folder;           // the model code
    std::string packedSettings;   // "S1RV_Tune.in_"
    std::string packedDefinition; // "S1RV_Tune.st_", copied as it is
    std::string packedStandard;   // "S1Stddata.qs_"
    bool selected = true;
};

constexpr std::size_t kShippedMachineCount = 6;

// The six rows in the order of their packaged numbers.
const std::vector<SetupMachine>& ShippedMachines();
// The oldest machine: list row and folder only.
const SetupMachine& OldestMachine();

// The shipped machine whose folder is code (letter case ignored), or -1.
int FindShippedMachine(const std::string& code);
