#include "edit/ClipboardText.h"

#include "model/Strings.h"
#include "edit/UndoList.h"
#include "tests/edit/EditFixture.h"
#include "tests/support/RecordingPrompt.h"

namespace {

using namespace std::string_literals;

// DATA holds raw 2 x (row * 4 + column), shown as row * 4 + column.
struct ClipboardTextTest : EditFixture {
    RecordingPrompt prompt;

    PastePlan Paste(std::optional<std::string_view> text, int row = 0, int column = 0,
                    std::size_t selected = 0) {
        PutCursor(kEditData, row, column, Data(row, column));
        return PasteValues(context, map, prompt, selected, text);
    }
};

std::string Flatten(const std::vector<PasteEntry>& entries) {
    std::string out;
    for (const PasteEntry& e : entries)
        out += std::to_string(e.row) + "," + std::to_string(e.column) + "=" + FormatWith("%.2f", e.value) + ";";
    return out;
}

TEST_F(ClipboardTextTest, CopyTextIsTabsAndCrLfWithZerosForUnselectedCells) {
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{1, 1}, {2, 3}}),
              "5.0\t0.0\t0.0\r\n0.0\t0.0\t11.0");
    EXPECT_EQ(TableCopyText(context, map),
              "0.0\t1.0\t2.0\t3.0\r\n4.0\t5.0\t6.0\t7.0\r\n8.0\t9.0\t10.0\t11.0");
    EXPECT_EQ(CopyText(context, map, CellSelection{2, 2, 1, 0}), "4.0\t5.0\t6.0\r\n8.0\t9.0\t10.0");
    EXPECT_EQ(CopyText(context, map, CellSelection{0, 0, 1000, 1000}), TableCopyText(context, map));
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{0, 2}}), "2.0");
}

TEST_F(ClipboardTextTest, CopyReadsTheImageNowAndUsesTheDataFormat) {
    image[map.y.start + 5] = 7;   // (1,1) shows 3.5
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{1, 1}}), "3.5");
    map.y.minimum = "-2000";       // whole numbers whatever the Y precision
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{1, 1}, {1, 2}}), "4\t6");
    formats.y = "%.3f";
    map.y.minimum = "0";
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{1, 1}}), "3.500");
}

TEST_F(ClipboardTextTest, NothingToCopyGivesAnEmptyText) {
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{}), "");
    EXPECT_EQ(CopyText(context, map, CellSelection{}), "");
    EXPECT_EQ(CopyText(context, map, CellSelection{1, 1, -1, 2}), "");
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{3, 0}, {0, 4}, {-1, -1}, {1 << 30, 1 << 30}}), "");
    // Cells outside the table do not widen the rectangle.
    EXPECT_EQ(CopyText(context, map, std::vector<CellRef>{{0, 0}, {200, 200}}), "0.0");
}

