#include "app/DisplayOptions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

TEST(DisplayOptions, OnlyAOneTurnsAnOptionOn) {
    struct Case {
        const char* section;
        bool colourScale, stepDecimals;
    };
    const Case cases[] = {
        {"", false, false},
        {"[Value Display]\nColourScale=1\n", true, false},
        {"[Value Display]\nStepDecimals=1\nColourScale=0\n", false, true},
        {"[Value Display]\nColourScale=yes\nStepDecimals=2\n", false, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.Write("RV_Tune.INI", std::string("[RS232C]\nPORT=PORT1\n") + c.section);
        const DisplayOptions options = LoadDisplayOptions(ProfileFile(path));
        EXPECT_EQ(options.colourScale, c.colourScale) << c.section;
        EXPECT_EQ(options.stepDecimals, c.stepDecimals) << c.section;
    }
}

TEST(DisplayOptions, SavedOptionsReadBackAndKeepTheRestOfTheFile) {
    TempDir dir;
    const std::string before = "[RS232C]\nPORT=PORT1\n[PRECISION]\nY=1\n";
    const std::string path = dir.Write("RV_Tune.INI", before);
    ProfileFile settings(path);
    for (const DisplayOptions options : {DisplayOptions{true, false}, DisplayOptions{false, true},
                                         DisplayOptions{true, true}, DisplayOptions{false, false}}) {
        ASSERT_TRUE(SaveDisplayOptions(settings, options));
        const DisplayOptions back = LoadDisplayOptions(settings);
        EXPECT_EQ(back.colourScale, options.colourScale);
        EXPECT_EQ(back.stepDecimals, options.stepDecimals);
        EXPECT_EQ(dir.Read("RV_Tune.INI").rfind(before, 0), 0u);
    }
}

TEST(DisplayOptions, AFileThatCannotBeWrittenIsReported) {
    TempDir dir;
    ProfileFile settings(dir.File("missing-folder/RV_Tune.INI"));
    EXPECT_FALSE(SaveDisplayOptions(settings, {true, true}));
}
