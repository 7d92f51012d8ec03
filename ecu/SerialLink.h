#pragma once
// The one serial link to the ECU: opening and closing the port from the
// settings codes, the two byte-transfer primitives every protocol step uses,
// the silence countdown that the 100 ms link timer moves, the comm lock, and
// the communication log. Owned by the ECU session; the line settings it
// reads belong to the machine.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "config/MachineConfig.h"
#include "platform/SerialPort.h"

class CommLogFile;
class ProfileFile;
class RegistryStore;

// Where the port choice is kept in the settings file (the key the start-up
// reads as the port code).
namespace portsetting {
constexpr const char* kSection = "RS232C";
constexpr const char* kKey = "PORT";
}  // namespace portsetting
struct EventPump;
struct LinkTimer;

// The speeds of the speed codes 0..5.
constexpr int kBaudBySpeedCode[] = {600, 1200, 2400, 4800, 9600, 19200};

class SerialLink {
public:
    SerialLink(MachineConfig& machine, SerialPort& port, EventPump& pump, LinkTimer& timer);
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Closes the port when it is open, then opens "COM<port code + 1>" with
    // the line settings of the codes. Codes out of range open nothing.
    // startTimer starts the link timer; the identification hook runs when
    // the port opened. Returns portOpen.
    bool OpenPort(bool startTimer);
    // Nothing when closed; otherwise also clears the flags and stops the timer.
    void ClosePort();

    // One blocking read of up to n bytes under the port's time-outs. Before
    // the read the buffer's first byte is inverted, so after a read that
    // delivered nothing it holds the inverse of what it held; the record
    // reception relies on this. A time-out is a success with count 0.
    bool ReadBytes(std::uint8_t* buffer, std::size_t n, std::size_t& count, const std::string& label);
    bool WriteBytes(const std::uint8_t* buffer, std::size_t n, std::size_t& count,
                    const std::string& label);
    void LogEvent(long timeMs, std::uint8_t byte, std::size_t count, int countdown, int error,
                  const std::string& text);
    // The port's error state after a failed transfer (also drops pending input).
    void ClearError();

    // The link timer's tick: counts the silence countdown down while the port
    // is open, then runs the monitor's poll step.
    void OnTick();
    // One step of a wait loop: dispatches one pending event. While the link
    // timer is not running nothing else moves the countdown, so the step
    // counts it down itself; a wait can thus never hang.
    void WaitStep();

    std::recursive_mutex& CommLock() { return lock_; }
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // TIMEOUT: ms per byte for the port, and the countdown's start in ticks.
    int TimeoutSetting() const;
    int EffectivePort() const;
    // The port choice of the RS232C dialog (code 0..7 for COM1..COM8): the
    // settings file's PORT becomes "PORT<code + 1>" when the code changed,
    // the registry's Rs232cPort when it differs from it, and the next
    // OpenPort opens the new port. A port open on the old code is closed
    // first, so nothing carries on over a line the user has left. false for
    // a code out of range or a file that could not be written.
    bool SetPort(int portCode, ProfileFile& settings, RegistryStore& registry);
    LineSettings LineFromCodes() const;

    MachineConfig& Machine() { return line_; }
    EventPump& Pump() { return pump_; }
    LinkTimer& Timer() { return timer_; }
    SerialPort& Port() { return port_; }

    bool portOpen = false;
    bool exchangeBusy = false;     // an exchange or single write runs; the monitor holds off
    bool monitorActive = false;    // the monitor polled on its last tick
    std::int32_t silenceCountdown = 0;   // in link-timer ticks
    bool ecuChecked = false;       // the last identification matched; cleared by every open
    // The last OpenPort failed because another program holds the port, and
    // which process that is (0 when not known).
    bool portTaken = false;
    long portHolder = 0;

    // The message of a result code: its string-table text, and for 1601
    // (the port is taken) the process that holds it, where known.
    std::string CodeText(int code) const;

    // Runs after every successful open: the identification of the protocol.
    std::function<void()> onOpened;
    // The monitor's poll step, run on every tick while the port is open.
    std::function<void()> monitorHook;
    // The log's time field; tests fix it.
    std::function<long()> clockMs;
    // Pauses between identification attempts; tests record them instead.
    std::function<void(int)> sleepMs;

private:
    MachineConfig& line_;
    SerialPort& port_;
    EventPump& pump_;
    LinkTimer& timer_;
    // Guards each request and its answer against the link timer's monitor
    // polling, which runs in the middle of every wait.
    std::recursive_mutex lock_;
    CommLogFile& log_;
};
