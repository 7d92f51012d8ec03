#include "setup/MachineTable.h"

#include "platform/AsciiText.h"

namespace {

SetupMachine Shipped(int number, const std::string& title, const std::string& code, int size) {
    const std::string n = std::to_string(number);
    return SetupMachine{title + "(" + code + "),TEVARLON," + code + "," + std::to_string(size), code,
                        "S" + n + "RV_Tune.in_", "S" + n + "RV_Tune.st_", "S" + n + "Stddata.qs_", true};
}

}  // namespace

const std::vector<SetupMachine>& ShippedMachines() {
    static const std::vector<SetupMachine> machines = {
        Shipped(1, "'26 Kestrel-450", "KST26A", 8192), Shipped(2, "'26 Heron-700", "HRN26C", 8192),
        Shipped(3, "'24 Osprey-250", "OSP24B", 1024),  Shipped(4, "'25 Merlin-900", "MRL25D", 512),
        Shipped(5, "'23 Plover-125", "PLV23A", 512),   Shipped(6, "'26 Harrier-1000", "HRR26E", 512),
    };
    return machines;
}

const SetupMachine& OldestMachine() {
    static const SetupMachine oldest{"'19 Kestrel-400(KST19A),TEVARLON,KST19A,4096", "KST19A", "", "", "", false};
    return oldest;
}

int FindShippedMachine(const std::string& code) {
    const auto& machines = ShippedMachines();
    for (std::size_t i = 0; i < machines.size(); ++i)
        if (EqualNoCase(machines[i].folder, code)) return static_cast<int>(i);
    return -1;
}
