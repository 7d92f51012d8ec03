#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/EcuCalibration.h"
#include "app/WindowLayout.h"
#include "model/Calibration.h"
#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CascadeRectsTest, WindowsKeepAUsableSizeAndStayInTheArea) {
    struct Case {
        int width, height, count;
    } cases[] = {{900, 600, 3}, {300, 180, 4}, {150, 90, 2}, {1200, 300, 12}};
    for (const Case& c : cases) {
        const std::vector<WindowRect> rects = CascadeRects(c.width, c.height, c.count, 24);
        ASSERT_EQ(rects.size(), static_cast<std::size_t>(c.count));
        for (const WindowRect& r : rects) {
            EXPECT_GE(r.width, windowlayout::kMinimumWidth);
            EXPECT_GE(r.height, windowlayout::kMinimumHeight);
            EXPECT_GE(r.width, c.width * 2 / 3);
            // A window that fits the area never runs past it.
            if (c.width >= windowlayout::kMinimumWidth && c.height >= windowlayout::kMinimumHeight) {
                EXPECT_LE(r.x + r.width, c.width);
                EXPECT_LE(r.y + r.height, c.height);
            }
        }
    }
    const std::vector<WindowRect> three = CascadeRects(900, 600, 3, 24);
    EXPECT_EQ(three[1].x - three[0].x, 24);   // each a title bar further
}

TEST(BringOnScreenTest, AWindowLeftOffTheAreaComesBackWhole) {
    struct Case {
        WindowRect saved, expected;
    } cases[] = {
        {{3000, 2000, 400, 300}, {800 - 400, 600 - 300, 400, 300}},   // off a larger screen
        {{-500, -40, 400, 300}, {0, 0, 400, 300}},
        {{10, 10, 2000, 2000}, {0, 0, 800, 600}},                     // larger than the area
        {{10, 10, 20, 20}, {10, 10, windowlayout::kMinimumWidth, windowlayout::kMinimumHeight}},
        {{100, 50, 400, 300}, {100, 50, 400, 300}},                   // on screen: kept
    };
    for (const Case& c : cases) EXPECT_EQ(BringOnScreen(c.saved, 800, 600), c.expected) << c.saved.x;
}

TEST(ZoomTest, StepsStopAtTheEndsAndAStoredValueTakesTheNearestStep) {
    EXPECT_EQ(NextZoom(100, 1), 110);
    EXPECT_EQ(NextZoom(100, -1), 90);
    EXPECT_EQ(NextZoom(300, 1), 300);
    EXPECT_EQ(NextZoom(50, -1), 50);
    EXPECT_EQ(NextZoom(175, 0), 100);
    TempDir dir;
    struct Case {
        const char* stored;
        int expected;
    } cases[] = {{"125", 125}, {"130", 125}, {"99999", 300}, {"-4", 50}, {"big", 50}, {"", 100}};
    for (const Case& c : cases) {
        ProfileFile settings(dir.Write("RV_Tune.INI", std::string("[Window Layout]\nZoom=") + c.stored + "\n"));
        EXPECT_EQ(ReadZoom(settings), c.expected) << c.stored;
    }
    EXPECT_EQ(Zoomed(20, 50, 8), 10);
    EXPECT_EQ(Zoomed(10, 50, 8), 8);
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
    EXPECT_EQ(back.windows[1].kind, 3);
    EXPECT_EQ(back.windows[1].rect, (WindowRect{-20, 300, 640, 280}));
    EXPECT_EQ(ReadZoom(settings), 150);
    EXPECT_EQ(settings.ReadString("RS232C", "PORT", ""), "PORT1");
    // A name that would not read back is stored empty, the windows kept.
    layout.map = " padded ";
    ASSERT_TRUE(WriteWindowLayout(settings, layout));
    EXPECT_EQ(ReadWindowLayout(settings).map, "");
    EXPECT_EQ(ReadWindowLayout(settings).windows.size(), 2u);
}

TEST(WindowLayoutFileTest, DamagedEntriesAreDropped) {
    TempDir dir;
    ProfileFile settings(dir.Write("RV_Tune.INI",
                                   "[Window Layout]\nMap=M\nCount=9\nWindow1=3,0,0,300,200\nWindow2=7,0,0,300,200\n"
                                   "Window3=1,0,0,0,200\nWindow4=1,0,x,300,200\nWindow5=1,0,0,300\n"
                                   "Window6=2,5,5,300,200,9\nWindow7=2,-5,5,300,200\n"));
    const WindowLayout layout = ReadWindowLayout(settings);
    ASSERT_EQ(layout.windows.size(), 2u);   // Window1 and Window7
    EXPECT_EQ(layout.windows[0].kind, 3);
    EXPECT_EQ(layout.windows[1].rect.x, -5);
    EXPECT_TRUE(ReadWindowLayout(ProfileFile(dir.File("missing.INI"))).windows.empty());
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
    // A read from before the data start that runs past its end fits too.
    ASSERT_EQ(LayEcuRead(cal, 0x2FF0, Bytes(0x200, 0x66)), "");
    EXPECT_EQ(cal.image()[0x3000], 0x66);
    EXPECT_EQ(cal.image()[0x2FF0], 0);
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

TEST(StandardDataFileTest, TheMachinesOwnNameFirstThenTheInstallersName) {
    TempDir dir;
    const std::string settings = dir.Write("KST26A/RV_Tune.INI", "");
    EXPECT_EQ(StandardDataFile(settings, "KST26A"), "");
    const std::string installed = dir.Write("KST26A/WORK/Standard_data.qsd", "[Data]\n");
    EXPECT_EQ(StandardDataFile(settings, "KST26A"), installed);
    const std::string own = dir.Write("KST26A/WORK/kst26a.qsd", "[Data]\n");
    EXPECT_EQ(StandardDataFile(settings, "KST26A"), own);
}

}  // namespace
