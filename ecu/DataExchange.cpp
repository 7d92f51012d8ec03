#include "ecu/DataExchange.h"

#include <utility>

#include "config/Definition.h"
#include "config/RegistrySettings.h"
#include "model/Calibration.h"
#include "model/Maps.h"
#include "model/Strings.h"
#include "ecu/EcuProtocol.h"
#include "files/ImageFile.h"
#include "files/SRecord.h"
#include "platform/TextFormat.h"
#include "platform/UserPrompt.h"

namespace {

const std::string kReadDrain = "ReadEcu_GetRestDataFromPort";

const char* ReadLine(ExchangeSource source) {
    switch (source) {
    case ExchangeSource::kEcu: return "Read from ECU data   --->   ";
    case ExchangeSource::kEdit: return "Read from edit data   --->   ";
    default: return "Read from file data   --->   ";
    }
}

const char* CompareLine(ExchangeSource source) {
    switch (source) {
    case ExchangeSource::kEcu: return "Compare with ECU data   --->   ";
    case ExchangeSource::kEdit: return "Compare with edit data   --->   ";
    default: return "Compare with file data   --->   ";
    }
}

}  // namespace

FileChooser ChosenFile(const std::string& path) {
    return [path](std::string& chosen) {
        chosen = path;
        return true;
    };
}

DataExchange::DataExchange(Calibration& calibration, const RegistrySettings& registry, const std::string& defaultFolder,
                           EcuProtocol& protocol, UserPrompt& prompt)
    : calibration_(calibration),
      registry_(registry),
      defaultFolder_(defaultFolder),
      protocol_(protocol),
      prompt_(prompt) {}

ExchangeButtons DataExchange::Buttons() const {
    ExchangeButtons buttons;
    if (busy_) {
        buttons.read = false;
        return buttons;
    }
    const bool loaded = !exchange_.Empty() && !exchange_.partial;
    buttons.write = loaded;
    buttons.verify = loaded;
    buttons.clear = !exchange_.Empty();
    return buttons;
}

FileDialogSpec DataExchange::FileDialog() const {
    return FileDialogSpec{exchangetext::kOpenFileTitle, Str(str::kDataFileFilterWithObj),
                          exchangetext::kDefaultExtension, defaultFolder_};
}

void DataExchange::SetBusy(bool busy) {
    busy_ = busy;
    if (onBusyChanged) onBusyChanged();
}

void DataExchange::Append(const std::string& text) {
    report_ += text;
    lastReport_ += text;
}

void DataExchange::Message(const std::string& text) {
    prompt_.Message(text, Str(str::kCaptionDataExchange), PromptIcon::kExclamation);
}

void DataExchange::Clear() {
    exchange_.Clear();
    status_.clear();
    report_.clear();
}

DataExchange::Fill DataExchange::FillPane(DataPane& pane, ExchangeSource source,
                                          const FileChooser& chooseFile, std::string& path) {
    switch (source) {
    case ExchangeSource::kEcu: return FillFromEcu(pane);
    case ExchangeSource::kEdit: return FillFromEdit(pane);
    case ExchangeSource::kFile:
        if (!chooseFile || !chooseFile(path)) return Fill::kAbandoned;
        return FillFromFile(pane, path);
    }
    return Fill::kFailed;
}

DataExchange::Fill DataExchange::FillFromEcu(DataPane& pane) {
    SetBusy(true);
    EcuReadResult result = protocol_.ReadEcu();
    SetBusy(false);
    if (result.code == 0 && result.data.ok && !result.data.bytes.empty()) {
        pane.Fill(result.data.start, std::move(result.data.bytes), exchangetext::kEcuTitle, false);
        return Fill::kLoaded;
    }
    if (result.code != str::kFailedToCorrespond && result.code != 0) {
        Message(protocol_.CodeText(result.code));
        return Fill::kFailed;
    }
    // A failed read: what arrived sound stays in the pane, marked as partial
    // (it can be neither written nor verified).
    std::string text = Str(str::kFailedToCorrespond);
    if (!result.failAddress.empty())
        text += "\n" + FormatText(Str(str::kReadErrorAddress).c_str(), result.failAddress.c_str());
    if (!result.data.bytes.empty())
        pane.Fill(result.data.start, std::move(result.data.bytes), exchangetext::kEcuTitle, true);
    Message(text);
    return Fill::kFailed;
}

