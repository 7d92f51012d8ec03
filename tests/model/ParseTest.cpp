#include "model/Parse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct FieldCase {
    const char* line;
    const char* field;
    const char* rest;
};

TEST(ParseTest, NextFieldSplitsAtTheFirstCommaAndTrims) {
    const FieldCase cases[] = {
        {" Main Fuel , 1 ,\tx ", "Main Fuel", "1 ,\tx"},
        {"  last  ", "last", ""},
        {",a", "", "a"},
        {"a,", "a", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(NextField(line), c.field) << c.line;
        EXPECT_EQ(line, c.rest) << c.line;
    }
}

TEST(ParseTest, NextFieldWalksAWholeLine) {
    std::string line = "8000, 8FFF ,9000";
    EXPECT_EQ(NextField(line), "8000");
    EXPECT_EQ(NextField(line), "8FFF");
    EXPECT_EQ(NextField(line), "9000");
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(NextField(line), "");
}

struct HexCase {
    const char* text;
    bool ok;
    std::uint32_t value;
};

TEST(ParseTest, ParseHex) {
    const HexCase cases[] = {
        {"", true, 0},
        {"fF", true, 255},
        {"8000", true, 0x8000},
        {"FFFFFFFF", true, 0xFFFFFFFFu},
        {"000000001", true, 1},   // leading zeros do not overflow
        {"100000000", false, 0},  // 9 significant digits do
        {"FFFFFFFFF", false, 0},
        {"G", false, 0},
        {"12 ", false, 0},
        {"-1", false, 0},
        {"0x10", false, 0},
    };
    for (const auto& c : cases) {
        std::uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(ParseHex(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

struct DecimalCase {
    const char* text;
    bool ok;
    std::int32_t value;
};

TEST(ParseTest, ParseDecimal) {
    const DecimalCase cases[] = {
        {"", true, 0},
        {"-12", true, -12},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"1-2", false, 0},
        {"-", false, 0},
        {"--1", false, 0},
        {"+1", false, 0},
        {"1.5", false, 0},
        {" 1", false, 0},
        {"a", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(ParseDecimal(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(ParseTest, ParseHexPair) {
    std::uint8_t value = 0;
    EXPECT_TRUE(ParseHexPair('7', 'f', value));
    EXPECT_EQ(value, 0x7F);
    EXPECT_TRUE(ParseHexPair('A', '0', value));
    EXPECT_EQ(value, 0xA0);
    EXPECT_FALSE(ParseHexPair('g', '0', value));
    EXPECT_FALSE(ParseHexPair('0', ' ', value));
}

}  // namespace
