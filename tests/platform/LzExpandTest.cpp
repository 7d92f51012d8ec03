#include "platform/LzExpand.h"
#include "platform/SzddCompress.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(RV_TEST_DATA_DIR) + "/lz/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Header(char mode, std::uint32_t length) {
    std::string header(lz::kSignature, sizeof lz::kSignature);
    header += mode;
    header += '\0';
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(length >> shift & 0xFF);
    return header;
}

std::string Random(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string Pack(const std::string& data, char missingChar = '\0') {
    std::string packed;
    EXPECT_EQ(SzddCompress(data, missingChar, packed), kLzOk);
    return packed;
}

// Files in the folder other than the ones named: a failed expansion must
// leave no temporary behind.
std::vector<std::string> Leftovers(const TempDir& dir, const std::vector<std::string>& expected) {
    std::vector<std::string> extra;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) extra.push_back(name);
    }
    return extra;
}

// Files made by the Debian mscompress tool, next to their originals: a
// definition text longer than the ring, all 256 byte values, and an empty
// file (which that tool pads with one literal past the declared length).
TEST(LzExpandTest, ExpandsFilesMadeByMscompress) {
    TempDir dir;
    for (const char* name : {"definition.stz", "allbytes.bin", "empty.dat"}) {
        const std::string original = ReadData(name);
        const std::string packed = ReadData(std::string(name) + "_");
        ASSERT_TRUE(IsSzdd(packed)) << name;

        std::string expanded = "old";
        EXPECT_EQ(LzExpandBuffer(packed, expanded), kLzOk) << name;
        EXPECT_EQ(expanded, original) << name;

        const std::string target = dir.File(name);
        int systemError = -1;
        EXPECT_EQ(LzExpandFile(std::string(RV_TEST_DATA_DIR) + "/lz/" + name + "_", target,
                               &systemError),
                  kLzOk)
            << name;
        EXPECT_EQ(systemError, 0);
        EXPECT_EQ(dir.Read(name), original) << name;
    }
    EXPECT_EQ(ReadData("allbytes.bin").size(), 1024u);   // the data files are really there
}

TEST(LzExpandTest, PackedDataExpandsToTheSameBytes) {
    std::string repetitive;
    while (repetitive.size() < 9000) repetitive += "THROT,0,100,%.1f,X*100/255,1,C040\r\n";
    std::string longRuns = std::string(19, 'a') + std::string(18, 'b') + std::string(4100, '\0') +
                           "x" + std::string(5000, 'y');
    const struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"empty", ""},
        {"one byte", "Z"},
        {"short, below a reference", "ab"},
        {"leading blanks", "      padded"},
        {"random 10000", Random(10000, 1)},
        {"random 4097", Random(4097, 2)},
        {"repetitive text", repetitive},
        {"runs across the ring size", longRuns},
        {"definition", ReadData("definition.stz")},
        {"all byte values", ReadData("allbytes.bin")},
    };
    for (const auto& c : cases) {
        const std::string packed = Pack(c.data, 'Q');
        ASSERT_GE(packed.size(), lz::kHeaderSize) << c.what;
        EXPECT_EQ(packed[8], 'A') << c.what;
        EXPECT_EQ(packed[9], 'Q') << c.what;
        std::string expanded;
        EXPECT_EQ(LzExpandBuffer(packed, expanded), kLzOk) << c.what;
        EXPECT_TRUE(expanded == c.data) << c.what;
    }
}

TEST(LzExpandTest, PackingReallyUsesReferences) {
    const std::string zeros(30000, '\0');
    EXPECT_LT(Pack(zeros).size(), zeros.size() / 8);   // 18 bytes per two-byte reference
    const std::string text = ReadData("definition.stz");
    EXPECT_LE(Pack(text).size() * 3, text.size() * 2);
    // Random data cannot shrink; a literal costs one bit of flags more.
    const std::string noise = Random(8000, 3);
    EXPECT_LE(Pack(noise).size(), lz::kHeaderSize + noise.size() + noise.size() / 8 + 1);
}

