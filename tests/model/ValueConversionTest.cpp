#include "model/ValueConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "model/Strings.h"
#include "tests/support/RecordingPrompt.h"

namespace {

MapItem Item(const char* hexToPhys, const char* physToHex, const char* minimum = "0",
             const char* maximum = "255", const char* minimum2 = "", const char* maximum2 = "") {
    MapItem item;
    item.name = "DATA";
    item.hexToPhys = hexToPhys;
    item.physToHex = physToHex;
    item.minimum = minimum;
    item.maximum = maximum;
    item.minimum2 = minimum2;
    item.maximum2 = maximum2;
    return item;
}

TEST(ToRawByte, RangeTestIsOnTheComputedValue) {
    const MapItem identity = Item("x", "x");
    struct Case { float physical; int code; std::uint8_t raw; };
    const Case cases[] = {
        {255.9f, kConversionAboveByte, 255}, {-0.1f, kConversionBelowZero, 0},
        {12.9f, kConversionOk, 12},          {255.0f, kConversionOk, 255},
        {0.0f, kConversionOk, 0},            {256.0f, kConversionAboveByte, 0},
        {-1.0f, kConversionBelowZero, 255},
    };
    for (const Case& c : cases) {
        std::uint8_t raw = 77;
        EXPECT_EQ(ToRawByte(identity, c.physical, raw), c.code) << c.physical;
        EXPECT_EQ(raw, c.raw) << c.physical;
    }
    std::uint8_t raw = 0;
    EXPECT_EQ(ToRawByte(Item("x", "x/0"), 300.0f, raw), kEquationDivideByZero);   // evaluator first
}

TEST(ToRawInt, TruncatesTowardZeroAndSaturates) {
    const MapItem identity = Item("x", "x");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case { float physical; std::int32_t raw; };
    const Case cases[] = {
        {12.9f, 12}, {-12.9f, -12}, {1e10f, std::numeric_limits<std::int32_t>::max()},
        {-1e10f, std::numeric_limits<std::int32_t>::min()}, {nan, 0},
        {std::numeric_limits<float>::infinity(), std::numeric_limits<std::int32_t>::max()},
        {2147483520.0f, 2147483520},   // the largest float below 2^31
    };
    for (const Case& c : cases) {
        std::int32_t raw = 1;
        EXPECT_EQ(ToRawInt(identity, c.physical, raw), 0) << c.physical;
        EXPECT_EQ(raw, c.raw) << c.physical;
    }
    std::int32_t raw = 1;
    EXPECT_EQ(ToRawInt(Item("x", "x*(2"), 3, raw), kEquationMissingParen);
    EXPECT_EQ(raw, 0);
}

TEST(ToRawWord, KeepsTheLow16Bits) {
    const MapItem identity = Item("x", "x");
    std::uint16_t raw = 0;
    EXPECT_EQ(ToRawWord(identity, 70000.0f, raw), 0);
    EXPECT_EQ(raw, 70000 - 65536);
    EXPECT_EQ(ToRawWord(identity, -1.0f, raw), 0);
    EXPECT_EQ(raw, 65535);
}

TEST(ToPhysical, EvaluatesTheHexToPhysicalEquation) {
    float physical = 0;
    EXPECT_EQ(ToPhysicalByte(Item("x*50", "x/50"), 255, physical), 0);
    EXPECT_EQ(physical, 12750.0f);
    EXPECT_EQ(ToPhysicalWord(Item("(x-128)/2", "x*2+128"), 65535, physical), 0);
    EXPECT_EQ(physical, 32703.5f);
    EXPECT_EQ(ToPhysicalByte(Item("x/(x-1)", "x"), 1, physical), kEquationDivideByZero);
}

TEST(ConversionMessage, NamesEachCodeAndFallsBackForOthers) {
    EXPECT_EQ(ConversionMessage(1), "Input Data MaxOver");
    EXPECT_EQ(ConversionMessage(2), "Input Data MaxOver");   // 1003 reads so in the table
    EXPECT_EQ(ConversionMessage(3), "Error /0");
    EXPECT_EQ(ConversionMessage(4), Str(str::kEmptyOperand));
    EXPECT_FALSE(ConversionMessage(4).empty());
    EXPECT_EQ(ConversionMessage(5), "HEX to Physical expression is not correct");
    EXPECT_EQ(ConversionMessage(0), "Input Data cannot change to value");
    EXPECT_EQ(ConversionMessage(-3), "Input Data cannot change to value");
}

TEST(ReportConversionError, ShowsHeadingAndMessageUnderTheItemCaption) {
    RecordingPrompt prompt;
    ReportConversionError(prompt, 3, "Map Window", "RPM", "Cannot convert");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().caption, "Map Window[RPM]");
    EXPECT_EQ(prompt.Last().text, "Cannot convert\nError /0");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
}

