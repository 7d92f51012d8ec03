// The map section of the definition against the image.
#include <string>

#include <gtest/gtest.h>

#include "model/Strings.h"
#include "tests/config/DefinitionFixture.h"

namespace {

const std::string kItems =
    "THROT,0,100,x*100/255,x*255/100\n"
    "RPM,0,16000,x*64,x/64\n"
    "DATA,-20,40,x/4-20,(x+20)*4,-10,30\n";

std::string FreeMap(const std::string& maps) { return "[Free Map]\nC000,C7FF,0040\n" + maps; }
std::string ConfigMapText(const std::string& maps) { return "[Config Map]\n0200,02FF,0\n" + maps; }

struct MapSectionTest : DefinitionFixture {
    // Expects the load to stop with the message of the given number.
    void ExpectAbandoned(int message) {
        EXPECT_EQ(Apply(), kAbandoned);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.Last().text, Str(message));
        EXPECT_EQ(prompt.Last().caption, "Orvandel");
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kStop);
        EXPECT_TRUE(app.maps.empty());
    }
};

TEST_F(MapSectionTest, FreeMapLaysOutEachMapFromTheImageAfterThePreviousOne) {
    Define(FreeMap("Fuel A,1,ignored,cyl 1\n" + kItems + "Fuel B,0,x\n" + kItems));
    Counts(0xC000, 3, 4);   // type 2: 12 RPM bytes, 12 DATA bytes
    Counts(0xC000 + 2 + 3 + 12 + 12, 2, 5);
    ASSERT_EQ(Apply(), 0);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(app.definitionKind, kDefinitionFreeMap);
    EXPECT_EQ(app.mapAreaStart, 0xC000);
    ASSERT_EQ(app.maps.size(), 2u);

    const MapRecord& a = Map(0);
    EXPECT_EQ(a.name, "Fuel A");
    EXPECT_EQ(a.type, kMapRpmPerRow);
    EXPECT_EQ(a.fourthField, "cyl 1");
    EXPECT_EQ(a.base, 0xC000);
    EXPECT_EQ(a.z.start, 0xC002);
    EXPECT_EQ(a.x.start, 0xC005);
    EXPECT_EQ(a.y.start, 0xC005 + 12);
    EXPECT_EQ(a.y.count, 12);
    // The item line gives the minimum before the maximum.
    EXPECT_EQ(a.y.minimum, "-20");
    EXPECT_EQ(a.y.maximum, "40");
    EXPECT_EQ(a.y.hexToPhys, "x/4-20");
    EXPECT_EQ(a.y.physToHex, "(x+20)*4");
    EXPECT_EQ(a.y.minimum2, "-10");
    EXPECT_EQ(a.y.maximum2, "30");
    EXPECT_EQ(a.z.minimum2, "");

    const MapRecord& b = Map(1);
    EXPECT_EQ(b.type, kMapOneRpmRow);
    EXPECT_EQ(b.fourthField, "");
    EXPECT_EQ(b.base, 0xC000 + 29);
    EXPECT_EQ(b.y.start, b.base + 2 + 2 + 5);
}

TEST_F(MapSectionTest, FreeMapWithBadTypeDigitGetsTypeMinusOne) {
    Define(FreeMap("Odd,7,x\n" + kItems));
    Counts(0xC000, 2, 2);
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 1u);
    EXPECT_EQ(Map(0).type, kMapInvalid);
    EXPECT_EQ(Map(0).y.start, 0xC000 + 2 + 2 + 2);   // laid out like type 1
}

TEST_F(MapSectionTest, BothSectionsPresentUsesFreeMapOnly) {
    Define("[Config Map]\n0100,01FF,0\nCfg,0,x\n" + kItems + "2,1,2\n2,1,2\n" +
           FreeMap("Free,0,x\n" + kItems));
    Counts(0xC000, 1, 1);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(app.definitionKind, kDefinitionFreeMap);
    ASSERT_EQ(app.maps.size(), 1u);
    EXPECT_EQ(Map(0).name, "Free");
}

TEST_F(MapSectionTest, AreaLineFollowedByAHeaderLoadsNoMapsSilently) {
    Define(FreeMap("") + "[RS232C]\nSpeed=9600\n");
    EXPECT_EQ(Apply(), 0);
    EXPECT_TRUE(app.maps.empty());
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(app.speedCode, 4);   // the sections after the maps are still read
}

TEST_F(MapSectionTest, FileEndingAfterTheAreaLineIsAFormatError) {
    Define(FreeMap("; nothing more\n"));
    ExpectAbandoned(str::kMapSectionFormat);
}

TEST_F(MapSectionTest, NoMapSectionIsReported) {
    Define("[Calib]\nD000,1,Rev,1,0,rpm,1\n");
    ExpectAbandoned(str::kMapSectionMissing);
}

