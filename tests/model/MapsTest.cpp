#include "model/Maps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

struct MapsTest : ::testing::Test {
    Image image{};

    MapRecord& AddMap(int type, const char* name = "") {
        maps.push_back(std::make_unique<MapRecord>());
        maps.back()->type = type;
        maps.back()->name = name;
        return *maps.back();
    }
    void SetCounts(std::uint16_t base, std::uint8_t zc, std::uint8_t xc) {
        image.at(base) = zc;
        image.at(base + 1u) = xc;
    }

    MapList maps;
};

void ExpectLayout(const MapRecord& map, std::uint16_t base, int zc, int xc, int cells,
                  std::uint16_t zStart, std::uint16_t xStart, std::uint16_t yStart) {
    EXPECT_EQ(map.base, base);
    EXPECT_EQ(map.z.count, zc);
    EXPECT_EQ(map.x.count, xc);
    EXPECT_EQ(map.y.count, cells);
    EXPECT_EQ(map.z.start, zStart);
    EXPECT_EQ(map.x.start, xStart);
    EXPECT_EQ(map.y.start, yStart);
}

TEST_F(MapsTest, FindMapMatchesTheExactName) {
    AddMap(kMapOneRpmRow, "Main Fuel");
    MapRecord& ignition = AddMap(kMapOneRpmRow, "Ignition");
    EXPECT_EQ(FindMap(maps, "Ignition"), &ignition);
    EXPECT_EQ(FindMap(maps, "ignition"), nullptr);
    EXPECT_EQ(FindMap(maps, "Main"), nullptr);
}

TEST_F(MapsTest, TypeTwoReservesAnRpmRowPerThrotRow) {
    MapRecord& map = AddMap(kMapRpmPerRow);
    SetCounts(0x8000, 3, 4);
    std::uint16_t a = 0x8000;
    ASSERT_TRUE(LayoutFreeMap(image, map, a));
    // 2 count bytes, 3 THROT bytes, 12 RPM bytes, 12 DATA bytes.
    ExpectLayout(map, 0x8000, 3, 4, 12, 0x8002, 0x8005, 0x8011);
    EXPECT_EQ(a, 0x801D);
}

TEST_F(MapsTest, ConsecutiveMapsLieBackToBack) {
    MapRecord& first = AddMap(kMapOneRpmRow);
    MapRecord& second = AddMap(kMapRpmPerRow);
    MapRecord& invalid = AddMap(kMapInvalid);   // behaves as type 1
    SetCounts(0x4000, 2, 5);                    // 2 + 2 + 5 + 10 = 19 bytes
    SetCounts(0x4013, 3, 4);                    // 2 + 3 + 12 + 12 = 29 bytes
    SetCounts(0x4030, 1, 3);
    ASSERT_TRUE(LayoutMaps(image, maps, 0x4000));
    ExpectLayout(first, 0x4000, 2, 5, 10, 0x4002, 0x4004, 0x4009);
    ExpectLayout(second, 0x4013, 3, 4, 12, 0x4015, 0x4018, 0x4024);
    ExpectLayout(invalid, 0x4030, 1, 3, 3, 0x4032, 0x4033, 0x4036);
}

TEST_F(MapsTest, AnEmptyMapTakesOnlyItsCountsAndAxis) {
    MapRecord& map = AddMap(kMapOneRpmRow);
    SetCounts(0x100, 0, 4);
    std::uint16_t a = 0x100;
    ASSERT_TRUE(LayoutFreeMap(image, map, a));
    ExpectLayout(map, 0x100, 0, 4, 0, 0x102, 0x102, 0x106);
    EXPECT_EQ(a, 0x106);
}

TEST_F(MapsTest, RefusesTablesOf256CellsOrMoreAndKeepsTheMapsBefore) {
    MapRecord& first = AddMap(kMapOneRpmRow);
    MapRecord& tooBig = AddMap(kMapOneRpmRow);
    MapRecord& after = AddMap(kMapOneRpmRow);
    tooBig.base = 0x1234;
    after.base = 0x4321;
    SetCounts(0x2000, 1, 1);   // 5 bytes
    SetCounts(0x2005, 16, 16);
    EXPECT_FALSE(LayoutMaps(image, maps, 0x2000));
    ExpectLayout(first, 0x2000, 1, 1, 1, 0x2002, 0x2003, 0x2004);
    EXPECT_EQ(tooBig.base, 0x1234);
    EXPECT_EQ(tooBig.y.count, 0);
    EXPECT_EQ(after.base, 0x4321);

    SetCounts(0x2005, 15, 17);   // 255 cells still fit
    EXPECT_TRUE(LayoutMaps(image, maps, 0x2000));
    EXPECT_EQ(tooBig.y.count, 255);
}