TEST(ItemLimits, ReadAsFloatsAndSecondOnesFallBackWhenEmpty) {
    MapItem item = Item("x", "x", "-12.5", "300", "", "");
    EXPECT_EQ(ItemMinimum(item), -12.5f);
    EXPECT_EQ(ItemMaximum(item), 300.0f);
    EXPECT_EQ(ItemMinimum2(item), -12.5f);
    EXPECT_EQ(ItemMaximum2(item), 300.0f);
    item.minimum2 = "0";
    item.maximum2 = " 250.5";
    EXPECT_EQ(ItemMinimum2(item), 0.0f);
    EXPECT_EQ(ItemMaximum2(item), 250.5f);
    item.minimum2 = "  ";
    item.maximum = "abc";
    EXPECT_EQ(ItemMinimum2(item), -12.5f);
    EXPECT_EQ(ItemMaximum(item), 0.0f);
}

TEST(Formats, OnlyPrecisionFormatsReachPrintf) {
    EXPECT_EQ(MakePrecisionFormat(0), "%.0f");
    EXPECT_EQ(MakePrecisionFormat(3), "%.3f");
    EXPECT_EQ(MakePrecisionFormat(20), "%.20f");
    EXPECT_EQ(MakePrecisionFormat(21), "%.1f");
    EXPECT_EQ(MakePrecisionFormat(-1), "%.1f");
    for (const char* bad : {"", "%s", "%n", "%.1f%n", "%.21f", "%.f", "%.100f", "%1f", "x%.1f", "%.1e"})
        EXPECT_FALSE(IsPrecisionFormat(bad)) << bad;
    for (const char* good : {"%.0f", "%.1f", "%.20f", "%.07f"}) EXPECT_TRUE(IsPrecisionFormat(good)) << good;
    EXPECT_EQ(FormatWith("%s%s%s%n", 2.25f), "2.2");   // a hostile format prints as "%.1f"
    EXPECT_EQ(FormatWith("%.20f", -std::numeric_limits<float>::max()).size(), 61u);
    ValueFormats formats{"%.0f", "%.2f", "%.3f"};
    EXPECT_EQ(FormatX(1234.5678f, formats), "1235");
    EXPECT_EQ(FormatZ(12.5f, formats), "12.500");
}

TEST(FormatData, WholeNumbersForWideDataRanges) {
    const ValueFormats formats{"%.1f", "%.3f", "%.1f"};
    struct Case { const char* minimum; const char* maximum; const char* text; };
    const Case cases[] = {
        {"-2000", "100", "12"},          {"0", "2000", "12"},
        {"-1999.9", "1999.9", "12.340"}, {"0", "255", "12.340"},
    };
    for (const Case& c : cases) {
        MapRecord map;
        map.y = Item("x", "x", c.minimum, c.maximum);
        EXPECT_EQ(FormatData(12.34f, &map, formats), c.text) << c.minimum << ".." << c.maximum;
    }
    EXPECT_EQ(FormatData(12.34f, nullptr, formats), "12.340");
}

TEST(ItemStepDecimals, FromTheStepsAndTheValueAtRawZero) {
    // Curved ones by their steps at both ends; -1 for a failure at raw 0
    // and for every raw value the same.
    const std::pair<const char*, int> cases[] = {{"x/20", 2},    {"x/2-10", 1},   {"x*50", 0},   {"x/20+0.01", 2},
                                                 {"x*x/100", 2}, {"x*x/1000", 3}, {"1000/x", -1}, {"x*0+3", -1}};
    for (const auto& [equation, decimals] : cases) EXPECT_EQ(ItemStepDecimals(Item(equation, "x")), decimals) << equation;
}

