#include "files/SRecord.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

TEST(SRecord, RecordsAreByteExact) {
    struct Case {
        std::uint16_t address;
        std::vector<std::uint8_t> bytes;
        const char* record;
    };
    const Case cases[] = {
        {0x0100, {0x01, 0x02}, "S10501000102F6"},
        {0x0000, {0x00}, "S104000000FB"},
        {0xFFFF, {0xFF}, "S104FFFFFFFE"},
        {0x8000, {0xDE, 0xAD, 0xBE, 0xEF}, "S1078000DEADBEEF40"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeDataRecord(c.address, c.bytes.data(), c.bytes.size()), c.record);
}

TEST(SRecord, BuildRecordsSplitsIntoSixteenBytesAndEnds) {
    std::vector<std::uint8_t> bytes(32);
    std::iota(bytes.begin(), bytes.end(), 0);
    struct Case {
        std::uint16_t lastOffset;
        std::vector<std::size_t> dataCounts;
    };
    const Case cases[] = {{0, {1}}, {15, {16}}, {16, {16, 1}}, {31, {16, 16}}};
    for (const Case& c : cases) {
        std::vector<std::string> list;
        EXPECT_TRUE(BuildRecords(bytes.data(), bytes.size(), 0x2000, c.lastOffset, list));
        ASSERT_EQ(list.size(), c.dataCounts.size() + 1);
        for (std::size_t i = 0; i < c.dataCounts.size(); ++i)
            EXPECT_EQ(list[i].size(), 10 + 2 * c.dataCounts[i]) << list[i];
        EXPECT_EQ(list.back(), "S9030000FC");
    }
    std::vector<std::string> one;
    BuildRecords(bytes.data() + 1, 1, 0x0100, 0, one);
    EXPECT_EQ(one.front().substr(0, 4), "S104");   // count 04 for one byte
    std::vector<std::string> two;
    const std::uint8_t example[] = {0x01, 0x02};
    BuildRecords(example, 2, 0x0100, 1, two);
    EXPECT_EQ(two, (std::vector<std::string>{"S10501000102F6", "S9030000FC"}));
}

TEST(SRecord, BuildRecordsNeverReadsPastItsBytesOrWrapsTheAddress) {
    std::vector<std::uint8_t> bytes(8, 0xAA);
    std::vector<std::string> list;
    EXPECT_FALSE(BuildRecords(bytes.data(), bytes.size(), 0x1000, 63, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].size(), 10 + 2 * 8u);

    list.clear();
    std::vector<std::uint8_t> many(64, 0x55);
    EXPECT_FALSE(BuildRecords(many.data(), many.size(), 0xFFF8, 63, list));
    ASSERT_EQ(list.size(), 2u);   // 8 bytes up to 0xFFFF, then the end record
    EXPECT_EQ(list[0].substr(0, 8), "S10BFFF8");
}

TEST(SRecord, ImageRecordsCoverTheRangeUpToTheLastAddress) {
    Image image{};
    image[0xFFFF] = 0x12;
    std::vector<std::string> list;
    AppendImageRecords(image, 0xFFF0, 0xFFFF, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].substr(list[0].size() - 4, 2), "12");
    list.clear();
    AppendImageRecords(image, 0x10, 0x0F, list);
    EXPECT_TRUE(list.empty());
}

TEST(SRecord, EveryTruncationOfARecordIsRefused) {
    std::uint8_t bytes[16];
    std::iota(bytes, bytes + 16, std::uint8_t{0xA0});
    const std::string whole = MakeDataRecord(0x1230, bytes, 16);
    DataRecord record;
    ASSERT_EQ(ParseDataRecord(whole, record), RecordFault::kNone);
    EXPECT_TRUE(record.checksumOk);
    EXPECT_TRUE(record.exactLength);
    // Cut after "S1" and anything before the last character: the count or the
    // length gives it away, never a short record that reads as whole.
    for (std::size_t length = 2; length < whole.size(); ++length) {
        DataRecord cut;
        EXPECT_NE(ParseDataRecord(std::string_view(whole).substr(0, length), cut), RecordFault::kNone)
            << whole.substr(0, length);
    }
}

TEST(SRecord, RangesOfEveryLengthAroundARecordKeepTheirLastByte) {
    Image image{};
    for (std::uint32_t a = 0; a < 0x100; ++a) image[0x2000 + a] = static_cast<std::uint8_t>(a * 7 + 1);
    for (std::uint16_t length : {1, 15, 16, 17, 31, 32, 33, 49}) {
        std::vector<std::string> list;
        AppendImageRecords(image, 0x2000, static_cast<std::uint16_t>(0x2000 + length - 1), list);
        Image back{};
        std::size_t total = 0;
        for (const std::string& line : list) {
            DataRecord record;
            ASSERT_EQ(ParseDataRecord(line, record), RecordFault::kNone) << line;
            ASSERT_TRUE(record.checksumOk);
            for (std::size_t i = 0; i < record.data.size(); ++i) back[record.address + i] = record.data[i];
            total += record.data.size();
        }
        EXPECT_EQ(total, length) << length;
        EXPECT_EQ(back[0x2000 + length - 1], image[0x2000 + length - 1]) << length;
        EXPECT_EQ(back[0x2000 + length], 0) << length;
    }
}

}  // namespace