DataExchange::Fill DataExchange::FillFromEdit(DataPane& pane) {
    if (!calibration_.HasImage() || calibration_.dataStart > calibration_.dataEnd) return Fill::kFailed;
    const Image& image = calibration_.image();
    std::vector<std::uint8_t> bytes(image.begin() + calibration_.dataStart, image.begin() + calibration_.dataEnd + 1);
    // The image's checksum byte is brought up to date only when the file is
    // saved; what leaves for the ECU or a comparison carries the right one,
    // as the file source's does.
    bytes.back() = ChecksumByte(bytes.data(), bytes.size() - 1);
    pane.Fill(calibration_.dataStart, std::move(bytes), FormatText(exchangetext::kEditTitle, calibration_.dataFileName.c_str()), false);
    return Fill::kLoaded;
}

DataExchange::Fill DataExchange::FillFromFile(DataPane& pane, const std::string& path) {
    ImageFileData data;
    const int result = ReadImageFile(path, registry_.machineFolder, data);
    if (!data.checksumOk) status_ = exchangetext::kChecksumError;
    const auto n = static_cast<std::size_t>(result > 0 ? result : 0);
    if (result < 1 || data.bytes.size() < n + 1) {
        Message(result == kImageFileOtherMachine ? Str(str::kMachineTypeDifferent)
                                                 : Str(str::kFailedToReadFile));
        return Fill::kFailed;
    }
    // n data bytes and the checksum byte after them, recomputed so the whole
    // block sums to 0x7F.
    std::vector<std::uint8_t> bytes(data.bytes.begin(), data.bytes.begin() + static_cast<long>(n) + 1);
    bytes[n] = ChecksumByte(bytes.data(), n);
    pane.Fill(data.start, std::move(bytes), FormatText(exchangetext::kFileTitle, path.c_str()), false);
    return Fill::kLoaded;
}

ExchangeOutcome DataExchange::Read(ExchangeSource source, const FileChooser& chooseFile) {
    if (busy_) return ExchangeOutcome::kUnavailable;
    lastReport_.clear();
    logError_.clear();
    status_.clear();
    // The drain comes before the question; a monitor request still awaiting
    // its answer would lose the answer to it (and show "Error"), so the
    // monitor stands aside first, until the read is over or abandoned.
    struct MonitorHold {
        EcuProtocol* protocol;
        ~MonitorHold() {
            if (protocol) protocol->ReleaseMonitor();
        }
    } hold{source == ExchangeSource::kEcu ? &protocol_ : nullptr};
    if (hold.protocol) protocol_.HoldMonitor();
    if (source == ExchangeSource::kEcu && !protocol_.DrainBeforeExchange(kReadDrain)) {
        Message(Str(str::kDataRemainsInPort));
        Append(std::string(ReadLine(source)) + exchangetext::kFail + "\r\n\r\n");
        LogTransfer(logbook::kRead, logbook::kFail, nullptr, readTarget);
        return ExchangeOutcome::kFail;
    }
    if (!exchange_.Empty()) {
        // OK drops the data read before, so the default is Cancel, which keeps it.
        const PromptAnswer answer =
            prompt_.Ask(Str(str::kCancelCurrentData), Str(str::kCaptionDataRead),
                        PromptButtons::kOkCancel, PromptIcon::kQuestion, PromptAnswer::kCancel);
        if (answer != PromptAnswer::kOk) return ExchangeOutcome::kAbandoned;
        Clear();
    }
    std::string path;
    const Fill fill = FillPane(exchange_, source, chooseFile, path);
    if (fill == Fill::kAbandoned) return ExchangeOutcome::kAbandoned;
    readSource_ = source;
    exchangePath_ = path;
    const bool loaded = fill == Fill::kLoaded;
    std::string line = std::string(ReadLine(source)) + (loaded ? exchangetext::kComplete : exchangetext::kFail);
    if (source == ExchangeSource::kFile)
        line += loaded ? "\r\n  " + path + "\r\n\r\n" : std::string("\r\n");
    else
        line += "\r\n\r\n";
    Append(line);
    if (source == ExchangeSource::kEcu)
        LogTransfer(logbook::kRead, loaded ? logbook::kComplete : logbook::kFail, loaded ? &exchange_ : nullptr,
                    readTarget);
    return loaded ? ExchangeOutcome::kComplete : ExchangeOutcome::kFail;
}

void DataExchange::LogTransfer(const char* operation, const char* result, const DataPane* data,
                               const std::string& file) {
    if (!safeWrite) return;
    LogEntry entry;
    entry.operation = operation;
    entry.result = result;
    entry.machine = safeWrite->Machine();
    entry.ecu = safeWrite->Ecu();
    entry.file = file;
    if (data && !data->Empty()) {
        entry.hasData = true;
        entry.start = data->start;
        entry.data = data->bytes;
    }
    std::string error;
    if (!safeWrite->Book().Add(entry, error)) {
        logError_ = error;
        Message("The logbook could not take this transfer (" + error + ").");
    }
}

