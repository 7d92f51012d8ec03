#include "ecu/Logbook.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "files/SRecord.h"
#include "model/Parse.h"
#include "platform/FileIo.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kMagic = "RV_Tune logbook entry 1";
constexpr const char* kEndMagic = "RV_Tune logbook outcome 1";
constexpr int kMaxId = 999999;
// A logbook entry never holds more than the image.
constexpr std::size_t kMaxDataText = 1u << 20;

std::string IdName(int id, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d%s", id, extension);
    return name;
}

// FNV-1a over the data: damage to the data file that still decodes (a record
// dropped, bytes changed with fitting checksums) is caught against the entry.
std::uint32_t DataSum(const std::vector<std::uint8_t>& data) {
    std::uint32_t sum = 2166136261u;
    for (std::uint8_t byte : data) sum = (sum ^ byte) * 16777619u;
    return sum;
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// Values are single lines: a line break in a note or path would start a key.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
    return line;
}

std::string DataText(std::uint16_t start, const std::vector<std::uint8_t>& data) {
    std::vector<std::string> lines;
    if (!data.empty())
        BuildRecords(data.data(), data.size(), start, static_cast<std::uint16_t>(data.size() - 1), lines);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The bytes of S-record text written by DataText: contiguous records from
// start on, each sound. false for anything else.
bool ParseDataText(const std::string& text, std::uint16_t start, std::size_t length,
                   std::vector<std::uint8_t>& data) {
    data.clear();
    std::size_t at = 0;
    bool ended = false;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (ended) return false;
        if (line == kSRecordEnd) {
            ended = true;
            continue;
        }
        if (line.compare(0, 2, "S1") != 0) return false;
        DataRecord record;
        if (ParseDataRecord(line, record) != RecordFault::kNone || !record.checksumOk || !record.exactLength)
            return false;
        if (static_cast<std::size_t>(record.address) != start + data.size()) return false;
        data.insert(data.end(), record.data.begin(), record.data.end());
    }
    return ended && data.size() == length;
}

}  // namespace

bool LogEntry::WritesEcu() const {
    return operation == logbook::kWrite || operation == logbook::kRestore || operation == logbook::kWriteByte ||
           operation == logbook::kWriteWord;
}

bool LogEntry::HoldsEcuData() const {
    if (!hasData || Damaged()) return false;
    if (operation == logbook::kRead || operation == logbook::kBackup || operation == logbook::kWrite ||
        operation == logbook::kRestore)
        return result == logbook::kComplete;
    if (operation == logbook::kVerify) return result == logbook::kSame || result == logbook::kNotSame;
    return false;
}

std::string ForeignEntryText(const LogEntry& entry, const std::string& machine, const std::string& ecu) {
    if (entry.machine == machine && entry.ecu == ecu) return std::string();
    return "Logbook entry " + std::to_string(entry.id) + " belongs to machine " + entry.machine + ", ECU " +
           entry.ecu + "; this is machine " + machine + ", ECU " + ecu + ".";
}

std::string DoubtfulDataText(const LogEntry& entry) {
    if (entry.HoldsEcuData()) return std::string();
    const std::string name = "Logbook entry " + std::to_string(entry.id);
    if (entry.Damaged()) return name + " is damaged: " + entry.damage + ".";
    if (!entry.hasData) return name + " holds no data.";
    // The data of a write that failed, was cut or was never read back is
    // what was meant for the ECU, not what it held.
    return name + " holds the data of a " + entry.operation + " that is " +
           (entry.result == logbook::kComplete ? std::string("not read back") : "\"" + entry.result + "\"") +
           ": the ECU never held it for sure.";
}

std::string EcuIdText(const std::uint8_t* id, std::size_t n) {
    bool printable = true;
    for (std::size_t i = 0; i < n; ++i) printable = printable && id[i] > 0x20 && id[i] < 0x7F;
    if (printable) return std::string(reinterpret_cast<const char*>(id), n);
    std::string text = "0x";
    for (std::size_t i = 0; i < n; ++i) text += Hex(id[i], 2);
    return text;
}

std::string LogTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string Logbook::FolderFor(const std::string& settingsFilePath) {
    const fs::path settings(settingsFilePath);
    return (settings.parent_path() / "WORK" / logbook::kFolderName).string();
}

