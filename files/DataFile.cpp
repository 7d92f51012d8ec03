#include "files/DataFile.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <cstddef>

#include "config/MachineConfig.h"
#include "model/Calibration.h"
#include "model/Strings.h"
#include "files/SRecord.h"
#include "model/Maps.h"
#include "model/Parse.h"
#include "platform/FileIo.h"
#include "platform/UserPrompt.h"

namespace {

// The shortest line the "Data" reader looks at: "S1", count, address and
// checksum of a record without data.
constexpr std::size_t kMinRecordLength = 10;

bool IsKeyLine(const std::string& line) {
    const std::string_view trimmed = TrimBlanks(line);
    return !trimmed.empty() && trimmed.front() != ';';
}

// Rebuilds the store with the key lines of the section at header replaced by
// fresh lines right after the header; comments and blank lines of the section
// follow them. One pass, so a data file of thousands of records stays cheap.
void ReplaceSectionKeyLines(LineStore& lines, int header, std::vector<std::string> fresh) {
    std::vector<std::string> old = lines.Take();
    std::vector<std::string> rebuilt;
    rebuilt.reserve(old.size() + fresh.size());
    std::size_t i = 0;
    for (; i <= static_cast<std::size_t>(header); ++i) rebuilt.push_back(std::move(old[i]));
    for (std::string& line : fresh) rebuilt.push_back(std::move(line));
    for (; i < old.size() && !IsHeaderLine(old[i]); ++i) {
        if (!IsKeyLine(old[i])) rebuilt.push_back(std::move(old[i]));
    }
    for (; i < old.size(); ++i) rebuilt.push_back(std::move(old[i]));
    lines.Replace(std::move(rebuilt));
}

// One "S1" record into the image. 0 or the message number. The record's
// checksum byte is not looked at; pairs after it are ignored.
int StoreRecord(const std::string& line, Image& image, std::uint16_t& start, std::uint16_t& end) {
    DataRecord record;
    switch (ParseDataRecord(line, record)) {
    case RecordFault::kNone: break;
    case RecordFault::kNotHex: return str::kWrongWordInData;
    default: return str::kSFormatError;   // its length, its count, or past 0xFFFF
    }
    if (record.data.empty()) return 0;   // a record without data fills nothing
    std::copy(record.data.begin(), record.data.end(), image.begin() + record.address);
    const auto last = static_cast<std::uint16_t>(record.address + record.data.size() - 1);
    if (record.address < start) start = record.address;
    if (last > end) end = last;
    return 0;
}

// Whether the "Title" key line reads back as pair of titles.
bool PairReadsAs(const std::string& line, const std::vector<std::string>& titles, std::size_t pair) {
    std::string rest(TrimBlanks(line));
    const std::string key = NextField(rest);
    const std::size_t data = pair * 2 + 1;
    return key == titles[pair * 2] && rest == (data < titles.size() ? titles[data] : std::string());
}

}  // namespace

void SplitDataFileText(std::string_view content, LineStore& lines) {
    // Whole lines are cut out at once, the CR of a CR LF left off; only a
    // line holding another CR is copied character by character. A last line
    // without a line feed is kept when anything but carriage returns is left
    // of it: an editor that drops the final line feed must not cost the file
    // its last record.
    auto append = [&lines](std::string_view piece) {
        const std::size_t cr = piece.find('\r');
        if (cr == std::string_view::npos || cr + 1 == piece.size()) {   // none, or the usual one of CR LF
            lines.Append(std::string(piece.substr(0, cr)));
            return;
        }
        std::string line;
        line.reserve(piece.size());
        for (const char c : piece)
            if (c != '\r') line += c;
        lines.Append(std::move(line));
    };
    const auto feeds = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
    lines.Reserve(lines.Lines().size() + feeds + 1);
    std::size_t begin = 0;
    for (std::size_t lf = content.find('\n'); lf != std::string_view::npos;
         begin = lf + 1, lf = content.find('\n', begin))
        append(content.substr(begin, lf - begin));
    const std::string_view last = content.substr(begin);
    if (last.find_first_not_of('\r') != std::string_view::npos) append(last);
}

std::string JoinDataFileLines(const LineStore& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines.Lines()) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines.Lines()) {
        text += line;
        text += "\r\n";
    }
    return text;
}

