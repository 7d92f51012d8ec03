// Text of a block read as the ECU sends it -> DecodeRecords after a whole
// reception and DecodePartialRecords after a broken one. Decoded bytes stay
// inside 64 KB; a decoding called sound has bytes and no damage; what a
// partial decoding keeps of a sound reception is a prefix of the whole one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ecu/EcuRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const DecodedRecords whole = DecodeRecords(text);
    if (std::size_t{whole.start} + whole.bytes.size() > 0x10000u) __builtin_trap();
    if (whole.ok && (whole.bytes.empty() || whole.damaged)) __builtin_trap();
    // Where a damaged record lies: its address, or the first byte missing
    // after the sound records; empty only when neither is known.
    if (whole.damaged && whole.damagedAddress.size() != 4 && !whole.damagedAddress.empty()) __builtin_trap();

    const DecodedRecords partial = DecodePartialRecords(text);
    if (std::size_t{partial.start} + partial.bytes.size() > 0x10000u) __builtin_trap();
    if (partial.damaged && partial.damagedAddress.size() != 4 && !partial.damagedAddress.empty()) __builtin_trap();
    const std::string missing = FirstMissingAddress(partial);
    if (!missing.empty() && missing.size() != 4) __builtin_trap();
    for (const int sent : {0, 7, 8, 9, 39, 40, 41, 1000})
        if (FailingWriteAddress(text.substr(0, 4), sent).size() > 4) __builtin_trap();
    return 0;
}
