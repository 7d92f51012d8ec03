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

TEST(DecodeRecordsTest, AChecksumMismatchFailsTheDecodingAtItsRecord) {
    std::string bad = Record16(0x0210);
    bad.back() = bad.back() == '0' ? '1' : '0';
    const DecodedRecords decoded = DecodeRecords(Record16(0x0200) + bad + Record16(0x0220) + kClose);
    EXPECT_FALSE(decoded.ok);
    EXPECT_TRUE(decoded.damaged);
    EXPECT_TRUE(decoded.checksumError);
    EXPECT_EQ(decoded.damagedAddress, "0210");
    // What stays is the sound record before it, none of its bytes or later ones.
    EXPECT_EQ(decoded.start, 0x0200);
    EXPECT_EQ(decoded.bytes.size(), 16u);
}

TEST(DecodeRecordsTest, TheExaminationEndsQuietlyAtS9AndAtRecordsOfOtherTypes) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t size;
    };
    const std::string one = Record16(0x0000), two = Record16(0x0010, 0x10);
    const std::vector<Case> cases = {
        {"after S9", one + kClose + two, 16},
        {"other record after data", one + "S5030001FB" + two, 16},
        {"other record before data", "S00600004844521B" + one + kClose, 16},
        {"garbage before the first S", "\r\n" + one + kClose, 16},
        {"a record without data", "S1030000FC" + one + kClose, 16},
    };
    for (const Case& c : cases) {
        const DecodedRecords decoded = DecodeRecords(c.text);
        EXPECT_TRUE(decoded.ok) << c.name;
        EXPECT_FALSE(decoded.damaged) << c.name;
        EXPECT_EQ(decoded.bytes.size(), c.size) << c.name;
    }
}

TEST(DecodeRecordsTest, ABrokenRecordFailsTheDecodingWithItsAddress) {
    struct Case {
        const char* name;
        std::string second;     // the record after 0000..000F
        const char* address;    // where the failure is reported
    };
    const std::string two = Record16(0x0010, 0x10);
    std::string nonHexData = two;
    nonHexData[12] = 'G';
    std::string lowerCaseJunk = two;
    lowerCaseJunk[20] = 'x';
    std::string longerCount = two;
    longerCount[3] = '4';        // count 0x14: one byte more than the record holds
    std::string shorterCount = two;
    shorterCount[3] = '2';       // count 0x12: one byte less
    const std::vector<Case> cases = {
        {"non-hex data", nonHexData, "0010"},
        {"non-hex character elsewhere", lowerCaseJunk, "0010"},
        {"count above the length", longerCount, "0010"},
        {"count below the length", shorterCount, "0010"},
        {"odd length", two.substr(0, two.size() - 1), "0010"},
        {"a character too many", two + "0", "0010"},
        {"cut to its address", two.substr(0, 8), "0010"},
        {"only a count", "S113", "0010"},                       // the address missing
        {"non-hex address", "S113001G" + two.substr(8), "0010"},   // the first missing one
        {"data past FFFF", Record16(0xFFF8), "FFF8"},
    };
    for (const Case& c : cases) {
        const DecodedRecords decoded = DecodeRecords(Record16(0x0000) + c.second + Record16(0x0020) + kClose);
        EXPECT_FALSE(decoded.ok) << c.name;
        EXPECT_TRUE(decoded.damaged) << c.name;
        EXPECT_EQ(decoded.damagedAddress, c.address) << c.name;
        EXPECT_EQ(decoded.bytes.size(), 16u) << c.name;
    }
    // A broken first record leaves nothing at all.
    const DecodedRecords first = DecodeRecords(nonHexData + kClose);
    EXPECT_TRUE(first.damaged);
    EXPECT_TRUE(first.bytes.empty());
    EXPECT_EQ(first.damagedAddress, "0010");
    EXPECT_EQ(DecodeRecords("S113001G" + two.substr(8) + kClose).damagedAddress, "");
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

TEST(DecodePartialRecordsTest, ADamagedWholeRecordBeforeTheCutEndsTheRunAtItsAddress) {
    std::string bad = Record16(0x0010);
    bad.back() = bad.back() == '0' ? '1' : '0';
    const std::string cut = Record16(0x0030).substr(0, 20);
    const DecodedRecords decoded = DecodePartialRecords(Record16(0x0000) + bad + Record16(0x0020) + cut);
    EXPECT_TRUE(decoded.damaged);
    EXPECT_TRUE(decoded.ok);   // the sound record before it is still shown
    EXPECT_EQ(decoded.bytes.size(), 16u);
    EXPECT_EQ(decoded.damagedAddress, "0010");
    // A cut last record is no damage.
    EXPECT_FALSE(DecodePartialRecords(Record16(0x0000) + cut).damaged);
}

TEST(DecodePartialRecordsTest, NothingUsableGivesNoAddress) {
    EXPECT_FALSE(DecodePartialRecords("").ok);
    EXPECT_FALSE(DecodePartialRecords("S1130").ok);
    EXPECT_FALSE(DecodePartialRecords("X" + Record16(0)).ok);   // the first record is no S1
    EXPECT_EQ(FirstMissingAddress(DecodedRecords{}), "");
}

TEST(DecodePartialRecordsTest, DataCutAtTheTopOfMemoryNamesNoMissingAddress) {
    // A record at FFFF cut after its one data byte: the memory ends there,
    // so the failure names no address beyond it (never "10000").
    const DecodedRecords top = DecodePartialRecords("S1ffffff13:A3");
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.start, 0xFFFF);
    EXPECT_EQ(top.bytes.size(), 1u);
    EXPECT_EQ(FirstMissingAddress(top), "");
    const DecodedRecords below = DecodePartialRecords(Record16(0xFFE0));
    ASSERT_TRUE(below.ok);
    EXPECT_EQ(FirstMissingAddress(below), "FFF0");
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
