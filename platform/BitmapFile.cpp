#include "platform/BitmapFile.h"

#include <fstream>
#include <new>

#include <sys/stat.h>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionMasks = 3;

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t I32(const std::uint8_t* p) {
    const std::uint32_t u = U32(p);
    return u <= 0x7FFFFFFFu ? static_cast<std::int32_t>(u)
                            : -static_cast<std::int32_t>(~u) - 1;
}

// One colour channel through its mask, scaled to eight bits. A mask whose
// bits are not one run gives the channel from its lowest run only.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const std::uint32_t bits = mask >> shift;
    int width = 0;
    while (width < 32 - shift && ((bits >> width) & 1u) != 0) ++width;
    const std::uint64_t max = (std::uint64_t{1} << width) - 1;
    const std::uint64_t v = (value >> shift) & max;
    return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
}

bool Refuse(Bitmap& out) {
    out = Bitmap();
    return false;
}

}  // namespace

bool DecodeBitmap(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    out = Bitmap();
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize) return false;
    if (data[0] != 'B' || data[1] != 'M') return false;
    const std::uint64_t pixelOffset = U32(data + 10);
    const std::uint8_t* info = data + kFileHeaderSize;
    if (U32(info) != kInfoHeaderSize) return false;
    const std::int32_t width = I32(info + 4);
    const std::int32_t rawHeight = I32(info + 8);
    const std::uint32_t planes = U16(info + 12);
    const std::uint32_t bitCount = U16(info + 14);
    const std::uint32_t compression = U32(info + 16);
    const std::uint64_t colorsUsed = U32(info + 32);

    if (planes != 1) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
    if (compression != kCompressionNone && !(compression == kCompressionMasks && bitCount == 32)) return false;
    // A negative height is a picture stored top row first.
    const bool topDown = rawHeight < 0;
    if (rawHeight == INT32_MIN) return false;
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) return false;

    // The colour table: the used-colour count of entries, or all the bit
    // count can name when that count is 0; above 8 bits only the used colours
    // and, with masks, the three masks ahead of them.
    std::uint64_t tableEntries = 0;
    std::uint64_t maskBytes = 0;
    if (bitCount <= 8) {
        const std::uint64_t possible = std::uint64_t{1} << bitCount;
        tableEntries = colorsUsed == 0 ? possible : colorsUsed;
        if (tableEntries > possible) return false;
    } else {
        tableEntries = colorsUsed;
        if (compression == kCompressionMasks) maskBytes = 12;
    }
    const std::uint64_t tableStart = kFileHeaderSize + kInfoHeaderSize;
    const std::uint64_t tableEnd = tableStart + maskBytes + tableEntries * 4;
    if (tableEnd > size) return false;
    if (pixelOffset < tableEnd || pixelOffset > size) return false;

    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height);
    if (pixelBytes > size - pixelOffset) return false;

    std::uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (maskBytes != 0)
        for (int i = 0; i < 3; ++i) masks[i] = U32(data + tableStart + 4 * i);

    try {
        if (bitCount <= 8) {
            out.palette.reserve(static_cast<std::size_t>(tableEntries));
            for (std::uint64_t i = 0; i < tableEntries; ++i) {
                const std::uint8_t* e = data + tableStart + 4 * i;
                out.palette.push_back((std::uint32_t{e[2]} << 16) | (std::uint32_t{e[1]} << 8) | e[0]);
            }
        }
        out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return Refuse(out);
    }
    out.width = width;
    out.height = height;
    out.bitCount = static_cast<int>(bitCount);

    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t fileRow = topDown ? y : height - 1 - y;
        const std::uint8_t* row = data + pixelOffset + stride * static_cast<std::uint64_t>(fileRow);
        std::uint32_t* target = &out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            if (bitCount <= 8) {
                const std::uint64_t bit = static_cast<std::uint64_t>(x) * bitCount;
                const std::uint32_t byte = row[bit / 8];
                const std::uint32_t index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
                // An index past the table names no colour: black.
                rgb = index < out.palette.size() ? out.palette[index] : 0;
            } else if (bitCount == 24) {
                const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
                rgb = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
            } else {
                const std::uint32_t value = U32(row + 4 * static_cast<std::size_t>(x));
                rgb = (Channel(value, masks[0]) << 16) | (Channel(value, masks[1]) << 8) |
                      Channel(value, masks[2]);
            }
            target[x] = 0xFF000000u | rgb;
        }
    }
    return true;
}

bool ReadBitmapFile(const std::string& path, Bitmap& out) {
    out = Bitmap();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > Bitmap::kMaxFileSize) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    // Read no more than the limit allows, whatever the size said a moment ago.
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const std::size_t got = static_cast<std::size_t>(file.gcount());
    if (got > static_cast<std::size_t>(info.st_size)) return false;   // grew while reading
    return DecodeBitmap(bytes.data(), got, out);
}

namespace {
void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
}  // namespace

std::string EncodeBitmap(const Bitmap& picture, int bitCount) {
    if ((bitCount != 8 && bitCount != 24) || picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        return std::string();
    if (bitCount == 8 && (picture.palette.empty() || picture.palette.size() > 256)) return std::string();
    const std::size_t tableEntries = bitCount == 8 ? picture.palette.size() : 0;
    const std::size_t stride = ((static_cast<std::size_t>(picture.width) * bitCount + 31) / 32) * 4;
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * tableEntries;
    const std::size_t total = offset + stride * static_cast<std::size_t>(picture.height);
    std::string out;
    out.reserve(total);
    out += "BM";
    Put32(out, static_cast<std::uint32_t>(total));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(offset));
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<std::uint32_t>(picture.width));
    Put32(out, static_cast<std::uint32_t>(picture.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bitCount));
    Put32(out, kCompressionNone);
    Put32(out, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(picture.height)));
    Put32(out, 2835);   // 72 dots per inch
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(tableEntries));
    Put32(out, 0);
    for (std::size_t i = 0; i < tableEntries; ++i) Put32(out, picture.palette[i] & 0xFFFFFFu);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.Pixel(x, y) & 0xFFFFFFu;
            if (bitCount == 24) {
                out.push_back(static_cast<char>(rgb & 0xFF));
                out.push_back(static_cast<char>((rgb >> 8) & 0xFF));
                out.push_back(static_cast<char>((rgb >> 16) & 0xFF));
            } else {
                std::size_t index = 0;
                while (index < tableEntries && (picture.palette[index] & 0xFFFFFFu) != rgb) ++index;
                out.push_back(static_cast<char>(index < tableEntries ? index : 0));
            }
        }
        out.append(stride - (out.size() - rowStart), '\0');
    }
    return out;
}
