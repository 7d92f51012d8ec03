#include "edit/ConstantsList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Strings.h"

namespace {

ConstantEntry Entry(const std::string& line) {
    ConstantEntry entry;
    EXPECT_TRUE(ParseConstantEntry(line, entry)) << line;
    return entry;
}

std::string Text(const ConstantEntry& entry, std::uint32_t raw) {
    return FormatConstant(entry, ToConstantPhysical(entry, raw));
}

TEST(ConstantsListTest, ListsOnlyWellFormedCalibLines) {
    LineStore definition;
    for (const char* line : {"[Free Map]", "1000,10FF,0000", "[Calib]", "; comment",
                             "1020,1,Idle,10,0,rpm,1", "1021,2,Limiter,0.5,0,rpm",   // no Calc: 1
                             "1023,1,Short,1,0",                                     // five fields
                             "10G0,1,Bad Address,1,0,u,1", "1024,3,Bad Byte,1,0,u,1",
                             "1025,1,,1,0,u,1",                                      // no name
                             "1026,1,Bad LSB,x1,0,u,1", "1027,1,Bad Offset,1,,u,1",
                             "FFFF,2,Past The End,1,0,u,1", "FFFF,1,Last Byte,1,0,u,abc",
                             "1028,1,Full,0.25,0,deg,3,1,-10,20,4", "[Fixed]", "1030,1,Version,1,0,,1"})
        definition.Append(line);
    const std::vector<ConstantEntry> list = ListConstants(definition);
    ASSERT_EQ(list.size(), 4U);
    EXPECT_EQ(list[0].contents, "Idle");
    EXPECT_EQ(list[0].line, 4);
    EXPECT_EQ(list[1].contents, "Limiter");
    EXPECT_EQ(list[1].byteCount, 2);
    EXPECT_EQ(list[1].calc, 1);
    EXPECT_EQ(list[2].contents, "Last Byte");
    EXPECT_EQ(list[2].calc, 1);   // Calc not a number
    const ConstantEntry& full = list[3];
    EXPECT_EQ(full.address, 0x1028);
    EXPECT_EQ(full.calc, 3);
    EXPECT_TRUE(full.readOnly);
    EXPECT_TRUE(full.hasMin && full.hasMax && full.hasDecimals);
    EXPECT_FLOAT_EQ(full.minimum, -10.0F);
    EXPECT_EQ(full.decimals, 4);
    EXPECT_EQ(FindConstant(list, "Limiter"), &list[1]);
    EXPECT_EQ(FindConstant(list, "Version"), nullptr);   // "Fixed" is not listed

    LineStore none;
    none.Append("[Free Map]");
    EXPECT_TRUE(ListConstants(none).empty());
}

TEST(ConstantsListTest, ValueTextDropsZerosAndUsesDecimals) {
    const ConstantEntry quarter = Entry("1000,1,Q,0.25,0,u,1");
    EXPECT_EQ(Text(quarter, 3), "0.75");
    EXPECT_EQ(Text(quarter, 4), "1");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.25,0,u,1,0,,,4"), 3), "0.7500");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.25,0,u,1,0,,,0"), 3), "1");   // "%.0f" of 0.75
    // Decimals by LSB when the field is missing.
    EXPECT_EQ(Text(Entry("1000,1,Q,0.001,0,u,1"), 7), "0.007");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.0001,0,u,1"), 7), "0.0007");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.00001,0,u,1"), 7), "0.00007");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.000001,0,u,1"), 7), "0.000007");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.01,0,u,1"), 7), "0.07");
    EXPECT_EQ(Text(Entry("1000,1,Q,0.5,-20,u,1"), 1), "-19.50");
    EXPECT_EQ(Text(Entry("1000,2,W,1,0,u,1"), 65535), "65535");
}

