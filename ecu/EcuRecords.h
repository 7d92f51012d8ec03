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
    bool checksumError = false;        // a record's checksum did not match
    // A record arrived broken: a character that is no hex digit, a count
    // that disagrees with its length, a wrong checksum, data past FFFF. The
    // bytes are those of the sound records before it; none of its own.
    bool damaged = false;
    std::string damagedAddress;        // its address field ("%04X"), else the first missing address
};

// After a completed reception: every "S1" record up to "S9". ok needs at
// least one data byte and no damaged record; a damaged record fails the
// decoding, which then holds the records before it.
DecodedRecords DecodeRecords(const std::string& text);

// After a failed reception: the leading run of "S1" records. Each record
// that another one followed arrived whole and must be sound (a damaged one
// ends the run, marked as above); the last one may be cut short and is taken
// as far as its hex pairs go, without a checksum test.
DecodedRecords DecodePartialRecords(const std::string& text);

// The first address a partial reception misses, as four upper-case hex
// digits; empty when nothing was decoded or the data reached FFFF.
std::string FirstMissingAddress(const DecodedRecords& decoded);

// The failing address of a block write: the address field of the line that
// failed ("" before the first record or at the closing one), its last digit
// replaced by the data byte the echo failed on: (charactersSent - 8) / 2 when
// that lies in 0..15.
std::string FailingWriteAddress(const std::string& currentAddress, int charactersSent);