ExchangeOutcome DataExchange::Write(ExchangeTarget target) {
    if (busy_ || exchange_.partial) return ExchangeOutcome::kUnavailable;
    lastReport_.clear();
    logError_.clear();
    status_.clear();
    bool ok = false;
    if (target == ExchangeTarget::kEcu) {
        std::vector<std::string> lines;
        if (safeWrite && !exchange_.Empty()) {
            SafeWriteJob job;
            job.start = exchange_.start;
            job.bytes = exchange_.bytes;
            if (readSource_ == ExchangeSource::kEdit) job.file = calibration_.dataFilePath;
            else if (readSource_ == ExchangeSource::kFile) job.file = exchangePath_;
            job.backup = backupBeforeWrite;
            job.maps = calibration_.HasImage() ? &calibration_.maps : nullptr;
            job.layMaps = MapLayer();
            job.limits = guardLimits;
            return RunSafeWrite(job) ? ExchangeOutcome::kComplete : ExchangeOutcome::kFail;
        }
        if (!exchange_.Empty() &&
            BuildRecords(exchange_.bytes.data(), exchange_.bytes.size(), exchange_.start,
                         static_cast<std::uint16_t>(exchange_.bytes.size() - 1), lines)) {
            SetBusy(true);
            const EcuWriteResult result = protocol_.WriteEcu(lines);
            SetBusy(false);
            ok = result.code == 0;
            if (result.code == str::kFailedToCorrespond)
                Message(Str(str::kFailedToCorrespond) +
                        (result.failAddress.empty()
                             ? std::string()
                             : "\n" + FormatText(Str(str::kWriteErrorAddress).c_str(), result.failAddress.c_str())));
            else if (result.code != 0)
                Message(protocol_.CodeText(result.code));
        }
        Append(std::string("Write to ECU data   --->   ") + (ok ? exchangetext::kComplete : exchangetext::kFail) +
               "\r\n\r\n");
    } else {
        if (exchange_.Empty() || readSource_ == ExchangeSource::kEdit) {
            ok = true;
        } else if (!calibration_.HasImage() || exchange_.start != calibration_.dataStart) {
            prompt_.Message(Str(str::kAddressNotCorrespond), Str(str::kCaptionDataExchange),
                            PromptIcon::kExclamation);
        } else {
            Image& image = calibration_.image();
            for (std::size_t i = 0; i < exchange_.bytes.size() && exchange_.start + i < kImageSize; ++i) {
                const auto address = static_cast<std::uint16_t>(exchange_.start + i);
                image[address] = exchange_.bytes[i];
                if (onByteStored) onByteStored(address, exchange_.bytes[i]);
            }
            calibration_.modified = 1;
            dataTakenOver_ = true;
            ok = true;
        }
        Append(std::string("Write to edit data   --->   ") + (ok ? exchangetext::kComplete : exchangetext::kFail) +
               "\r\n\r\n");
    }
    return ok ? ExchangeOutcome::kComplete : ExchangeOutcome::kFail;
}

bool DataExchange::RunSafeWrite(const SafeWriteJob& job) {
    auto previous = safeWrite->onReportLine;
    safeWrite->onReportLine = [this](const std::string& line) { Append(line + "\r\n\r\n"); };
    SetBusy(true);
    lastSafeWrite_ = safeWrite->Run(job);
    SetBusy(false);
    if (lastSafeWrite_.EcuTouched() && lastSafeWrite_.backupId != 0 && offerRestore &&
        offerRestore(lastSafeWrite_)) {
        const SafeWriteResult failed = lastSafeWrite_;
        LogEntry backup;
        if (safeWrite->Book().Find(failed.backupId, backup) && backup.hasData) {
            // The data this ECU held a moment ago, just agreed to: no guard.
            SafeWriteJob job = RestoreJob(backup, backupBeforeWrite);
            job.guard = false;
            SetBusy(true);
            safeWrite->Run(job);
            SetBusy(false);
        }
        // The write itself stays failed; the restore's lines tell its outcome.
        lastSafeWrite_ = failed;
    }
    safeWrite->onReportLine = previous;
    return lastSafeWrite_.Complete();
}

