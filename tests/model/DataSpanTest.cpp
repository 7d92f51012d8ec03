#include "model/DataSpan.h"

#include <gtest/gtest.h>

namespace {

TEST(DataSpanTest, TheChecksumAndAnythingOutsideTheRangeAreNoData) {
    struct Case {
        DataSpan span;
        std::vector<std::uint16_t> addresses;
        const char* runs;
        const char* text;
    };
    const Case cases[] = {
        {{0x8000, 0x807F}, {0x8000, 0x807E}, "", ""},
        {{0x8000, 0x807F}, {0x807F}, "807F", "byte 807F lies outside the data X (8000-807E; 807F is the checksum)"},
        {{0x8000, 0x807F}, {0x80F5, 0x7FFF, 0x80BA, 0x80BB, 0x8010}, "7FFF, 80BA-80BB, 80F5",
         "bytes 7FFF, 80BA-80BB, 80F5 lie outside the data X (8000-807E; 807F is the checksum)"},
        {{0x8000, 0x8000}, {0x8000}, "8000", "byte 8000 lies outside the data X (only the checksum 8000)"},
        {{0x8000, 0x8001}, {0x8001}, "8001", "byte 8001 lies outside the data X (8000; 8001 is the checksum)"},
        {{0xFFFF, 0x0000}, {0x0000, 0x0001}, "0000-0001", "bytes 0000-0001 lie outside the data X (no data)"},
        {{0x0000, 0x0100}, {0x0101, 0x0103, 0x0105, 0x0107, 0x0109}, "0101, 0103, 0105, 0107, ...", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runs);
        EXPECT_EQ(MissingRuns(c.span, c.addresses), c.runs);
        if (c.text) {
            EXPECT_EQ(OutsideDataText(c.span, c.addresses, "X"), c.text);
        }
    }
}

}  // namespace
