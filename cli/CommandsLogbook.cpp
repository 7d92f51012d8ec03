// rvtune restore and log: the machine's logbook of ECU transfers, and
// writing an entry's data back into the ECU.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/EcuCommand.h"
#include "ecu/Logbook.h"
#include "config/Definition.h"
#include "files/DataFile.h"
#include "model/Parse.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"

namespace {

// The standard data file the installation put in the machine's work folder,
// or the one --base names: kExitOk, or kExitUsage after the reason.
int StandardDataFile(const CQelApp& app, const Options& options, std::string& base) {
    if (const std::string* given = options.Find("--base")) {
        base = *given;
        return kExitOk;
    }
    const std::string work = std::filesystem::path(app.settingsFilePath).parent_path().append("WORK").string();
    base = FindFileNoCase(work, MachineName(app), ".qsd");
    if (!base.empty()) return kExitOk;
    ReportError("no standard data file " + MachineName(app) + ".qsd in " + work + "; give --base FILE");
    return kExitUsage;
}

std::string CsvRow(const LogEntry& entry) {
    return std::to_string(entry.id) + "," + CsvField(entry.time) + "," + CsvField(entry.operation) + "," +
           CsvField(entry.result) + "," + CsvField(entry.file) + "," + CsvField(entry.note);
}

void PrintEntry(const LogEntry& entry) {
    std::printf("id:        %d\ntime:      %s\noperation: %s\nresult:    %s\n", entry.id, entry.time.c_str(),
                entry.operation.c_str(), entry.result.c_str());
    if (entry.Damaged()) std::printf("damage:    %s\n", entry.damage.c_str());
    std::printf("machine:   %s\necu:       %s\nfile:      %s\n", entry.machine.c_str(), entry.ecu.c_str(),
                entry.file.c_str());
    if (!entry.detail.empty()) std::printf("detail:    %s\n", entry.detail.c_str());
    if (entry.hasData)
        std::printf("data:      %04X-%04X (%zu bytes)\n", entry.start,
                    static_cast<unsigned>(entry.start + entry.data.size() - 1), entry.data.size());
    std::printf("note:      %s\n", entry.note.c_str());
}

// A calibration of an entry's data: the base data file with the entry's
// bytes in its data range, saved as out (the checksum byte recomputed).
int ExportEntry(CliSession& session, const LogEntry& entry, const std::string& base, const std::string& out) {
    CQelApp& app = session.app();
    if (LoadDataFile(app, app, session.prompt(), base) != kLoaded) {
        ReportError(Str(str::kOpenFailed) + ": " + base);
        return kExitFailed;
    }
    if (entry.start != app.dataStart || entry.start + entry.data.size() - 1 > app.dataEnd) {
        ReportError("the entry's data does not lie in the data range of " + base);
        return kExitFailed;
    }
    for (std::size_t i = 0; i < entry.data.size(); ++i) app.image()[entry.start + i] = entry.data[i];
    app.modified = 1;
    if (!SaveDataFile(app, out)) {
        ReportError(Str(str::kSaveError) + ": " + out);
        return kExitFailed;
    }
    return kExitOk;
}

// log [--csv] | log show ID | log export ID OUT.qsd [--base FILE] | log note ID TEXT
int RunLog(const std::vector<std::string>& arguments) {
    const std::string command = "log";
    Options options;
    if (!ParseOptions(command, arguments, {"--base"}, options, {"--csv"})) return kExitUsage;
    const std::vector<std::string>& words = options.positional;
    const std::string action = words.empty() ? "" : words[0];
    std::int32_t id = 0;
    if (!action.empty()) {
        if (action != "show" && action != "export" && action != "note")
            return Usage(command, "unknown action " + action);
        const std::size_t needed = action == "show" ? 2 : 3;
        if (words.size() != needed) return Usage(command, "wrong number of arguments for log " + action);
        if (!ParseDecimal(words[1], id) || id < 1) return Usage(command, "give the number of a logbook entry");
    } else if (options.Find("--base")) {
        return Usage(command, "--base goes with log export");
    }
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    CQelApp& app = session.app();
    Logbook book(Logbook::FolderFor(app.settingsFilePath));
    if (action.empty()) {
        const std::vector<LogEntry> entries = book.List();
        if (options.Has("--csv")) {
            std::printf("id,time,operation,result,file,note\n");
            for (const LogEntry& entry : entries) std::printf("%s\n", CsvRow(entry).c_str());
        } else {
            for (const LogEntry& entry : entries)
                std::printf("%6d  %s  %-8s %-9s %s%s%s\n", entry.id, entry.time.c_str(), entry.operation.c_str(),
                            entry.result.c_str(), entry.file.c_str(), entry.note.empty() ? "" : "  # ",
                            entry.note.c_str());
        }
        std::fflush(stdout);
        return kExitOk;
    }
    if (options.Has("--csv")) return Usage(command, "--csv goes with log alone");
    LogEntry entry;
    if (!book.Find(id, entry)) {
        ReportError("no logbook entry " + std::to_string(id) + " in " + book.Folder());
        return kExitUsage;
    }
    if (action == "show") {
        PrintEntry(entry);
        std::fflush(stdout);
        return entry.Damaged() ? kExitFailed : kExitOk;
    }
    if (action == "note") {
        std::string error;
        if (!book.SetNote(id, words[2], error)) {
            ReportError(error);
            return kExitFailed;
        }
        return kExitOk;
    }
    if (!entry.hasData) {
        ReportError("logbook entry " + std::to_string(id) + " holds no data" +
                    (entry.Damaged() ? " (damaged: " + entry.damage + ")" : std::string()));
        return kExitFailed;
    }
    std::string base;
    if (int status = StandardDataFile(app, options, base); status != kExitOk) return status;
    return ExportEntry(session, entry, base, words[2]);
}

// restore ID: an entry's data back into the ECU, through the same backup,
// guard, write and read-back as any write. The entry must be of this machine
// and ECU, and hold what the ECU held (not the data of a failed or cut
// write) unless --force.
int RunRestore(const std::vector<std::string>& arguments) {
    const std::string command = "restore";
    Options options;
    if (!ParseOptions(command, arguments, {"--port"}, options, {"--no-backup", "--force"}))
        return kExitUsage;
    std::int32_t id = 0;
    if (options.positional.size() != 1 || !ParseDecimal(options.positional[0], id) || id < 1)
        return Usage(command, "give the number of a logbook entry");
    EcuCommand session;
    if (int status = session.Start(options, false); status != kExitOk) return status;
    LogEntry entry;
    if (!session.book().Find(id, entry)) {
        ReportError("no logbook entry " + std::to_string(id) + " in " + session.book().Folder());
        return kExitUsage;
    }
    if (!entry.hasData) {
        ReportError("logbook entry " + std::to_string(id) + " holds no data to write" +
                    (entry.Damaged() ? " (damaged: " + entry.damage + ")" : std::string()));
        return kExitFailed;
    }
    const bool force = options.Has("--force");
    // The guard weighs the entry's data map by map: the maps as the
    // definition lays them over an image holding that data.
    CQelApp& app = session.app();
    for (std::size_t i = 0; i < entry.data.size(); ++i) app.image()[entry.start + i] = entry.data[i];
    if (LoadMapSection(app, app.image()) != 0) app.maps.clear();
    if (int status = session.HoldPort(); status != kExitOk) return status;
    DataExchange& exchange = session.exchange();
    exchange.backupBeforeWrite = exchange.guardLimits.backup && !options.Has("--no-backup");
    exchange.confirmUnverifiedRestore = [force](const LogEntry&) { return force; };
    AnswerGuard(session, force);
    StopSignals signals;
    session.safeWrite().stopRequested = [&signals] { return signals.Requested(); };
    const ExchangeOutcome written = exchange.Restore(id);
    const bool ours = entry.machine == session.safeWrite().Machine() && entry.ecu == session.safeWrite().Ecu();
    if (exchange.LastSafeWrite().status == SafeWriteStatus::kRefused && ours && !entry.HoldsEcuData() && !force)
        ReportError("give --force to write it anyway");
    return FinishWrite(session, written, signals);
}

}  // namespace

const std::vector<CliCommand>& LogbookCommands() {
    static const std::vector<CliCommand> commands = {
        {"restore", "ID [--no-backup] [--force] [--port DEV]",
         "write logbook entry ID's data back to the ECU (backup, guard, write, read back)", 1, 5, RunRestore},
        {"log", "[--csv] | show ID | export ID OUT.qsd [--base FILE] | note ID TEXT",
         "the machine's logbook of ECU transfers", 0, 5, RunLog},
    };
    return commands;
}
