#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/BitmapFile.h"
#include "tests/support/TempDir.h"

namespace {

void Set16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

bool Decode(const std::string& bytes, Bitmap& out) {
    return DecodeBitmap(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out);
}

// A 3 x 2 picture of six different colours, row 0 on top.
Bitmap Sample() {
    Bitmap b;
    b.width = 3;
    b.height = 2;
    b.palette = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080};
    for (std::uint32_t c : b.palette) b.pixels.push_back(0xFF000000u | c);
    return b;
}

// Header and information header with nothing after them; the caller adds
// the table and the pixels and fixes the offset.
std::string Headers(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression,
                    std::uint32_t colorsUsed, std::uint32_t offset) {
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Set32(b, 10, offset);
    Set32(b, 14, 40);
    Set32(b, 18, static_cast<std::uint32_t>(width));
    Set32(b, 22, static_cast<std::uint32_t>(height));
    Set16(b, 26, 1);
    Set16(b, 28, static_cast<std::uint32_t>(bitCount));
    Set32(b, 30, compression);
    Set32(b, 46, colorsUsed);
    return b;
}

TEST(BitmapDecode, TrueColourAndPaletteFilesGiveTheirPixelsTopRowFirst) {
    const Bitmap sample = Sample();
    for (int bits : {24, 8}) {
        Bitmap read;
        ASSERT_TRUE(Decode(EncodeBitmap(sample, bits), read)) << bits;
        EXPECT_EQ(read.width, 3);
        EXPECT_EQ(read.height, 2);
        EXPECT_EQ(read.bitCount, bits);
        EXPECT_EQ(read.pixels, sample.pixels) << bits;
        EXPECT_EQ(read.palette.size(), bits == 8 ? 6u : 0u);
    }
}

TEST(BitmapDecode, OneAndFourBitRowsAreReadFromTheHighBitsAndPaddedToFourBytes) {
    // 1 bit, 10 x 2, two colours: row bits 1010000011 bottom, 0111111111 top.
    std::string one = Headers(10, 2, 1, 0, 2, 54 + 8);
    one += std::string("\x00\x00\x00\x00\xff\xff\xff\x00", 8);
    one += std::string("\xA0\xC0\x00\x00", 4);   // bottom row
    one += std::string("\x7F\xC0\x00\x00", 4);   // top row
    Bitmap b;
    ASSERT_TRUE(Decode(one, b));
    const char* top = "0111111111";
    const char* bottom = "1010000011";
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(b.Pixel(x, 0), top[x] == '1' ? 0xFFFFFFFFu : 0xFF000000u) << x;
        EXPECT_EQ(b.Pixel(x, 1), bottom[x] == '1' ? 0xFFFFFFFFu : 0xFF000000u) << x;
    }
    // 4 bits, 3 x 1 with a table of three entries; index 7 names no colour.
    std::string four = Headers(3, 1, 4, 0, 3, 54 + 12);
    four += std::string("\x03\x02\x01\x00\x30\x20\x10\x00\xff\x00\x00\x00", 12);
    four += std::string("\x21\x70\x00\x00", 4);
    ASSERT_TRUE(Decode(four, b));
    EXPECT_EQ(b.Pixel(0, 0), 0xFF0000FFu);   // entries are blue, green, red
    EXPECT_EQ(b.Pixel(1, 0), 0xFF102030u);
    EXPECT_EQ(b.Pixel(2, 0), 0xFF000000u);
}

TEST(BitmapDecode, ThirtyTwoBitsPlainOrThroughMasksAndTopDownRows) {
    std::string plain = Headers(1, -2, 32, 0, 0, 54);   // top row first
    plain += std::string("\x01\x02\x03\x99\x04\x05\x06\x99", 8);
    Bitmap b;
    ASSERT_TRUE(Decode(plain, b));
    EXPECT_EQ(b.Pixel(0, 0), 0xFF030201u);
    EXPECT_EQ(b.Pixel(0, 1), 0xFF060504u);

    // Masks: red in the low byte, green in 4 bits, blue in the top byte.
    std::string masked = Headers(1, 1, 32, 3, 0, 54 + 12);
    masked += std::string("\xff\x00\x00\x00\x00\x0f\x00\x00\x00\x00\x00\xff", 12);
    masked += std::string("\x40\x0f\x00\x80", 4);
    ASSERT_TRUE(Decode(masked, b));
    EXPECT_EQ(b.Pixel(0, 0), 0xFF40FF80u);
}