TEST(ReadClipboardValuesTest, SplitsRowsAndCells) {
    struct Case {
        std::string text;
        int code;
        const char* entries;
    };
    const Case cases[] = {
        {"1\t2\r\n3\t4", kClipboardOk, "0,0=1.00;0,1=2.00;1,0=3.00;1,1=4.00;"},
        {"1\t2\r\n3\t4\r\n", kClipboardOk, "0,0=1.00;0,1=2.00;1,0=3.00;1,1=4.00;"},
        {"1\t2\n3\t4\n", kClipboardOk, "0,0=1.00;0,1=2.00;1,0=3.00;1,1=4.00;"},
        {"1\t2\r3\t4\r", kClipboardOk, "0,0=1.00;0,1=2.00;1,0=3.00;1,1=4.00;"},
        {"1\t2\t\r\n3\t4\t", kClipboardOk, "0,0=1.00;0,1=2.00;1,0=3.00;1,1=4.00;"},
        {"1\t\t2", kClipboardOk, "0,0=1.00;0,1=0.00;0,2=2.00;"},
        {"\t5", kClipboardOk, "0,0=0.00;0,1=5.00;"},
        {"-1.5\t.25\t7.", kClipboardOk, "0,0=-1.50;0,1=0.25;0,2=7.00;"},
        {"1\t-", kClipboardNotNumber, ""},       // only numbers are numbers: "%f" would read 0
        {"1.2.3", kClipboardNotNumber, ""},       // ... and 1.2
        {".", kClipboardNotNumber, ""},
        {"", kClipboardOk, ""},
        {"\r\n\r\n", kClipboardOk, ""},
        {"1\t2\0\tx\r\n9"s, kClipboardOk, "0,0=1.00;0,1=2.00;"},   // CF_TEXT ends at the zero
        {"1\t2\r\n3", kClipboardRagged, ""},
        {"1\r\n\r\n2", kClipboardRagged, ""},
        {"\n1", kClipboardRagged, ""},
        {"1\tx\r\n2", kClipboardRagged, ""},   // rows are compared before cells are read
        {"1\ta", kClipboardNotNumber, ""},
        {"1-2", kClipboardNotNumber, ""},
        {"1e3", kClipboardNotNumber, ""},
        {" 1", kClipboardNotNumber, ""},
        {"1\t2\r\n3\t\xff", kClipboardNotNumber, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<PasteEntry> entries{{9, 9, 9.0f}};
        EXPECT_EQ(ReadClipboardValues(c.text, entries), c.code);
        EXPECT_EQ(Flatten(entries), c.entries);
    }
    std::vector<PasteEntry> entries{{9, 9, 9.0f}};
    EXPECT_EQ(ReadClipboardValues(std::nullopt, entries), kClipboardNoText);
    EXPECT_TRUE(entries.empty());
}

TEST(ReadClipboardValuesTest, AMegabyteOfTextIsReadAndOnlyReachableEntriesAreKept) {
    std::string row;
    for (int i = 0; i < 1000; ++i) row += i ? "\t1.5" : "1.5";
    std::string text;
    while (text.size() < (1u << 20)) text += row + "\r\n";
    std::vector<PasteEntry> entries;
    ASSERT_EQ(ReadClipboardValues(text, entries), kClipboardOk);
    EXPECT_EQ(entries.size(), static_cast<std::size_t>(kPasteSpan) * kPasteSpan);

    std::string letter = text;
    letter[letter.size() - 3] = 'x';   // the last cell becomes "1.x"
    EXPECT_EQ(ReadClipboardValues(letter, entries), kClipboardNotNumber);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ReadClipboardValues(text + "1", entries), kClipboardRagged);
    EXPECT_TRUE(entries.empty());

    // A megabyte of binary noise without a zero byte.
    std::string noise(1u << 20, '\0');
    std::uint32_t seed = 12345;
    for (char& ch : noise) {
        seed = seed * 1103515245u + 12345u;
        ch = static_cast<char>(1 + (seed >> 16) % 255);
    }
    EXPECT_NE(ReadClipboardValues(noise, entries), kClipboardOk);
    EXPECT_TRUE(entries.empty());
}

TEST_F(ClipboardTextTest, PasteWritesConvertedValuesAndOneUndoTakesThemBack) {
    PastePlan plan = Paste("10\t20\r\n30\t40\r\n"s);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(Data(0, 0), 20);
    EXPECT_EQ(Data(0, 1), 40);
    EXPECT_EQ(Data(1, 0), 60);
    EXPECT_EQ(Data(1, 1), 80);
    EXPECT_EQ(Data(1, 2), 12);
    EXPECT_TRUE(plan.setEditorText);
    EXPECT_EQ(plan.editorText, "10.0");
    EXPECT_EQ(map.cursor.row, 0);
    EXPECT_EQ(map.cursor.column, 0);
    EXPECT_EQ(map.cursor.raw, 20);
    EXPECT_EQ(modified, 1);
    const std::uint16_t y = map.y.start;
    EXPECT_EQ(links, (std::vector<LinkCall>{{y, 20, 0}, {static_cast<std::uint16_t>(y + 1), 40, 0},
                                            {static_cast<std::uint16_t>(y + 4), 60, 0},
                                            {static_cast<std::uint16_t>(y + 5), 80, 0}}));

    EXPECT_EQ(Undo(context, map), 1);
    EXPECT_EQ(Data(0, 0), 0);
    EXPECT_EQ(Data(0, 1), 2);
    EXPECT_EQ(Data(1, 0), 8);
    EXPECT_EQ(Data(1, 1), 10);
    EXPECT_TRUE(map.undo.Empty());
}

TEST_F(ClipboardTextTest, APasteOfThreeByTwoLeavesOneHeadAndSixChainedRecords) {
    Paste("1\t2\r\n3\t4\r\n5\t6"s, 0, 1);
    ASSERT_EQ(map.undo.Size(), 7u);
    EXPECT_EQ(map.undo.At(0).chained, 0);
    for (std::size_t i = 1; i < 7; ++i) {
        EXPECT_EQ(map.undo.At(i).chained, 1);
        EXPECT_EQ(map.undo.At(i).kind, 12);
    }
    EXPECT_EQ(Data(2, 2), 12);
    Undo(context, map);
    EXPECT_TRUE(map.undo.Empty());
    EXPECT_EQ(TableCopyText(context, map),
              "0.0\t1.0\t2.0\t3.0\r\n4.0\t5.0\t6.0\t7.0\r\n8.0\t9.0\t10.0\t11.0");
}

