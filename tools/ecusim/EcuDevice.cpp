#include "tools/ecusim/EcuDevice.h"

#include <algorithm>

#include "tools/ecusim/SimImage.h"
#include "tools/ecusim/SimRide.h"
#include "platform/AsciiText.h"

namespace {

constexpr std::uint8_t kIdentify = 0xBF;
constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;
constexpr std::uint8_t kStray = 0x55;
constexpr std::size_t kFloodLowWater = 64;
constexpr std::size_t kFloodChunk = 256;

bool IsFlowByte(std::uint8_t byte) { return byte == kXon || byte == kXoff; }

const char kHexDigits[] = "0123456789ABCDEF";

// The record with its checksum recomputed over the pairs before it.
void FixChecksum(std::string& record) {
    unsigned sum = 0;
    for (std::size_t at = 2; at + 3 < record.size(); at += 2)
        sum += static_cast<unsigned>(HexDigit(record[at]) << 4 | HexDigit(record[at + 1]));
    const unsigned checksum = ~sum & 0xFF;
    record[record.size() - 2] = kHexDigits[checksum >> 4];
    record[record.size() - 1] = kHexDigits[checksum & 0x0F];
}

// Damages the n-th record (from 1) of records, if there is one.
void DamageRecord(std::vector<std::string>& records, int n, char how) {
    if (n < 1 || static_cast<std::size_t>(n) > records.size()) return;
    std::string& record = records[static_cast<std::size_t>(n - 1)];
    if (record.size() < 10 || record.compare(0, 2, "S1") != 0) return;
    switch (how) {
    case 'h':
        record[8] = 'G';   // the first data character (the checksum's when there is no data)
        break;
    case 's':
        record.back() = kHexDigits[HexDigit(record.back()) ^ 1];
        break;
    case 'c': {
        const unsigned count = static_cast<unsigned>(HexDigit(record[2]) << 4 | HexDigit(record[3])) + 1;
        record[2] = kHexDigits[(count >> 4) & 0x0F];
        record[3] = kHexDigits[count & 0x0F];
        FixChecksum(record);
        break;
    }
    default: break;
    }
}

}  // namespace

std::map<std::uint8_t, int> DefaultMonitorItems() {
    std::map<std::uint8_t, int> items;
    for (int request = 0x01; request <= 0x3F; ++request) {
        if (IsFlowByte(static_cast<std::uint8_t>(request))) continue;
        items[static_cast<std::uint8_t>(request)] = request <= 0x0F ? 2 : 1;
    }
    return items;
}

std::uint8_t EcuDevice::CommandByte(char letter) const {
    static const char kLetters[] = "JjLMmNSsWRV";
    static const char kSetB[] = "HhKOoQUuXYZ";
    for (int i = 0; kLetters[i] != '\0'; ++i) {
        if (kLetters[i] == letter)
            return static_cast<std::uint8_t>(options_.setA ? kLetters[i] : kSetB[i]);
    }
    return 0;
}

void EcuDevice::Reset() {
    state_ = State::kIdle;
    deadline_ = Clock::time_point::max();
    single_.clear();
    readText_.clear();
    readAt_ = 0;
    record_.clear();
    pending_.clear();
}

void EcuDevice::Echo(std::uint8_t byte, bool commandLetter) {
    Send(commandLetter && options_.wrongEcho ? static_cast<std::uint8_t>(byte ^ 0x20) : byte);
}

