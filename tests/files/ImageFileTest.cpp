#include "files/ImageFile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"

namespace {

struct ImageFileTest : ::testing::Test {
    TempDir dir;
    ImageFileData data;
    int Read(const std::string& text, const std::string& folder = "KST26A") {
        return ReadImageFile(dir.Write("image.obj", text), folder, data);
    }
};

TEST_F(ImageFileTest, ReadsTheLastRunOfRecords) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"S0 header", "S00600004844521B\nS10501000102F6\nS1050102030400\nS9030000FC\n"},
        {"data file", "[MACHINE]\nModel,kst26a\n[Data]\nCalib:\nS10501000102F6\nS1050102030400\n"
                      "S9030000FC\nFixed:\n"},
        {"later run wins", "S1050200AABBxx\nS9030000FC\n\nS10501000102F6\nS1050102030400\nS9030000FC"},
        {"CR LF", "S10501000102F6\r\nS1050102030400\r\nS9030000FC\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Read(c.text), 3) << c.name;
        EXPECT_EQ(data.start, 0x0100) << c.name;
        EXPECT_EQ(data.bytes, (std::vector<std::uint8_t>{1, 2, 3, 4})) << c.name;
    }
    EXPECT_FALSE(data.checksumOk);   // the second record's checksum byte is 00
    ASSERT_EQ(Read("S10501000102F6\nS10501020304F0\nS9030000FC\n"), 3);
    EXPECT_TRUE(data.checksumOk);
}

TEST_F(ImageFileTest, RefusesBrokenFiles) {
    struct Case {
        const char* name;
        std::string text;
        int result;
    };
    const Case cases[] = {
        {"no records", "[Data]\nnothing here\n", kImageFileNoRecords},
        {"other machine", "[Machine]\nModel,ABC01\nS10501000102F6\nS9030000FC\n", kImageFileOtherMachine},
        {"no S9", "S10501000102F6\nS1050102030400\n", kImageFileFormat},
        {"odd length", "S10501000102F6\nS10501020304E\nS9030000FC\n", kImageFileFormat},
        {"not hex", "S10501000102F6\nS1050102030G00\nS9030000FC\n", kImageFileFormat},
        {"short line after data", "S10501000102F6\nS1\nS9030000FC\n", kImageFileFormat},
        {"count past line", "S10501000102F6\nS1130102030400\nS9030000FC\n", kImageFileFormat},
        {"past 0xFFFF", "S107FFFE01020304F6\nS9030000FC\n", kImageFileFormat},
        {"one byte", "S104010001F9\nS9030000FC\n", kImageFileFormat},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.text), c.result) << c.name;
    EXPECT_EQ(ReadImageFile(dir.File("missing.obj"), "KST26A", data), kImageFileFormat);
}

}  // namespace
