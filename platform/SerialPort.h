#pragma once
// The serial port: all the protocol needs from a port, and its POSIX
// implementation on termios. A pseudo-terminal works like a real port, which
// is how ecusim and the tests stand in for an ECU.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class RegistryStore;

enum class Parity { kNone, kOdd, kEven };
enum class StopBits { kOne, kOneAndHalf, kTwo };

struct LineSettings {
    int baud = 4800;
    int dataBits = 8;                 // 7 or 8
    Parity parity = Parity::kNone;
    StopBits stopBits = StopBits::kOne;   // one and a half becomes two on POSIX
    // Software flow control as far as it is safe on a line of raw bytes: the
    // port may send XOFF/XON to pause the far end while its own input is
    // full. Received 0x11 and 0x13 are always data, whatever this says.
    bool xonXoff = true;
    bool ctsOutputFlow = false;       // hold output while CTS is low
};

// Read and write time-outs with the Win32 meaning, in milliseconds. A read of
// n bytes gives up when the total time-out (multiplier * n + constant) has
// passed, or when interval ms pass between two bytes after the first one; it
// then returns what it has. All read values 0 make a read wait until n bytes
// arrived. A write total of 0 waits as long as the write takes.
struct PortTimeouts {
    int readIntervalMs = 0;
    int readTotalMultiplierMs = 0;
    int readTotalConstantMs = 0;
    int writeTotalMultiplierMs = 0;
    int writeTotalConstantMs = 0;
};

struct SerialPort {
    virtual ~SerialPort() = default;
    // Opens and configures the device, its input empty and its output
    // running; false when it cannot be opened or is no terminal. Settings the
    // device refuses are not an error.
    virtual bool Open(const std::string& device, const LineSettings& line) = 0;
    virtual void SetTimeouts(const PortTimeouts& timeouts) = 0;
    // A time-out is a success with count == 0; false means the device itself failed.
    virtual bool Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) = 0;
    // true when all n bytes went out in time.
    virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
    // Drops what the line received and resets the error state; output that
    // was stopped runs again.
    virtual void ClearError() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The system's error code of the last call (errno); 0 after a success
    // or a time-out. EBUSY after an Open: another program holds the port.
    virtual int LastError() const = 0;
    // After an Open refused with EBUSY: the process that holds the port,
    // 0 when it is not known.
    virtual long LockHolder() const { return 0; }
};

// The device for a port name. "COM<n>" (n from 1, any letter case) is taken
// from the environment variable RV_TUNE_COM<n>, else from the registry value
// "COM<n>" under SOFTWARE\RV_Tune\Ports, else it is /dev/ttyS<n-1>. Any other
// name (a path) is returned as it is. registry may be null.
constexpr const char* kSerialPortsKey = "SOFTWARE\\RV_Tune\\Ports";
std::string ResolveSerialDevice(const std::string& name, const RegistryStore* registry);

class PosixSerialPort : public SerialPort {
public:
    // registry serves the "COM<n>" mapping; it may be null and must outlive the port.
    explicit PosixSerialPort(const RegistryStore* registry = nullptr) : registry_(registry) {}
    ~PosixSerialPort() override { Close(); }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool Open(const std::string& device, const LineSettings& line) override;
    void SetTimeouts(const PortTimeouts& timeouts) override { timeouts_ = timeouts; }
    bool Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) override;
    bool Write(const std::uint8_t* data, std::size_t n) override;
    void ClearError() override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    int LastError() const override { return lastError_; }
    long LockHolder() const override { return lockHolder_; }

    const std::string& DevicePath() const { return devicePath_; }

private:
    using Clock = std::chrono::steady_clock;
    // Waits for the answer to what was just written: asleep until shortly
    // before it can have crossed the line, then awake until it is there or
    // a character time late. The read that follows takes what came.
    void AwaitAnswerAwake(Clock::time_point deadline, bool hasTotal);

    const RegistryStore* registry_;
    int fd_ = -1;
    int lastError_ = 0;
    long lockHolder_ = 0;
    PortTimeouts timeouts_;
    std::string devicePath_;
    Clock::duration characterTime_{};   // one character on the line, start and stop bits included
    Clock::time_point answerDue_{};     // when the answer to the last write can be complete
    bool answerAwaited_ = false;        // a write went out and no read has waited for its answer yet
    int missedAnswers_ = 0;             // answers in a row that came later than awaited
};