int ReadDataSection(const LineStore& lines, Image& image, std::uint16_t& start, std::uint16_t& end) {
    int index = lines.FindSection(datafile::kDataSection);
    if (index < 0) return str::kDataSectionMissing;
    start = 0xFFFF;
    end = 0;

    std::string line;
    for (;;) {
        if (lines.NextLine(index, line) == 0) return str::kDataSectionEmpty;
        if (line.size() >= kMinRecordLength && line.compare(0, 2, "S1") == 0) break;
    }
    // Later section headers are not special here: a line of ten or more
    // characters that is no record is a format error, shorter ones are skipped.
    do {
        if (line.size() < kMinRecordLength) continue;
        if (line[0] != 'S') return str::kSFormatError;
        if (line[1] == '9') break;
        if (line[1] != '1') return str::kSFormatError;
        const int result = StoreRecord(line, image, start, end);
        if (result != 0) return result;
    } while (lines.NextLine(index, line) > 0);
    // Records that carry no byte leave the calibration without a data range:
    // nothing to lay maps over, no checksum byte, and nothing a save could
    // write that would load again. Such a file has no data.
    return start <= end ? 0 : str::kDataSectionEmpty;
}

void RegenerateDataSection(LineStore& lines, const Image& image, std::uint16_t start,
                           std::uint16_t end) {
    const int header = lines.FindSection(datafile::kDataSection);
    if (header < 0) return;
    std::vector<std::string> fresh;
    fresh.reserve(static_cast<std::size_t>(end >= start ? (end - start) / 16 + 4 : 3));
    fresh.emplace_back(datafile::kCalibMark);
    AppendImageRecords(image, start, end, fresh);
    fresh.emplace_back(kSRecordEnd);
    fresh.emplace_back(datafile::kFixedMark);
    ReplaceSectionKeyLines(lines, header, std::move(fresh));
}

int LoadDataFile(Calibration& calibration, MachineConfig& machine, UserPrompt& prompt,
                 const std::string& path) {
    calibration.dataLines.Clear();
    calibration.currentMap = nullptr;   // it pointed into the maps deleted here
    calibration.maps.clear();
    calibration.mapLink.linkList.clear();
    calibration.mapLinkState = kLinkNone;
    // Every load starts from the image of a fresh start: a byte the new file
    // does not fill must not be a leftover of the previous calibration, laid
    // out as its maps or saved with it.
    if (calibration.HasImage()) calibration.image().fill(0);
    calibration.dataStart = 0xFFFF;
    calibration.dataEnd = 0;

    std::string content;
    if (!ReadWholeFile(path, content, kMaxInputFileSize)) return kUnreadable;
    SplitDataFileText(content, calibration.dataLines);
    content.clear();
    content.shrink_to_fit();

    std::string model;
    if (calibration.dataLines.GetValue(datafile::kMachineSection, datafile::kModelKey, ',', model) &&
        !EqualNoCase(model, machine.registry.machineFolder))
        return kOtherMachine;

    const int dataResult = ReadDataSection(calibration.dataLines, calibration.image(), calibration.dataStart, calibration.dataEnd);
    if (dataResult != 0) {
        prompt.Message(Str(dataResult), text::kProgramTitle, PromptIcon::kStop);
        return kAbandoned;
    }
    if (ApplyDefinition(calibration, machine, prompt) != 0) return kAbandoned;
    calibration.modified = 0;
    return kLoaded;
}

int LoadCalibrationLike(const Calibration& like, Calibration& other, MachineConfig& machine, UserPrompt& prompt,
                        const std::string& path) {
    if (!other.HasImage() && !other.AllocateImage()) return kUnreadable;
    other.definitionLines = like.definitionLines;
    other.formats = like.formats;
    other.undoSize = like.undoSize;
    other.dataFilePath.clear();
    other.dataFileName.clear();
    const int result = LoadDataFile(other, machine, prompt, path);
    if (result == kLoaded) other.dataFilePath = path;
    return result;
}

bool SaveDataFile(Calibration& calibration, const std::string& path,
                  const std::function<void(std::uint16_t address, std::uint8_t value)>& checksumStored) {
    // Without a data range or a "Data" section to hold it, the file written
    // would be refused when it is opened again.
    if (calibration.dataStart > calibration.dataEnd ||
        calibration.dataLines.FindSection(datafile::kDataSection) < 0)
        return false;
    const std::uint8_t sum = RecomputeChecksum(calibration.image(), calibration.dataStart, calibration.dataEnd);
    if (checksumStored) {
        checksumStored(calibration.dataEnd, sum);
        RecomputeChecksum(calibration.image(), calibration.dataStart, calibration.dataEnd);
    }
    calibration.modified = 1;
    RegenerateDataSection(calibration.dataLines, calibration.image(), calibration.dataStart, calibration.dataEnd);
    // CR LF line ends can take a file read with LF alone past the size the
    // reader accepts; such a file is not written rather than written unreadable.
    const std::string text = JoinDataFileLines(calibration.dataLines);
    if (text.size() > kMaxInputFileSize || !WriteFileAtomic(path, text)) return false;
    calibration.modified = 0;
    return true;
}

