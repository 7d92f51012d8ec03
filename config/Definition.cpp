#include "config/Definition.h"

#include <algorithm>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <system_error>

#include "config/MachineConfig.h"
#include "model/Calibration.h"
#include "model/Strings.h"
#include "config/DefinitionFields.h"
#include "model/Equation.h"
#include "model/LineStore.h"
#include "platform/FileIo.h"
#include "platform/LzExpand.h"
#include "platform/PathSearch.h"
#include "platform/UserPrompt.h"
#include "platform/TextFormat.h"

using namespace deffield;

namespace {


void StopMessage(UserPrompt& prompt, const std::string& text) {
    prompt.Message(text, text::kProgramTitle, PromptIcon::kStop);
}

// Cuts bytes into lines: a line ends at a line feed, carriage returns are
// dropped wherever they stand.
class LineSplitter {
public:
    explicit LineSplitter(LineStore& lines) : lines_(lines) {}
    void Feed(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n') {
                lines_.Append(std::move(current_));
                current_.clear();
            } else if (c != '\r') {
                current_.push_back(c);
            }
        }
    }
    // A last line without its line feed counts when it is not empty.
    void Finish() {
        if (!current_.empty()) lines_.Append(std::move(current_));
        current_.clear();
    }

private:
    LineStore& lines_;
    std::string current_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The code table of one "RS232C" key: values in upper case.
struct CodeText {
    const char* text;
    int code;
};

void OverrideCode(const LineStore& lines, const char* key, const CodeText* table, std::size_t n,
                  int& code) {
    std::string value;
    if (!lines.GetValue(defname::kRs232c, key, '=', value)) return;
    for (std::size_t i = 0; i < n; ++i) {
        if (value == table[i].text) {
            code = table[i].code;
            return;
        }
    }
}

// Command set and identification by the registry's machine name, for
// definitions that carry no RecognitionCode.
struct MachineIdentity {
    const char* machineName;
    int commandSet;
    char id0;
    char id1;
};
constexpr MachineIdentity kMachineIdentities[] = {
    {"'03 Alder-6(ALD03A)", kCommandSetA, 'E', 'S'},
    {"'04 Alder-6(ALD04B)", kCommandSetA, 'E', 'S'},
    {"'04 Birch-10(BRC04C)", kCommandSetB, 'M', 'M'},
    {"'05 Birch-10(BRC05D)", kCommandSetB, 'M', 'M'},
};
constexpr MachineIdentity kOtherMachine = {"", kCommandSetB, 'M', '1'};

void SetExpectedId(RegistrySettings& registry, char id0, char id1) {
    // An EcuCheckResult in the registry outranks the definition.
    if (registry.expectedIdPresent) return;
    registry.expectedId = {static_cast<std::uint8_t>(id0), static_cast<std::uint8_t>(id1), 0};
}

}  // namespace

void AppendDefinitionText(std::string_view bytes, LineStore& lines) {
    LineSplitter splitter(lines);
    splitter.Feed(bytes.data(), bytes.size());
    splitter.Finish();
}

bool AppendDefinitionFile(const std::string& path, LineStore& lines) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0 ||
        (info.st_size > 0 && static_cast<std::uint64_t>(info.st_size) > kMaxInputFileSize))
        return false;
    LineSplitter splitter(lines);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        splitter.Feed(buffer.data(), got);
        if (got < buffer.size()) {
            // A read error ends the reading; the unfinished line is dropped.
            if (std::ferror(file.get())) return true;
            break;
        }
    }
    splitter.Finish();
    return true;
}