void EcuDevice::OnByte(std::uint8_t byte, Clock::time_point now) {
    if (options_.silent) return;
    if (options_.flood) flooding_ = true;
    const auto timeout = std::chrono::milliseconds(options_.echoTimeoutMs);

    switch (state_) {
    case State::kIdle:
        if (byte == kIdentify) {
            const std::uint8_t second = options_.wrongId ? static_cast<std::uint8_t>(options_.id[1] + 1) : options_.id[1];
            if (options_.lateIdMs >= 0 && !lateUsed_) {
                lateUsed_ = true;
                lateAnswer_ = {options_.id[0], second};
                lateAt_ = now + std::chrono::milliseconds(options_.lateIdMs);
            } else {
                Send(options_.id[0]);
                Send(second);
            }
        } else if (byte == CommandByte('L')) {
            Echo(byte, true);
            state_ = State::kAfterL;
            deadline_ = now + timeout;
        } else if (byte == CommandByte('S') || byte == CommandByte('s')) {
            Echo(byte, true);
            state_ = State::kSingle;
            singleNeeded_ = byte == CommandByte('S') ? 3 : 4;
            single_.clear();
            deadline_ = now + timeout;
        } else if (auto item = options_.items.find(byte); item != options_.items.end()) {
            AnswerItem(byte, item->second, now);
        }
        // Anything else, the flow-control characters included, goes unanswered.
        break;

    case State::kAfterL:
        if (byte == CommandByte('R')) {
            Echo(byte, true);
            StartBlockRead(now);
        } else if (byte == CommandByte('W')) {
            Echo(byte, true);
            Reset();
            state_ = State::kReceiving;
            writeError_ = false;
            charactersEchoed_ = 0;
            ++writesStarted_;
            deadline_ = now + timeout;
        } else {
            Reset();
        }
        break;

    case State::kSingle:
        if (options_.dropSingleByte >= 1 && !singleDropped_ &&
            single_.size() + 1 == static_cast<std::size_t>(options_.dropSingleByte)) {
            singleDropped_ = true;   // lost on the line: no echo, still waiting
            break;
        }
        Echo(byte, false);
        single_.push_back(byte);
        deadline_ = now + timeout;
        if (single_.size() == singleNeeded_) {
            const auto address = static_cast<std::uint16_t>(single_[0] << 8 | single_[1]);
            image_[address] = single_[2];
            if (singleNeeded_ == 4) image_[static_cast<std::uint16_t>(address + 1)] = single_[3];
            Reset();
        }
        break;

    case State::kSending:
        if (readAt_ >= readText_.size() || byte != static_cast<std::uint8_t>(readText_[readAt_])) {
            Reset();   // a wrong echo: the ECU abandons the read
            break;
        }
        ++readAt_;
        if (readAt_ == readText_.size()) {
            Reset();
            break;
        }
        if (readText_[readAt_] == 'S') {
            ++recordsSent_;
            if (options_.stopAfterRecords >= 0 && recordsSent_ >= options_.stopAfterRecords) {
                Reset();
                break;
            }
        }
        SendNextCharacter(now);
        break;

    case State::kReceiving:
        OnWriteCharacter(byte, now);
        break;
    }
}

void EcuDevice::AnswerItem(std::uint8_t request, int length, Clock::time_point now) {
    auto sendAsItIs = [&](unsigned value) {
        if (length == 2) Send(static_cast<std::uint8_t>(value >> 8));
        Send(static_cast<std::uint8_t>(value & 0xFF));
    };
    if (const auto fixed = options_.fixedValues.find(request); fixed != options_.fixedValues.end()) {
        sendAsItIs(fixed->second);
        return;
    }
    if (options_.sequence) {
        sendAsItIs(answersGiven_++ & 0xFFFF);
        return;
    }
    unsigned value = 0;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    if (!options_.ride || !RideRaw(request, length, seconds, value)) {
        // A triangle wave per item, different in range and speed, so values move.
        const unsigned tick = itemTicks_[request]++;
        const unsigned range = length == 2 ? 1000u + request * 250u : 200u;
        const unsigned phase = (tick * (7u + request % 5u) + request * 101u) % (2 * range);
        value = phase < range ? phase : 2 * range - phase;
    }
    // Moving values keep clear of the flow-control bytes; --value gives them.
    auto high = [&] { return static_cast<std::uint8_t>(value >> 8); };
    auto low = [&] { return static_cast<std::uint8_t>(value & 0xFF); };
    while ((length == 2 && IsFlowByte(high())) || IsFlowByte(low())) ++value;
    if (length == 2) Send(high());
    Send(low());
}