TEST_F(MapSectionTest, WrongAreaLinesAreReported) {
    const char* const cases[] = {
        "[Free Map]\n",                       // no area line at all
        "[Free Map]\n[Calib]\n",              // a header instead
        "[Free Map]\nC000,C7FF\n",            // two fields
        "[Free Map]\nC000,C7FF,0,1\n",        // four fields
        "[Free Map]\nC000,C7FF,\n",           // an empty field
        "[Free Map]\nC0G0,C7FF,0\n",          // not hex
        "[Free Map]\n10000,C7FF,0\n",         // beyond the image
        "[Config Map]\n0100,01FF,zz\n",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        prompt.shown.clear();
        Define(text);
        ExpectAbandoned(str::kMapAddressWrong);
    }
}

TEST_F(MapSectionTest, FormatErrorsBeforeTheFirstMapAreReported) {
    const std::string cases[] = {
        FreeMap(",0,x\n" + kItems),                           // no name
        FreeMap("Name,0\n" + kItems),                         // no third field
        FreeMap("Name,,x\n" + kItems),                        // no type digit
        FreeMap("Name,0,x\nTHROT,0,100,x\n"),                 // item line of four fields
        FreeMap("Name,0,x\nTHROT,0,,x,x\n"),                  // empty required field
        "[Config Map]\n0100,01FF,0\nName,2,x\n" + kItems + "1,5\n1,6\n",   // bad type digit
    };
    Counts(0xC000, 1, 1);
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        prompt.shown.clear();
        Define(text);
        ExpectAbandoned(str::kMapSectionFormat);
    }
}

TEST_F(MapSectionTest, FreeMapLayoutThatWouldOverlapOrLeaveTheImageIsAFormatError) {
    Define(FreeMap("Big,0,x\n" + kItems));
    Counts(0xC000, 16, 16);   // 256 cells do not fit the 8-bit count
    ExpectAbandoned(str::kMapSectionFormat);

    prompt.shown.clear();
    Define("[Free Map]\nFFF0,FFFF,0\nEnd,0,x\n" + kItems);
    Counts(0xFFF0, 5, 5);   // 2 + 5 + 5 + 25 bytes from FFF0 run past FFFF
    ExpectAbandoned(str::kMapSectionFormat);
}

TEST_F(MapSectionTest, AnErrorAfterACompleteMapKeepsTheMapsReadSoFarAndNamesTheMapNotLoaded) {
    Define(FreeMap("One,0,x\n" + kItems + "Two,0,x\nTHROT,0,100\n" + "Three,0,x\n" + kItems) +
           "[RS232C]\nSpeed=2400\n");
    Counts(0xC000, 2, 2);
    EXPECT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 1u);
    EXPECT_EQ(Map(0).name, "One");
    EXPECT_EQ(app.speedCode, 2);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text,
              "The map \"Two\" and the maps after it are not loaded: the line \"THROT,0,100\" has a format "
              "error.\nOnly the maps before it are loaded.");
    EXPECT_EQ(prompt.Last().caption, "Orvandel");
    EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
}

// Each way a second map can fail to lay out, with the reason the warning gives.
TEST_F(MapSectionTest, ASecondMapThatCannotBeLaidOutIsWarnedAboutWithItsReason) {
    struct Case {
        const char* name;
        std::string text;
        std::uint8_t zc, xc;       // the second Free Map's counts at C006
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"256 cells", FreeMap("One,0,x\n" + kItems + "Big,0,x\n" + kItems), 16, 16,
         "\"Big\" and the maps after it are not loaded: its table of 16 x 16 = 256 cells is larger than 255"},
        {"300 cells", FreeMap("One,0,x\n" + kItems + "Big,1,x\n" + kItems), 20, 15,
         "\"Big\" and the maps after it are not loaded: its table of 20 x 15 = 300 cells"},
        {"past FFFF", "[Free Map]\nFFE0,FFFF,0\nOne,0,x\n" + kItems + "End,0,x\n" + kItems, 0, 0,
         "\"End\" and the maps after it are not loaded: it would run past address FFFF"},
        {"bad header", FreeMap("One,0,x\n" + kItems + "Broken,0\n" + kItems), 1, 1,
         "\"Broken\" and the maps after it are not loaded: the line \"Broken,0\" has a format error"},
        {"config cells", ConfigMapText("A,0,x\n" + kItems + "1,5\n1,6\nB,0,x\n" + kItems +
                                       "z,0300,1,16,0\nx,0310,1,16,0\n"),
         0, 0, "\"B\" and the maps after it are not loaded: its table of 16 x 16 = 256 cells"},
        {"config line", ConfigMapText("A,0,x\n" + kItems + "1,5\n1,6\nB,0,x\n" + kItems + "3,1,2\n1,6\n"),
         0, 0, "\"B\" and the maps after it are not loaded: the line \"3,1,2\" has a format error"},
        {"config end", ConfigMapText("A,0,x\n" + kItems + "1,5\n1,6\nB,0,x\n" + kItems + "1,5\n"), 0, 0,
         "\"B\" and the maps after it are not loaded: the section ends before its last line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.shown.clear();
        image = Image{};
        Define(c.text);
        Counts(0xC000, 1, 1);   // One: 2 count bytes, 1 + 1 axis bytes, 1 cell
        Counts(0xC005, c.zc, c.xc);
        Counts(0xFFE0, 4, 4);   // One near the top: 2 + 4 + 4 + 16 bytes, up to FFF9
        Counts(0xFFFA, 2, 2);   // End: 2 + 2 + 2 + 4 bytes would end past FFFF
        EXPECT_EQ(Apply(), 0);
        ASSERT_EQ(app.maps.size(), 1u);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_NE(prompt.Last().text.find(c.reason), std::string::npos) << prompt.Last().text;
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation);
    }
}