bool LoadDefinition(const RegistrySettings& registry, const std::string& exeName, std::string& tempPath,
                    LineStore& lines, UserPrompt& prompt) {
    // "<exe>.STZ" in the setting folder, whatever its letter case.
    // Joined as written, as the settings file's folder is.
    const std::string folder =
        JoinPath(registry.installDirectory + "/", registry.settingFolder);
    const std::string found = FindFileNoCase(folder, exeName, defname::kExtension);
    if (found.empty()) {
        StopMessage(prompt, deftext::kSetupFileMissing);
        return false;
    }

    // The temporary folder (the host's query always answers). The user's
    // own: the file's name is fixed, and another user's file under it in a
    // shared folder could not be replaced.
    const std::string tempFolder = UserTempFolder();

    // A temporary file left by an earlier run goes first. Whatever stands
    // under that name counts, a dangling link included.
    tempPath = tempFolder + defname::kTempFileName;
    std::error_code statusError;
    const auto status = std::filesystem::symlink_status(tempPath, statusError);
    if (!statusError && std::filesystem::exists(status)) {
        errno = 0;
        if (std::remove(tempPath.c_str()) != 0) {
            const int error = errno;
            StopMessage(prompt, FormatText(deftext::kTempFileDelete, error, tempFolder.c_str()));
            tempPath.clear();
            return false;
        }
    }

    // Expand (a plain file is copied as it is). The copy is scratch, made
    // again at every start and read back at once: a crash can leave nothing
    // that the next start would read unmade, so it is not synced.
    int systemError = 0;
    const int result = LzExpandFile(found, tempPath, &systemError, /*durable=*/false);
    if (result != kLzOk) {
        const int code = systemError != 0 ? systemError : result;
        StopMessage(prompt, FormatText(deftext::kExpand, code, found.c_str(), tempFolder.c_str()));
        tempPath.clear();
        return false;
    }

    // Every line, comments included; a read error only ends the reading.
    if (!AppendDefinitionFile(tempPath, lines)) {
        StopMessage(prompt, FormatText(deftext::kTooLarge, found.c_str()));
        return false;
    }
    return true;
}

int ApplyDefinition(Calibration& calibration, MachineConfig& machine, UserPrompt& prompt) {
    // Without an image (nothing allocated yet) the maps lay out over zeros.
    static const Image kZeroImage{};
    return ApplyDefinition(calibration, machine, calibration.HasImage() ? calibration.image() : kZeroImage, prompt);
}

int ApplyDefinition(Calibration& calibration, MachineConfig& machine, const Image& image,
                    UserPrompt& prompt) {
    calibration.diagItems.clear();
    calibration.mapLink = MapLinkData{};
    calibration.mapLinkState = kLinkNone;

    std::string refusal;
    const int error = LoadMapSection(calibration, image, &refusal);
    if (error != 0) {
        StopMessage(prompt, Str(error));
        return kAbandoned;
    }
    // The calibration is shown, but not whole: the technician must know.
    if (!refusal.empty()) prompt.Message(refusal, text::kProgramTitle, PromptIcon::kExclamation);
    LoadMultiMapSection(calibration);
    ApplyRs232cSection(calibration.definitionLines, machine);
    calibration.diagItems = ReadDiagItems(calibration.definitionLines);
    ApplyIndividualInformation(calibration.definitionLines, machine);
    return 0;
}

void ApplyRs232cSection(const LineStore& lines, MachineConfig& machine) {
    static constexpr CodeText kSpeed[] = {{"600", 0},  {"1200", 1}, {"2400", 2},
                                          {"4800", 3}, {"9600", 4}, {"19200", 5}};
    static constexpr CodeText kData[] = {{"7", 0}, {"8", 1}};
    static constexpr CodeText kParity[] = {{"NO", 0}, {"ODD", 1}, {"EVEN", 2}};
    static constexpr CodeText kStop[] = {{"1", 0}, {"1.5", 1}, {"2", 2}};
    static constexpr CodeText kFlow[] = {{"YES", 0}, {"NO", 1}};
    static constexpr CodeText kPort[] = {{"PORT1", 0}, {"PORT2", 1}, {"PORT3", 2}, {"PORT4", 3},
                                         {"PORT5", 4}, {"PORT6", 5}, {"PORT7", 6}, {"PORT8", 7}};
    OverrideCode(lines, "Speed", kSpeed, std::size(kSpeed), machine.speedCode);
    OverrideCode(lines, "Data", kData, std::size(kData), machine.dataBitsCode);
    OverrideCode(lines, "Parity", kParity, std::size(kParity), machine.parityCode);
    OverrideCode(lines, "Stop", kStop, std::size(kStop), machine.stopBitsCode);
    OverrideCode(lines, "X", kFlow, std::size(kFlow), machine.flowCode);
    // The definition names a port only where the settings gave none.
    if (machine.portCode == -1) OverrideCode(lines, "CommPort", kPort, std::size(kPort), machine.portCode);
}