// One decimal over a step of 0.05 prints two neighbours alike; the step's
// decimals print each raw value as its own number.
TEST(FormatData, StepDecimalsShowEveryRawValueApart) {
    MapRecord map;
    map.y = Item("x/20", "x*20", "0", "12.75");
    ValueFormats formats;
    formats.y = "%.1f";
    formats.stepDecimals = true;
    std::vector<std::string> shown;
    for (int raw = 28; raw <= 31; ++raw) shown.push_back(FormatData(raw / 20.0f, &map, formats));
    EXPECT_EQ(shown, (std::vector<std::string>{"1.40", "1.45", "1.50", "1.55"}));
    // Off: the configured decimal, and two neighbours alike.
    formats.stepDecimals = false;
    map.y = Item("x/20", "x*20", "0", "12.75");
    EXPECT_EQ(FormatData(30 / 20.0f, &map, formats), "1.5");
    EXPECT_EQ(FormatData(31 / 20.0f, &map, formats), "1.5");
}

TEST(IsNumericInput, OnlyATextThatReadsWholeAsOneNumber) {
    for (const char* ok : {"-5", "12", "12.5", "007", ".5", "5.", "-.5", "-0"}) EXPECT_TRUE(IsNumericInput(ok)) << ok;
    for (const char* bad : {"", "1-2", "a", "5a", " 5", "5 ", "+5", "--5", "1e3", ".", "-", "-.", "1.2.3", "1..2",
                            "..", "5-"})
        EXPECT_FALSE(IsNumericInput(bad)) << bad;
}

// ---- Edit limits ---------------------------------------------------------

struct EditLimitsTest : ::testing::Test {
    std::unique_ptr<Image> image = std::make_unique<Image>();
    MapRecord map;

    void SetThrot(std::uint16_t start, std::initializer_list<int> values, int elementSize = 1) {
        map.z = Item("x", "x");
        map.z.start = start;
        map.z.elementSize = elementSize;
        map.z.count = static_cast<std::uint8_t>(values.size());
        Put(map.z, values);
    }
    void Put(const MapItem& item, std::initializer_list<int> values) {
        std::uint16_t a = item.start;
        for (int v : values) {
            if (item.elementSize == 2) WriteWord(*image, a, static_cast<std::uint16_t>(v));
            else (*image)[a] = static_cast<std::uint8_t>(v);
            a = static_cast<std::uint16_t>(a + item.elementSize);
        }
    }
    std::pair<int, int> Limits(int mode, int column, int row = 0) {
        map.cursor.mode = mode;
        map.cursor.column = column;
        map.cursor.row = row;
        ComputeEditLimits(map, *image);
        return {map.cursor.lower, map.cursor.upper};
    }
};

TEST_F(EditLimitsTest, ThrotAxisStaysMonotonicWithTheFallingSwap) {
    struct Case { std::initializer_list<int> axis; int column; int lower; int upper; };
    const Case cases[] = {
        {{10, 20, 30}, 1, 11, 29},  {{30, 20, 10}, 1, 9, 31},
        {{10, 20, 30}, 0, 0, 19},   {{30, 20, 10}, 0, 19, 255},
        {{10, 20, 30}, 2, 21, 255}, {{30, 20, 10}, 2, 0, 21},
        {{10, 12}, 0, 0, 11},       {{7}, 0, 0, 255},   // a single value: no bounds
        {{10, 20, 30}, 5, 0, 255},                      // cursor outside the axis
    };
    for (const Case& c : cases) {
        SetThrot(0x100, c.axis);
        EXPECT_EQ(Limits(kEditThrot, c.column), std::make_pair(c.lower, c.upper))
            << "column " << c.column << " first " << *c.axis.begin();
    }
}

TEST_F(EditLimitsTest, WordAxisCapsAt65535AndWrapsAtTheEndOfTheImage) {
    SetThrot(0xFFFE, {1000, 2000, 3000}, 2);   // words at 0xFFFE, 0x0000, 0x0002
    EXPECT_EQ(Limits(kEditThrot, 0), std::make_pair(0, 1999));
    EXPECT_EQ(Limits(kEditThrot, 2), std::make_pair(2001, 65535));
    EXPECT_EQ(ReadWord(*image, 0x0000), 2000);
}