TEST(BitmapDecode, FilesThatLieAboutThemselvesAreRefused) {
    const std::string good = EncodeBitmap(Sample(), 8);
    Bitmap b;
    ASSERT_TRUE(Decode(good, b));
    struct Case { const char* why; std::size_t at; std::uint32_t value; bool wide; };
    const Case cases[] = {
        {"not BM", 0, 'X', false},
        {"core header", 14, 12, true},
        {"V5 header", 14, 124, true},
        {"zero width", 18, 0, true},
        {"negative width", 18, 0xFFFFFFFDu, true},
        {"huge width", 18, 0x7FFFFFFFu, true},
        {"huge height", 22, 0x7FFFFFFFu, true},
        {"lowest height", 22, 0x80000000u, true},
        {"wider than the pixels", 18, 64, true},
        {"two planes", 26, 2, false},
        {"16 bits", 28, 16, false},
        {"run-length", 30, 1, true},
        {"masks on 8 bits", 30, 3, true},
        {"more colours than 8 bits name", 46, 257, true},
        {"colour table past the end", 46, 0xFFFFFFFFu, true},
        {"pixels past the end", 10, static_cast<std::uint32_t>(good.size()) - 2, true},
        {"pixels inside the table", 10, 54, true},
        {"offset past the file", 10, 0xFFFFFFF0u, true},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        if (c.wide) Set32(bad, c.at, c.value);
        else if (c.at == 0) bad[0] = static_cast<char>(c.value);
        else Set16(bad, c.at, c.value);
        b.width = 99;
        EXPECT_FALSE(Decode(bad, b)) << c.why;
        EXPECT_EQ(b.width, 0) << c.why;
        EXPECT_TRUE(b.pixels.empty()) << c.why;
    }
    // Above 8 bits the used colours sit before the pixels; a count that runs
    // past the file is refused too.
    std::string trueColour = EncodeBitmap(Sample(), 24);
    Set32(trueColour, 46, 0x40000000u);
    EXPECT_FALSE(Decode(trueColour, b));
    // Masks announced on 32 bits with no room for them.
    EXPECT_FALSE(Decode(Headers(1, 1, 32, 3, 0, 54), b));
    EXPECT_FALSE(DecodeBitmap(nullptr, 0, b));
}

TEST(BitmapDecode, EveryTruncationIsRefused) {
    for (int bits : {8, 24}) {
        const std::string good = EncodeBitmap(Sample(), bits);
        Bitmap b;
        for (std::size_t n = 0; n < good.size(); ++n)
            EXPECT_FALSE(Decode(good.substr(0, n), b)) << bits << " bits cut to " << n;
        EXPECT_TRUE(Decode(good + "trailing", b));
    }
}

TEST(BitmapFileRead, ReadsARegularFileAndRefusesTheRest) {
    TempDir dir;
    Bitmap b;
    EXPECT_TRUE(ReadBitmapFile(dir.Write("good.bmp", EncodeBitmap(Sample(), 24)), b));
    EXPECT_EQ(b.pixels, Sample().pixels);
    EXPECT_FALSE(ReadBitmapFile(dir.File("missing.bmp"), b));
    EXPECT_FALSE(ReadBitmapFile(dir.Path(), b));
    EXPECT_FALSE(ReadBitmapFile(dir.Write("empty.bmp", ""), b));
    // Larger than any start-up picture: refused before it is read.
    const std::string big = dir.Write("big.bmp", EncodeBitmap(Sample(), 24));
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(Bitmap::kMaxFileSize) + 1), 0);
    EXPECT_FALSE(ReadBitmapFile(big, b));
}

TEST(BitmapEncode, RefusesWhatItCannotWrite) {
    Bitmap b = Sample();
    EXPECT_TRUE(EncodeBitmap(b, 32).empty());
    EXPECT_TRUE(EncodeBitmap(Bitmap(), 24).empty());
    b.pixels.pop_back();
    EXPECT_TRUE(EncodeBitmap(b, 24).empty());
    b = Sample();
    b.palette.clear();
    EXPECT_TRUE(EncodeBitmap(b, 8).empty());
}

}  // namespace
