// The batch conversion in process: load, export, and the messages on failure.
#include "app/BatchConversion.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "tests/files/TestInstall.h"
#include "tests/support/InstalledApp.h"

namespace {

struct BatchConversionTest : ::testing::Test, InstalledApp {
    BatchConversionTest() : InstalledApp({"cal.qsd", "out.txt"}) {}
    void SetUp() override {
        ASSERT_TRUE(app.InitInstance(host));
        ASSERT_TRUE(host.batchPosted);
    }
    void TearDown() override { app.ExitInstance(); }
};

TEST_F(BatchConversionTest, WritesTheExportOfTheFirstPartToTheSecond) {
    install.dir.Write("cal.qsd", testinstall::CalibrationFile());
    EXPECT_EQ(RunBatchConversion(app, prompt), 0);
    EXPECT_TRUE(prompt.shown.empty());
    const std::string text = install.dir.Read("out.txt");
    EXPECT_NE(text.find("\r\nFMDataName,Twin\r\nFMXType,1\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 7), "[end]\r\n");
}

TEST_F(BatchConversionTest, FailuresEndWithTheirMessageAndStatusOne) {
    struct Case {
        const char* name;
        std::string file;            // empty: no input file at all
        std::string output;          // empty: the usual output path
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"missing input", "", "", {str::kOpenFailed}},
        {"other machine", testinstall::CalibrationFile("ABC02"), "", {str::kOpenFailed}},
        {"data error", "[Data]\nCalib:\n", "", {str::kDataSectionEmpty, str::kOpenFailed}},
        {"unwritable output", testinstall::CalibrationFile(), "no/such/folder/out.txt", {str::kWriteFailed}},
    };
    for (const Case& c : cases) {
        prompt.shown.clear();
        ::unlink(install.dir.File("cal.qsd").c_str());
        if (!c.file.empty()) install.dir.Write("cal.qsd", c.file);
        if (!c.output.empty()) app.secondPart = install.dir.File(c.output);
        EXPECT_EQ(RunBatchConversion(app, prompt), 1) << c.name;
        ASSERT_EQ(prompt.shown.size(), c.messages.size()) << c.name;
        for (std::size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_EQ(prompt.shown[i].text, Str(c.messages[i])) << c.name;
        EXPECT_EQ(prompt.Last().icon, PromptIcon::kExclamation) << c.name;
        EXPECT_NE(::access(install.dir.File("out.txt").c_str(), F_OK), 0) << c.name;
    }
}

}  // namespace