ExchangeOutcome DataExchange::Restore(int entryId) {
    if (busy_ || !safeWrite) return ExchangeOutcome::kUnavailable;
    LogEntry entry;
    if (!safeWrite->Book().Find(entryId, entry) || !entry.hasData) return ExchangeOutcome::kUnavailable;
    lastReport_.clear();
    logError_.clear();
    status_.clear();
    lastSafeWrite_ = SafeWriteResult{};
    auto refuse = [this](const std::string& why) {
        lastSafeWrite_.status = SafeWriteStatus::kRefused;
        lastSafeWrite_.detail = why;
        Message(why + "\nNothing was written.");
        Append("Restore   --->   Refused\r\n\r\n");
        return ExchangeOutcome::kFail;
    };
    // Another bike's data, or another ECU's, is never written back to this one.
    if (const std::string foreign = ForeignEntryText(entry, safeWrite->Machine(), safeWrite->Ecu()); !foreign.empty())
        return refuse(foreign);
    if (const std::string doubtful = DoubtfulDataText(entry);
        !doubtful.empty() && !(confirmUnverifiedRestore && confirmUnverifiedRestore(entry)))
        return refuse(doubtful);
    // The ECU on the line must be the one the machine expects before
    // anything of this entry is sent.
    if (const int code = protocol_.CheckEcu(false); code != 0) return refuse(protocol_.CodeText(code));
    SafeWriteJob job = RestoreJob(entry, backupBeforeWrite);
    job.maps = calibration_.HasImage() ? &calibration_.maps : nullptr;
    job.layMaps = MapLayer();
    job.limits = guardLimits;
    return RunSafeWrite(job) ? ExchangeOutcome::kComplete : ExchangeOutcome::kFail;
}

std::function<bool(std::uint16_t, const std::vector<std::uint8_t>&, MapList&)> DataExchange::MapLayer() const {
    if (!calibration_.HasImage()) return {};
    // The definition's maps over the open calibration with other bytes laid
    // in: where the maps lie when the ECU holds those bytes.
    return [this](std::uint16_t start, const std::vector<std::uint8_t>& bytes, MapList& maps) {
        Calibration over;
        if (!over.AllocateImage()) return false;
        over.image() = calibration_.image();
        for (std::size_t i = 0; i < bytes.size() && start + i < over.image().size(); ++i)
            over.image()[start + i] = bytes[i];
        over.definitionLines = calibration_.definitionLines;
        const bool placed = LoadMapSection(over, over.image()) == 0;
        maps = std::move(over.maps);
        return placed;
    };
}

ExchangeOutcome DataExchange::Verify(ExchangeSource source, const FileChooser& chooseFile) {
    if (busy_ || exchange_.Empty() || exchange_.partial) return ExchangeOutcome::kUnavailable;
    lastReport_.clear();
    logError_.clear();
    status_.clear();
    comparison_.Clear();
    std::string path;
    const Fill fill = FillPane(comparison_, source, chooseFile, path);
    if (fill == Fill::kAbandoned) return ExchangeOutcome::kAbandoned;
    ExchangeOutcome outcome = ExchangeOutcome::kFail;
    // A comparison that failed to load (a broken-off ECU read included) says
    // nothing about the data, so it is a failure, not a difference. Blocks at
    // different addresses are not the same even when their bytes are.
    if (fill == Fill::kLoaded)
        outcome = comparison_.start == exchange_.start && comparison_.bytes == exchange_.bytes
                      ? ExchangeOutcome::kSame
                      : ExchangeOutcome::kNotSame;
    const char* word = outcome == ExchangeOutcome::kSame      ? exchangetext::kSame
                       : outcome == ExchangeOutcome::kNotSame ? exchangetext::kNotSame
                                                              : exchangetext::kFail;
    std::string line = std::string(CompareLine(source)) + word;
    line += source == ExchangeSource::kFile ? "\r\n  " + path + "\r\n" : std::string("\r\n");
    if (outcome == ExchangeOutcome::kNotSame && differenceListing)
        for (const std::string& where : differenceListing(exchange_, comparison_)) line += "    " + where + "\r\n";
    Append(line + "\r\n");
    if (source == ExchangeSource::kEcu) {
        // The ECU side of a comparison is what the ECU holds, whatever the verdict.
        const bool compared = outcome == ExchangeOutcome::kSame || outcome == ExchangeOutcome::kNotSame;
        const char* result = outcome == ExchangeOutcome::kSame      ? logbook::kSame
                             : outcome == ExchangeOutcome::kNotSame ? logbook::kNotSame
                                                                    : logbook::kFail;
        LogTransfer(logbook::kVerify, result, compared ? &comparison_ : nullptr,
                    readSource_ == ExchangeSource::kEdit ? calibration_.dataFilePath : exchangePath_);
    }
    return outcome;
}