void ReadTitles(const LineStore& lines, std::vector<std::string>& titles, std::vector<int>* pairLines) {
    titles.clear();
    if (pairLines) pairLines->clear();
    int index = lines.FindSection(datafile::kTitleSection);
    if (index < 0) return;
    while ((index = lines.NextKeyLine(index)) >= 0) {
        std::string rest;
        lines.GetLine(index, rest);
        std::string key = NextField(rest);
        titles.push_back(std::move(key));
        titles.push_back(std::move(rest));
        if (pairLines) pairLines->push_back(index);
    }
}

void WriteTitles(LineStore& lines, const std::vector<std::string>& titles) {
    const int header = lines.FindSection(datafile::kTitleSection);
    if (header < 0) return;
    std::vector<std::string> fresh;
    for (std::size_t i = 0; i < titles.size(); i += 2)
        fresh.push_back(titles[i] + "," + (i + 1 < titles.size() ? titles[i + 1] : std::string()));
    ReplaceSectionKeyLines(lines, header, std::move(fresh));
}

bool StoreTitles(LineStore& lines, const std::vector<std::string>& titles, const std::vector<int>& pairLines) {
    bool changed = false;
    int header = lines.FindSection(datafile::kTitleSection);
    if (header < 0) {
        if (titles.empty()) return false;
        lines.Append(std::string("[") + datafile::kTitleSection + "]");
        header = lines.Count() - 1;
        changed = true;
    }
    int end = header + 1;   // the section runs up to the next header
    while (end < lines.Count() && !IsHeaderLine(lines.At(end))) ++end;

    // Each pair either keeps the key line it came from or, added since (or
    // its line unusable: out of the section, out of order), goes after the
    // line of the pair before it. Slot 0 is the header itself.
    const std::size_t pairs = (titles.size() + 1) / 2;
    const auto slot = [header](int line) { return static_cast<std::size_t>(line - header); };
    std::vector<int> pairOfLine(slot(end), -1);
    std::vector<std::vector<std::size_t>> addedAfter(slot(end));
    int anchor = header;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const int line = pair < pairLines.size() ? pairLines[pair] : -1;
        if (line > anchor && line < end && IsKeyLine(lines.At(line))) {
            pairOfLine[slot(line)] = static_cast<int>(pair);
            anchor = line;
        } else {
            addedAfter[slot(anchor)].push_back(pair);
        }
    }
    const auto pairText = [&titles](std::size_t pair) {
        const std::size_t data = pair * 2 + 1;
        return titles[pair * 2] + "," + (data < titles.size() ? titles[data] : std::string());
    };

    std::vector<std::string> old = lines.Take();
    std::vector<std::string> rebuilt;
    rebuilt.reserve(old.size() + pairs);
    for (int i = 0; i < static_cast<int>(old.size()); ++i) {
        std::string& line = old[static_cast<std::size_t>(i)];
        const bool inSection = i > header && i < end;
        const int pair = inSection ? pairOfLine[slot(i)] : -1;
        if (!inSection || !IsKeyLine(line)) {
            rebuilt.push_back(std::move(line));   // comments and blank lines stay where they are
        } else if (pair < 0) {
            changed = true;                        // its pair was deleted
        } else if (PairReadsAs(line, titles, static_cast<std::size_t>(pair))) {
            rebuilt.push_back(std::move(line));   // its blanks, its bytes and its length kept
        } else {
            rebuilt.push_back(pairText(static_cast<std::size_t>(pair)));
            changed = true;
        }
        if (i < header || i >= end) continue;
        for (const std::size_t added : addedAfter[slot(i)]) {
            rebuilt.push_back(pairText(added));
            changed = true;
        }
    }
    lines.Replace(std::move(rebuilt));
    return changed;
}

bool ResetToDataLoaded(Calibration& calibration, UserPrompt& prompt) {
    if (calibration.mapLinkState == kLinkNone) return false;
    prompt.Message(Str(str::kMapLinkCleared), text::kProgramTitle, PromptIcon::kQuestion);
    calibration.mapLinkState = kLinkNone;
    calibration.mapLink.linkList.clear();
    return true;
}
