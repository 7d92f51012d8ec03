#pragma once
// The logbook of a machine: one entry per read, write, verify and backup of
// the ECU, so every transfer can be traced and every write undone.
//
// An entry is two files in the machine's logbook folder, named by its number:
// "000012.log" (key=value lines) and, where data moved, "000012.s19" (the
// data as S-records). Both are written atomically, the data first, and never
// rewritten: an entry exists once its .log file does. A write is entered
// "started" before its first record goes out; its outcome follows in
// "000012.end", written once, so a write the program never finished still
// shows. The note a technician adds later goes into "000012.note", the only
// file that may be replaced.
// An entry whose files do not read back as written (a missing key, data that
// does not decode or whose sum differs) is listed as damaged, never dropped.
#include <cstdint>
#include <string>
#include <vector>

namespace logbook {
// Operations.
constexpr const char* kRead = "read";
constexpr const char* kWrite = "write";
constexpr const char* kVerify = "verify";
constexpr const char* kBackup = "backup";
constexpr const char* kRestore = "restore";
// Single-address writes (Shift+Enter, the constants list, rvtune write-byte
// and write-word): the echo shows the ECU took the bytes, nothing read them
// back, so their data is never taken for the ECU's content on its own.
constexpr const char* kWriteByte = "write-byte";
constexpr const char* kWriteWord = "write-word";
// Results, in the words of the exchange's report, and the damaged mark.
constexpr const char* kComplete = "Complete";
constexpr const char* kFail = "Fail";
constexpr const char* kSame = "Same";
constexpr const char* kNotSame = "Not same";
constexpr const char* kDamaged = "damaged";
// A write stopped by the user (Ctrl+C, SIGTERM) at a record boundary.
constexpr const char* kInterrupted = "interrupted";
// A write whose outcome never reached the logbook: the program was killed
// or the machine lost power while the records went out.
constexpr const char* kStarted = "started";
// A write refused before its command went out: the ECU holds what it held.
constexpr const char* kNotSent = "not sent";
constexpr const char* kFolderName = "LOGBOOK";
}  // namespace logbook

struct LogEntry {
    int id = 0;
    std::string time;        // local time "YYYY-MM-DD HH:MM:SS"
    std::string operation;   // logbook::kRead ...
    std::string result;      // logbook::kComplete ..., kDamaged when it does not read back
    std::string machine;
    std::string ecu;         // the ECU's identification as the link expects it
    std::string file;        // the data file involved, "" for none
    std::string detail;      // what went wrong, or which entry a restore wrote back
    std::string note;
    bool hasData = false;
    std::uint16_t start = 0;
    std::vector<std::uint8_t> data;
    std::string damage;      // why the entry is damaged

    bool Damaged() const { return result == logbook::kDamaged; }
    // The entry's data is what the ECU held at its time: a completed read or
    // backup, a verified write or restore, or the ECU side of a verify.
    bool HoldsEcuData() const;
    // The entry sent data into the ECU (whatever its result).
    bool WritesEcu() const;
};

class Logbook {
public:
    explicit Logbook(std::string folder) : folder_(std::move(folder)) {}
    const std::string& Folder() const { return folder_; }

    // Adds entry under the next free number (its id and, when empty, its time
    // are set; a relative file path becomes absolute); false when its files
    // cannot be written (nothing is then listed under that number). Two
    // programs adding at once get two numbers; an entry is never replaced.
    bool Add(LogEntry& entry, std::string& error);
    // The outcome of a "started" entry (result, detail), written once; false
    // when the entry is not a started one, already has its outcome, or the
    // file cannot be written.
    bool Finish(int id, const std::string& result, const std::string& detail, std::string& error);
    // Whether an entry could be added now (the folder exists or can be made,
    // and a file can be created in it); false with the reason.
    bool CanAdd(std::string& error) const;
    // Every entry, oldest first; damaged ones included.
    std::vector<LogEntry> List() const;
    // false when no entry has that number.
    bool Find(int id, LogEntry& entry) const;
    // Replaces the note of an entry that exists.
    bool SetNote(int id, const std::string& note, std::string& error);
    // What the ECU holds as far as the logbook knows: the latest undamaged
    // entry of this machine and ECU whose data is the ECU's content, with the
    // completed single writes after it laid over its bytes. false when there
    // is none, or when a write after it failed or was cut, since the ECU may
    // then hold anything.
    bool LastEcuData(const std::string& machine, const std::string& ecu, LogEntry& entry) const;

    // The folder of a machine's logbook: LOGBOOK in the work folder beside
    // its settings file.
    static std::string FolderFor(const std::string& settingsFilePath);

private:
    std::vector<int> Ids() const;
    // The number after the newest entry below the numbers that run up to
    // the last one; 0 when every number is taken.
    int FirstFreeId() const;
    LogEntry Load(int id) const;
    std::string folder_;
};

// Why entry is not this machine's and ECU's ("Logbook entry 7 belongs to
// machine X, ECU Y; this is machine A, ECU B."); "" when it is theirs.
std::string ForeignEntryText(const LogEntry& entry, const std::string& machine, const std::string& ecu);
// Why the ECU may never have held entry's data (a write that failed, was cut
// or was never read back; a damaged entry); "" when it did (HoldsEcuData).
std::string DoubtfulDataText(const LogEntry& entry);

// The identification bytes as text: printable characters as they are, else
// "0x" and hex digits.
std::string EcuIdText(const std::uint8_t* id, std::size_t n);
// The local time now as "YYYY-MM-DD HH:MM:SS".
std::string LogTimeNow();
