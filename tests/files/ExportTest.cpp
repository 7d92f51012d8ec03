// The text export: constant values and their text, and the tables of maps of
// type 1 and 2 and of Config Maps, all against hand-computed lines.
#include "files/Export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Definition.h"
#include "tests/files/TestInstall.h"

namespace {

TEST(FormatConstantValue, KeepsEightSignificantPlaces) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {12.5f, "12.500000"},
        {-1.25f, "-1.250000"},
        {3.0f, "3"},
        {0.0f, "0"},
        {-7.0f, "-7"},
        {0.1f, "0.1000000"},
        {123456792.0f, "123456792"},
        {1234567.5f, "1234567.5"},
        {-1234567.5f, "-1234567.5"},   // p = 8 counting the minus sign
    };
    for (const Case& c : cases) EXPECT_EQ(FormatConstantValue(c.value), c.text) << c.value;
}

TEST(ConstantValue, FollowsTheCalcRules) {
    Image image{};
    image[0x10] = 130;
    image[0x11] = 0x5D;
    image[0x12] = 0xC0;
    image[0x20] = 0x0D;
    image[0x21] = 0x05;   // 3333
    image[0x30] = 0x88;
    image[0x31] = 0x10;
    image[0x40] = 0x80;
    image[0x41] = 0x01;
    // The sign boundaries of Calc 3: 0x7F | 0x80 for a byte, 0x7FFF | 0x8000 for a word.
    image[0x70] = 0x7F;
    image[0x71] = 0x80;
    image[0x80] = 0x7F;
    image[0x81] = 0xFF;
    image[0x82] = 0x80;
    image[0x83] = 0x00;
    struct Case {
        ConstantDef constant;
        float value;
    };
    const Case cases[] = {
        {{"10", "1", "Idle", "10", "0", "rpm", "1"}, 1300.0f},
        {{"11", "2", "Limit", "0.5", "0", "rpm", "1"}, 12000.0f},
        {{"0x11", "2", "Limit", "0.5", "0", "rpm", "1"}, 12000.0f},
        {{"11", "2", "Limit", "0.5", "100", "rpm", ""}, 12100.0f},
        {{"20", "2", "Speed", "4", "10", "km/h", "2"}, 1000000.0f / (3333.0f * 4.0f * 6.0f) * 10.0f},
        {{"50", "2", "Speed", "4", "10", "km/h", "2"}, 10000000.0f},   // raw 0
        {{"30", "1", "Trim", "0.25", "32", "deg", "3"}, 136 * 0.25f - 32},
        {{"31", "1", "Trim", "0.25", "32", "deg", "3"}, 16 * 0.25f + 32},
        {{"40", "2", "Wide", "1", "5", "", "3"}, 32769.0f - 5},
        {{"40", "02", "Wide", "1", "5", "", "3"}, 128.0f + 5},   // "02" is no word: byte 0x80 < 0x8000
        {{"1FFFF", "1", "Wrapped", "1", "0", "", "1"}, 0.0f},
        {{"70", "1", "Below", "1", "5", "", "3"}, 127.0f + 5},
        {{"71", "1", "At", "1", "5", "", "3"}, 128.0f - 5},
        {{"80", "2", "Below", "1", "5", "", "3"}, 32767.0f + 5},
        {{"82", "2", "At", "1", "5", "", "3"}, 32768.0f - 5},  // only the low 16 bits address the image
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(ConstantValue(image, c.constant), c.value) << c.constant.address << " " << c.constant.calc;
}

struct ExportTest : ::testing::Test {
    Image image = testinstall::CalibrationImage();
    MapList maps;
    LineStore definition;
    ValueFormats formats{"%.0f", "%.1f", "%.1f"};

    MapRecord& Add(int type, const char* name) {
        maps.push_back(std::make_unique<MapRecord>());
        MapRecord& map = *maps.back();
        map.type = type;
        map.name = name;
        map.z = Item("THROT", "x/2");
        map.x = Item("RPM", "x*50");
        return map;
    }
    static MapItem Item(const char* name, const char* equation, const char* min = "0",
                        const char* max = "100") {
        MapItem item;
        item.name = name;
        item.hexToPhys = equation;
        item.minimum = min;
        item.maximum = max;
        return item;
    }
    static void Place(MapItem& item, std::uint16_t start, std::uint8_t count, int size = 1) {
        item.start = start;
        item.count = count;
        item.elementSize = size;
    }
    std::vector<std::string> Lines() { return BuildExportLines(image, maps, definition, formats, "T"); }
    // The lines after the header lines of the first map, up to "[Calib]".
    std::vector<std::string> Table() {
        const std::vector<std::string> all = Lines();
        std::vector<std::string> table;
        for (std::size_t i = 13; i < all.size() && all[i] != "[Calib]"; ++i) table.push_back(all[i]);
        return table;
    }
};

TEST_F(ExportTest, TypeOneWritesRpmLinesWithAColumnPerThrotRow) {
    MapRecord& map = Add(kMapOneRpmRow, "Main");
    map.y = Item("Fuel", "x/10", "0", "25.5");
    Place(map.z, 0x1002, 2);
    Place(map.x, 0x1004, 3);
    Place(map.y, 0x1007, 6);
    const std::vector<std::string> all = Lines();
    const std::vector<std::string> head(all.begin(), all.begin() + 13);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "T", "Version 1.0", "FMDataName,Main", "FMXType,0", "FMNameZ,THROT",
                        "FMNameX,RPM", "FMNameY,Fuel", "FMMaxX,100", "FMMinX,0", "FMMaxY,25.5",
                        "FMMinY,0", "FMZCnt,2", "FMXCnt,3"}));
    EXPECT_EQ(Table(), (std::vector<std::string>{"Main,0.0,100.0", "1000,1.0,4.0", "2000,2.0,5.0",
                                                 "3000,3.0,6.0"}));
}

