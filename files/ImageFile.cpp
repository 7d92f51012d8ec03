#include "files/ImageFile.h"
#include "platform/AsciiText.h"

#include <cstddef>
#include <string_view>

#include "files/SRecord.h"
#include "platform/FileIo.h"

namespace {

// Lines are read as a fixed 256-byte line buffer reads them: a longer line
// arrives in pieces of 255 characters.
constexpr std::size_t kMaxLineLength = 255;
constexpr std::size_t kMinRecordLength = 10;

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : content) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            continue;
        }
        line += c;
        if (line.size() == kMaxLineLength) {
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

// An "S1" line of at least 10 characters, even length, all pairs hex, whose
// count fits the line and whose data stays inside the image. false for
// anything else.
bool ParseS1(const std::string& line, DataRecord& record) {
    return line.size() >= kMinRecordLength && ParseDataRecord(line, record) == RecordFault::kNone;
}

}  // namespace

int ReadImageFile(const std::string& path, const std::string& machineFolder, ImageFileData& data) {
    data = ImageFileData();
    std::string content;
    if (!ReadWholeFile(path, content, kMaxInputFileSize)) return kImageFileFormat;
    const std::vector<std::string> lines = SplitLines(content);
    content.clear();

    // The last run of consecutive "S" lines; anything else ends a run.
    std::size_t runBegin = 0, runEnd = 0;
    bool inRun = false;
    bool machineLineNext = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (machineLineNext) {
            machineLineNext = false;
            const std::size_t comma = line.find(',');
            const std::string_view folder =
                comma == std::string::npos ? std::string_view(line) : std::string_view(line).substr(comma + 1);
            if (!EqualNoCase(folder, machineFolder)) return kImageFileOtherMachine;
        }
        if (EqualNoCase(line, "[MACHINE]")) machineLineNext = true;
        if (!line.empty() && line[0] == 'S') {
            if (!inRun) runBegin = i;
            inRun = true;
            runEnd = i + 1;
        } else {
            inRun = false;
        }
    }
    if (runEnd == 0) return kImageFileNoRecords;

    // First pass: the address range and the checksums.
    std::vector<DataRecord> records;
    std::uint32_t lowest = 0xFFFF, highest = 0;
    bool sawData = false, sawEnd = false;
    bool checksumOk = true;
    for (std::size_t i = runBegin; i < runEnd && !sawEnd; ++i) {
        const std::string& line = lines[i];
        if (line.compare(0, 2, "S9") == 0) {
            sawEnd = true;
            break;
        }
        if (line.compare(0, 2, "S1") == 0 && line.size() >= kMinRecordLength) {
            DataRecord record;
            if (!ParseS1(line, record)) return kImageFileFormat;
            if (!record.checksumOk) checksumOk = false;
            if (!record.data.empty()) {
                const std::uint32_t last = record.address + static_cast<std::uint32_t>(record.data.size()) - 1;
                if (record.address < lowest) lowest = record.address;
                if (last > highest) highest = last;
            }
            records.push_back(std::move(record));
            sawData = true;
            continue;
        }
        // Before the first data record anything (an "S0" header) is passed over.
        if (sawData) return kImageFileFormat;
    }
    if (sawData && !sawEnd) return kImageFileFormat;
    if (!sawData || lowest >= highest) return kImageFileFormat;

    // Second pass: the bytes at their offsets from the lowest address.
    data.bytes.assign(highest - lowest + 1, 0);
    for (const DataRecord& record : records) {
        for (std::size_t k = 0; k < record.data.size(); ++k)
            data.bytes[record.address + k - lowest] = record.data[k];
    }
    data.start = static_cast<std::uint16_t>(lowest);
    data.checksumOk = checksumOk;
    return static_cast<int>(highest - lowest);
}
