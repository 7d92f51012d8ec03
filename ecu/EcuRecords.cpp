#include "ecu/EcuRecords.h"
#include "platform/AsciiText.h"

#include "files/SRecord.h"
#include "platform/TextFormat.h"

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

// A whole "S1" record as the ECU must send it: hex pairs only, a count that
// matches its length, data inside the image and the right checksum.
bool Sound(const std::string& record, DataRecord& parsed) {
    return ParseDataRecord(record, parsed) == RecordFault::kNone && parsed.exactLength &&
           parsed.checksumOk;
}

// The decoding that a damaged record ends: the sound records before it, and
// where it lies.
DecodedRecords Damaged(const std::vector<Piece>& before, const std::string& record,
                       const DataRecord& parsed) {
    DecodedRecords result = Assemble(before);
    result.damaged = true;
    result.checksumError = !parsed.checksumOk && parsed.exactLength;
    std::uint8_t high = 0, low = 0;
    if (HexPair(record, 4, high) && HexPair(record, 6, low)) {
        result.damagedAddress = FormatText("%02X%02X", high, low);
    } else {
        result.damagedAddress = FirstMissingAddress(result);
    }
    result.ok = false;
    return result;
}

}  // namespace

DecodedRecords DecodeRecords(const std::string& text) {
    std::vector<Piece> pieces;
    bool dataFound = false;
    for (const std::string& record : SplitRecords(text)) {
        if (StartsWith(record, "S9")) break;
        if (!StartsWith(record, "S1")) {
            // A header record before the data is passed over; anything else
            // that is no record, or any record after the data, ends it.
            if (record.size() % 2 != 0 || dataFound) break;
            continue;
        }
        DataRecord parsed;
        if (!Sound(record, parsed)) return Damaged(pieces, record, parsed);
        if (!parsed.data.empty()) dataFound = true;
        pieces.push_back(Piece{parsed.address, std::move(parsed.data)});
    }
    return Assemble(pieces);
}

DecodedRecords DecodePartialRecords(const std::string& text) {
    std::vector<Piece> pieces;
    const std::vector<std::string> records = SplitRecords(text);
    for (std::size_t index = 0; index < records.size(); ++index) {
        const std::string& record = records[index];
        if (!StartsWith(record, "S1")) break;
        if (index + 1 < records.size()) {
            DataRecord parsed;
            if (!Sound(record, parsed)) {
                DecodedRecords result = Damaged(pieces, record, parsed);
                result.ok = !result.bytes.empty();   // what came before it is still shown
                return result;
            }
            pieces.push_back(Piece{parsed.address, std::move(parsed.data)});
            continue;
        }
        // The record the reception broke off in.
        if (record.size() < 9) break;
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
    const std::size_t next = decoded.start + decoded.bytes.size();
    // Data up to FFFF leaves no byte of the memory missing: no address.
    if (next > 0xFFFF) return std::string();
    return FormatText("%04lX", static_cast<unsigned long>(next));
}

std::string FailingWriteAddress(const std::string& currentAddress, int charactersSent) {
    std::string address = currentAddress;
    if (address.size() > 3) {
        const int n = (charactersSent - 8) / 2;   // rounds toward zero
        if (n >= 0 && n <= 15) address[3] = "0123456789ABCDEF"[n];
    }
    return address;
}