TEST(ConstantsListTest, ConversionKindsInBothDirections) {
    // Signed: the upper half of the raw range is negative.
    const ConstantEntry signedByte = Entry("1000,1,S,1,0,u,3");
    EXPECT_EQ(Text(signedByte, 0xFF), "-1");
    EXPECT_EQ(Text(signedByte, 0x80), "-128");
    EXPECT_EQ(Text(signedByte, 0x7F), "127");
    EXPECT_EQ(Text(Entry("1000,2,S,1,0,u,3"), 0x8000), "-32768");
    EXPECT_EQ(Text(Entry("1000,1,S,0.5,10,u,3"), 0xFE), "-11");   // -10 - 0.5 * 2

    // Period: raw 0 (or LSB 0) shows O x 1 000 000.
    const ConstantEntry period = Entry("1000,1,P,1,1,u,2");
    EXPECT_EQ(Text(period, 0), "1000000");
    EXPECT_EQ(Text(Entry("1000,1,P,0,0.5,u,2"), 9), "500000");
    EXPECT_EQ(Text(period, 167), "998.00");
    EXPECT_EQ(Text(period, 1), "166666.67");

    const ConstantEntry calc4 = Entry("1000,1,C,1,0,u,4");
    EXPECT_EQ(Text(calc4, 0), "0");
    EXPECT_EQ(Text(calc4, 153), "-999.34");
    EXPECT_EQ(Text(calc4, 255), "-1592.43");
    EXPECT_EQ(Text(Entry("1000,1,C,1,-2068,u,4"), 0), "29985494");   // divisor 0

    const ConstantEntry calc5 = Entry("1000,1,F,1000,0,u,5");
    EXPECT_EQ(Text(calc5, 0), "0");
    EXPECT_EQ(Text(calc5, 255), "-10132.45");
    EXPECT_EQ(Text(calc5, 100), "-5000");

    std::uint32_t raw = 0;
    ASSERT_TRUE(ToConstantRaw(calc4, -1000.0F, raw));
    EXPECT_EQ(raw, 153U);
    ASSERT_TRUE(ToConstantRaw(calc5, -5000.0F, raw));
    EXPECT_EQ(raw, 100U);
    ASSERT_TRUE(ToConstantRaw(period, 1000.0F, raw));
    EXPECT_EQ(raw, 167U);
    ASSERT_TRUE(ToConstantRaw(period, 0.0F, raw));   // O x 1e6, then limited
    EXPECT_EQ(raw, 255U);
    ASSERT_TRUE(ToConstantRaw(period, 1.0e9F, raw));   // at least 1
    EXPECT_EQ(raw, 1U);
    ASSERT_TRUE(ToConstantRaw(signedByte, -1.0F, raw));
    EXPECT_EQ(raw, 0xFFU);
    ASSERT_TRUE(ToConstantRaw(Entry("1000,2,S,1,0,u,3"), -1.0F, raw));
    EXPECT_EQ(raw, 0xFFFFU);
    ASSERT_TRUE(ToConstantRaw(Entry("1000,1,L,1,0,u,1"), 2.5F, raw));   // "%.0f": half to even
    EXPECT_EQ(raw, 2U);
}

TEST(ConstantsListTest, TypedValueIsClampedToTheRawRangeAndMinMax) {
    const ConstantEntry plain = Entry("1000,1,L,0.5,10,u,1");
    ConstantCommit c = CommitConstantValue(plain, "200");
    EXPECT_TRUE(c.write);
    EXPECT_EQ(c.raw, 255U);   // 137.5: no Min and Max, the raw range holds it back
    EXPECT_EQ(c.message, str::kRangeOver);
    EXPECT_EQ(c.text, "Input Data Range Over:200.00 \n (10.00<=Data<=137.50)\n set 137.50");
    c = CommitConstantValue(plain, std::string(40, '9'));   // a float reads it as infinite: refused, never "inf"
    EXPECT_TRUE(!c.write && c.text.find("is too large a number") != std::string::npos && c.text.find("inf") == std::string::npos);

    const ConstantEntry bounded = Entry("1000,1,L,0.5,10,u,1,0,20,100");
    c = CommitConstantValue(bounded, "200");
    EXPECT_TRUE(c.write);
    EXPECT_EQ(c.raw, 180U);
    EXPECT_EQ(c.message, str::kRangeOver);
    EXPECT_EQ(c.text, "Input Data Range Over:200.00 \n (20.00<=Data<=100.00)\n set 100.00");
    c = CommitConstantValue(bounded, "55.5");
    EXPECT_EQ(c.raw, 91U);
    EXPECT_EQ(c.message, 0);

    // Only a Max: narrowed, and reported with the range it narrowed.
    c = CommitConstantValue(Entry("1000,1,L,0.5,10,u,1,0,,100"), "120");
    EXPECT_EQ(c.raw, 180U);
    EXPECT_EQ(c.text, "Input Data Range Over:120.00 \n (10.00<=Data<=100.00)\n set 100.00");
    EXPECT_EQ(CommitConstantValue(plain, "12.3").message, 0);   // a raw step's rounding is no range

    // Rounding below Min: one step back up (rising conversion) ...
    c = CommitConstantValue(Entry("1000,1,L,0.5,10,u,1,0,20.2,100"), "5");
    EXPECT_EQ(c.raw, 21U);
    EXPECT_EQ(c.text, "Input Data Range Over:5.00 \n (20.20<=Data<=100.00)\n set 20.50");
    // ... and down where the conversion falls. A negative LSB is below
    // 0.00001, so six decimals.
    c = CommitConstantValue(Entry("1000,1,L,-0.5,100,u,1,0,30.2,90"), "0");
    EXPECT_EQ(c.raw, 139U);
    EXPECT_EQ(c.message, str::kRangeOver6);
    c = CommitConstantValue(Entry("1000,1,L,-0.5,100,u,1,0,30.2,90,2"), "0");
    EXPECT_EQ(c.raw, 139U);
    EXPECT_EQ(c.text, "Input Data Range Over:0.00 \n (30.20<=Data<=90.00)\n set 30.50");

    // Word size, no Min and Max.
    c = CommitConstantValue(Entry("1000,2,W,0.5,0,u,1"), "40000");
    EXPECT_EQ(c.raw, 65535U);
    EXPECT_EQ(c.text, "Input Data Range Over:40000.00 \n (0.00<=Data<=32767.50)\n set 32767.50");
}