TEST(LzExpandTest, FileRoundTripKeepsTheMissingCharacter) {
    TempDir dir;
    const std::string text = ReadData("definition.stz");
    const std::string source = dir.Write("RV_Tune.STZ", text);
    int systemError = -1;
    ASSERT_EQ(SzddCompressFile(source, dir.File("RV_Tune.ST_"), 'Z', &systemError), kLzOk);
    EXPECT_EQ(systemError, 0);
    EXPECT_EQ(dir.Read("RV_Tune.ST_")[9], 'Z');
    ASSERT_EQ(LzExpandFile(dir.File("RV_Tune.ST_"), dir.File("mzost0.tmp")), kLzOk);
    EXPECT_EQ(dir.Read("mzost0.tmp"), text);
    EXPECT_EQ(PackagedName("dist/RV_Tune.STZ"), "dist/RV_Tune.ST_");
    EXPECT_EQ(PackagedName(""), "");
}

// The stream is hand-made here, so the test pins the ring rules down rather
// than trusting the packer to agree with the expander.
TEST(LzExpandTest, ReferencesReadTheBlankFilledRingAndMayOverlap) {
    std::string stream = Header('A', 3 + 5 + 10);
    stream += static_cast<char>(0x07);   // three literals, then references
    stream += "abc";
    // Position 0xFF0, where "abc" went, 10 bytes: the reference overlaps the
    // bytes it writes and so repeats "abc".
    stream += '\xF0';
    stream += static_cast<char>(0xF0 | (10 - 3));
    // Position 0x000, 5 bytes: not written yet, so blanks.
    stream += '\x00';
    stream += static_cast<char>(0x00 | (5 - 3));
    std::string expanded;
    ASSERT_EQ(LzExpandBuffer(stream, expanded), kLzOk);
    EXPECT_EQ(expanded, "abcabcabcabca     ");
}

TEST(LzExpandTest, EveryCutOfACompressedFileIsAnError) {
    const std::string packed = ReadData("definition.stz_");
    ASSERT_GT(packed.size(), 100u);
    TempDir dir;
    dir.Write("RV_Tune.stz", "kept");
    for (std::size_t cut = 1; cut < packed.size(); ++cut) {
        std::string expanded = "x";
        const int result = LzExpandBuffer(packed.substr(0, cut), expanded);
        EXPECT_EQ(result, kLzTruncated) << "cut at " << cut;
        EXPECT_TRUE(expanded.empty()) << "cut at " << cut;
    }
    // The same through files, at a spread of positions: the target keeps its
    // old content and nothing else is left in the folder.
    for (std::size_t cut = 1; cut < packed.size(); cut += 37) {
        const std::string source = dir.Write("cut.st_", packed.substr(0, cut));
        EXPECT_EQ(LzExpandFile(source, dir.File("RV_Tune.stz")), kLzTruncated) << "cut at " << cut;
    }
    EXPECT_EQ(dir.Read("RV_Tune.stz"), "kept");
    EXPECT_TRUE(Leftovers(dir, {"RV_Tune.stz", "cut.st_"}).empty());
}

// Flipped bytes in the token stream give wrong data but never more than the
// header declares (run under the sanitizers this also checks the bounds).
TEST(LzExpandTest, DamagedStreamsStayWithinTheDeclaredLength) {
    const std::string packed = ReadData("definition.stz_");
    std::mt19937 generator(11);
    for (int round = 0; round < 500; ++round) {
        std::string damaged = packed;
        for (int flips = 0; flips < 4; ++flips) {
            const std::size_t at = lz::kHeaderSize + generator() % (damaged.size() - lz::kHeaderSize);
            damaged[at] = static_cast<char>(generator() & 0xFF);
        }
        std::string expanded;
        const int result = LzExpandBuffer(damaged, expanded);
        if (result == kLzOk) {
            EXPECT_EQ(expanded.size(), ReadData("definition.stz").size());
        } else {
            EXPECT_TRUE(result == kLzTruncated || result == kLzCorrupt) << result;
            EXPECT_TRUE(expanded.empty());
        }
    }
}