void EcuDevice::StartBlockRead(Clock::time_point now) {
    Reset();
    std::vector<std::string> records = BuildSimRecords(image_, options_.readFirst, options_.readLast);
    DamageRecord(records, options_.badHexRecord, 'h');
    DamageRecord(records, options_.badChecksumRecord, 's');
    DamageRecord(records, options_.badCountRecord, 'c');
    for (const std::string& record : records) readText_ += record;
    recordsSent_ = 0;
    if (options_.stopAfterRecords == 0) {
        Reset();
        return;
    }
    state_ = State::kSending;
    SendNextCharacter(now);
}

void EcuDevice::SendNextCharacter(Clock::time_point now) {
    Send(static_cast<std::uint8_t>(readText_[readAt_]));
    deadline_ = now + std::chrono::milliseconds(options_.echoTimeoutMs);
}

void EcuDevice::OnWriteCharacter(std::uint8_t byte, Clock::time_point now) {
    if (WriteFaults() && options_.stopEchoAfter >= 0 && charactersEchoed_ >= options_.stopEchoAfter) return;
    Echo(byte, false);
    ++charactersEchoed_;
    deadline_ = now + std::chrono::milliseconds(options_.echoTimeoutMs);
    const char c = static_cast<char>(byte);
    if (c == '\r' || c == '\n') return;
    if (record_.empty()) {
        if (c == 'S') record_ = "S";
        else writeError_ = true;   // out of step; wait for the next record
        return;
    }
    record_.push_back(c);
    if (record_.size() == 2 && (c < '0' || c > '9')) {
        writeError_ = true;
        record_.clear();
        return;
    }
    if (record_.size() < 4) return;
    const int high = HexDigit(record_[2]);
    const int low = HexDigit(record_[3]);
    if (high < 0 || low < 0) {
        writeError_ = true;
        record_.clear();
        return;
    }
    const std::size_t count = static_cast<std::size_t>(high << 4 | low);
    if (record_.size() < 4 + 2 * count) return;

    // A whole record: count, address, data, checksum.
    std::vector<std::uint8_t> bytes;
    bool hex = true;
    for (std::size_t at = 2; at + 1 < record_.size(); at += 2) {
        const int h = HexDigit(record_[at]);
        const int l = HexDigit(record_[at + 1]);
        if (h < 0 || l < 0) hex = false;
        bytes.push_back(static_cast<std::uint8_t>((h << 4 | l) & 0xFF));
    }
    const char type = record_[1];
    record_.clear();
    if (!hex || count < 3) {
        writeError_ = true;
        if (type == '9') FinishWrite();
        return;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    if (static_cast<std::uint8_t>(~sum) != bytes.back()) writeError_ = true;
    if (type == '1') {
        const auto address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
        std::vector<std::uint8_t> data(bytes.begin() + 3, bytes.end() - 1);
        if (address + data.size() > kImageSize) writeError_ = true;
        else if (options_.storeEachRecord && !writeError_) Store(address, data);
        pending_.emplace_back(address, std::move(data));
    } else if (type == '9') {
        FinishWrite();
    }
}

void EcuDevice::Store(std::uint16_t address, const std::vector<std::uint8_t>& data) {
    if (WriteFaults() && options_.ignoreWrite) return;
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::uint8_t byte = data[i];
        if (WriteFaults() && static_cast<long>(address + i) == options_.storeWrongAt) byte ^= 0x01;
        image_[address + i] = byte;
    }
}

void EcuDevice::FinishWrite() {
    if (!writeError_) {
        if (!options_.storeEachRecord)
            for (const auto& [address, data] : pending_) Store(address, data);
        ++writesApplied;
    }
    if (!(WriteFaults() && options_.noResult)) Send(writeError_ ? options_.errorResultByte : options_.resultByte);
    Reset();
}

void EcuDevice::OnTime(Clock::time_point now) {
    if (state_ != State::kIdle && now >= deadline_) Reset();
    if (now >= lateAt_) {
        output_.insert(output_.end(), lateAnswer_.begin(), lateAnswer_.end());
        lateAnswer_.clear();
        lateAt_ = Clock::time_point::max();
    }
    if (flooding_ && output_.size() < kFloodLowWater) output_.insert(output_.end(), kFloodChunk, kStray);
}

EcuDevice::Clock::time_point EcuDevice::NextDeadline() const { return std::min(deadline_, lateAt_); }
