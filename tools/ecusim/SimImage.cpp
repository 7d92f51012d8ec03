#include "tools/ecusim/SimImage.h"
#include "platform/AsciiText.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

std::string Trimmed(const std::string& line) {
    std::size_t begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
        --end;
    return line.substr(begin, end - begin);
}

// The bytes of an S1 record after "S1", or false when it is not well formed.
bool RecordBytes(const std::string& record, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (record.size() < 10 || record.size() % 2 != 0) return false;
    for (std::size_t at = 2; at < record.size(); at += 2) {
        const int high = HexDigit(record[at]);
        const int low = HexDigit(record[at + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes[0] >= 3 && bytes.size() == static_cast<std::size_t>(bytes[0]) + 1;
}

}  // namespace

bool LoadSimImage(const std::string& path, SimImage& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    long lowest = 0x10000, highest = -1;
    std::string line;
    std::vector<std::uint8_t> bytes;
    while (std::getline(in, line)) {
        const std::string record = Trimmed(line);
        if (record.compare(0, 2, "S9") == 0) break;
        if (record.compare(0, 2, "S1") != 0 || !RecordBytes(record, bytes)) continue;
        const long address = static_cast<long>(bytes[1]) << 8 | bytes[2];
        const std::size_t dataCount = bytes.size() - 4;
        for (std::size_t i = 0; i < dataCount; ++i) {
            const long at = address + static_cast<long>(i);
            if (at > 0xFFFF) break;   // nothing lives past the top of memory
            image.bytes[static_cast<std::size_t>(at)] = bytes[3 + i];
            lowest = std::min(lowest, at);
            highest = std::max(highest, at);
        }
    }
    if (highest < 0) {
        error = "no S1 data records in " + path;
        return false;
    }
    image.loaded = true;
    image.first = static_cast<std::uint16_t>(lowest);
    image.last = static_cast<std::uint16_t>(highest);
    return true;
}

std::vector<std::string> BuildSimRecords(const Image& bytes, std::uint16_t first, std::uint16_t last) {
    std::vector<std::string> records;
    long address = first;
    while (address <= last) {
        const long count = std::min(16L, static_cast<long>(last) - address + 1);
        unsigned sum = static_cast<unsigned>(count + 3) + static_cast<unsigned>(address >> 8) +
                       static_cast<unsigned>(address & 0xFF);
        char head[16];
        std::snprintf(head, sizeof head, "S1%02lX%04lX", count + 3, address);
        std::string record = head;
        for (long i = 0; i < count; ++i) {
            const std::uint8_t value = bytes[static_cast<std::size_t>(address + i)];
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02X", value);
            record += pair;
            sum += value;
        }
        char checksum[4];
        std::snprintf(checksum, sizeof checksum, "%02X", static_cast<unsigned>(~sum & 0xFF));
        record += checksum;
        records.push_back(record);
        address += count;
    }
    records.push_back("S9030000FC");
    return records;
}

bool SaveSimImage(const std::string& path, const Image& bytes, std::uint16_t first,
                  std::uint16_t last, std::string& error) {
    std::string text;
    for (const std::string& record : BuildSimRecords(bytes, first, last)) text += record + "\r\n";
    if (!WriteFileAtomic(path, text)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
