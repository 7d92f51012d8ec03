// Decoding the record text of a block read, and the failing address of a
// block write.
#include "ecu/EcuRecords.h"

#include <gtest/gtest.h>

namespace {

// 16 bytes 0x00..0x0F at address, as the ECU sends them.
std::string Record16(unsigned address, std::uint8_t first = 0) {
    unsigned sum = 0x13 + (address >> 8) + (address & 0xFF);
    char text[16];
    std::snprintf(text, sizeof text, "S113%04X", address);
    std::string record = text;
    for (unsigned i = 0; i < 16; ++i) {
        const unsigned value = (first + i) & 0xFF;
        std::snprintf(text, sizeof text, "%02X", value);
        record += text;
        sum += value;
    }
    std::snprintf(text, sizeof text, "%02X", ~sum & 0xFF);
    return record + text;
}

const std::string kClose = "S9030000FC";

TEST(DecodeRecordsTest, PlacesRecordsByAddressFromTheLowest) {
    const DecodedRecords decoded = DecodeRecords(Record16(0x0110, 0x10) + Record16(0x0100) + kClose);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.start, 0x0100);
    ASSERT_EQ(decoded.bytes.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(decoded.bytes[i], i);
    EXPECT_FALSE(decoded.checksumError);
}

TEST(DecodeRecordsTest, TheSmallRecordOfTheLayoutDecodes) {
    const DecodedRecords decoded = DecodeRecords("S10501000102F6" + kClose);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.start, 0x0100);
    EXPECT_EQ(decoded.bytes, (std::vector<std::uint8_t>{0x01, 0x02}));
}

TEST(DecodeRecordsTest, AGapStaysZero) {
    const DecodedRecords decoded = DecodeRecords(Record16(0x0000, 1) + Record16(0x0020, 1) + kClose);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.bytes.size(), 0x30u);
    EXPECT_EQ(decoded.bytes[0x10], 0);
    EXPECT_EQ(decoded.bytes[0x20], 1);
}

TEST(DecodeRecordsTest, AChecksumMismatchIsNotedNotRefused) {
    std::string bad = Record16(0x0200);
    bad.back() = bad.back() == '0' ? '1' : '0';
    const DecodedRecords decoded = DecodeRecords(bad + kClose);
    EXPECT_TRUE(decoded.ok);
    EXPECT_TRUE(decoded.checksumError);
}

TEST(DecodeRecordsTest, TheExaminationStopsAtS9AndAtBrokenRecords) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t size;
    };
    const std::string one = Record16(0x0000), two = Record16(0x0010, 0x10);
    const std::vector<Case> cases = {
        {"after S9", one + kClose + two, 16},
        {"odd length", one + two.substr(0, two.size() - 1) + Record16(0x0020), 16},
        {"non-hex pair", one + "S113001G" + two.substr(8) + Record16(0x0020), 16},
        {"count disagrees", one + "S1FF0010" + two.substr(8), 16},
        {"other record after data", one + "S5030001FB" + two, 16},
        {"other record before data", "S00600004844521B" + one + kClose, 16},
        {"garbage before the first S", "\r\n" + one + kClose, 16},
    };
    for (const Case& c : cases) {
        const DecodedRecords decoded = DecodeRecords(c.text);
        EXPECT_TRUE(decoded.ok) << c.name;
        EXPECT_EQ(decoded.bytes.size(), c.size) << c.name;
    }
}

TEST(DecodeRecordsTest, NoDataOrDataPastTheTopOfMemoryFails) {
    EXPECT_FALSE(DecodeRecords("").ok);
    EXPECT_FALSE(DecodeRecords(kClose).ok);
    EXPECT_FALSE(DecodeRecords("S1030000FC" + kClose).ok);   // a record without data
    EXPECT_FALSE(DecodeRecords(Record16(0xFFF8) + kClose).ok);
    EXPECT_TRUE(DecodeRecords(Record16(0xFFF0) + kClose).ok);
}

TEST(DecodePartialRecordsTest, ThreeWholeRecordsGiveTheNextAddressAsTheFirstMissing) {
    const std::string text = Record16(0x0000) + Record16(0x0010) + Record16(0x0020);
    const DecodedRecords decoded = DecodePartialRecords(text + "S1");
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.bytes.size(), 48u);
    EXPECT_EQ(FirstMissingAddress(decoded), "0030");
}

TEST(DecodePartialRecordsTest, ARecordCutShortGivesTheBytesConverted) {
    // 5 data bytes of the second record arrived, and half of a sixth.
    const std::string cut = Record16(0x0010, 0x10).substr(0, 8 + 11);
    const DecodedRecords decoded = DecodePartialRecords(Record16(0x0000) + cut);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.bytes.size(), 0x15u);
    EXPECT_EQ(decoded.bytes[0x14], 0x14);
    EXPECT_EQ(FirstMissingAddress(decoded), "0015");
}

TEST(DecodePartialRecordsTest, ARecordMissingOnlyItsChecksumCountsWhole) {
    const std::string whole = Record16(0x0100);
    const DecodedRecords decoded = DecodePartialRecords(whole.substr(0, whole.size() - 2));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.bytes.size(), 16u);
}

TEST(DecodePartialRecordsTest, NothingUsableGivesNoAddress) {
    EXPECT_FALSE(DecodePartialRecords("").ok);
    EXPECT_FALSE(DecodePartialRecords("S1130").ok);
    EXPECT_FALSE(DecodePartialRecords("X" + Record16(0)).ok);   // the first record is no S1
    EXPECT_EQ(FirstMissingAddress(DecodedRecords{}), "");
}

TEST(FailingWriteAddressTest, TheFailingDataByteReplacesTheLastDigit) {
    EXPECT_EQ(FailingWriteAddress("0120", 10), "0121");
    EXPECT_EQ(FailingWriteAddress("0120", 11), "0121");
    EXPECT_EQ(FailingWriteAddress("0120", 9), "0120");
    EXPECT_EQ(FailingWriteAddress("0120", 6), "0120");    // n = -1: unchanged
    EXPECT_EQ(FailingWriteAddress("0120", 38), "012F");
    EXPECT_EQ(FailingWriteAddress("0120", 40), "0120");   // n = 16: unchanged
    EXPECT_EQ(FailingWriteAddress("", 10), "");
}

}  // namespace
