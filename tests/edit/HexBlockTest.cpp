// The HEX window's block and the typed-over byte.
#include "edit/HexBlock.h"

#include <gtest/gtest.h>

#include "edit/CellAccess.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

struct HexBlockTest : EditFixture {
    RecordingPrompt prompt;
};

TEST_F(HexBlockTest, AFreeMapRunsFromItsCountsToItsLastDataByte) {
    const HexBlock block = HexBlockOf(map, kEditFreeMapDefinition);
    EXPECT_EQ(block.first, 0x0100);
    EXPECT_EQ(block.last, 0x0114);   // DATA 0x0109 + 12 - 1
    EXPECT_EQ(block.firstLine, 0x0100);
    EXPECT_EQ(block.lines, 2);
    map.base = 0x0110;   // a block inside one line
    EXPECT_EQ(HexBlockOf(map, kEditFreeMapDefinition).lines, 1);
    const HexBlock config = HexBlockOf(map, kEditConfigMapDefinition);
    EXPECT_EQ(config.first, map.y.start);
    EXPECT_EQ(config.last, map.y.start + 11);
}

TEST_F(HexBlockTest, AMapThatWouldRunPastTheImageShowsNothing) {
    map.y.start = 0xFFF8;
    EXPECT_TRUE(HexBlockOf(map, kEditFreeMapDefinition).empty);
}

TEST_F(HexBlockTest, TextsArePrintedAsTheWindowShowsThem) {
    EXPECT_EQ(HexOffsetText(10), "+A");
    EXPECT_EQ(HexAddressText(0x1A0), "1A0");
    EXPECT_EQ(HexByteText(0x0F), "0F");
}

TEST_F(HexBlockTest, BytesLocateTheirCellsButTheCountBytesNone) {
    int mode = 0, row = 0, column = 0;
    EXPECT_FALSE(CellOfAddress(context, map, 0x0100, mode, row, column));
    EXPECT_FALSE(CellOfAddress(context, map, 0x0101, mode, row, column));
    ASSERT_TRUE(CellOfAddress(context, map, 0x0103, mode, row, column));
    EXPECT_EQ(mode, int(kEditThrot));
    EXPECT_EQ(column, 1);
    ASSERT_TRUE(CellOfAddress(context, map, 0x0108, mode, row, column));
    EXPECT_EQ(mode, int(kEditRpm));
    EXPECT_EQ(column, 3);
    ASSERT_TRUE(CellOfAddress(context, map, 0x010E, mode, row, column));
    EXPECT_EQ(mode, int(kEditData));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 1);
    EXPECT_FALSE(CellOfAddress(context, map, 0x0115, mode, row, column));
}

TEST_F(HexBlockTest, TypedBytesAreClampedWrittenAndRecorded) {
    ASSERT_TRUE(HexPlaceCursor(context, map, 0x010A));
    EXPECT_TRUE(HexCommit(context, map, prompt, 0x010A, "ff"));
    EXPECT_EQ(image[0x010A], 200);   // DATA maximum 100 is raw 200
    EXPECT_EQ(map.undo.Newest().kind, 12);
    EXPECT_EQ(map.undo.Newest().values.front(), 2);
    EXPECT_FALSE(HexCommit(context, map, prompt, 0x010A, "C8"));   // unchanged
    EXPECT_EQ(map.undo.Size(), 1u);
    EXPECT_TRUE(HexCommit(context, map, prompt, 0x0103, "01"));   // THROT: above its left neighbour
    EXPECT_EQ(image[0x0103], 11);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(HexBlockTest, TextThatIsNoHexByteIsRefused) {
    for (const char* text : {"", "1G", "12345"}) {
        prompt.shown.clear();
        EXPECT_FALSE(HexCommit(context, map, prompt, 0x0109, text)) << text;
        ASSERT_EQ(prompt.shown.size(), 1u) << text;
        EXPECT_EQ(prompt.Last().caption, "Table Window");
    }
    EXPECT_EQ(image[0x0109], 0);
    EXPECT_TRUE(map.undo.Empty());
}

}  // namespace
