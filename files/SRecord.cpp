#include "files/SRecord.h"

#include <algorithm>
#include <cstddef>

#include "platform/AsciiText.h"

namespace {

void AppendHexByte(std::string& out, std::uint8_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += kDigits[value >> 4];
    out += kDigits[value & 0x0F];
}

}  // namespace

RecordFault ParseDataRecord(std::string_view text, DataRecord& record) {
    record = DataRecord();
    if (text.size() % 2 != 0) return RecordFault::kOddLength;
    const std::size_t pairs = text.size() < 2 ? 0 : (text.size() - 2) / 2;
    std::vector<std::uint8_t> bytes(pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        const int high = HexDigit(text[2 + 2 * i]);
        const int low = HexDigit(text[3 + 2 * i]);
        if (high < 0 || low < 0) return RecordFault::kNotHex;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    if (pairs == 0) return RecordFault::kCountPastLine;
    // The count covers the address, the data and the checksum.
    const std::size_t count = bytes[0];
    if (count < 3) return RecordFault::kCountTooSmall;
    if (count > pairs - 1) return RecordFault::kCountPastLine;
    const std::size_t address = static_cast<std::size_t>(bytes[1]) << 8 | bytes[2];
    if (address + (count - 3) > kImageSize) return RecordFault::kPastImageEnd;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    record.address = static_cast<std::uint16_t>(address);
    record.data.assign(bytes.begin() + 3, bytes.begin() + static_cast<std::ptrdiff_t>(count));
    record.checksumOk = static_cast<std::uint8_t>(~sum) == bytes[count];
    record.exactLength = count == pairs - 1;
    return RecordFault::kNone;
}

std::string MakeDataRecord(std::uint16_t address, const std::uint8_t* bytes, std::size_t byteCount) {
    byteCount = std::min(byteCount, kSRecordMaxData);
    const auto count = static_cast<std::uint8_t>(byteCount + 3);
    const auto high = static_cast<std::uint8_t>(address >> 8);
    const auto low = static_cast<std::uint8_t>(address & 0xFF);
    std::string record;
    record.reserve(10 + 2 * byteCount);
    record += "S1";
    AppendHexByte(record, count);
    AppendHexByte(record, high);
    AppendHexByte(record, low);
    std::uint8_t sum = static_cast<std::uint8_t>(count + high + low);
    for (std::size_t i = 0; i < byteCount; ++i) {
        AppendHexByte(record, bytes[i]);
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    AppendHexByte(record, static_cast<std::uint8_t>(~sum));
    return record;
}

void AppendImageRecords(const Image& image, std::uint16_t first, std::uint16_t last,
                        std::vector<std::string>& list) {
    // A wide counter: a range ending at 0xFFFF must not wrap round to 0.
    for (std::uint32_t address = first; address <= last; address += kSRecordMaxData) {
        const std::size_t n = std::min<std::uint32_t>(kSRecordMaxData, last - address + 1);
        list.push_back(MakeDataRecord(static_cast<std::uint16_t>(address), &image[address], n));
    }
}

bool BuildRecords(const std::uint8_t* bytes, std::size_t byteCount, std::uint16_t start,
                  std::uint16_t lastOffset, std::vector<std::string>& list) {
    std::size_t wanted = static_cast<std::size_t>(lastOffset) + 1;
    std::size_t n = std::min(wanted, bytes != nullptr ? byteCount : 0);
    n = std::min<std::size_t>(n, kImageSize - start);
    for (std::size_t offset = 0; offset < n; offset += kSRecordMaxData) {
        const std::size_t take = std::min(kSRecordMaxData, n - offset);
        list.push_back(MakeDataRecord(static_cast<std::uint16_t>(start + offset), bytes + offset, take));
    }
    list.push_back(kSRecordEnd);
    return n == wanted;
}
