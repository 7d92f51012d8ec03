#include "ecu/EcuRecords.h"
#include "platform/AsciiText.h"

#include <cstdio>

namespace {

constexpr long kAddressSpace = 0x10000;

bool HexPair(const std::string& text, std::size_t at, std::uint8_t& value) {
    if (at + 1 >= text.size()) return false;
    const int high = HexDigit(text[at]);
    const int low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return false;
    value = static_cast<std::uint8_t>(high << 4 | low);
    return true;
}

// The text cut at every "S"; whatever precedes the first "S" is a record of
// its own (one that is no "S1").
std::vector<std::string> SplitRecords(const std::string& text) {
    std::vector<std::string> records;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = text.find('S', begin + 1);
        if (next == std::string::npos) next = text.size();
        records.push_back(text.substr(begin, next - begin));
        begin = next;
    }
    return records;
}

bool StartsWith(const std::string& record, const char* prefix) {
    return record.compare(0, 2, prefix) == 0;
}

struct Piece {
    long address;
    std::vector<std::uint8_t> data;
};

// Places the pieces into one buffer from the lowest address to the highest end.
DecodedRecords Assemble(const std::vector<Piece>& pieces) {
    DecodedRecords result;
    long lowest = kAddressSpace;
    long highestEnd = -1;
    std::size_t dataCount = 0;
    for (const Piece& piece : pieces) {
        lowest = std::min(lowest, piece.address);
        highestEnd = std::max(highestEnd, piece.address + static_cast<long>(piece.data.size()));
        dataCount += piece.data.size();
    }
    // Data past FFFF has no place in the ECU's memory.
    if (dataCount == 0 || highestEnd > kAddressSpace || highestEnd <= lowest) return result;
    result.bytes.assign(static_cast<std::size_t>(highestEnd - lowest), 0);
    for (const Piece& piece : pieces) {
        const auto offset = static_cast<std::size_t>(piece.address - lowest);
        for (std::size_t i = 0; i < piece.data.size(); ++i) result.bytes[offset + i] = piece.data[i];
    }
    result.start = static_cast<std::uint16_t>(lowest);
    result.ok = true;
    return result;
}

}  // namespace

DecodedRecords DecodeRecords(const std::string& text) {
    std::vector<Piece> pieces;
    bool checksumError = false;
    bool dataFound = false;
    for (const std::string& record : SplitRecords(text)) {
        if (StartsWith(record, "S9")) break;
        if (record.size() % 2 != 0) break;
        if (!StartsWith(record, "S1")) {
            if (dataFound) break;
            continue;
        }
        if (record.size() <= 9) continue;
        std::vector<std::uint8_t> bytes;
        bool hex = true;
        for (std::size_t at = 2; at < record.size(); at += 2) {
            std::uint8_t value = 0;
            if (!HexPair(record, at, value)) {
                hex = false;
                break;
            }
            bytes.push_back(value);
        }
        if (!hex) break;
        // The count byte covers the address, the data and the checksum; a
        // record whose length disagrees with it is as broken as a bad pair.
        const std::size_t count = bytes[0];
        if (count < 3 || bytes.size() != count + 1) break;
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
        if (static_cast<std::uint8_t>(~sum) != bytes.back()) checksumError = true;
        Piece piece{static_cast<long>(bytes[1]) << 8 | bytes[2],
                    std::vector<std::uint8_t>(bytes.begin() + 3, bytes.end() - 1)};
        if (!piece.data.empty()) dataFound = true;
        pieces.push_back(std::move(piece));
    }
    DecodedRecords result = Assemble(pieces);
    result.checksumError = checksumError;
    return result;
}

DecodedRecords DecodePartialRecords(const std::string& text) {
    std::vector<Piece> pieces;
    for (const std::string& record : SplitRecords(text)) {
        if (!StartsWith(record, "S1") || record.size() < 9) break;
        std::vector<std::uint8_t> bytes;
        for (std::size_t at = 2; at + 1 < record.size(); at += 2) {
            std::uint8_t value = 0;
            if (!HexPair(record, at, value)) break;
            bytes.push_back(value);
        }
        if (bytes.size() < 3) continue;   // not even an address
        const std::size_t count = bytes[0];
        std::size_t dataBytes = bytes.size() >= count ? (count >= 3 ? count - 3 : 0) : bytes.size() - 3;
        if (3 + dataBytes > bytes.size()) dataBytes = bytes.size() - 3;
        pieces.push_back(Piece{static_cast<long>(bytes[1]) << 8 | bytes[2],
                               std::vector<std::uint8_t>(bytes.begin() + 3,
                                                         bytes.begin() + 3 + static_cast<long>(dataBytes))});
    }
    return Assemble(pieces);
}

std::string FirstMissingAddress(const DecodedRecords& decoded) {
    if (!decoded.ok) return std::string();
    char text[8];
    std::snprintf(text, sizeof text, "%04lX",
                  static_cast<unsigned long>(decoded.start + decoded.bytes.size()));
    return text;
}

std::string FailingWriteAddress(const std::string& currentAddress, int charactersSent) {
    std::string address = currentAddress;
    if (address.size() > 3) {
        const int n = (charactersSent - 8) / 2;   // rounds toward zero
        if (n >= 0 && n <= 15) address[3] = "0123456789ABCDEF"[n];
    }
    return address;
}