TEST_F(ExportTest, TypeTwoWritesEachThrotRowWithItsOwnRpmRow) {
    MapRecord& map = Add(kMapRpmPerRow, "Twin");
    map.y = Item("Spark", "x/2-10", "-10", "117.5");
    Place(map.z, 0x100F, 2);
    Place(map.x, 0x1011, 3);
    Place(map.y, 0x1017, 6);
    EXPECT_EQ(Lines()[3], "FMXType,1");
    EXPECT_EQ(Table(), (std::vector<std::string>{"FMDataZ,0.0", "1000,0.0", "2000,2.0", "3000,4.0",
                                                 "FMDataZ,100.0", "1500,10.0", "2500,12.0",
                                                 "3500,14.0"}));
}

TEST_F(ExportTest, ConfigMapsUseTheFreeMapLayoutWithImageOrListAxes) {
    // Axes in the image: THROT bytes, RPM words; DATA whose range reaches
    // 2000 is written in whole numbers.
    const std::uint8_t throt[] = {5, 7};
    const std::uint8_t rpm[] = {0x03, 0xE8, 0x07, 0xD0, 0x0B, 0xB8};
    const std::uint8_t data[] = {4, 8, 12, 16, 20, 26};
    for (int i = 0; i < 2; ++i) image[0x2000 + i] = throt[i];
    for (int i = 0; i < 6; ++i) image[0x2010 + i] = rpm[i];
    for (int i = 0; i < 6; ++i) image[0x2020 + i] = data[i];
    MapRecord& fromImage = Add(kMapConfigImage, "Cfg");
    fromImage.z = Item("THROT", "x");
    fromImage.x = Item("RPM", "x");
    fromImage.y = Item("Boost", "x/4", "0", "3000");
    Place(fromImage.z, 0x2000, 2);
    Place(fromImage.x, 0x2010, 3, 2);
    Place(fromImage.y, 0x2020, 6);
    EXPECT_EQ(Table(), (std::vector<std::string>{"Cfg,5.0,7.0", "1000,1,4", "2000,2,5", "3000,3,6"}));

    maps.clear();
    MapRecord& fromList = Add(kMapRpmPerRow, "List");   // a list axis is one row for all
    fromList.z.valueListText = "10,20.5";
    fromList.x.valueListText = "1000, 1500 ,2000";
    fromList.y = Item("Trim", "x");
    Place(fromList.z, 0, 2);
    Place(fromList.x, 0, 3);
    Place(fromList.y, 0x2020, 6);
    EXPECT_EQ(Table(), (std::vector<std::string>{"FMDataZ,10.0", "1000,4.0", "1500,8.0", "2000,12.0",
                                                 "FMDataZ,20.5", "1000,16.0", "1500,20.0",
                                                 "2000,26.0"}));
}

TEST_F(ExportTest, CalibConstantsAreLabelledThenValuedAndShortLinesLeftOut) {
    AppendDefinitionText(testinstall::Definition(), definition);
    const std::vector<std::string> all = Lines();
    const std::vector<std::string> expected = {
        "T", "Version 1.0", "[Calib]",
        "Address,1020,Byte,1,Contents,Idle Target,LSB,10,Offset,0,Unit,rpm,Calc,1",
        "Address,1021,Byte,2,Contents,Limiter,LSB,0.5,Offset,0,Unit,rpm,Calc,1",
        "1,1300", "2,12000", "[Fixed]", "[end]"};
    EXPECT_EQ(all, expected);
}

}  // namespace
