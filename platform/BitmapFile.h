#pragma once
// Windows bitmap files (".bmp") with the 40-byte information header: 1, 4
// and 8 bits per pixel through a colour table, 24 bits as blue, green, red,
// and 32 bits either as blue, green, red and a spare byte or through three
// colour masks. Every size the file states is checked against the bytes it
// holds before anything is read or allocated; a file that fails a check is
// refused as a whole, so a caller treats it as missing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Bitmap {
    // The picture's largest side and the largest file accepted: a start-up
    // picture, not a photograph.
    static constexpr std::int32_t kMaxSide = 8192;
    static constexpr std::size_t kMaxFileSize = 64u * 1024u * 1024u;

    int width = 0;
    int height = 0;
    int bitCount = 0;
    // The colour table of a picture with at most 256 colours, as 0xRRGGBB.
    std::vector<std::uint32_t> palette;
    // width * height pixels, top row first, each 0xFFRRGGBB.
    std::vector<std::uint32_t> pixels;

    std::uint32_t Pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Decodes the size bytes at data. false (and out emptied) when the bytes are
// not a bitmap this reader takes, or when any size in them disagrees with
// the bytes there are.
bool DecodeBitmap(const std::uint8_t* data, std::size_t size, Bitmap& out);

// Reads and decodes the file at path: false when it is missing, not a
// regular file, larger than Bitmap::kMaxFileSize or not a valid bitmap.
bool ReadBitmapFile(const std::string& path, Bitmap& out);

// A bitmap file of picture with bitCount 24 (blue, green, red) or 8 (through
// picture.palette, each pixel the first palette entry of its colour, the
// first entry when none matches), bottom row first as the format keeps it.
// Empty for any other bit count or an empty picture.
std::string EncodeBitmap(const Bitmap& picture, int bitCount);
