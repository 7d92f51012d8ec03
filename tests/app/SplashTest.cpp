#include <gtest/gtest.h>

#include <string>

#include "app/Splash.h"
#include "platform/BitmapFile.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace {

std::string Picture(int width, int height) {
    Bitmap b;
    b.width = width;
    b.height = height;
    b.pixels.assign(static_cast<std::size_t>(width * height), 0xFF336699u);
    return EncodeBitmap(b, 24);
}

TEST(SplashPicture, NamedAfterTheProgramByScreenDepth) {
    EXPECT_EQ(SplashPictureName("/opt/rv/bin/RV_Tune", 24), "/opt/rv/bin/RV_TuneFc.bmp");
    EXPECT_EQ(SplashPictureName("/opt/rv/bin/RV_Tune", 16), "/opt/rv/bin/RV_TuneFc.bmp");
    EXPECT_EQ(SplashPictureName("/opt/rv/bin/RV_Tune", 8), "/opt/rv/bin/RV_Tune.bmp");
    // An extension goes, a dot in a folder name does not.
    EXPECT_EQ(SplashPictureName("C:/Tool/RV_Tune.exe", 32), "C:/Tool/RV_TuneFc.bmp");
    EXPECT_EQ(SplashPictureName("/opt/rv.1/RV_Tune", 32), "/opt/rv.1/RV_TuneFc.bmp");
    EXPECT_EQ(SplashPictureName("/opt/rv/.RV", 4), "/opt/rv/.RV.bmp");
}

TEST(SplashTime, DefaultLimitAndWrongTypes) {
    TempDir dir;
    struct Case { const char* value; int expected; };
    const Case cases[] = {
        {"", 750},
        {"\"ShowSplashTime\"=dword:000007d0\n", 2000},
        {"\"ShowSplashTime\"=dword:00004e20\n", 10000},   // 20000: at most 10 s
        {"\"ShowSplashTime\"=dword:00002710\n", 10000},
        {"\"ShowSplashTime\"=dword:ffffffff\n", 10000},
        {"\"ShowSplashTime\"=dword:00000000\n", 0},
        {"\"ShowSplashTime\"=\"2000\"\n", 750},            // a string is no number of milliseconds
    };
    for (const Case& c : cases) {
        RegistryStore store(dir.Write("r.reg", TestRegistryText(c.value)));
        EXPECT_EQ(SplashDisplayTime(store), c.expected) << c.value;
    }
    RegistryStore missing(dir.File("none.reg"));
    EXPECT_EQ(SplashDisplayTime(missing), 750);
}

TEST(SplashPlan, ShowsAGoodPictureForItsTimeAndNothingElse) {
    TempDir dir;
    RegistryStore store(dir.Write("r.reg", TestRegistryText("\"ShowSplashTime\"=dword:0000012c\n")));
    const std::string exe = dir.File("RV_Tune");

    SplashPlan plan = PlanSplash(exe, 24, store);
    EXPECT_FALSE(plan.show);   // no picture
    EXPECT_EQ(plan.displayTime, 0);

    dir.Write("RV_Tune.bmp", Picture(40, 20));   // only the low-colour picture
    EXPECT_FALSE(PlanSplash(exe, 24, store).show);
    plan = PlanSplash(exe, 8, store);
    EXPECT_TRUE(plan.show);
    EXPECT_EQ(plan.picture.width, 40);
    EXPECT_EQ(plan.picture.height, 20);
    EXPECT_EQ(plan.displayTime, 300);

    std::string cut = Picture(40, 20);
    cut.resize(cut.size() - 1);
    dir.Write("RV_TuneFc.bmp", cut);
    plan = PlanSplash(exe, 24, store);
    EXPECT_FALSE(plan.show);
    EXPECT_TRUE(plan.picture.pixels.empty());
    EXPECT_EQ(plan.displayTime, 0);
}

TEST(SplashPlan, TheShippedPicturesAreReadable) {
    for (const char* name : {"RV_TuneFc.bmp", "RV_Tune.bmp"}) {
        Bitmap b;
        ASSERT_TRUE(ReadBitmapFile(std::string(RV_SOURCE_DIR) + "/app/gui/splash/" + name, b)) << name;
        EXPECT_EQ(b.width, 320);
        EXPECT_EQ(b.height, 160);
        EXPECT_EQ(b.bitCount, name[7] == 'F' ? 24 : 8);
    }
}

}  // namespace
