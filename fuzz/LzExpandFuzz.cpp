// The SZDD expansion on arbitrary bytes: a success gives exactly the length
// the header declares (or the input itself when it is not compressed), and
// the output never outgrows what the input can produce.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/LzExpand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string output;
    const int result = LzExpandBuffer(input, output);
    if (result != kLzOk) {
        if (result != kLzTruncated && result != kLzCorrupt && result != kLzNoMemory) __builtin_trap();
        return 0;
    }
    if (!IsSzdd(input)) {
        if (output != input) __builtin_trap();
        return 0;
    }
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(input[i])); };
    const std::uint32_t declared = byte(10) | byte(11) << 8 | byte(12) << 16 | byte(13) << 24;
    if (output.size() != declared) __builtin_trap();
    // A flag byte and eight two-byte references of at most 18 bytes each.
    if (output.size() > (size + 1) * 9 * 18) __builtin_trap();
    return 0;
}
