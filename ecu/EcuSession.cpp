#include "ecu/EcuSession.h"

#include "config/MachineConfig.h"

EcuSession::EcuSession(MachineConfig& machine, const LineStore& definitionLines, SerialPort& port,
                       EventPump& pump, LinkTimer& timer, UserPrompt& prompt, ProgressDisplay& progress)
    : link_(machine, port, pump, timer), protocol_(machine, definitionLines, link_, prompt, progress) {}

EcuSession::~EcuSession() { link_.ClosePort(); }

int EcuSession::WriteBytes(const std::vector<EcuByteWrite>& bytes) {
    if (writeRunning_) return -1;
    if (bytes.empty()) return 0;
    writeRunning_ = true;
    if (onWriteRunning) onWriteRunning(true);
    const bool opened = !link_.portOpen;
    if (opened) link_.OpenPort(true);
    int code = 0;
    for (const EcuByteWrite& write : bytes) {
        code = protocol_.WriteByte(write.address, write.value);
        // The failure has been reported; a line that failed one byte would
        // fail every other byte with the same message.
        if (code != 0) break;
    }
    if (opened) link_.ClosePort();
    writeRunning_ = false;
    if (onWriteRunning) onWriteRunning(false);
    return code;
}
