#pragma once
// Motorola S-record text as the program writes it: "S1" data records of at
// most 16 bytes each, upper-case hex, then the fixed end record. The same
// text goes into a data file's "Data" section and over the line to the ECU.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Image.h"

// What is wrong with the text of an "S1" record, in the order the checks
// run: its length, its pairs, its count, where its data would lie.
enum class RecordFault {
    kNone,
    kOddLength,        // a character is missing or one too many
    kNotHex,           // a pair after "S1" is not two hex digits
    kCountTooSmall,    // below 3: not even room for the address and checksum
    kCountPastLine,    // the count promises more bytes than the line holds
    kPastImageEnd,     // the data would run past address 0xFFFF
};

// One "S1" record read from its text.
struct DataRecord {
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;   // count - 3 bytes
    bool checksumOk = false;          // one's complement of the sum of count, address and data
    bool exactLength = false;         // nothing follows the checksum byte
};

// Reads a record that begins with "S1" (not checked here). The pairs after
// the checksum byte, if any, are left to the caller (exactLength is false).
RecordFault ParseDataRecord(std::string_view text, DataRecord& record);

// The end record: an "S9" record with address 0000, count 03 and checksum FC.
constexpr const char* kSRecordEnd = "S9030000FC";
constexpr std::size_t kSRecordMaxData = 16;

// One "S1" record of byteCount (1..16) bytes at address: count = bytes + 3,
// checksum = one's complement of the 8-bit sum of count, address and data.
std::string MakeDataRecord(std::uint16_t address, const std::uint8_t* bytes, std::size_t byteCount);

// Appends the data records covering image[first .. last] inclusive, 16 bytes
// to a record from first on; nothing when first > last. No end record.
void AppendImageRecords(const Image& image, std::uint16_t first, std::uint16_t last,
                        std::vector<std::string>& list);

// Appends the records for the addresses start .. start + lastOffset, taken
// from bytes[0 .. lastOffset], then the end record. A range is never wrapped
// round to address 0 and never read past byteCount: the records stop at
// address 0xFFFF or at the end of bytes, and the result is false when that
// cut the range short (the end record is appended all the same).
bool BuildRecords(const std::uint8_t* bytes, std::size_t byteCount, std::uint16_t start,
                  std::uint16_t lastOffset, std::vector<std::string>& list);
