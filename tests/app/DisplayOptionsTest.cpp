#include "app/DisplayOptions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ProfileFile.h"
#include "tests/support/TempDir.h"

// Off without the section or with any value but 1; saved options read back
// and leave the rest of the file as it was.
TEST(DisplayOptions, KeptInTheirOwnSectionBesideTheRestOfTheFile) {
    TempDir dir;
    const std::string before = "[RS232C]\nPORT=PORT1\n[PRECISION]\nY=1\n";
    ProfileFile settings(dir.Write("RV_Tune.INI", before + "[Value Display]\nColourScale=yes\n"));
    EXPECT_FALSE(LoadDisplayOptions(settings).colourScale);
    EXPECT_FALSE(LoadDisplayOptions(settings).stepDecimals);
    for (const DisplayOptions options : {DisplayOptions{true, false}, DisplayOptions{false, true}}) {
        ASSERT_TRUE(SaveDisplayOptions(settings, options));
        EXPECT_EQ(LoadDisplayOptions(settings).colourScale, options.colourScale);
        EXPECT_EQ(LoadDisplayOptions(settings).stepDecimals, options.stepDecimals);
        EXPECT_EQ(dir.Read("RV_Tune.INI").rfind(before, 0), 0u);
    }
    ProfileFile nowhere(dir.File("missing-folder/RV_Tune.INI"));
    EXPECT_FALSE(SaveDisplayOptions(nowhere, {true, true}));
}