std::vector<int> Logbook::Ids() const {
    std::vector<int> ids;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 7 || name.find_first_not_of("0123456789") != 6) continue;
        std::int32_t id = 0;
        if (!ParseDecimal(name.substr(0, 6), id) || id < 1) continue;
        if (name.substr(6) == ".log") ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The number of an entry file's name: six digits and ".log", ".s19", ".end"
// or ".note"; 0 for any other name (a stray file of the user's).
static int EntryFileId(const std::string& name) {
    if (name.size() < 10 || name.find_first_not_of("0123456789") != 6) return 0;
    const std::string extension = name.substr(6);
    if (extension != ".log" && extension != ".s19" && extension != ".end" && extension != ".note") return 0;
    std::int32_t id = 0;
    return ParseDecimal(name.substr(0, 6), id) ? id : 0;
}

bool Logbook::Add(LogEntry& entry, std::string& error) {
    std::error_code fsError;
    fs::create_directories(folder_, fsError);
    if (!fs::is_directory(folder_)) {
        error = "cannot create the logbook folder " + folder_;
        return false;
    }
    if (entry.hasData && (entry.data.empty() || entry.start + entry.data.size() > 0x10000)) {
        error = "no data for the logbook";
        return false;
    }
    if (entry.time.empty()) entry.time = LogTimeNow();
    // A relative path means nothing once the program that wrote it has gone.
    if (!entry.file.empty() && fs::path(entry.file).is_relative()) {
        const fs::path absolute = fs::absolute(entry.file, fsError);
        if (!fsError) entry.file = absolute.lexically_normal().string();
    }

    // The number after every entry file present, orphaned data files
    // included. Another program may take the same number at the same time:
    // each file is created exclusively, so the loser of the race finds it
    // taken and moves on to the next, and no entry ever replaces another.
    int id = 0;
    for (fs::directory_iterator it(folder_, fsError), end; !fsError && it != end; it.increment(fsError))
        id = std::max(id, EntryFileId(it->path().filename().string()));
    constexpr int kAttempts = 1000;
    bool wrapped = false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ++id;
        // A file planted under the last number must not fill the logbook:
        // the first free number below is taken instead, once.
        if (id > kMaxId) {
            if (wrapped) break;
            wrapped = true;
            id = FirstFreeId();
            if (id == 0) break;
        }
        entry.id = id;
        const std::string base = (fs::path(folder_) / IdName(id, "")).string();
        std::string text = std::string(kMagic) + "\n";
        text += "time=" + OneLine(entry.time) + "\n";
        text += "operation=" + OneLine(entry.operation) + "\n";
        text += "result=" + OneLine(entry.result) + "\n";
        text += "machine=" + OneLine(entry.machine) + "\n";
        text += "ecu=" + OneLine(entry.ecu) + "\n";
        text += "file=" + OneLine(entry.file) + "\n";
        text += "detail=" + OneLine(entry.detail) + "\n";
        if (entry.hasData) {
            text += "start=" + Hex(entry.start, 4) + "\n";
            text += "length=" + std::to_string(entry.data.size()) + "\n";
            text += "sum=" + Hex(DataSum(entry.data), 8) + "\n";
            const ExclusiveWrite data = WriteFileExclusive(base + ".s19", DataText(entry.start, entry.data));
            if (data == ExclusiveWrite::kExists) continue;
            if (data != ExclusiveWrite::kWritten) {
                error = "cannot write " + base + ".s19";
                entry.id = 0;
                return false;
            }
        }
        text += "end\n";
        const ExclusiveWrite log = WriteFileExclusive(base + ".log", text);
        if (log == ExclusiveWrite::kWritten) {
            if (!entry.note.empty()) SetNote(entry.id, entry.note, error);
            return true;
        }
        // The data file was ours: created a moment ago under this number.
        if (entry.hasData) ::unlink((base + ".s19").c_str());
        if (log == ExclusiveWrite::kExists) continue;
        error = "cannot write " + base + ".log";
        entry.id = 0;
        return false;
    }
    error = "the logbook " + folder_ + " is full";
    entry.id = 0;
    return false;
}

