#pragma once
// A distribution folder as the dist target makes it, built in a temporary
// folder from the shipped machines in data/: every file packed under its
// packaged name, the machine list and a stand-in setup program beside them.
// The program and pictures are small stand-ins; the machines are the real ones.
#include <string>

#include "config/MachineList.h"
#include "platform/FileIo.h"
#include "platform/SzddCompress.h"
#include "tests/support/TempDir.h"

namespace fakedist {

constexpr const char* kProgram = "#!/bin/sh\necho the program\n";
constexpr const char* kSetup = "#!/bin/sh\necho the setup program\n";

inline void Pack(const TempDir& dir, const std::string& name, const std::string& content) {
    std::string packed;
    SzddCompress(content, 'x', packed);
    dir.Write("dist/" + name, packed);
}

inline std::string ReadSource(const std::string& path) {
    std::string content;
    ReadWholeFile(std::string(RV_SOURCE_DIR) + "/" + path, content);
    return content;
}

// dir/dist, with its path ending in "/" as setup takes it.
inline std::string Make(const TempDir& dir) {
    Pack(dir, "RV_Tune.ex_", kProgram);
    Pack(dir, "RV_Tune.bm_", "BM the picture");
    Pack(dir, "RV_TuneFC.bm_", "BM the colour picture");
    int n = 0;
    for (const MachineEntry& machine : ReadMachineList(std::string(RV_SOURCE_DIR) + "/data/MCN_LIST.DAT")) {
        const std::string number = std::to_string(++n);
        const std::string folder = "data/" + machine.folder + "/";
        Pack(dir, "S" + number + "RV_Tune.in_", ReadSource(folder + "RV_Tune.INI"));
        Pack(dir, "S" + number + "RV_Tune.st_", ReadSource(folder + "RV_Tune.STZ"));
        Pack(dir, "S" + number + "Stddata.qs_", ReadSource(folder + "WORK/" + machine.folder + ".qsd"));
    }
    dir.Write("dist/MCN_LIST.DAT", ReadSource("data/MCN_LIST.DAT"));
    dir.Write("dist/setup", kSetup);
    return dir.File("dist/");
}

}  // namespace fakedist
