#include "ecu/SafeWrite.h"

#include <cstdio>

#include "ecu/EcuProtocol.h"
#include "files/SRecord.h"
#include "model/Strings.h"
#include "platform/TextFormat.h"
#include "platform/UserPrompt.h"

namespace {

constexpr const char* kArrow = "   --->   ";

std::string Address(long address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04lX", address & 0xFFFF);
    return text;
}

// The ECU's message for a failed read, as the exchange shows it.
std::string ReadFailure(const EcuProtocol& protocol, const EcuReadResult& read) {
    if (read.code != str::kFailedToCorrespond) return protocol.CodeText(read.code);
    std::string text = Str(str::kFailedToCorrespond);
    if (!read.failAddress.empty())
        text += "\n" + FormatText(Str(str::kReadErrorAddress).c_str(), read.failAddress.c_str());
    return text;
}

}  // namespace

const char* PhaseName(WritePhase phase) {
    switch (phase) {
    case WritePhase::kBackup: return "Backup";
    case WritePhase::kWrite: return "Write";
    default: return "Verify";
    }
}

bool SliceRange(std::uint16_t start, const std::vector<std::uint8_t>& bytes, std::uint16_t first, std::size_t count,
                std::vector<std::uint8_t>& slice) {
    const long offset = static_cast<long>(first) - static_cast<long>(start);
    if (count == 0 || offset < 0 || static_cast<std::size_t>(offset) + count > bytes.size()) return false;
    slice.assign(bytes.begin() + offset, bytes.begin() + offset + static_cast<long>(count));
    return true;
}

std::string UncheckedText(const GuardReport& report) {
    if (!report.unchecked.empty()) return report.unchecked;
    return "No data of this ECU is in the logbook and no backup is read, so this write cannot be checked "
           "against what the ECU holds.";
}

std::string GuardQuestion(const GuardReport& report, bool noHistory) {
    if (noHistory) return UncheckedText(report) + "\n\nWrite to the ECU?";
    return "This write changes the ECU's maps more than usual:\n\n" + report.Summary() + "\nWrite to the ECU?";
}

std::string RestoreQuestion(const SafeWriteResult& failed) {
    return "The write to the ECU failed: " + failed.detail + ".\nThe ECU may hold part of the new data.\n\n" +
           "The ECU's data from before the write is kept in logbook entry " + std::to_string(failed.backupId) +
           ".\nWrite it back now?";
}

void SafeWrite::Message(const std::string& text) {
    prompt_.Message(text, Str(str::kCaptionDataExchange), PromptIcon::kExclamation);
}

void SafeWrite::Line(const char* what, const std::string& result) {
    if (onReportLine) onReportLine(std::string(what) + kArrow + result);
}

bool SafeWrite::Confirm(const GuardReport& report, bool noHistory) { return confirm && confirm(report, noHistory); }

void SafeWrite::Log(LogEntry entry, SafeWriteResult& result, bool isWrite) {
    entry.machine = machine_;
    entry.ecu = ecu_;
    std::string error;
    if (!book_.Add(entry, error)) {
        result.logError = error;
        return;
    }
    (isWrite ? result.entryId : result.backupId) = entry.id;
}

bool SafeWrite::Stopped() const { return stopRequested && stopRequested(); }

bool SafeWrite::Guard(const SafeWriteJob& job, std::uint16_t oldStart, const std::vector<std::uint8_t>& old,
                      SafeWriteResult& result) {
    if (!job.guard) return true;
    static const MapList kNoMaps;
    const MapList* cells = job.maps;
    MapList newMaps, oldMaps;
    std::vector<std::string> layout;
    if (job.layMaps) {
        const bool newPlaced = job.layMaps(job.start, job.bytes, newMaps);
        const bool oldPlaced = job.layMaps(oldStart, old, oldMaps);
        layout = LayoutChanges(newMaps, newPlaced, oldMaps, oldPlaced);
        cells = oldPlaced || oldMaps.size() >= newMaps.size() ? &oldMaps : &newMaps;
    }
    result.guard = CheckPlausibility(cells ? *cells : kNoMaps, job.start, job.bytes, oldStart, old, job.limits);
    result.guard.layout = std::move(layout);
    // Data in which no map lies (a restore of some other range, no maps
    // known) passes no check at all: it is asked like a write with no history.
    const bool nothingCompared = result.guard.comparedCells == 0;
    if (nothingCompared)
        result.guard.unchecked =
            (!cells || cells->empty()
                 ? std::string("No maps are known for this data (no calibration is open, or the definition's "
                               "maps cannot be placed over it)")
                 : "No map of the definition lies in " + Address(job.start) + "-" +
                       Address(job.start + static_cast<long>(job.bytes.size()) - 1)) +
            ", so the plausibility guard cannot check this write.";
    if (nothingCompared ? Confirm(result.guard, true) : !result.guard.Flagged() || Confirm(result.guard, false))
        return true;
    result.status = SafeWriteStatus::kRefused;
    result.detail = "refused by the plausibility guard";
    Line("Plausibility guard", "Refused");
    return false;
}

