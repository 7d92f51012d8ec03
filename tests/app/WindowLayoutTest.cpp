#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/EcuCalibration.h"
#include "app/WindowLayout.h"
#include "model/Calibration.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

TEST(ZoomTest, StepsStopAtTheEndsAndAStoredValueTakesTheNearestStep) {
    EXPECT_EQ(NextZoom(300, 1), 300);
    EXPECT_EQ(NextZoom(50, -1), 50);
    TempDir dir;
    for (const auto& [stored, expected] : {std::pair<const char*, int>{"130", 125}, {"99999", 300}, {"big", 50}, {"", 100}}) {
        ProfileFile settings(dir.Write("RV_Tune.INI", std::string("[Window Layout]\nZoom=") + stored + "\n"));
        EXPECT_EQ(ReadZoom(settings), expected) << stored;
    }
}

TEST(WindowLayoutFileTest, ALayoutReadsBackAndKeepsTheZoomAndOtherSections) {
    TempDir dir;
    ProfileFile settings(dir.Write("RV_Tune.INI", "[RS232C]\nPORT=PORT1\n"));
    ASSERT_TRUE(WriteZoom(settings, 150));
    WindowLayout layout;
    layout.map = "Main Fuel";
    layout.windows = {{1, {0, 0, 640, 300}}, {3, {-20, 300, 640, 280}}};
    ASSERT_TRUE(WriteWindowLayout(settings, layout));
    const WindowLayout back = ReadWindowLayout(settings);
    EXPECT_EQ(back.map, "Main Fuel");
    ASSERT_EQ(back.windows.size(), 2u);
    EXPECT_EQ(back.windows[1].rect, (WindowRect{-20, 300, 640, 280}));
    EXPECT_EQ(ReadZoom(settings), 150);
}

TEST(WindowLayoutFileTest, DamagedEntriesAreDropped) {
    TempDir dir;
    ProfileFile settings(dir.Write("RV_Tune.INI",
                                   "[Window Layout]\nMap=M\nCount=9\nWindow1=3,0,0,300,200\nWindow2=7,0,0,300,200\n"
                                   "Window3=1,0,0,0,200\nWindow4=1,0,x,300,200\nWindow5=1,0,0,300\n"
                                   "Window6=2,5,5,300,200,9\nWindow7=2,-5,5,300,200\n"));
    const WindowLayout layout = ReadWindowLayout(settings);
    ASSERT_EQ(layout.windows.size(), 2u);   // Window1 and Window7
    EXPECT_EQ(layout.windows[1].rect.x, -5);
}

struct LayEcuReadTest : ::testing::Test {
    Calibration cal;
    void SetUp() override {
        ASSERT_TRUE(cal.AllocateImage());
        cal.dataStart = 0x3000;
        cal.dataEnd = 0x311F;   // the checksum byte
        for (int a = 0x3000; a <= 0x311F; ++a) cal.image()[a] = 0x11;
    }
    static std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t value) { return std::vector<std::uint8_t>(n, value); }
};

TEST_F(LayEcuReadTest, TheDataTakesTheEcuBytesButNotTheChecksumByte) {
    ASSERT_EQ(LayEcuRead(cal, 0x3000, Bytes(0x120, 0x55)), "");
    EXPECT_EQ(cal.image()[0x3000], 0x55);
    EXPECT_EQ(cal.image()[0x311E], 0x55);
    EXPECT_EQ(cal.image()[0x311F], 0x11);
    EXPECT_EQ(cal.modified, 1);
}

TEST_F(LayEcuReadTest, AReadThatDoesNotHoldTheDataIsRefusedWhole) {
    struct Case {
        std::uint16_t start;
        std::size_t count;
    } cases[] = {{0x3001, 0x200}, {0x3000, 0x11E}, {0x3000, 0}, {0x0000, 0x100}};
    for (const Case& c : cases) {
        EXPECT_NE(LayEcuRead(cal, c.start, Bytes(c.count, 0x77)), "") << std::hex << c.start;
        EXPECT_EQ(cal.image()[0x3000], 0x11);
        EXPECT_EQ(cal.image()[0x311E], 0x11);
        EXPECT_EQ(cal.modified, 0);
    }
}

}  // namespace