TEST_F(MapSectionTest, MissingItemLinesAtTheSectionEndAreSkipped) {
    Define(FreeMap("One,0,x\nTHROT,0,100,x,x\n") + "[Diag.Com]\n");
    Counts(0xC000, 2, 3);
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 1u);
    EXPECT_EQ(Map(0).z.name, "THROT");
    EXPECT_EQ(Map(0).x.name, "");
    EXPECT_EQ(Map(0).y.count, 6);
}

TEST_F(MapSectionTest, ApplyingAgainReplacesTheMapsAndDropsTheCurrentMap) {
    Define(FreeMap("One,0,x\n" + kItems + "Two,0,x\n" + kItems));
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 2u);
    app.currentMap = app.maps[1].get();
    Define(FreeMap("Only,0,x\n" + kItems));
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 1u);
    EXPECT_EQ(app.currentMap, nullptr);
}

// Config Map -----------------------------------------------------------------

std::string ConfigMap(const std::string& maps) {
    return "[Config Map]\n0200,02FF,0\n" + maps;
}

TEST_F(MapSectionTest, InlineAxesKeepTheHeaderTypeAndTheirValues) {
    Define(ConfigMap("Ign,1,x,front\n" + kItems + "3, 0, 50 ,100\n4,1000,2000,3000,4000\n"));
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(app.definitionKind, kDefinitionConfigMap);
    ASSERT_EQ(app.maps.size(), 1u);
    const MapRecord& m = Map(0);
    EXPECT_EQ(m.type, kMapRpmPerRow);
    EXPECT_EQ(m.fourthField, "front");
    EXPECT_EQ(m.z.count, 3);
    EXPECT_EQ(m.x.count, 4);
    EXPECT_EQ(m.y.count, 12);
    EXPECT_EQ(m.z.valueListText, "0, 50 ,100");
    EXPECT_EQ(m.z.values, (std::vector<float>{0.0F, 50.0F, 100.0F}));
    EXPECT_EQ(m.x.values.back(), 4000.0F);
    EXPECT_EQ(m.base, 0x0200);
    EXPECT_EQ(m.y.start, 0x0200);
}

TEST_F(MapSectionTest, ConfigMapsWithoutYLinesLieBackToBackFromTheAreaStart) {
    Define(ConfigMap("A,0,x\n" + kItems + "3,1,2,3\n4,1,2,3,4\n" +   //
                     "B,0,x\n" + kItems + "2,1,2\n5,1,2,3,4,5\n" +   //
                     "C,0,x\n" + kItems + "1,7\n1,8\n"));
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 3u);
    EXPECT_EQ(Map(0).base, 0x0200);
    EXPECT_EQ(Map(1).base, 0x0200 + 12);
    EXPECT_EQ(Map(2).base, 0x0200 + 12 + 10);
    EXPECT_EQ(Map(2).y.count, 1);
}

TEST_F(MapSectionTest, ImageAxesGiveTypeThreeAndAYLinePlacesTheData) {
    Define(ConfigMap("A,0,x\n" + kItems + "Z,0300,1,6,5\nx,0310,2,8,250\ny,0400\n" +   //
                     "B,1,x\n" + kItems + "z,0320,1,2,0\nX,0330,7,3,-1\n"));
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 2u);
    const MapRecord& a = Map(0);
    EXPECT_EQ(a.type, kMapConfigImage);
    EXPECT_EQ(a.z.start, 0x0300);
    EXPECT_EQ(a.z.elementSize, 1);
    EXPECT_EQ(a.z.count, 6);
    EXPECT_EQ(a.z.step, 5);
    EXPECT_EQ(a.x.start, 0x0310);
    EXPECT_EQ(a.x.elementSize, 2);
    EXPECT_EQ(a.x.count, 8);
    EXPECT_EQ(a.x.step, 250);
    EXPECT_EQ(a.base, 0x0400);
    EXPECT_EQ(a.y.count, 48);
    const MapRecord& b = Map(1);
    EXPECT_EQ(b.type, kMapConfigImage);
    EXPECT_EQ(b.x.elementSize, 1);   // anything but 2 is a byte
    EXPECT_EQ(b.x.step, -1);
    EXPECT_EQ(b.base, 0x0400 + 48);   // the next map follows the placed DATA
}

