#include "tests/support/FakeSerialPort.h"

void FakeSerialPort::Feed(const std::string& bytes) {
    for (char c : bytes) input.push_back({Kind::kByte, static_cast<std::uint8_t>(c)});
}

void FakeSerialPort::Feed(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) input.push_back({Kind::kByte, b});
}

void FakeSerialPort::Silence(int reads) {
    for (int i = 0; i < reads; ++i) input.push_back({Kind::kSilence, 0});
}

void FakeSerialPort::Fail() { input.push_back({Kind::kFail, 0}); }

bool FakeSerialPort::Open(const std::string& device, const LineSettings& settings) {
    openedDevices.push_back(device);
    line = settings;
    open_ = openResult;
    lastError_ = open_ ? 0 : errorOnFail;
    return open_;
}

bool FakeSerialPort::Read(std::uint8_t* buffer, std::size_t n, std::size_t& count) {
    ++readCount;
    count = 0;
    lastError_ = 0;
    if (!open_) {
        lastError_ = errorOnFail;
        return false;
    }
    while (count < n && !input.empty()) {
        const Arrival next = input.front();
        if (next.kind == Kind::kByte) {
            buffer[count++] = next.byte;
            input.pop_front();
            continue;
        }
        if (count > 0) break;   // a silence or failure ends this read after its bytes
        input.pop_front();
        if (next.kind == Kind::kFail) {
            lastError_ = errorOnFail;
            return false;
        }
        break;
    }
    return true;
}

bool FakeSerialPort::Write(const std::uint8_t* data, std::size_t n) {
    lastError_ = 0;
    if (!open_ || failWrites) {
        lastError_ = errorOnFail;
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        written.push_back(data[i]);
        if (echo) input.push_back({Kind::kByte, data[i]});
        if (onWrite) onWrite(data[i]);
    }
    return true;
}

void FakeSerialPort::ClearError() {
    ++clearErrorCount;
    lastError_ = 0;
}

void FakeSerialPort::Close() {
    if (open_) ++closeCount;
    open_ = false;
}