// A breakpoint stays one raw step from each neighbour: the axis rises strictly.
TEST_F(EditLimitsTest, RpmNeighboursBoundTheBreakpointOneRawStepAway) {
    map.x = Item("x", "x");
    map.x.start = 0x200;
    map.x.count = 3;
    map.z.count = 2;
    Put(map.x, {40, 60, 80, 45, 65, 85});   // two rows for the type-2 map
    map.type = kMapOneRpmRow;
    EXPECT_EQ(Limits(kEditRpm, 1, 1), std::make_pair(41, 79));   // one row for all
    EXPECT_EQ(Limits(kEditRpm, 0), std::make_pair(0, 59));
    EXPECT_EQ(Limits(kEditRpm, 2), std::make_pair(61, 255));
    map.type = kMapRpmPerRow;
    EXPECT_EQ(Limits(kEditRpm, 1, 1), std::make_pair(46, 84));
    EXPECT_EQ(Limits(kEditRpm, 0, 1), std::make_pair(0, 64));
    map.x.count = 1;
    EXPECT_EQ(Limits(kEditRpm, 0), std::make_pair(0, 255));
}

TEST_F(EditLimitsTest, DataLimitsComeFromTheTighterOfBothRanges) {
    map.y = Item("x*0.5", "x*2", "5", "100", "10", "");
    EXPECT_EQ(Limits(kEditData, 0), std::make_pair(20, 200));
    map.y = Item("x", "x", "-50", "1000", "", "900");
    EXPECT_EQ(Limits(kEditData, 0), std::make_pair(0, 255));     // negative lower, byte cap
    map.y.elementSize = 2;
    EXPECT_EQ(Limits(kEditData, 0), std::make_pair(0, 900));
    map.y = Item("x", "x/0", "5", "100");                        // failures: 0 and 65535
    EXPECT_EQ(Limits(kEditData, 0), std::make_pair(0, 255));
    map.y = Item("x", "x", "5", "100");
    EXPECT_EQ(Limits(kEditNone, 0), std::make_pair(0, 65535));
}

TEST_F(EditLimitsTest, StartDataEditOnlyWithoutAnEditInProgress) {
    map.y = Item("x", "x", "0", "200");
    map.y.start = 0x300;
    (*image)[0x300] = 42;
    map.selection = CellSelection{1, 2, 3, 4};
    map.cursor.row = 5;
    map.cursor.column = 6;
    StartDataEdit(map, *image);
    EXPECT_EQ(map.cursor.mode, kEditData);
    EXPECT_EQ(map.cursor.row, 0);
    EXPECT_EQ(map.cursor.column, 0);
    EXPECT_EQ(map.cursor.raw, 42);
    EXPECT_EQ(map.cursor.upper, 200);
    EXPECT_EQ(map.selection.startRow, -1);
    EXPECT_EQ(map.selection.endColumn, -1);

    map.cursor.mode = kEditThrot;
    map.cursor.row = 2;
    StartDataEdit(map, *image);
    EXPECT_EQ(map.cursor.mode, kEditThrot);
    EXPECT_EQ(map.cursor.row, 2);
}

// ---- Committing a typed DATA value ---------------------------------------

struct CommitTest : ::testing::Test {
    std::unique_ptr<Image> image = std::make_unique<Image>();
    MapRecord map;
    ValueFormats formats;   // "%.1f" each

    void Use(MapItem y, std::uint16_t currentRaw = 0) {
        map.y = std::move(y);
        map.cursor.mode = kEditData;
        map.cursor.raw = currentRaw;
        ComputeEditLimits(map, *image);
    }
    DataCommit Commit(std::string_view typed) {
        return CommitTypedByte(map, map.y, typed, formats, &map);
    }
};

TEST_F(CommitTest, ClampsIntoTheLimitsAndReportsTheCorrection) {
    // Half units per raw step; range 0..100, second range 10..90: raw limits 20..180.
    Use(Item("x*0.5", "x*2", "0", "100", "10", "90"), 7);
    struct Case { const char* typed; int raw; const char* cell; const char* message; };
    const Case cases[] = {
        {"50", 100, "50.0", nullptr},
        {"10", 20, "10.0", nullptr},
        {"5", 20, "10.0", "Input Data Range Over:5.00 \n (10.00<=Data<=90.00)\n set 10.00\nTyped 5, stored 10.0"},
        {"-5", 20, "10.0", "Input Data Range Over:-5.00 \n (10.00<=Data<=90.00)\n set 10.00\nTyped -5, stored 10.0"},
        {"95", 180, "90.0", "Input Data Range Over:95.00 \n (10.00<=Data<=90.00)\n set 90.00\nTyped 95, stored 90.0"},
        {"99999", 180, "90.0", "Input Data Range Over:99999.00 \n (10.00<=Data<=90.00)\n set 90.00\nTyped 99999, stored 90.0"},
    };
    for (const Case& c : cases) {
        DataCommit r = Commit(c.typed);
        EXPECT_FALSE(r.rejected) << c.typed;
        EXPECT_TRUE(r.write) << c.typed;
        EXPECT_EQ(r.raw, c.raw) << c.typed;
        EXPECT_EQ(r.cellText, c.cell) << c.typed;
        EXPECT_EQ(r.message.has_value(), c.message != nullptr) << c.typed;
        if (c.message != nullptr) {
            EXPECT_EQ(r.message->text, c.message);
            EXPECT_EQ(r.message->caption, "Table Window");
            EXPECT_EQ(r.message->icon, PromptIcon::kExclamation);
        }
    }
}

