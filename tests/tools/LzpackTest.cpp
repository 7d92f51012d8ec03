// Runs the lzpack program and checks its output against the Debian msexpand
// tool, the independent reader of the format.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

const std::string kLzpack = std::string(RV_BIN_DIR) + "/lzpack";
const std::string kData = std::string(RV_TEST_DATA_DIR) + "/lz/";

// Runs a shell command; its exit status, or -1 when it did not exit normally.
int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        struct stat info {};
        if (end > start && ::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            (info.st_mode & S_IXUSR)) {
            return candidate;
        }
        start = end + 1;
    }
    return "";
}

std::string Random(std::size_t size) {
    std::mt19937 generator(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

struct LzpackTest : ::testing::Test {
    TempDir dir;
    std::string Err() const { return dir.File("stderr.txt"); }
    int Lzpack(const std::string& arguments) {
        return RunShell(kLzpack + " " + arguments + " >" + dir.File("stdout.txt") + " 2>" + Err());
    }
};

TEST_F(LzpackTest, MsexpandRestoresEveryFileByteForByte) {
    const std::string msexpand = FindOnPath("msexpand");
    if (msexpand.empty()) GTEST_SKIP() << "msexpand is not installed";
    std::string repetitive;
    while (repetitive.size() < 70000) repetitive += "DATA,0,255,%.2f,X*0.5-16,1,C060\n";
    const struct {
        const char* name;
        std::string data;
    } cases[] = {
        {"empty.dat", ""},
        {"one.txt", "1"},
        {"short.txt", "RPM 9500"},   // shorter than any useful reference
        {"random.bin", Random(5000)},
        {"runs.bin", std::string(4100, '\0') + std::string(40, ' ') + "end"},
        {"repetitive.txt", repetitive},
    };
    for (const auto& c : cases) {
        const std::string source = dir.Write(c.name, c.data);
        ASSERT_EQ(Lzpack(source + " " + dir.File("packed")), 0) << c.name;
        ASSERT_EQ(RunShell(msexpand + " <" + dir.File("packed") + " >" + dir.File("back") + " 2>/dev/null"), 0)
            << c.name;
        EXPECT_TRUE(dir.Read("back") == c.data) << c.name;
    }
    for (const char* name : {"definition.stz", "allbytes.bin"}) {
        ASSERT_EQ(Lzpack(kData + name + " " + dir.File("packed")), 0) << name;
        ASSERT_EQ(RunShell(msexpand + " <" + dir.File("packed") + " >" + dir.File("back") + " 2>/dev/null"), 0);
        EXPECT_EQ(RunShell("cmp -s " + dir.File("back") + " " + kData + name), 0) << name;
    }
}

TEST_F(LzpackTest, ADefinitionTextShrinksByAtLeastAThird) {
    ASSERT_EQ(Lzpack(kData + "definition.stz " + dir.File("RV_Tune.ST_")), 0);
    struct stat original {}, packed {};
    ASSERT_EQ(::stat((kData + "definition.stz").c_str(), &original), 0);
    ASSERT_EQ(::stat(dir.File("RV_Tune.ST_").c_str(), &packed), 0);
    EXPECT_LE(packed.st_size * 3, original.st_size * 2)
        << packed.st_size << " of " << original.st_size << " bytes";
}

TEST_F(LzpackTest, DefaultsToThePackagedNameAndRecordsTheLostCharacter) {
    dir.Write("RV_Tune.STZ", "[Calib]\nD000,1,Rev Limit,50.000000,0.000000,rpm,0\n");
    ASSERT_EQ(Lzpack(dir.File("RV_Tune.STZ")), 0);
    const std::string packed = dir.Read("RV_Tune.ST_");
    ASSERT_GE(packed.size(), 14u);
    EXPECT_EQ(packed.substr(0, 4), "SZDD");
    EXPECT_EQ(packed[9], 'Z');

    // A freely chosen name lost no character.
    ASSERT_EQ(Lzpack(dir.File("RV_Tune.STZ") + " " + dir.File("packed.bin")), 0);
    EXPECT_EQ(dir.Read("packed.bin")[9], '\0');
}

TEST_F(LzpackTest, ExitCodes) {
    EXPECT_EQ(Lzpack("--help"), 0);
    EXPECT_NE(dir.Read("stdout.txt").find("Usage: lzpack IN [OUT]"), std::string::npos);

    EXPECT_EQ(Lzpack(""), 2);
    EXPECT_EQ(Lzpack("a b c"), 2);
    EXPECT_EQ(Lzpack("--fast a"), 2);
    EXPECT_NE(dir.Read("stderr.txt").find("Usage"), std::string::npos);

    EXPECT_EQ(Lzpack(dir.File("missing.STZ")), 1);
    EXPECT_NE(dir.Read("stderr.txt").find("missing.STZ"), std::string::npos);
    EXPECT_EQ(Lzpack(kData + "definition.stz " + dir.File("no/folder/x_")), 1);
    // A name already ending in "_" would be packed over itself.
    dir.Write("done.ex_", "x");
    EXPECT_EQ(Lzpack(dir.File("done.ex_")), 1);
    EXPECT_EQ(dir.Read("done.ex_"), "x");
}

}  // namespace