LogEntry Logbook::Load(int id) const {
    LogEntry entry;
    entry.id = id;
    const std::string base = (fs::path(folder_) / IdName(id, "")).string();
    std::string note;
    if (ReadWholeFile(base + ".note", note)) {
        entry.note = OneLine(note);
        while (!entry.note.empty() && entry.note.back() == ' ') entry.note.pop_back();
    }
    auto damaged = [&entry](const std::string& why) {
        entry.result = logbook::kDamaged;
        entry.damage = why;
        entry.hasData = false;
        entry.data.clear();
        return entry;
    };
    std::string text;
    if (!ReadWholeFile(base + ".log", text) || text.size() > 64 * 1024) return damaged("the entry cannot be read");

    std::string start, length, sum, result;
    bool magic = false, ended = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!magic) {
            if (line != kMagic) return damaged("not a logbook entry");
            magic = true;
            continue;
        }
        if (line == "end") {
            ended = true;
            break;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) return damaged("a line without a value");
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "time") entry.time = value;
        else if (key == "operation") entry.operation = value;
        else if (key == "result") result = value;
        else if (key == "machine") entry.machine = value;
        else if (key == "ecu") entry.ecu = value;
        else if (key == "file") entry.file = value;
        else if (key == "detail") entry.detail = value;
        else if (key == "start") start = value;
        else if (key == "length") length = value;
        else if (key == "sum") sum = value;
    }
    // Fields come before "end": a cut-off entry lacks it.
    if (!ended || entry.time.empty() || entry.operation.empty() || result.empty())
        return damaged("the entry is incomplete");
    entry.result = result;
    // The outcome of a started write: a file under the outcome's name that
    // cannot be read as one (a link to nowhere, a folder, garbage) damages
    // the entry; an outcome beside an entry that awaited none is no entry's.
    std::error_code endError;
    const bool endPresent = fs::exists(fs::symlink_status(base + ".end", endError));
    if (endPresent && result != logbook::kStarted) return damaged("an outcome lies beside an entry that had one");
    if (result == logbook::kStarted && endPresent) {
        // Four lines, the outcome of this very entry: one copied or linked
        // from another entry names another number.
        std::string outcome;
        std::vector<std::string> lines;
        if (ReadWholeFile(base + ".end", outcome, 64 * 1024)) {
            for (std::size_t at = 0; at < outcome.size();) {
                const std::size_t end = outcome.find('\n', at);
                if (end == std::string::npos) break;
                lines.push_back(outcome.substr(at, end - at));
                at = end + 1;
            }
        }
        const std::string resultKey = "result=", detailKey = "detail=";
        if (lines.size() != 5 || outcome.back() != '\n' || lines[0] != kEndMagic ||
            lines[1] != "entry=" + IdName(id, "") || lines[2].compare(0, resultKey.size(), resultKey) != 0 ||
            lines[3].compare(0, detailKey.size(), detailKey) != 0 || lines[4] != "end" ||
            lines[2].size() == resultKey.size() || lines[2] == resultKey + logbook::kStarted)
            return damaged("the outcome of the write is unreadable");
        entry.result = lines[2].substr(resultKey.size());
        entry.detail = lines[3].substr(detailKey.size());
    }
    if (start.empty() && length.empty() && sum.empty()) return entry;

    std::uint32_t startValue = 0, sumValue = 0;
    std::int32_t lengthValue = 0;
    if (!ParseHex(start, startValue) || startValue > 0xFFFF || !ParseDecimal(length, lengthValue) ||
        lengthValue < 1 || startValue + static_cast<std::uint32_t>(lengthValue) > 0x10000 || sum.size() != 8 ||
        !ParseHex(sum, sumValue))
        return damaged("the data range is unreadable");
    std::string records;
    if (!ReadWholeFile(base + ".s19", records) || records.size() > kMaxDataText)
        return damaged("the data file is missing");
    std::vector<std::uint8_t> data;
    if (!ParseDataText(records, static_cast<std::uint16_t>(startValue), static_cast<std::size_t>(lengthValue), data))
        return damaged("the data file does not decode");
    if (DataSum(data) != sumValue) return damaged("the data differs from what was logged");
    entry.hasData = true;
    entry.start = static_cast<std::uint16_t>(startValue);
    entry.data = std::move(data);
    return entry;
}