TEST(ConstantsListTest, RangeMessageFollowsTheDecimals) {
    struct Case { const char* line; const char* typed; int message; const char* text; };
    const Case cases[] = {
        {"1000,1,L,1,0,u,1,0,0,100,0", "150", str::kRangeOver0,
         "Input Data Range Over:150 \n (0<=Data<=100)\n set 100"},
        {"1000,1,L,1,0,u,1,0,0,100,1", "150", str::kRangeOver1,
         "Input Data Range Over:150.0 \n (0.0<=Data<=100.0)\n set 100.0"},
        {"1000,1,L,0.001,0,u,1,0,0,0.1", "1", str::kRangeOver3,   // by LSB: 3
         "Input Data Range Over:1.000 \n (0.000<=Data<=0.100)\n set 0.100"},
        {"1000,1,L,1,0,u,1,0,0,100,4", "-1", str::kRangeOver4,
         "Input Data Range Over:-1.0000 \n (0.0000<=Data<=100.0000)\n set 0.0000"},
        {"1000,1,L,1,0,u,1,0,0,100,5", "101", str::kRangeOver5, nullptr},
        {"1000,1,L,1,0,u,1,0,0,100,6", "101", str::kRangeOver6, nullptr},
        {"1000,1,L,1,0,u,1,0,0,100,7", "101", str::kRangeOver, nullptr},
        // The period kinds always use two decimals.
        {"1000,1,P,1,1,u,2,0,1000,2000,0", "5000", str::kRangeOver,
         "Input Data Range Over:5000.00 \n (1000.00<=Data<=2000.00)\n set 1984.13"},
    };
    for (const Case& c : cases) {
        const ConstantCommit commit = CommitConstantValue(Entry(c.line), c.typed);
        EXPECT_TRUE(commit.write) << c.line;
        EXPECT_EQ(commit.message, c.message) << c.line;
        if (c.text) {
            EXPECT_EQ(commit.text, c.text) << c.line;
        }
    }
}

TEST(ConstantsListTest, TypedTextThatIsNoNumberIsRefused) {
    const ConstantEntry entry = Entry("1000,1,L,0.5,0,u,1");
    ConstantCommit c = CommitConstantValue(entry, "+12.5");
    EXPECT_TRUE(c.write);
    EXPECT_EQ(c.raw, 25U);
    for (const char* bad : {"12-5", "1e3", "", ".", "+", "1.2.3", " 5", "5 ", "0x10", "--1"}) {
        c = CommitConstantValue(entry, bad);
        EXPECT_TRUE(c.Refused()) << bad;
        EXPECT_EQ(c.message, str::kWrongWord) << bad;
        EXPECT_EQ(c.text, "Including wrong word") << bad;
    }
    // LSB 0 leaves no raw value to compute: refused by size.
    EXPECT_EQ(CommitConstantValue(Entry("1000,1,Z,0,5,u,1"), "5").message, str::kInputMaxOver);
    EXPECT_EQ(CommitConstantValue(Entry("1000,2,Z,0,5,u,1"), "5").message, str::kOverWordSize);
}

