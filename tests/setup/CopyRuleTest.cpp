// The copy rule on real files: a missing target is expanded and keeps its
// source's time; a newer target is the user's and stays; an older one or
// one of the same time is replaced; what cannot be compared or written is
// reported and left as it was.
#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/SzddCompress.h"
#include "setup/CopyRule.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

namespace {

void SetTime(const std::string& path, long long seconds, long nanoseconds = 0) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                                      {static_cast<time_t>(seconds), nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct timespec TimeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

struct CopyRuleTest : ::testing::Test {
    TempDir dir;
    RecordingPrompt prompt;
    std::string source;
    std::string target = dir.File("RV_Tune.ini");
    void SetUp() override {
        std::string packed;
        SzddCompress("[RS232C]\nSPEED=9600\n", 'i', packed);
        source = dir.Write("S1RV_Tune.in_", packed);
        SetTime(source, 1700000000, 500);
    }
    int Copy(CopyKind kind = CopyKind::kExpand, unsigned mode = 0666) {
        return CopyByRule(source, target, kind, mode, prompt);
    }
};

TEST_F(CopyRuleTest, AMissingTargetIsExpandedAndKeepsTheSourceTime) {
    EXPECT_EQ(Copy(), kCopied);
    EXPECT_EQ(dir.Read("RV_Tune.ini"), "[RS232C]\nSPEED=9600\n");
    EXPECT_EQ(TimeOf(target).tv_sec, 1700000000);
    EXPECT_EQ(TimeOf(target).tv_nsec, 500);
    EXPECT_TRUE(prompt.shown.empty());
    // Copied as it is, the packed bytes stay packed.
    target = dir.File("RV_Tune.stz");
    EXPECT_EQ(Copy(CopyKind::kPlain), kCopied);
    EXPECT_EQ(dir.Read("RV_Tune.stz"), dir.Read("S1RV_Tune.in_"));
}

TEST_F(CopyRuleTest, ANewerTargetStaysAndCountsAsDone) {
    dir.Write("RV_Tune.ini", "the technician's own settings");
    for (const auto& [seconds, nanoseconds] : {std::pair<long long, long>{1700000001, 0}, {1700000000, 501}}) {
        SetTime(target, seconds, nanoseconds);
        EXPECT_EQ(Copy(), kKeptNewer);
        EXPECT_EQ(dir.Read("RV_Tune.ini"), "the technician's own settings");
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(CopyRuleTest, AnOlderTargetOrOneOfTheSameTimeIsReplaced) {
    for (const auto& [seconds, nanoseconds] : {std::pair<long long, long>{1600000000, 0}, {1700000000, 499}, {1700000000, 500}}) {
        dir.Write("RV_Tune.ini", "old");
        SetTime(target, seconds, nanoseconds);
        EXPECT_EQ(Copy(), kCopied);
        EXPECT_EQ(dir.Read("RV_Tune.ini"), "[RS232C]\nSPEED=9600\n");
        EXPECT_EQ(TimeOf(target).tv_sec, 1700000000);
    }
}

TEST_F(CopyRuleTest, ReplacingAProgramKeepsItRunnable) {
    dir.Write("RV_Tune.ini", "old");
    ::chmod(target.c_str(), 0600);
    SetTime(target, 1600000000);
    EXPECT_EQ(Copy(CopyKind::kExpand, 0777), kCopied);
    struct stat info {};
    ::stat(target.c_str(), &info);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);
}

TEST_F(CopyRuleTest, ATargetWithoutItsSourceFailsTheTimeStampCheck) {
    dir.Write("RV_Tune.ini", "kept");
    source = dir.File("missing.in_");
    EXPECT_EQ(Copy(), kTimeStampError);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.Last().text, "Time stamp check error!");
    EXPECT_EQ(dir.Read("RV_Tune.ini"), "kept");
}

TEST_F(CopyRuleTest, FailedCopiesNameTheTargetAndChangeNothing) {
    // A read-only older target: not even the superuser replaces it.
    dir.Write("RV_Tune.ini", "read-only");
    SetTime(target, 1600000000);
    ::chmod(target.c_str(), 0444);
    EXPECT_EQ(Copy(), kCopyFailed);
    EXPECT_EQ(dir.Read("RV_Tune.ini"), "read-only");
    EXPECT_EQ(prompt.Last().text, "[" + target + "] Fail to copy file.");

    // A damaged packed file leaves no target behind.
    std::string packed = dir.Read("S1RV_Tune.in_");
    source = dir.Write("cut.in_", packed.substr(0, packed.size() - 3));
    target = dir.File("new.ini");
    EXPECT_EQ(Copy(), kCopyFailed);
    EXPECT_EQ(prompt.Last().text, "[" + target + "] Fail to copy file.");
    struct stat info {};
    EXPECT_NE(::lstat(target.c_str(), &info), 0);

    // A missing source with no target: a failed copy, not a time-stamp error.
    source = dir.File("missing.in_");
    EXPECT_EQ(Copy(), kCopyFailed);
    EXPECT_EQ(prompt.shown.size(), 3u);
}

TEST(FileTimeTest, OrderIsBySecondsThenNanoseconds) {
    EXPECT_TRUE(IsNewer({10, 0}, {9, 999999999}));
    EXPECT_TRUE(IsNewer({10, 2}, {10, 1}));
    EXPECT_FALSE(IsNewer({10, 1}, {10, 1}));
    EXPECT_FALSE(IsNewer({9, 999999999}, {10, 0}));
}

}  // namespace
