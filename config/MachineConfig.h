#pragma once
// The machine as the program talks to it: the registry settings (folders,
// expected identification, record count, communication log) and the serial
// line as the settings file and the definition give it (the setting codes of
// the port, the time-outs and retries of the protocol, the two command sets
// with the one in use). Read by the serial link and the protocol; written by
// start-up and the definition.
#include <map>

#include "config/RegistrySettings.h"

enum : int { kCommandSetA = 0, kCommandSetB = 1 };

struct MachineConfig {
    explicit MachineConfig(bool largeScreen = true) : registry(largeScreen) {}

    RegistrySettings registry;
    int speedCode = -1;
    int dataBitsCode = -1;
    int parityCode = -1;
    int stopBitsCode = -1;
    int flowCode = -1;
    int portCode = -1;
    int readTimeout = 50;                  // ms per byte; also the silence countdown in ticks
    int waitTime = 100;                    // ms between identification attempts
    int retryCount = 9;
    int ecRetryCount = 4;
    std::map<char, char> commandSetA;      // command letter to the byte each set sends
    std::map<char, char> commandSetB;
    int commandSetSelector = kCommandSetB;
};
