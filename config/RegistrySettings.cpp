#include "config/RegistrySettings.h"

#include <cstring>

#include "model/Strings.h"
#include "platform/RegistryStore.h"

namespace {

constexpr std::size_t kNumberBufferSize = 4;
constexpr std::size_t kTextBufferSize = 260;
constexpr std::size_t kLogPathBufferSize = 128;

// A value is read into a buffer of its field's size whatever its registry
// type: the bytes land in a 4-byte number (little-endian, as on Windows)
// that starts at startValue; a value larger than the buffer is not
// read at all.
bool ReadNumber(const RegistryStore& store, const char* name, std::int32_t startValue,
                std::int32_t& value) {
    auto found = store.Query(ProgramRegistryKey(), name);
    if (!found || found->data.size() > kNumberBufferSize) return false;
    std::uint32_t bits = static_cast<std::uint32_t>(startValue);
    for (std::size_t i = 0; i < found->data.size(); ++i) {
        bits &= ~(0xFFu << (8 * i));
        bits |= static_cast<std::uint32_t>(found->data[i]) << (8 * i);
    }
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

// A text is the value's bytes up to its first zero, when they fit the buffer.
bool ReadText(const RegistryStore& store, const char* name, std::size_t bufferSize,
              std::string& text) {
    auto found = store.Query(ProgramRegistryKey(), name);
    if (!found || found->data.size() > bufferSize) return false;
    const auto& bytes = found->data;
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0) ++length;
    text.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    return true;
}

}  // namespace

const std::string& ProgramRegistryKey() { return Str(str::kRegistryKey); }

std::string TrimFolderValue(const std::string& value) {
    if (value.size() > 2 && value[1] == ':' && value[2] == '\\') {
        return value.substr(value.rfind('\\') + 1);
    }
    if (!value.empty() && value[0] == '/') {
        std::string path = value;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        return path.substr(path.rfind('/') + 1);
    }
    return value;
}

RegistrySettings::RegistrySettings(bool largeScreen) {
    if (largeScreen) {
        programDlgFontSize = 19;
        tableCellWidth = 55;
        tableCellHeight = 20;
        tableFontSize = 16;
    }
}

int RegistrySettings::LoadRegistrySettings(const RegistryStore& store) {
    const std::string& key = ProgramRegistryKey();
    if (!store.KeyExists(key)) return -1;

    if (auto id = store.Query(key, regname::kEcuCheckResult)) {
        expectedIdPresent = true;
        if (id->data.size() == 3) {
            expectedId = {id->data[0], id->data[1], id->data[2]};
        } else if (id->data.size() == 1) {
            expectedId[0] = 0;
            expectedId[1] = 0;
        }
    }

    std::int32_t number = 0;
    if (ReadNumber(store, regname::kProgramDlgFontSize, 0, number) && number != 0)
        programDlgFontSize = number;
    if (ReadNumber(store, regname::kTableWndCellWidth, 0, number) && number != 0)
        tableCellWidth = number;
    if (ReadNumber(store, regname::kTableWndCellHeight, 0, number) && number != 0)
        tableCellHeight = number;
    if (ReadNumber(store, regname::kTableWndFontSize, 0, number)) tableFontSize = number;

    std::string logPath;
    if (ReadText(store, regname::kCommoLog, kLogPathBufferSize, logPath)) {
        std::int32_t deleteFlag = 0;
        bool deleteFirst =
            ReadNumber(store, regname::kCommoLogDelete, 0, deleteFlag) && deleteFlag == 1;
        commLog.Open(logPath, deleteFirst);   // an unopenable path leaves logging off
    }

    readEcuNum = ReadNumber(store, regname::kReadEcuNum, 0, number) ? number : kDefaultReadCount;

    ReadText(store, regname::kMachineName, kTextBufferSize, machineName);
    ReadText(store, regname::kMachineFolder, kTextBufferSize, machineFolder);
    if (ReadText(store, regname::kInitializeFolder, kTextBufferSize, initializeFolder))
        initializeFolder = TrimFolderValue(initializeFolder);
    if (ReadText(store, regname::kSettingFolder, kTextBufferSize, settingFolder))
        settingFolder = TrimFolderValue(settingFolder);
    ReadText(store, regname::kInstallDirectory, kTextBufferSize, installDirectory);

    rs232cPort = ReadNumber(store, regname::kRs232cPort, 0, number) ? number : -1;
    return 0;
}