TEST_F(ClipboardTextTest, CellsBeyondTheTableAreSkipped) {
    Paste("1\t2\t3\t4\r\n5\t6\t7\t8"s, 2, 2);
    EXPECT_EQ(Data(2, 2), 2);
    EXPECT_EQ(Data(2, 3), 4);
    EXPECT_EQ(Data(1, 2), 12);   // untouched
    EXPECT_EQ(Data(1, 3), 14);
    EXPECT_EQ(map.undo.Size(), 3u);
}

TEST_F(ClipboardTextTest, PastedValuesAreCorrectedIntoRangeWithoutAMessage) {
    struct Case {
        const char* minimum;
        const char* text;
        std::uint8_t raw;
    };
    const Case cases[] = {
        {"0", "150", 200},      // raw 300: a byte at most, then the upper limit
        {"0", "-5", 0},
        {"0", "99.9", 199},     // truncated toward zero
        {"0", "", 0},           // an empty cell is 0
        {"0.6", "0.6", 2},      // raw 1 shows 0.5, below the minimum: one step up
        {"0.6", "0", 2},        // the lower limit is raw 1, then the step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        map.y.minimum = c.minimum;
        Paste(std::string(c.text) + "\t1", 1, 1);
        EXPECT_EQ(Data(1, 1), c.raw);
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ClipboardTextTest, RefusedPastesShowTheirMessageAndChangeNothing) {
    struct Case {
        const char* name;
        std::size_t selected;
        std::optional<std::string> text;
        int message;
    };
    const Case cases[] = {
        {"selection", 4, "1\t2"s, str::kClipPasteDuringSelection},
        {"selection wins over bad text", 1, "x"s, str::kClipPasteDuringSelection},
        {"no text", 0, std::nullopt, str::kClipCannotCorrect},
        {"ragged", 0, "1\t2\r\n3"s, str::kClipNotFrontForm},
        {"letter", 0, "1\ta"s, str::kClipNotDigital},
    };
    const Image before = image;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.shown.clear();
        std::optional<std::string_view> text;
        if (c.text) text = *c.text;
        PastePlan plan = Paste(text, 0, 0, c.selected);
        EXPECT_EQ(plan.messageId, c.message);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, Str(c.message));
        EXPECT_EQ(prompt.Last().caption, text::kProgramTitle);
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
        EXPECT_EQ(image, before);
        EXPECT_TRUE(map.undo.Empty());
        EXPECT_EQ(modified, 0);
    }
    EXPECT_EQ(Str(str::kClipNotDigital), "Clip board has not supported data.\nIt's not digital data.");
}

TEST_F(ClipboardTextTest, PasteOnAnAxisCellWritesNothing) {
    const Image before = image;
    for (int mode : {kEditThrot, kEditRpm, kEditNone}) {
        PutCursor(mode, 0, 1, 0);
        PastePlan plan = PasteValues(context, map, prompt, 0, "1\t2"s);
        EXPECT_TRUE(plan.writes.empty());
    }
    EXPECT_EQ(image, before);
    MakeFreeMap(kMapRpmPerRow);
    const Image typeTwo = image;
    PutCursor(kEditRpm, 1, 1, 0);
    PasteValues(context, map, prompt, 0, "1\t2"s);
    EXPECT_EQ(image, typeTwo);
    EXPECT_TRUE(map.undo.Empty());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ClipboardTextTest, AFailedConversionLeavesTheCellAndShowsItsValue) {
    map.y.physToHex = "x/0";
    const Image before = image;
    PastePlan plan = Paste("3\t4"s, 1, 1);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(plan.setEditorText);
    EXPECT_EQ(plan.editorText, "5.0");
}

TEST_F(ClipboardTextTest, AMegabytePasteFillsTheTableOnly) {
    std::string row;
    for (int i = 0; i < 1000; ++i) row += i ? "\t1.5" : "1.5";
    std::string text;
    while (text.size() < (1u << 20)) text += row + "\n";
    Paste(text);
    EXPECT_EQ(TableCopyText(context, map),
              "1.5\t1.5\t1.5\t1.5\r\n1.5\t1.5\t1.5\t1.5\r\n1.5\t1.5\t1.5\t1.5");
    EXPECT_EQ(map.undo.Size(), 13u);
    EXPECT_EQ(image[map.y.start + 12], 0);   // the byte after the table
}

}  // namespace