TEST(LzExpandTest, DamagedHeadersAreRefused) {
    const std::string body = Pack("RPM,0,14000,%.0f,X*50,1,C050\r\n").substr(lz::kHeaderSize);
    const std::uint32_t length = 30;
    std::string expanded;

    EXPECT_EQ(LzExpandBuffer(Header('B', length) + body, expanded), kLzCorrupt) << "unknown mode";
    EXPECT_EQ(LzExpandBuffer(Header('A', length + 1) + body, expanded), kLzTruncated) << "too long";
    EXPECT_EQ(LzExpandBuffer(Header('A', 0xFFFFFFFFu) + body, expanded), kLzTruncated)
        << "absurd length";
    // Declared shorter by more than the last group can pad: a whole group left.
    EXPECT_EQ(LzExpandBuffer(Header('A', 2) + body, expanded), kLzCorrupt) << "too short";
    EXPECT_EQ(LzExpandBuffer(Header('A', length), expanded), kLzTruncated) << "header only";
    EXPECT_EQ(LzExpandBuffer(Header('A', length) + body, expanded), kLzOk);

    // A file cut inside its signature is a compressed file cut short.
    EXPECT_EQ(LzExpandBuffer(std::string(lz::kSignature, 5), expanded), kLzTruncated);
}

TEST(LzExpandTest, AFileWithoutTheSignatureIsCopiedUnchanged) {
    TempDir dir;
    const std::string cases[] = {
        "",
        "[Free Map]\r\nC000,C7FF,0040\r\n",
        std::string("SZDD\x88\xF0\x27\x34rest", 12),   // last signature byte differs
        "SZDX",
        Random(70000, 4),
    };
    int index = 0;
    for (const auto& data : cases) {
        std::string copied = "old";
        EXPECT_EQ(LzExpandBuffer(data, copied), kLzOk) << index;
        EXPECT_TRUE(copied == data) << index;

        const std::string source = dir.Write("plain" + std::to_string(index), data);
        const std::string target = "copy" + std::to_string(index);
        EXPECT_EQ(LzExpandFile(source, dir.File(target)), kLzOk) << index;
        EXPECT_TRUE(dir.Read(target) == data) << index;
        ++index;
    }
}

TEST(LzExpandTest, FileErrorsCarryTheSystemError) {
    TempDir dir;
    int systemError = 0;
    EXPECT_EQ(LzExpandFile(dir.File("missing.st_"), dir.File("out"), &systemError), kLzReadError);
    EXPECT_EQ(systemError, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));

    const std::string source = dir.Write("RV_Tune.st_", ReadData("definition.stz_"));
    EXPECT_EQ(LzExpandFile(source, dir.File("no/such/folder/out"), &systemError), kLzWriteError);
    EXPECT_EQ(systemError, ENOENT);

    // A folder as source opens but cannot be read.
    EXPECT_EQ(LzExpandFile(dir.Path(), dir.File("out"), &systemError), kLzReadError);
    EXPECT_EQ(systemError, EISDIR);
    EXPECT_TRUE(Leftovers(dir, {"RV_Tune.st_"}).empty());

    EXPECT_EQ(SzddCompressFile(dir.File("missing"), dir.File("out"), '\0', &systemError),
              kLzReadError);
    EXPECT_EQ(systemError, ENOENT);
}

TEST(LzExpandTest, ErrorTexts) {
    EXPECT_EQ(LzErrorText(kLzReadError), "Read error.");
    EXPECT_EQ(LzErrorText(kLzWriteError), "Write error.");
    EXPECT_EQ(LzErrorText(kLzNoMemory), "Insufficient memory.");
    EXPECT_NE(LzErrorText(kLzTruncated), LzErrorText(kLzCorrupt));
    EXPECT_EQ(LzErrorText(12345), "Unknown error.");
    EXPECT_EQ(LzFailureText("/tmp/mzost0.tmp", kLzWriteError), "[/tmp/mzost0.tmp] Write error.");
}

}  // namespace
