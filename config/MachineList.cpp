#include "config/MachineList.h"

#include <filesystem>
#include <system_error>

#include "platform/AsciiText.h"
#include "platform/PathSearch.h"

#include <cstdlib>
#include <fstream>

#include "model/Strings.h"
#include "config/RegistrySettings.h"
#include "platform/RegistryStore.h"

namespace {

constexpr int kDefaultReadCount = 30;
constexpr int kBytesPerRecord = 16;
constexpr long kLargestSize = 99999999;   // far beyond any ECU; keeps the count in range

// The decimal value of the field's leading digits (blanks and a sign first,
// as the C library reads it); 0 without digits. Saturates instead of
// overflowing on absurdly long digit runs.
long LeadingDecimal(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > kLargestSize) value = kLargestSize;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<MachineEntry> ParseMachineLine(const std::string& rawLine) {
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t first = line.find(',');
    if (first == std::string::npos) return std::nullopt;
    std::size_t second = line.find(',', first + 1);
    if (second == std::string::npos) return std::nullopt;
    std::size_t third = line.find(',', second + 1);

    MachineEntry entry;
    entry.title = line.substr(0, first);
    entry.second = line.substr(first + 1, second - first - 1);
    entry.folder = third == std::string::npos ? line.substr(second + 1)
                                              : line.substr(second + 1, third - second - 1);
    if (entry.title.empty() || entry.second.empty() || entry.folder.empty()) return std::nullopt;

    entry.readCount = kDefaultReadCount;
    if (third != std::string::npos) {
        std::size_t fourth = line.find(',', third + 1);
        std::string size = fourth == std::string::npos ? line.substr(third + 1)
                                                       : line.substr(third + 1, fourth - third - 1);
        if (!size.empty()) {
            long count = LeadingDecimal(size) / kBytesPerRecord + 1;
            entry.readCount = count == 0 ? kDefaultReadCount : static_cast<int>(count);
        }
    }
    return entry;
}

std::vector<MachineEntry> ReadMachineList(const std::string& path) {
    std::vector<MachineEntry> entries;
    std::ifstream in(path, std::ios::binary);
    if (!in) return entries;
    std::string line;
    while (std::getline(in, line)) {
        if (auto entry = ParseMachineLine(line)) entries.push_back(std::move(*entry));
    }
    return entries;
}

MachineSelectStep MachineSelectOk(const std::vector<MachineEntry>& entries, int selected,
                                  RegistrySettings& settings, RegistryStore& store,
                                  UserPrompt& prompt) {
    if (selected < 0 || selected >= static_cast<int>(entries.size()))
        return MachineSelectStep::kStayOpen;
    const MachineEntry& entry = entries[static_cast<std::size_t>(selected)];

    if (!settings.machineName.empty()) {
        if (entry.title == settings.machineName && entry.folder == settings.machineFolder)
            return MachineSelectStep::kCloseOk;
        PromptAnswer answer =
            prompt.Ask(text::kMachineChangeQuestion, text::kProgramTitle, PromptButtons::kOkCancel,
                       PromptIcon::kInformation, PromptAnswer::kCancel);
        if (answer != PromptAnswer::kOk) return MachineSelectStep::kStayOpen;
    }

    // The five values go into the registry file in one rewrite: a program
    // killed midway leaves the old machine or the new one, never the name of
    // one with the folder of another. A registry that cannot be written
    // leaves the machine unrecorded, so the next start asks again.
    const std::string& key = ProgramRegistryKey();
    if (store.SetValues({{key, regname::kMachineName, RegistryStore::StringValue(entry.title)},
                         {key, regname::kMachineFolder, RegistryStore::StringValue(entry.folder)},
                         {key, regname::kInitializeFolder, RegistryStore::StringValue(entry.folder)},
                         {key, regname::kSettingFolder, RegistryStore::StringValue(entry.folder)},
                         {key, regname::kReadEcuNum,
                          RegistryStore::DwordValue(static_cast<std::uint32_t>(entry.readCount))}})) {
        settings.machineName = entry.title;
        settings.machineFolder = entry.folder;
        settings.initializeFolder = entry.folder;
        settings.settingFolder = entry.folder;
        settings.readEcuNum = entry.readCount;
    }
    return MachineSelectStep::kCloseOk;
}

MachineSelectStep MachineSelectCancel(const RegistrySettings& settings, UserPrompt& prompt) {
    if (settings.HasMachine()) return MachineSelectStep::kCloseCancel;
    PromptAnswer answer =
        prompt.Ask(text::kMachineNotSelectedQuestion, text::kProgramTitle,
                   PromptButtons::kOkCancel, PromptIcon::kExclamation, PromptAnswer::kOk);
    return answer == PromptAnswer::kOk ? MachineSelectStep::kExitProcess
                                       : MachineSelectStep::kStayOpen;
}

std::string ShippedMachinesFolder(const std::string& programPath) {
    const std::size_t slash = programPath.rfind('/');
    if (slash == std::string::npos) return "";
    const std::string folder = programPath.substr(0, slash);
    for (const char* up : {"/../share/orvandel", "/../../share/orvandel"}) {
        const std::string candidate = folder + up;
        if (FileExists(candidate + "/MCN_LIST.DAT")) {
            std::error_code error;
            const std::filesystem::path canonical = std::filesystem::canonical(candidate, error);
            return error ? candidate : canonical.string();
        }
    }
    return "";
}

std::optional<MachineEntry> FindMachineByFolder(const std::vector<MachineEntry>& entries, const std::string& code) {
    for (const MachineEntry& entry : entries)
        if (EqualNoCase(entry.folder, code)) return entry;
    return std::nullopt;
}