bool ParseDiagLine(std::string line, DiagItem& item) {
    if (FieldCount(line) < 7) return false;
    const std::vector<std::string> fields = TakeFields(line, 7);
    std::uint32_t number = 0, size = 0;
    if (fields[0].empty()) return false;
    if (fields[1].empty() || !ParseHex(fields[1], number) || number > 0xFF) return false;
    if (!ParseHex(fields[4], size) || (size != 1 && size != 2)) return false;
    item.request = static_cast<std::uint8_t>(number);
    item.name = fields[2];
    item.unit = fields[3];
    item.answerLength = static_cast<int>(size);
    item.factor = fields[5];
    item.offset = fields[6];
    return true;
}

std::vector<DiagItem> ReadDiagItems(const LineStore& lines) {
    std::vector<DiagItem> items;
    ForEachSectionLine(lines, defname::kDiagCom, [&](const std::string& line) {
        DiagItem item;
        if (ParseDiagLine(line, item)) items.push_back(std::move(item));
    });
    return items;
}

void ApplyIndividualInformation(const LineStore& lines, MachineConfig& machine) {
    int index = lines.FindSection(defname::kIndividualInformation);
    std::string line;
    if (index >= 0) {
        while (lines.NextLine(index, line) > 0 && !IsHeaderLine(line)) {
            const std::size_t comma = line.find(',');
            if (comma == std::string::npos) continue;
            const std::string_view key = TrimBlanks(std::string_view(line).substr(0, comma));
            const std::string_view value = TrimBlanks(std::string_view(line).substr(comma + 1));
            if (!EqualNoCase(key, defname::kRecognitionCode) || value.size() <= 2) continue;
            machine.commandSetSelector =
                (value[0] == 'D' || value[0] == 'd') ? kCommandSetA : kCommandSetB;
            SetExpectedId(machine.registry, value[1], value[2]);
            return;   // only the first such line counts
        }
    }
    MachineIdentity identity = kOtherMachine;
    for (const MachineIdentity& known : kMachineIdentities) {
        if (machine.registry.machineName == known.machineName) identity = known;
    }
    machine.commandSetSelector = identity.commandSet;
    SetExpectedId(machine.registry, identity.id0, identity.id1);
}

int SplitConstantLine(std::string line, ConstantDef& constant) {
    line = std::string(TrimBlanks(line));
    const int count = static_cast<int>(std::min<std::size_t>(FieldCount(line), 7));
    std::vector<std::string> fields = TakeFields(line, 7);
    constant.address = std::move(fields[0]);
    constant.byte = std::move(fields[1]);
    constant.contents = std::move(fields[2]);
    constant.lsb = std::move(fields[3]);
    constant.offset = std::move(fields[4]);
    constant.unit = std::move(fields[5]);
    constant.calc = std::move(fields[6]);
    return count;
}

bool ParseConstantLine(std::string line, ConstantDef& constant) {
    return SplitConstantLine(std::move(line), constant) == 7;
}

ConstantLookup FindCalibConstant(const LineStore& lines, std::string_view contents, int byteCount,
                                 CalibConstant& out) {
    int index = lines.FindSection(defname::kCalib);
    if (index < 0) return ConstantLookup::kNotFound;
    std::string line;
    while (lines.NextLine(index, line) > 0 && !IsHeaderLine(line)) {
        ConstantDef constant;
        const int fields = SplitConstantLine(line, constant);
        if (fields < 3 || constant.contents != contents) continue;

        std::uint16_t address = 0;
        if (!ParseAddress(constant.address, address)) return ConstantLookup::kAddressNotHex;
        std::int32_t size = 0;
        if (constant.byte.empty() || !ParseDecimal(constant.byte, size) || size != byteCount)
            return ConstantLookup::kSizeDiffers;
        std::int32_t calc = 1;
        if (constant.calc.empty() || !ParseDecimal(constant.calc, calc)) calc = 1;

        out.address = address;
        out.byteCount = size;
        out.contents = constant.contents;
        out.lsb = ReadFloat(constant.lsb);
        out.offset = ReadFloat(constant.offset);
        out.unit = constant.unit;
        out.calc = calc;
        return ConstantLookup::kFound;
    }
    return ConstantLookup::kNotFound;
}
