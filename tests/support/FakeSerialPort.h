#pragma once
// A serial port for tests: reads come from a script of arriving bytes,
// silences (a read time-out) and failures; writes are recorded and may be
// echoed or answered by a callback. Once the script runs out every read is a
// time-out.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

class FakeSerialPort : public SerialPort {
public:
    enum class Kind { kByte, kSilence, kFail };
    struct Arrival {
        Kind kind = Kind::kByte;
        std::uint8_t byte = 0;
    };

    // Script.
    std::deque<Arrival> input;
    bool echo = false;                                   // every written byte comes back
    std::function<void(std::uint8_t)> onWrite;           // after echo, per byte written
    bool openResult = true;
    bool failWrites = false;
    int errorOnFail = 5;                                 // LastError() after a failed call

    // Record.
    std::vector<std::uint8_t> written;
    std::vector<std::string> openedDevices;
    LineSettings line;
    PortTimeouts timeouts;
    int readCount = 0;
    int clearErrorCount = 0;
    int closeCount = 0;

    void Feed(const std::string& bytes);
    void Feed(std::initializer_list<std::uint8_t> bytes);
    void Silence(int reads = 1);
    void Fail();
    std::string WrittenText() const { return std::string(written.begin(), written.end()); }

    bool Open(const std::string& device, const LineSettings& settings) override;
    void SetTimeouts(const PortTimeouts& t) override { timeouts = t; }
    bool Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) override;
    bool Write(const std::uint8_t* data, std::size_t n) override;
    void ClearError() override;   // keeps the script: it holds what arrives later
    void Close() override;
    bool IsOpen() const override { return open_; }
    int LastError() const override { return lastError_; }

private:
    bool open_ = false;
    int lastError_ = 0;
};
