#pragma once
// ecusim's command line: what it simulates and which faults it injects.
#include <cstdint>
#include <string>

#include "tools/ecusim/EcuDevice.h"

struct SimOptions {
    std::string linkPath;          // the symbolic link to the pseudo-terminal (required)
    std::string imagePath;         // memory image to load; empty: all zero
    std::string savePath;          // where the read range goes at exit; empty: nowhere
    bool rangeGiven = false;       // --range: the block read's range, over the image's own
    std::uint16_t rangeFirst = 0;
    std::uint16_t rangeLast = 0xFFFF;
    long baud = 0;                 // 0: bytes go as fast as the pseudo-terminal takes them
    bool precise = false;          // --precise: paced bytes leave on time, waited for awake
    DeviceOptions device;
    long chaosSeed = -1;           // --chaos: random line faults from this seed; -1: none
    bool help = false;             // --help: print kSimUsage and end
};

extern const char* const kSimUsage;

// Reads the arguments after the program name. false with error set (the
// usage text included where it helps) for anything it cannot take.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);
