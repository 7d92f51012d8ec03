#include "app/LaunchOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Args = std::vector<std::string>;

TEST(LaunchOptionsTest, OwnOptionsAreTakenOffAndTheFileNamesPassOnInOrder) {
    const LaunchOptions options = ParseLaunchOptions({"in.qsd", "--first-paint-exit", "out.txt"});
    EXPECT_TRUE(options.firstPaintExit);
    EXPECT_FALSE(options.help);
    // The two names of the conversion stay two names.
    EXPECT_EQ(options.rest, (Args{"in.qsd", "out.txt"}));
}

TEST(LaunchOptionsTest, DoubleDashEndsTheOptionsSoAFileMayLookLikeOne) {
    const LaunchOptions options = ParseLaunchOptions({"--", "--first-paint-exit", "--help"});
    EXPECT_FALSE(options.firstPaintExit);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.rest, (Args{"--first-paint-exit", "--help"}));
}

TEST(LaunchOptionsTest, OnlyExactOptionNamesCount) {
    // A near miss is a file name for the application, never a silent option.
    const LaunchOptions options = ParseLaunchOptions({"--first-paint", "--HELP", "-x"});
    EXPECT_FALSE(options.firstPaintExit);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.rest, (Args{"--first-paint", "--HELP", "-x"}));
    EXPECT_TRUE(ParseLaunchOptions({"-h"}).help);
}

TEST(LaunchOptionsTest, TheUsageDocumentsTheFirstPaintOption) {
    const std::string usage = kLaunchUsage;
    EXPECT_NE(usage.find(launch::kFirstPaintExit), std::string::npos);
    EXPECT_NE(usage.find("first paint after"), std::string::npos);
    EXPECT_NE(usage.find("RV_TUNE_OPEN"), std::string::npos);
}
