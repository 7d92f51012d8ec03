#pragma once
// The machine definition: found and expanded once at start-up into the
// definition lines, interpreted against the image on every data file load.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/ConstantDef.h"
#include "model/DiagItem.h"
#include "model/Image.h"

struct Calibration;
struct MachineConfig;
struct RegistrySettings;
class LineStore;
class UserPrompt;

// The load was abandoned after its message was shown; the command that
// started it ends here.
constexpr int kAbandoned = -2;

namespace defname {
constexpr const char* kFreeMap = "Free Map";
constexpr const char* kConfigMap = "Config Map";
constexpr const char* kMultiMap = "Multi Map";
constexpr const char* kRs232c = "RS232C";
constexpr const char* kDiagCom = "Diag.Com";
constexpr const char* kIndividualInformation = "Individual Information";
constexpr const char* kCalib = "Calib";
constexpr const char* kFixed = "Fixed";
constexpr const char* kRecognitionCode = "RecognitionCode";
constexpr const char* kExtension = ".STZ";
constexpr const char* kTempFileName = "mzost0.tmp";
}  // namespace defname

// Messages of the start-up load. Every one is shown with the stop icon and
// the program title as caption, and the program then ends with exit code 0.
namespace deftext {
constexpr const char* kSetupFileMissing = "Setup file is not exist.";
// The temporary folder query; the host's query cannot fail, the texts stay
// for the day one can.
constexpr const char* kTempFolderQuery = "Setup file Read Error(Create TemporaryFile:1-%d)";
constexpr const char* kTempFolderLonger = "Setup file Read Error(Create TemporaryFile:2-%d)";
// errno, temporary folder
constexpr const char* kTempFileDelete = "Setup file Read Error(Create TemporaryFile:3-%d)\n[%s]";
// errno (or the negative LZ result when there is none), found file, temporary folder
constexpr const char* kExpand = "Setup file Read Error(Create TemporaryFile:4-%d)\n%s ->%s";
// found file; an expanded definition beyond kMaxInputFileSize (16 MB)
constexpr const char* kTooLarge = "Setup file Read Error(larger than 16 MB)\n%s";
}  // namespace deftext

// Start-up: finds "<exeName>.STZ" in the registry's setting folder, expands
// it into the temporary file (its path into tempPath) and appends its lines
// to lines. false when the program must end: the message has been shown and
// the exit code is 0.
bool LoadDefinition(const RegistrySettings& registry, const std::string& exeName, std::string& tempPath,
                    LineStore& lines, UserPrompt& prompt);

// Splits the bytes of an expanded definition into lines and appends them all,
// comments and blank lines included: lines end at a line feed, carriage
// returns are dropped anywhere, a last line without a line feed is kept when
// it is not empty. Other bytes (NUL included) are kept as they are.
void AppendDefinitionText(std::string_view bytes, LineStore& lines);
// The same, reading the file in pieces; false when it cannot be opened or
// holds more than kMaxInputFileSize bytes (nothing is appended then). A read
// error ends the reading and keeps the lines read so far.
bool AppendDefinitionFile(const std::string& path, LineStore& lines);

// After a data file filled the image: maps (and the map link groups),
// "RS232C" overrides, "Diag.Com" items, "Individual Information".
// 0, or kAbandoned after the map section's message. A map the section could
// not lay out after the first is warned about (exclamation icon) and the
// load goes on with the maps before it.
int ApplyDefinition(Calibration& calibration, MachineConfig& machine, UserPrompt& prompt);
// The same against a given image (the calibration's own when it has one).
int ApplyDefinition(Calibration& calibration, MachineConfig& machine, const Image& image, UserPrompt& prompt);

// The map section alone: rebuilds calibration.maps, sets the definition kind and the
// map area start. 0, or the number of the message that abandons the load
// (1514, 1523, 1515). After a complete map, an error ends the section and
// keeps the maps read so far; refusal (when given) then gets the warning
// that names the map not loaded and why, and stays empty otherwise.
int LoadMapSection(Calibration& calibration, const Image& image, std::string* refusal = nullptr);
// "Multi Map": the maps the definition links, into calibration.mapLink.
void LoadMultiMapSection(Calibration& calibration);
// "RS232C" of the definition's lines: overrides the serial codes the
// settings file gave.
void ApplyRs232cSection(const LineStore& lines, MachineConfig& machine);
// "Diag.Com": the monitor items in file order; bad lines are skipped.
std::vector<DiagItem> ReadDiagItems(const LineStore& lines);
bool ParseDiagLine(std::string line, DiagItem& item);
// "Individual Information", else the machine name: command set selector and,
// when the registry holds no EcuCheckResult, the expected identification.
void ApplyIndividualInformation(const LineStore& lines, MachineConfig& machine);

// Constants of "Calib" and "Fixed". Splits a line into its seven fields (the
// seventh is Calc; anything after it is left to the constants editor) and
// returns how many of the seven the line has.
int SplitConstantLine(std::string line, ConstantDef& constant);
// A line with all seven fields, as the export takes them.
bool ParseConstantLine(std::string line, ConstantDef& constant);

// A "Calib" constant with its numbers read.
struct CalibConstant {
    std::uint16_t address = 0;
    int byteCount = 0;
    std::string contents;
    float lsb = 0.0F;       // read as "%f" reads it: 0 for a text without a number
    float offset = 0.0F;
    std::string unit;
    int calc = 1;           // 1 when the field is missing, empty or not a number
};

enum class ConstantLookup { kFound, kNotFound, kAddressNotHex, kSizeDiffers };
// The first "Calib" line whose Contents equals contents exactly decides: its
// Address must be hex within the image and its Byte must equal byteCount.
ConstantLookup FindCalibConstant(const LineStore& lines, std::string_view contents, int byteCount,
                                 CalibConstant& out);
