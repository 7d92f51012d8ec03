#pragma once
// S-record text as the ECU sends it in a block read, decoded into a start
// address and bytes; and the address a failed block write reports.
#include <cstdint>
#include <string>
#include <vector>

struct DecodedRecords {
    bool ok = false;
    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;   // start .. start + size - 1; gaps stay 0
    bool checksumError = false;        // a record's checksum did not match (noted only)
};

// After a completed reception: every "S1" record up to "S9", stopping at the
// first malformed record. ok needs at least one data byte inside 0000..FFFF.
DecodedRecords DecodeRecords(const std::string& text);

// After a failed reception: the leading run of "S1" records, each taken as
// far as its hex pairs go; no checksum test.
DecodedRecords DecodePartialRecords(const std::string& text);

// The first address a partial reception misses, as four upper-case hex digits.
std::string FirstMissingAddress(const DecodedRecords& decoded);

// The failing address of a block write: the address field of the line that
// failed ("" before the first record or at the closing one), its last digit
// replaced by the data byte the echo failed on: (charactersSent - 8) / 2 when
// that lies in 0..15.
std::string FailingWriteAddress(const std::string& currentAddress, int charactersSent);
