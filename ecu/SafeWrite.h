#pragma once
// A block write to the ECU that cannot lose the ECU's calibration: the data
// over the range about to be written is read first and kept in the logbook
// (the backup), then the write goes, then the range is read back and
// compared. Only a write whose read-back matches is complete; the ECU's
// result byte alone proves nothing. A failed write keeps the backup and
// offers to write it back.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ecu/Logbook.h"
#include "ecu/WriteGuard.h"

class EcuProtocol;
struct UserPrompt;

enum class WritePhase { kBackup = 1, kWrite = 2, kVerify = 3 };
// "Backup", "Write", "Verify".
const char* PhaseName(WritePhase phase);

struct SafeWriteJob {
    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;
    std::string file;                       // the data file the bytes come from ("" for none)
    const char* operation = logbook::kWrite;   // or logbook::kRestore
    std::string detail;                     // a restore: which entry it writes back
    bool backup = true;
    bool guard = true;                      // off only to write back this run's own backup
    const MapList* maps = nullptr;          // for the guard; none: nothing to compare
    // The definition's maps laid over the image with bytes (from start) in
    // it; true when every map was placed. Map sizes lie in the data, so the
    // guard places the maps over what the ECU holds too, and compares the
    // cells where the ECU has them. Empty: job.maps for both.
    std::function<bool(std::uint16_t start, const std::vector<std::uint8_t>& bytes, MapList& maps)> layMaps;
    GuardLimits limits;
};

enum class SafeWriteStatus {
    kComplete,       // written and read back the same
    kRefused,        // the guard's question was answered no; nothing sent
    kPortTaken,      // another program holds the port; nothing sent
    kBackupFailed,   // the backup could not be read or kept; nothing sent
    kNotLogged,      // the logbook cannot take the write's entry; nothing sent
    kWriteFailed,    // the transfer failed; the ECU may hold part of the data
    kVerifyFailed,   // the ECU answered but does not hold the data
    kInterrupted,    // stopped by the user at a record boundary; the ECU may hold part
};

struct SafeWriteResult {
    SafeWriteStatus status = SafeWriteStatus::kBackupFailed;
    int backupId = 0;          // the logbook entry of the backup, 0 for none
    int entryId = 0;           // the logbook entry of the write, 0 when none was written
    std::string detail;        // why it failed, for the report and the logbook
    std::string logError;      // what the logbook could not take (the write's entry or its outcome)
    bool dataSent = false;     // the write phase began: the ECU may hold other data
    GuardReport guard;
    bool Complete() const { return status == SafeWriteStatus::kComplete; }
    // The ECU may no longer hold what it held before.
    bool EcuTouched() const {
        return dataSent && (status == SafeWriteStatus::kWriteFailed || status == SafeWriteStatus::kVerifyFailed ||
                            status == SafeWriteStatus::kInterrupted);
    }
};

class SafeWrite {
public:
    // machine and ecu name the ECU in the logbook.
    SafeWrite(EcuProtocol& protocol, Logbook& book, UserPrompt& prompt, std::string machine, std::string ecu)
        : protocol_(protocol), book_(book), prompt_(prompt), machine_(std::move(machine)), ecu_(std::move(ecu)) {}

    SafeWriteResult Run(const SafeWriteJob& job);
    Logbook& Book() { return book_; }
    const std::string& Machine() const { return machine_; }
    const std::string& Ecu() const { return ecu_; }

    // Each phase as it starts; may be empty.
    std::function<void(WritePhase phase)> onPhase;
    // The guard found changes to confirm (report), or cannot check the write
    // at all (noHistory; UncheckedText says why). true goes on; empty: refused.
    std::function<bool(const GuardReport& report, bool noHistory)> confirm;
    // Each report line as its phase ends ("Backup from ECU data   --->   Complete").
    std::function<void(const std::string& line)> onReportLine;
    // Asked between phases and between the records of the write (Ctrl+C,
    // SIGTERM); true stops the run there. May be empty.
    std::function<bool()> stopRequested;

private:
    bool Confirm(const GuardReport& report, bool noHistory);
    // The guard against old data; false when its question was answered no.
    bool Guard(const SafeWriteJob& job, std::uint16_t oldStart, const std::vector<std::uint8_t>& old,
               SafeWriteResult& result);
    bool Stopped() const;
    void Interrupted(const std::string& where, SafeWriteResult& result);
    void Line(const char* what, const std::string& result);
    void Log(LogEntry entry, SafeWriteResult& result, bool isWrite);
    void Message(const std::string& text);

    EcuProtocol& protocol_;
    Logbook& book_;
    UserPrompt& prompt_;
    std::string machine_;
    std::string ecu_;
};

// Why a write cannot be checked (noHistory): the report's reason, or that
// nothing of the ECU is known.
std::string UncheckedText(const GuardReport& report);
// The window's questions: the guard's summary (or the missing history), and
// the offer to write the backup back after a failed write.
std::string GuardQuestion(const GuardReport& report, bool noHistory);
std::string RestoreQuestion(const SafeWriteResult& failed);

// The job that writes a logbook entry's data back, with a backup of what the
// ECU holds first when backup is set. It goes through the guard like any
// write; the owner sets the maps and limits.
SafeWriteJob RestoreJob(const LogEntry& entry, bool backup);

// The bytes of the block read (start, bytes) over first .. first + count - 1;
// false when the read does not cover the whole range.
bool SliceRange(std::uint16_t start, const std::vector<std::uint8_t>& bytes, std::uint16_t first, std::size_t count,
                std::vector<std::uint8_t>& slice);