TEST_F(CommitTest, OneStepCorrectionPullsTheValueBackIntoTheRange) {
    Use(Item("x*0.5", "x*2-1", "1", "100"));   // 1 -> raw 1 -> 0.5, below the minimum
    DataCommit r = Commit("1");
    EXPECT_EQ(r.raw, 2);
    EXPECT_EQ(r.cellText, "1.0");
    EXPECT_FALSE(r.message);

    Use(Item("x*0.5", "x*2+1", "0", "10"));    // 10 -> raw 21 -> 10.5, above the maximum
    r = Commit("10");
    EXPECT_EQ(r.raw, 20);
    EXPECT_EQ(r.cellText, "10.0");
    EXPECT_FALSE(r.message);
}

TEST_F(CommitTest, TheCorrectionStopsAtTheEndsOfTheByte) {
    // The minimum lies above what raw 255 shows: the value stays at 255
    // instead of stepping past it to 0.
    Use(Item("x", "x", "300", "400"));
    DataCommit r = Commit("350");
    EXPECT_EQ(r.raw, 255);
    EXPECT_EQ(r.cellText, "255.0");
    // And the maximum below what raw 0 shows: the value stays at 0.
    Use(Item("x+10", "x-10", "0", "5"), 3);
    r = Commit("2");
    EXPECT_EQ(r.raw, 0);
    EXPECT_EQ(r.cellText, "10.0");
}

TEST_F(CommitTest, UnchangedRawIsNotWritten) {
    Use(Item("x", "x", "0", "255"), 100);
    DataCommit r = Commit("100.7");
    EXPECT_EQ(r.raw, 100);
    EXPECT_FALSE(r.write);
    EXPECT_EQ(r.cellText, "100.0");
}

TEST_F(CommitTest, RejectsTextThatIsNoNumberOrDoesNotConvert) {
    Use(Item("x*0.5", "x*2", "0", "100"), 30);
    for (const char* typed : {"", "1-2", "a", "5x"}) {
        DataCommit r = Commit(typed);
        EXPECT_TRUE(r.rejected) << typed;
        EXPECT_FALSE(r.write) << typed;
        EXPECT_EQ(r.cellText, "15.0") << typed;   // the old value again
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->text, "Data error\nData is set as before editing");
        EXPECT_EQ(r.message->caption, "Table Window");
        EXPECT_EQ(r.message->icon, PromptIcon::kStop);
    }
    map.y.physToHex = "x/0";
    EXPECT_TRUE(Commit("12").rejected);
}

TEST_F(CommitTest, LimitsBeyondAByteStillStoreAByte) {
    Use(Item("x", "x", "0", "255"));
    map.cursor.lower = 300;
    map.cursor.upper = 400;
    EXPECT_EQ(Commit("12").raw, 255);
}

TEST_F(CommitTest, CellTextFollowsTheFormatOfTheCell) {
    Use(Item("x*10", "x/10", "-2000", "2550"));   // wide range: whole numbers
    formats.y = "%.2f";
    EXPECT_EQ(Commit("125").cellText, "120");
    // An RPM line of a type-2 map shows the X format.
    map.type = kMapRpmPerRow;
    map.x = Item("x*50", "x/50", "0", "12750");
    map.x.count = 2;
    map.x.start = 0x400;
    map.cursor.mode = kEditRpm;
    map.cursor.column = 0;
    ComputeEditLimits(map, *image);   // neighbour 0 above: limits 0..0
    formats.x = "%.0f";
    DataCommit r = CommitTypedByte(map, map.x, "1000", formats, &map);
    EXPECT_EQ(r.raw, 0);
    EXPECT_EQ(r.cellText, "0");
}

}  // namespace