std::vector<LogEntry> Logbook::List() const {
    std::vector<LogEntry> entries;
    for (int id : Ids()) entries.push_back(Load(id));
    return entries;
}

bool Logbook::Find(int id, LogEntry& entry) const {
    if (id < 1 || id > kMaxId) return false;
    std::error_code error;
    // A link that leads nowhere is listed, as damaged: found the same way.
    if (!fs::exists(fs::symlink_status(fs::path(folder_) / IdName(id, ".log"), error))) return false;
    entry = Load(id);
    return true;
}

bool Logbook::Finish(int id, const std::string& result, const std::string& detail, std::string& error) {
    LogEntry entry;
    if (!Find(id, entry) || entry.result != logbook::kStarted || result.empty() || result == logbook::kStarted) {
        error = "logbook entry " + std::to_string(id) + " is not a write awaiting its outcome";
        return false;
    }
    const std::string text = std::string(kEndMagic) + "\nentry=" + IdName(id, "") + "\nresult=" + OneLine(result) +
                             "\ndetail=" + OneLine(detail) + "\nend\n";
    // Created once: a second outcome, or a file planted under its name, is
    // never replaced.
    if (WriteFileExclusive((fs::path(folder_) / IdName(id, ".end")).string(), text) != ExclusiveWrite::kWritten) {
        error = "cannot write the outcome of logbook entry " + std::to_string(id);
        return false;
    }
    return true;
}

bool Logbook::CanAdd(std::string& error) const {
    std::error_code fsError;
    fs::create_directories(folder_, fsError);
    const std::string probe = (fs::path(folder_) / (".probe-" + std::to_string(::getpid()))).string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write in the logbook " + folder_;
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

int Logbook::FirstFreeId() const {
    std::vector<bool> used(kMaxId + 1, false);
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error))
        used[static_cast<std::size_t>(EntryFileId(it->path().filename().string()))] = true;
    // Below the numbers that run up to the last one (the planted ones), the
    // number after the newest entry: entries keep numbering in time order.
    int free = kMaxId;
    while (free >= 1 && used[static_cast<std::size_t>(free)]) --free;
    if (free < 1) return 0;
    int newest = free;
    while (newest >= 1 && !used[static_cast<std::size_t>(newest)]) --newest;
    return newest + 1;
}

bool Logbook::SetNote(int id, const std::string& note, std::string& error) {
    if (id < 1 || id > kMaxId || !fs::exists(fs::path(folder_) / IdName(id, ".log"))) {
        error = "no logbook entry " + std::to_string(id);
        return false;
    }
    // The note is the logbook's own file: a link planted in its place is
    // never written through.
    std::error_code linkError;
    if (fs::is_symlink(fs::path(folder_) / IdName(id, ".note"), linkError)) {
        error = "the note of entry " + std::to_string(id) + " is a link; nothing was written";
        return false;
    }
    if (!WriteFileAtomic((fs::path(folder_) / IdName(id, ".note")).string(), OneLine(note) + "\n")) {
        error = "cannot write the note of entry " + std::to_string(id);
        return false;
    }
    return true;
}

bool Logbook::LastEcuData(const std::string& machine, const std::string& ecu, LogEntry& entry) const {
    const std::vector<int> ids = Ids();
    std::vector<LogEntry> later;   // completed single writes after the reference, newest first
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        LogEntry candidate = Load(*it);
        if (candidate.machine != machine || candidate.ecu != ecu) continue;
        if (candidate.HoldsEcuData()) {
            for (auto write = later.rbegin(); write != later.rend(); ++write) {
                for (std::size_t i = 0; i < write->data.size(); ++i) {
                    const long at = static_cast<long>(write->start) + static_cast<long>(i) - candidate.start;
                    if (at >= 0 && static_cast<std::size_t>(at) < candidate.data.size())
                        candidate.data[static_cast<std::size_t>(at)] = write->data[i];
                }
            }
            entry = std::move(candidate);
            return true;
        }
        if (!candidate.WritesEcu() || candidate.result == logbook::kNotSent) continue;
        // A write that failed or was cut may have left anything in the ECU.
        if (candidate.result != logbook::kComplete || !candidate.hasData) return false;
        later.push_back(std::move(candidate));
    }
    return false;
}
