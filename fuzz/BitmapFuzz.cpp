// The bitmap reader on arbitrary bytes: it either refuses them, leaving
// nothing behind, or gives a picture whose every pixel it could read, which
// then survives a round trip through the writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/BitmapFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bitmap picture;
    if (!DecodeBitmap(data, size, picture)) {
        if (picture.width != 0 || picture.height != 0 || !picture.pixels.empty()) __builtin_trap();
        return 0;
    }
    if (picture.width <= 0 || picture.height <= 0 || picture.width > Bitmap::kMaxSide ||
        picture.height > Bitmap::kMaxSide)
        __builtin_trap();
    const std::size_t count = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    if (picture.pixels.size() != count) __builtin_trap();
    // The pixels came out of the file: at least a bit per pixel was there.
    if (count / 8 > size) __builtin_trap();
    if (picture.bitCount <= 8 && (picture.palette.empty() || picture.palette.size() > 256u)) __builtin_trap();
    for (std::uint32_t p : picture.pixels)
        if ((p >> 24) != 0xFF) __builtin_trap();

    const std::string again = EncodeBitmap(picture, 24);
    Bitmap back;
    if (!DecodeBitmap(reinterpret_cast<const std::uint8_t*>(again.data()), again.size(), back)) __builtin_trap();
    if (back.pixels != picture.pixels) __builtin_trap();
    return 0;
}