void SafeWrite::Interrupted(const std::string& phase, SafeWriteResult& result) {
    result.status = SafeWriteStatus::kInterrupted;
    result.detail = "interrupted during the " + phase;
    Line("Write to ECU data", logbook::kInterrupted);
}

SafeWriteResult SafeWrite::Run(const SafeWriteJob& job) {
    SafeWriteResult result;
    if (job.bytes.empty() || job.start + job.bytes.size() > 0x10000) {
        result.detail = "nothing to write";
        return result;
    }
    const std::size_t count = job.bytes.size();
    // One opening of the port for the backup, the write and the read-back:
    // no other program can put its bytes between them.
    EcuProtocol::PortUse port(protocol_);
    if (port.Taken()) {
        result.status = SafeWriteStatus::kPortTaken;
        result.detail = protocol_.CodeText(str::kPortUsedByOther);
        Message(result.detail + " Nothing was written.");
        Line("Write to ECU data", logbook::kFail);
        return result;
    }

    if (job.backup) {
        if (onPhase) onPhase(WritePhase::kBackup);
        EcuReadResult read = protocol_.ReadEcu();
        std::vector<std::uint8_t> backup;
        const bool readOk = read.code == 0 && read.data.ok;
        if (!readOk) {
            Message(ReadFailure(protocol_, read));
            result.detail = "the backup could not be read";
        } else if (!SliceRange(read.data.start, read.data.bytes, job.start, count, backup)) {
            result.detail = "the ECU's read does not cover " + Address(job.start) + "-" +
                            Address(job.start + static_cast<long>(count) - 1);
            Message("The backup is incomplete: " + result.detail + ". Nothing was written.");
        } else {
            LogEntry entry;
            entry.operation = logbook::kBackup;
            entry.result = logbook::kComplete;
            entry.file = job.file;
            entry.hasData = true;
            entry.start = job.start;
            entry.data = backup;
            Log(entry, result, false);
            if (result.backupId == 0) {
                result.detail = "the backup could not be kept: " + result.logError;
                Message("The backup could not be kept in the logbook (" + result.logError + "). Nothing was written.");
            }
        }
        if (result.backupId == 0) {
            Line("Backup from ECU data", logbook::kFail);
            LogEntry failed;
            failed.operation = logbook::kBackup;
            failed.result = logbook::kFail;
            failed.file = job.file;
            failed.detail = result.detail;
            std::string ignored;
            failed.machine = machine_;
            failed.ecu = ecu_;
            book_.Add(failed, ignored);
            result.status = SafeWriteStatus::kBackupFailed;
            return result;
        }
        Line("Backup from ECU data", logbook::kComplete);
        // The guard weighs the write against what this ECU holds now, read
        // a moment ago: not against the logbook, which a single write, a
        // failed write or another program may have left behind.
        if (!Guard(job, job.start, backup, result)) return result;
    } else if (job.guard) {
        LogEntry known;
        if (!book_.LastEcuData(machine_, ecu_, known)) {
            if (!Confirm(GuardReport{}, true)) {
                result.status = SafeWriteStatus::kRefused;
                result.detail = "no data of this ECU in the logbook to check the write against";
                Line("Plausibility guard", "Refused");
                return result;
            }
        } else if (!Guard(job, known.start, known.data, result)) {
            return result;
        }
    }
    if (Stopped()) {
        Interrupted("backup; nothing was written", result);
        return result;
    }

    // The write is in the logbook before its first record goes out: a
    // program killed halfway (or a machine without power) leaves a "started"
    // entry, which tells that the ECU may hold anything.
    LogEntry entry;
    entry.operation = job.operation;
    entry.result = logbook::kStarted;
    entry.file = job.file;
    entry.detail = job.detail;
    if (result.backupId != 0)
        entry.detail += (entry.detail.empty() ? "" : "; ") + std::string("backup in entry ") +
                        std::to_string(result.backupId);
    entry.hasData = true;
    entry.start = job.start;
    entry.data = job.bytes;
    Log(entry, result, true);
    if (result.entryId == 0) {
        result.status = SafeWriteStatus::kNotLogged;
        result.detail = "the logbook cannot take the write: " + result.logError;
        Message("The write could not be entered in the logbook (" + result.logError + "). Nothing was written.");
        result.logError.clear();   // said in the message
        Line("Write to ECU data", logbook::kFail);
        return result;
    }

    if (onPhase) onPhase(WritePhase::kWrite);
    std::vector<std::string> lines;
    BuildRecords(job.bytes.data(), count, job.start, static_cast<std::uint16_t>(count - 1), lines);
    auto previousStop = protocol_.stopRequested;
    protocol_.stopRequested = stopRequested;
    const EcuWriteResult written = protocol_.WriteEcu(lines);
    protocol_.stopRequested = previousStop;
    result.dataSent = written.commandSent;
    // Every record went out but the ECU's result byte did not come: only
    // the read-back can tell whether the data is there.
    const bool resultByteMissing = written.code == str::kFailedToCorrespond && written.allSent;
    std::string note;
    if (written.interrupted) {
        Interrupted("write before " + written.failAddress + "; the ECU may hold part of the data", result);
    } else if (written.code != 0 && !resultByteMissing) {
        if (written.code == str::kFailedToCorrespond) {
            std::string text = Str(str::kFailedToCorrespond);
            if (!written.failAddress.empty())
                text += "\n" + FormatText(Str(str::kWriteErrorAddress).c_str(), written.failAddress.c_str());
            Message(text);
            result.detail = "the transfer broke off" +
                            (written.failAddress.empty() ? std::string() : " at " + written.failAddress);
        } else {
            Message(protocol_.CodeText(written.code));
            result.detail = protocol_.CodeText(written.code);
        }
        result.status = SafeWriteStatus::kWriteFailed;
    } else {
        if (resultByteMissing) note = "the ECU sent no result byte";
        if (onPhase) onPhase(WritePhase::kVerify);
        EcuReadResult read = protocol_.ReadEcu();
        std::vector<std::uint8_t> back;
        std::string verdict = logbook::kFail;
        if (read.code != 0 || !read.data.ok) {
            Message(ReadFailure(protocol_, read));
            result.detail = "the data could not be read back";
        } else if (!SliceRange(read.data.start, read.data.bytes, job.start, count, back)) {
            result.detail = "the ECU's read does not cover the range written";
        } else {
            std::size_t i = 0;
            while (i < count && back[i] == job.bytes[i]) ++i;
            if (i < count) {
                char text[80];
                std::snprintf(text, sizeof text, "the ECU holds %02X at %s, not %02X", back[i],
                              Address(job.start + static_cast<long>(i)).c_str(), job.bytes[i]);
                result.detail = text;
                verdict = logbook::kNotSame;
            } else {
                verdict = logbook::kSame;
            }
        }
        Line("Read back from ECU data", verdict);
        result.status = verdict == logbook::kSame ? SafeWriteStatus::kComplete : SafeWriteStatus::kVerifyFailed;
        if (!result.Complete()) Message("The ECU did not store the data: " + result.detail + ".");
    }
    if (result.status != SafeWriteStatus::kInterrupted)
        Line("Write to ECU data", result.Complete() ? logbook::kComplete : logbook::kFail);

    // A write refused before its command went out (the ECU silent or of
    // another type) left the ECU as it was: its entry says so, and the
    // history reads past it.
    const char* outcome = result.Complete()                                  ? logbook::kComplete
                          : !result.dataSent                                 ? logbook::kNotSent
                          : result.status == SafeWriteStatus::kInterrupted ? logbook::kInterrupted
                                                                           : logbook::kFail;
    std::string detail = job.detail;
    auto add = [&detail](const std::string& part) {
        if (!part.empty()) detail += (detail.empty() ? "" : "; ") + part;
    };
    add(note);
    add(result.detail);
    if (result.backupId != 0) add("backup in entry " + std::to_string(result.backupId));
    // Without its outcome the entry stays "started": the ECU is then taken
    // to hold anything, never the data of this write.
    if (std::string error; !book_.Finish(result.entryId, outcome, detail, error))
        result.logError = error + "; the entry stays \"" + logbook::kStarted +
                          "\", so nothing of this ECU counts as known until it is read again";
    return result;
}

SafeWriteJob RestoreJob(const LogEntry& entry, bool backup) {
    SafeWriteJob job;
    job.start = entry.start;
    job.bytes = entry.data;
    job.file = entry.file;
    job.operation = logbook::kRestore;
    job.detail = "writes back entry " + std::to_string(entry.id);
    job.backup = backup;
    return job;
}
