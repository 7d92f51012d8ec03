// Image file bytes (the data exchange's file source) -> ReadImageFile. A
// file it takes gives exactly highest - lowest + 1 bytes that fit in 64 KB;
// a file it refuses gives one of the refusal codes and no bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/ImageFile.h"
#include "fuzz/FuzzMachine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzmachine::ScratchFile("image");
    fuzzmachine::WriteScratch(path, data, size);
    ImageFileData image;
    const int result = ReadImageFile(path, "KST26A", image);
    if (result >= 1) {
        if (image.bytes.size() != static_cast<std::size_t>(result) + 1) __builtin_trap();
        if (std::size_t{image.start} + image.bytes.size() > 0x10000u) __builtin_trap();
    } else if (result != 0 && result != kImageFileFormat && result != kImageFileNoRecords &&
               result != kImageFileOtherMachine) {
        __builtin_trap();
    }
    return 0;
}