TEST_F(MapSectionTest, BadConfigMapAxesAreFormatErrors) {
    const std::string cases[] = {
        "3,1,2,3\n4,1,2,3\n",            // four values announced, three given
        "3,1,2\n4,1,2,3,4\n",            // three announced, two given
        "3\n1,5\n",                      // a count without values
        "z,0300,1,3,0\n4,1,2,3,4\n",     // z without x
        "x,0300,1,3,0\nz,0310,1,3,0\n",  // x before z
        "3,1,2,3\nx,0310,1,3,0\n",       // x without z
        "z,0300,1,3\nx,0310,1,3,0\n",    // four fields only
        "z,0300,1,3,0\nx,0310,1,300,0\n",  // count beyond 8 bits
        "z,0300,1,-3,0\nx,0310,1,3,0\n",
        "z,030G,1,3,0\nx,0310,1,3,0\n",
        "z,0300,1,3,0\nx,0310,1,3,0\ny,XYZ\n",
        "z,0300,1,16,0\nx,0310,1,16,0\n",  // 256 cells
        "z,0300,1,5,0\nx,0310,1,5,0\ny,FFF0\n",  // DATA past FFFF
        "z,FFFE,2,2,0\nx,0310,1,2,0\n",  // THROT words past FFFF
        "3,1,2,3\n",                     // the X line is missing
        "",
    };
    for (const std::string& axes : cases) {
        SCOPED_TRACE(axes);
        prompt.shown.clear();
        Define(ConfigMap("A,0,x\n" + kItems + axes));
        ExpectAbandoned(str::kMapSectionFormat);
    }
}

TEST_F(MapSectionTest, DataEndingOnTheLastByteFitsAndNothingFollowsIt) {
    Define(ConfigMap("A,0,x\n" + kItems + "2,1,2\n2,1,2\ny,FFFC\n" +   //
                     "B,0,x\n" + kItems + "1,1\n1,1\n"));
    ASSERT_EQ(Apply(), 0);
    ASSERT_EQ(app.maps.size(), 1u);   // B would start past FFFF: the section ends there
    EXPECT_EQ(Map(0).base, 0xFFFC);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.Last().text.find("\"B\" and the maps after it are not loaded: it would run past address FFFF"),
              std::string::npos);
}

TEST_F(MapSectionTest, ConfigMapLimitsAreReachedButNotPassed) {
    struct Case {
        const char* name;
        std::string axes;
        int rows, columns;
    };
    const Case cases[] = {
        {"255 cells", "z,0300,1,15,0\nx,0310,1,17,0\n", 15, 17},
        {"a count of 255", "z,0300,1,1,0\nx,0310,1,255,0\n", 1, 255},
        {"byte axis ending at FFFF", "z,FFFC,1,4,0\nx,0310,1,2,0\n", 4, 2},
        {"word axis ending at FFFF", "z,0300,1,2,0\nx,FFFC,2,2,0\n", 2, 2},
        {"DATA ending at FFFF", "z,0300,1,2,0\nx,0310,1,2,0\ny,FFFC\n", 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.shown.clear();
        Define(ConfigMap("A,0,x\n" + kItems + c.axes));
        ASSERT_EQ(Apply(), 0);
        EXPECT_TRUE(prompt.shown.empty());
        ASSERT_EQ(app.maps.size(), 1u);
        EXPECT_EQ(Map(0).z.count, c.rows);
        EXPECT_EQ(Map(0).x.count, c.columns);
        EXPECT_EQ(Map(0).y.count, c.rows * c.columns);
    }
}

}  // namespace

TEST_F(MapSectionTest, AnItemLineMayEndWithItsUnit) {
    Define(FreeMap("Fuel,0,x\nTHROT,0,100,x/2,x*2,,,%\nRPM,0,16000,x*64,x/64\nDATA,-20,40,x/4-20,(x+20)*4,-10,30, ms \n"));
    Counts(0xC000, 2, 3);
    ASSERT_EQ(Apply(), 0);
    const MapRecord& map = Map(0);
    EXPECT_EQ(map.z.unit, "%");
    EXPECT_EQ(map.z.maximum2, "");   // the empty places leave the second limits unset
    EXPECT_EQ(map.x.unit, "");
    EXPECT_EQ(map.y.unit, "ms");
    EXPECT_EQ(map.y.maximum2, "30");
}