TEST(ConstantsListTest, SignedConstantUsesTwoRanges) {
    const ConstantEntry s = Entry("1000,1,S,1,0,u,3");
    ConstantCommit c = CommitConstantValue(s, "-1");
    EXPECT_EQ(c.raw, 0xFFU);
    EXPECT_EQ(c.message, 0);
    c = CommitConstantValue(s, "200");
    EXPECT_EQ(c.raw, 127U);
    EXPECT_EQ(c.message, str::kRangeOver2);
    EXPECT_EQ(c.text, "Input Data Range Over:200.00 \n(-128.00<=Data<=-1.00)\n(0.00<=Data<=127.00)\n set 127.00");
    c = CommitConstantValue(s, "-300");
    EXPECT_EQ(c.raw, 0x80U);
    // Between the halves: to the nearer inner end, the lower one on a tie.
    EXPECT_EQ(CommitConstantValue(s, "-0.4").raw, 0U);
    EXPECT_EQ(CommitConstantValue(s, "-0.5").raw, 0xFFU);
    EXPECT_EQ(CommitConstantValue(s, "-0.5").message, str::kRangeOver2);

    // With an offset the halves leave a gap of 2 x O.
    const ConstantEntry gap = Entry("1000,1,S,1,10,u,3");
    c = CommitConstantValue(gap, "-20");
    EXPECT_EQ(c.raw, 246U);   // -10 - 1 x 10
    EXPECT_EQ(c.message, 0);
    c = CommitConstantValue(gap, "3");
    EXPECT_EQ(c.raw, 0U);     // nearer to 10 than to -11
    EXPECT_EQ(c.text, "Input Data Range Over:3.00 \n(-138.00<=Data<=-11.00)\n(10.00<=Data<=137.00)\n set 10.00");

    // Min and Max cut both halves; outside them 1525 reports Min and Max.
    const ConstantEntry bounded = Entry("1000,1,S,1,0,u,3,0,-50,50");
    c = CommitConstantValue(bounded, "100");
    EXPECT_EQ(c.raw, 50U);
    EXPECT_EQ(c.message, str::kRangeOver);
    EXPECT_EQ(c.text, "Input Data Range Over:100.00 \n (-50.00<=Data<=50.00)\n set 50.00");
    EXPECT_EQ(CommitConstantValue(bounded, "-100").raw, 206U);
    // Overlapping halves count as one range: no gap to fall into.
    const ConstantEntry overlap = Entry("1000,1,S,1,-10,u,3");
    c = CommitConstantValue(overlap, "-5");
    EXPECT_EQ(c.message, 0);
    EXPECT_EQ(Text(overlap, c.raw), "-5");

    // A negative LSB with a positive offset still edits.
    const ConstantEntry falling = Entry("1000,1,S,-1,200,u,3");
    EXPECT_EQ(CommitConstantValue(falling, "100").raw, 100U);
    EXPECT_EQ(CommitConstantValue(falling, "-100").raw, 156U);

    for (const char* line : {"1000,1,S,0,5,u,3", "1000,1,S,-1,0,u,3", "1000,1,S,1,-200,u,3",
                             "1000,2,S,1,-40000,u,3"}) {
        c = CommitConstantValue(Entry(line), "1");
        EXPECT_TRUE(c.Refused()) << line;
        EXPECT_EQ(c.text, "A value cannot be edited.") << line;
    }
    EXPECT_TRUE(CommitConstantValue(Entry("1000,2,S,1,-200,u,3"), "1").write);   // 32767 steps reach past 0
}

TEST(ConstantsListTest, RawPathAndSteps) {
    const ConstantEntry byte = Entry("1000,1,L,1,0,u,1");
    EXPECT_EQ(CommitConstantRaw(byte, "1f").raw, 0x1FU);
    EXPECT_EQ(CommitConstantRaw(byte, "100").message, str::kInputMaxOver);
    EXPECT_EQ(CommitConstantRaw(byte, "G1").message, str::kWrongWord);
    EXPECT_EQ(CommitConstantRaw(byte, "").message, str::kWrongWord);
    EXPECT_EQ(CommitConstantRaw(Entry("1000,2,W,1,0,u,1"), "10000").message, str::kOverWordSize);
    EXPECT_EQ(CommitConstantRaw(Entry("1000,2,W,1,0,u,1"), "FFFF").raw, 0xFFFFU);
    const ConstantEntry period = Entry("1000,1,P,1,1,u,2");
    EXPECT_EQ(CommitConstantRaw(period, "0").message, str::kCannotInputZero);
    EXPECT_EQ(CommitConstantRaw(period, "0").text, "Cannot input 0");

    EXPECT_EQ(StepConstantRaw(byte, 10, true), 11U);
    EXPECT_EQ(StepConstantRaw(byte, 255, true), 255U);
    EXPECT_EQ(StepConstantRaw(byte, 0, false), 0U);
    const ConstantEntry calc5 = Entry("1000,1,F,1000,0,u,5");
    EXPECT_EQ(StepConstantRaw(calc5, 10, true), 9U);
    EXPECT_EQ(StepConstantRaw(calc5, 0, true), 0U);
    EXPECT_EQ(StepConstantRaw(calc5, 255, false), 255U);
    EXPECT_EQ(StepConstantRaw(Entry("1000,2,W,1,0,u,1"), 0xFFFF, true), 0xFFFFU);

    Image image{};
    const ConstantEntry word = Entry("1000,2,W,1,0,u,1");
    WriteConstantRaw(image, word, 0x1234);
    EXPECT_EQ(image[0x1000], 0x12);
    EXPECT_EQ(image[0x1001], 0x34);
    EXPECT_EQ(ReadConstantRaw(image, word), 0x1234U);
    EXPECT_EQ(ConstantHexText(word, 0x1A), "001A");
    EXPECT_EQ(ConstantHexText(byte, 0x1A), "1A");
}

}  // namespace
