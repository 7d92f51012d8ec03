#pragma once
// A machine installation of our own in a temporary folder, for the data file
// tests and the rvtune process tests: a registry file naming machine TST01,
// its settings file, its definition and a calibration whose image holds two
// Free Maps (type 1 and type 2, each 2 THROT rows x 3 RPM columns) and the
// "Calib" constants.
#include <cstdint>
#include <string>
#include <vector>

#include "files/SRecord.h"
#include "model/Image.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRegistry.h"

namespace testinstall {

constexpr const char* kMachineFolder = "TST01";
constexpr std::uint16_t kDataStart = 0x1000;
constexpr std::uint16_t kDataEnd = 0x103F;

inline const char* Definition() {
    return "; test machine\n"
           "[Free Map]\n"
           "1000,10FF,0000\n"
           "Main,0,A,first\n"
           "THROT,0,100,x/2,x*2\n"
           "RPM,0,12750,x*50,x/50\n"
           "Fuel,0,25.5,x/10,x*10\n"
           "Twin,1,B\n"
           "THROT,0,100,x/2,x*2\n"
           "RPM,0,12750,x*50,x/50\n"
           "Spark,-10,117.5,x/2-10,(x+10)*2\n"
           "[Calib]\n"
           "1020,1,Idle Target,10,0,rpm,1\n"
           "1021,2,Limiter,0.5,0,rpm,1\n"
           "1023,1,Six Fields,1,0,unit\n"
           "[Fixed]\n"
           "1030,1,Version,1,0,,1\n";
}

// The image of the calibration: Main at 0x1000 (13 bytes), Twin at 0x100D
// (16 bytes), constants at 0x1020, checksum byte at 0x103F.
inline Image CalibrationImage() {
    Image image{};
    const std::vector<std::uint8_t> main = {2, 3, 0x00, 0xC8, 0x14, 0x28, 0x3C,
                                            10, 20, 30, 40, 50, 60};
    const std::vector<std::uint8_t> twin = {2, 3, 0x00, 0xC8, 0x14, 0x28, 0x3C, 0x1E, 0x32, 0x46,
                                            0x14, 0x18, 0x1C, 0x28, 0x2C, 0x30};
    std::uint16_t a = 0x1000;
    for (std::uint8_t b : main) image[a++] = b;
    for (std::uint8_t b : twin) image[a++] = b;
    image[0x1020] = 130;
    image[0x1021] = 0x5D;
    image[0x1022] = 0xC0;
    image[0x1023] = 7;
    image[0x1030] = 0x26;
    std::uint8_t sum = 0;
    for (std::uint32_t i = kDataStart; i < kDataEnd; ++i) sum = static_cast<std::uint8_t>(sum + image[i]);
    image[kDataEnd] = static_cast<std::uint8_t>(0x7F - sum);
    return image;
}

// A data file of the calibration with LF line ends, a comment and a section
// the program does not know.
inline std::string CalibrationFile(const std::string& model = kMachineFolder) {
    const Image image = CalibrationImage();
    std::string text = "; calibration of the test machine\n[Machine]\nModel," + model +
                       "\n\n[Title]\nRider,A. Tester\nTrack,North loop\n\n[Notes]\nkeep me,as I am\n"
                       "[Data]\n; records follow\nCalib:\n";
    for (std::uint32_t a = kDataStart; a <= kDataEnd; a += 16)
        text += MakeDataRecord(static_cast<std::uint16_t>(a), &image[a], 16) + "\n";
    text += "S9030000FC\nFixed:\n";
    return text;
}

using ::EnvOverride;

// The installation: <dir>/install/TST01/{RV_Tune.INI,RV_Tune.STZ},
// <dir>/registry.reg, <dir>/tmp for the expanded definition.
struct Install {
    TempDir dir;

    Install() {
        dir.Write("install/TST01/RV_Tune.INI", "[RS232C]\nPORT=PORT1\n[PRECISION]\nX=0\nY=1\nZ=1\n");
        dir.Write("install/TST01/RV_Tune.STZ", Definition());
        dir.Write("tmp/.keep", "");
        WriteRegistry(true);
    }
    // extraValues: whole value lines after the machine's.
    void WriteRegistry(bool withMachine, const std::string& extraValues = "") const {
        WriteTestRegistry(dir, dir.File("install"), "'99 Test Bike(TST01)", withMachine ? kMachineFolder : "",
                          extraValues);
    }
    std::string RegistryPath() const { return dir.File("registry.reg"); }
    std::string TmpPath() const { return dir.File("tmp"); }
};

}  // namespace testinstall