TEST_F(MapsTest, AcceptsAMapEndingOnTheLastByteAndRefusesOnePastIt) {
    // Type 1, 4 x 4: 2 + 4 + 4 + 16 = 26 bytes.
    const std::uint16_t fits = 0x10000 - 26;
    MapRecord& map = AddMap(kMapOneRpmRow);
    SetCounts(fits, 4, 4);
    std::uint16_t a = fits;
    ASSERT_TRUE(LayoutFreeMap(image, map, a));
    EXPECT_EQ(map.y.start, 0xFFF0);
    EXPECT_NE(a, 0);   // the walk does not wrap to the start of the image

    MapRecord& next = AddMap(kMapOneRpmRow);
    const std::uint16_t before = a;
    EXPECT_FALSE(LayoutFreeMap(image, next, a));   // no room for anything after it
    EXPECT_EQ(a, before);

    MapRecord other;
    SetCounts(fits + 1, 4, 4);
    a = fits + 1;
    EXPECT_FALSE(LayoutFreeMap(image, other, a));
    EXPECT_EQ(a, fits + 1);
    EXPECT_EQ(other.base, 0);
}

TEST_F(MapsTest, RefusesCountBytesAtTheLastAddress) {
    image[0xFFFF] = 0;
    MapRecord map;
    std::uint16_t a = 0xFFFF;
    EXPECT_FALSE(LayoutFreeMap(image, map, a));
    std::uint32_t wide = 0x10000;
    EXPECT_FALSE(LayoutFreeMap(image, map, wide));
}

TEST_F(MapsTest, ALayoutWalkNeverWrapsPastTheImage) {
    MapRecord& first = AddMap(kMapOneRpmRow);
    MapRecord& last = AddMap(kMapOneRpmRow);
    MapRecord& wrapped = AddMap(kMapOneRpmRow);
    wrapped.base = 0x0777;
    SetCounts(0xFFF1, 2, 2);   // 2 + 2 + 2 + 4 = 10 bytes: 0xFFF1 .. 0xFFFA
    SetCounts(0xFFFB, 1, 1);   // 2 + 1 + 1 + 1 = 5 bytes: 0xFFFB .. 0xFFFF
    SetCounts(0x0000, 1, 1);   // where a 16-bit walk would place the third map
    EXPECT_FALSE(LayoutMaps(image, maps, 0xFFF1));
    EXPECT_EQ(first.y.start, 0xFFF7);
    EXPECT_EQ(last.base, 0xFFFB);
    EXPECT_EQ(last.y.start, 0xFFFF);
    EXPECT_EQ(wrapped.base, 0x0777);
    EXPECT_EQ(wrapped.y.count, 0);

    maps.pop_back();
    EXPECT_TRUE(LayoutMaps(image, maps, 0xFFF1));
}

TEST_F(MapsTest, ChecksumMakesTheRangeSumTo7F) {
    for (std::uint32_t i = 0x1000; i < 0x1100; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::uint8_t written = RecomputeChecksum(image, 0x1000, 0x10FF);
    EXPECT_EQ(written, image[0x10FF]);
    std::uint8_t sum = 0;
    for (std::uint32_t i = 0x1000; i <= 0x10FF; ++i) sum = static_cast<std::uint8_t>(sum + image[i]);
    EXPECT_EQ(sum, 0x7F);
}

TEST_F(MapsTest, ChecksumOfTheEdgeRanges) {
    image[0x20] = 0x55;
    EXPECT_EQ(RecomputeChecksum(image, 0x20, 0x20), 0x7F);   // one byte: the checksum alone
    EXPECT_EQ(image[0x20], 0x7F);

    image[0x30] = 0x55;
    image[0x40] = 0x66;
    EXPECT_EQ(RecomputeChecksum(image, 0x40, 0x30), 0x55);   // empty range: nothing written
    EXPECT_EQ(image[0x30], 0x55);
    EXPECT_EQ(image[0x40], 0x66);

    image[0xFFFE] = 0x80;   // a range up to the last address does not wrap
    EXPECT_EQ(RecomputeChecksum(image, 0xFFFE, 0xFFFF), 0xFF);
}

}  // namespace
