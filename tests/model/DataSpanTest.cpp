#include "model/DataSpan.h"

#include <gtest/gtest.h>

namespace {

TEST(DataSpanTest, TheChecksumAndAnythingOutsideTheRangeAreNoData) {
    struct Case {
        DataSpan span;
        std::vector<std::uint16_t> addresses;
        const char* text;
    };
    const Case cases[] = {
        {{0x8000, 0x807F}, {0x8000, 0x807E}, ""},
        {{0x8000, 0x807F}, {0x80F5, 0x7FFF, 0x80BA, 0x80BB, 0x807F},
         "bytes 7FFF, 807F, 80BA-80BB, 80F5 lie outside the data X (8000-807E; 807F is the checksum)"},
        {{0x8000, 0x8001}, {0x8001}, "byte 8001 lies outside the data X (8000; 8001 is the checksum)"},
        {{0x8000, 0x8000}, {0x8000}, "byte 8000 lies outside the data X (only the checksum 8000)"},
        {{0xFFFF, 0x0000}, {1, 3, 5, 7, 9}, "bytes 0001, 0003, 0005, 0007, ... lie outside the data X (no data)"},
    };
    for (const Case& c : cases) EXPECT_EQ(OutsideDataText(c.span, c.addresses, "X"), c.text);
}

}  // namespace
