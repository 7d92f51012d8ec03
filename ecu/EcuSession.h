#pragma once
// The line to the ECU for the whole run of a program: the serial link over
// a port, its 100 ms link timer, the protocol, and the single-address writes
// of Shift+Enter. The main frame owns one and shares it with the map and
// table windows and the ECU dialogs; rvtune builds one per command.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ecu/EcuProtocol.h"
#include "ecu/SerialLink.h"

class LineStore;
class Logbook;
struct MachineConfig;
struct EventPump;
struct LinkTimer;
struct ProgressDisplay;
struct UserPrompt;

// One byte for the ECU's single-address write.
struct EcuByteWrite {
    std::uint16_t address = 0;
    std::uint8_t value = 0;
};

// Where single-address writes are entered in the logbook: the book (none:
// nothing is entered) and the names of this machine and ECU.
struct SingleWriteLog {
    Logbook* book = nullptr;
    std::string machine;
    std::string ecu;
    std::string error;   // the last entry the logbook could not take ("" when none)
};

// Enters one single write of bytes from address on (operation
// logbook::kWriteByte or kWriteWord) with the write's result code; a write
// refused because another program holds the port sent nothing and is not
// entered.
void LogSingleWrite(SingleWriteLog& log, const char* operation, std::uint16_t address,
                    const std::vector<std::uint8_t>& bytes, int code);

class EcuSession {
public:
    // The machine and its definition's lines; the port and the program's
    // seams. The owner calls OnTick on every tick of timer.
    EcuSession(MachineConfig& machine, const LineStore& definitionLines, SerialPort& port, EventPump& pump,
               LinkTimer& timer, UserPrompt& prompt, ProgressDisplay& progress);
    ~EcuSession();
    EcuSession(const EcuSession&) = delete;
    EcuSession& operator=(const EcuSession&) = delete;

    SerialLink& Link() { return link_; }
    EcuProtocol& Protocol() { return protocol_; }

    // Opens the port (with or without the link timer); whether it is open.
    bool OpenPort(bool startTimer) { return link_.OpenPort(startTimer); }
    void ClosePort() { link_.ClosePort(); }
    bool PortOpen() const { return link_.portOpen; }
    void OnTick() { link_.OnTick(); }

    // The single-address writes: the port is opened with the link timer for
    // the time of the writes when it is closed; each byte goes with the
    // protocol's WriteByte. 0, or the code of the first failure (its message
    // has been shown; the bytes after it are not sent); -1 when a write is
    // already running, since a second one started from the waits of the
    // first would put its bytes between those of the running command.
    int WriteBytes(const std::vector<EcuByteWrite>& bytes);
    bool WriteRunning() const { return writeRunning_; }

    // Told true before the first byte of a write and false after the last:
    // the windows hold back user input for that time and act on what waited.
    std::function<void(bool running)> onWriteRunning;
    // Every WriteBytes is entered here: one entry per run of consecutive
    // addresses, the failed byte in an entry of its own.
    SingleWriteLog writeLog;

private:
    SerialLink link_;
    EcuProtocol protocol_;
    bool writeRunning_ = false;
};
