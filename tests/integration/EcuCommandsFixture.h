#pragma once
// The machine, calibrations and helpers of the tests that run rvtune's ECU
// commands as processes against ecusim over a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "files/ImageFile.h"
#include "files/SRecord.h"
#include "tests/files/TestInstall.h"
#include "tests/support/Ecusim.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace ecutest {

using testinstall::kDataEnd;
using testinstall::kDataStart;

inline const std::string kRvtune = std::string(RV_BIN_DIR) + "/rvtune";
// A safety net against hangs only: a fault ends in a few seconds with the
// short time-outs of the settings below.
constexpr auto kCommandBound = std::chrono::seconds(20);

using Outcome = ProcessResult;

// The machine: the test definition with monitor items, result messages and
// an identification, and settings with short time-outs (TIMEOUT 20: a byte
// waits 20 ms, a silence ends a wait after 20 ticks, 2 s).
struct Install : testinstall::Install {
    Install() {
        dir.Write("install/TST01/RV_Tune.INI",
                  "[RS232C]\nSPEED=19200\nXFLLOW=NO\nPORT=PORT1\nTIMEOUT=20\nWAITTIME=10\nRETRY=1\nECRETRY=0\n"
                  "[DIAGSELECT]\nSELECT0=Gear\nSELECT1=\n");
        dir.Write("install/TST01/RV_Tune.STZ",
                  std::string(testinstall::Definition()) +
                      "[Individual Information]\nRecognitionCode,BM1\n"
                      "[Diag.Com]\nD,01,Engine Speed,rpm,2,1,0\nD,21,Throttle,%,1,0.5,0\nD,22,Gear,-,1,1,0\n"
                      "[Error Message]\nE,The ECU refused the data.\n");
        WriteRegistry(true, "\"ReadEcuNum\"=dword:00000004\n");
    }
};

// The calibration with other map cells and constants (the map layout
// stays) and a right checksum byte.
inline Image ChangedImage() {
    Image image = testinstall::CalibrationImage();
    for (std::uint32_t a = kDataStart + 7; a < kDataStart + 13; ++a) image[a] = static_cast<std::uint8_t>(image[a] + 0x21);
    for (std::uint32_t a = 0x1020; a < kDataEnd; ++a) image[a] = static_cast<std::uint8_t>(image[a] + 0x21);
    std::uint8_t sum = 0;
    for (std::uint32_t a = kDataStart; a < kDataEnd; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kDataEnd] = static_cast<std::uint8_t>(0x7F - sum);
    return image;
}

inline std::string DataFile(const Image& image) {
    std::string text = "[Machine]\nModel,TST01\n[Data]\nCalib:\n";
    for (std::uint32_t a = kDataStart; a <= kDataEnd; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    return text + "S9030000FC\nFixed:\n";
}

inline std::vector<std::uint8_t> Range(const Image& image) {
    return std::vector<std::uint8_t>(image.begin() + kDataStart, image.begin() + kDataEnd + 1);
}

struct EcuCommandsTest : ::testing::Test {
    Install install;
    std::unique_ptr<EcusimProcess> sim;
    std::string original;   // the calibration as a data file
    std::string changed;    // every byte different
    std::string saved;      // what ecusim saves at its end

    void SetUp() override {
        original = install.dir.Write("cal.qsd", DataFile(testinstall::CalibrationImage()));
        changed = install.dir.Write("changed.qsd", DataFile(ChangedImage()));
        saved = install.dir.File("saved.s19");
    }
    void StartEcu(const std::string& image, std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.end(), {"--image", image, "--save", saved});
        sim = std::make_unique<EcusimProcess>(install.dir.File("ecu"), arguments, install.dir.File("ecusim.out"));
        ASSERT_TRUE(sim->Ready()) << "ecusim did not come up";
    }
    Outcome Tune(std::vector<std::string> args) {
        args.insert(args.begin(), kRvtune);
        return RunProcess(args,
                          {"RV_TUNE_REGISTRY=" + install.RegistryPath(), "TMPDIR=" + install.TmpPath(),
                           "RV_TUNE_COM1=" + sim->Link()},
                          kCommandBound);
    }
    // The memory ecusim holds at its end, over the calibration's range.
    std::vector<std::uint8_t> EcuMemory() {
        EXPECT_EQ(sim->Stop(), 0);
        ImageFileData data;
        EXPECT_GT(ReadImageFile(saved, "", data), 0);
        EXPECT_EQ(data.start, kDataStart);
        return data.bytes;
    }
    std::vector<std::uint8_t> FileRange(const std::string& path) {
        ImageFileData data;
        EXPECT_GT(ReadImageFile(path, "TST01", data), 0) << path;
        EXPECT_EQ(data.start, kDataStart);
        return data.bytes;
    }
};

// The calibration with one cell of map Main doubled (row 1 column 2: 20 -> 40).
inline Image OneCellDoubled() {
    Image image = testinstall::CalibrationImage();
    image[kDataStart + 8] = static_cast<std::uint8_t>(image[kDataStart + 8] * 2);
    std::uint8_t sum = 0;
    for (std::uint32_t a = kDataStart; a < kDataEnd; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    image[kDataEnd] = static_cast<std::uint8_t>(0x7F - sum);
    return image;
}

// The lines of a text.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The restore command a failed write prints on a line of its own.
inline std::string RestoreCommand(const std::string& err) {
    for (const std::string& line : Lines(err))
        if (line.compare(0, 15, "rvtune restore ") == 0) return line;
    return "";
}

// The operation and result columns of rvtune log --csv.
inline std::vector<std::string> OperationsAndResults(const std::string& csv) {
    std::vector<std::string> rows;
    for (const std::string& line : Lines(csv)) {
        std::vector<std::string> fields;
        std::string rest = line;
        for (std::size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1))
            fields.push_back(rest.substr(0, comma));
        fields.push_back(rest);
        if (fields.size() >= 4) rows.push_back(fields[2] + " " + fields[3]);
    }
    return rows;
}

}  // namespace ecutest
