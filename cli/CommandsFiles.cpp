// rvtune export, resave and info: the data file commands.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/Strings.h"
#include "cli/Cli.h"
#include "app/BatchConversion.h"
#include "edit/CalibrationCompare.h"
#include "edit/CalibrationDiff.h"
#include "edit/ConstantsList.h"
#include "files/DataFile.h"

namespace {

int Load(CliSession& session, const std::string& path) {
    if (LoadDataFile(session.app(), session.app(), session.prompt(), path) != kLoaded) {
        ReportError(Str(str::kOpenFailed) + ": " + path);
        return kExitFailed;
    }
    session.app().dataFilePath = path;
    return kExitOk;
}

int RunExport(const std::vector<std::string>& arguments) {
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    session.app().firstPart = arguments[0];
    session.app().secondPart = arguments[1];
    return RunBatchConversion(session.app(), session.prompt()) == 0 ? kExitOk : kExitFailed;
}

int RunResave(const std::vector<std::string>& arguments) {
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    if (int status = Load(session, arguments[0]); status != kExitOk) return status;
    if (!SaveDataFile(session.app(), arguments[1])) {
        ReportError(Str(str::kSaveError) + ": " + arguments[1]);
        return kExitFailed;
    }
    return kExitOk;
}

const char* MapTypeText(int type) {
    switch (type) {
    case kMapRpmPerRow: return "type 2 (an RPM row per THROT row)";
    case kMapConfigImage: return "type 3 (axes in the image)";
    default: return "type 1 (one RPM row)";
    }
}

int RunInfo(const std::vector<std::string>& arguments) {
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    if (int status = Load(session, arguments[0]); status != kExitOk) return status;
    CQelApp& app = session.app();

    std::printf("file: %s\n", arguments[0].c_str());
    std::printf("machine: %s (folder %s)\n", app.registry.machineName.c_str(),
                app.registry.machineFolder.c_str());
    std::string model;
    if (app.dataLines.GetValue(datafile::kMachineSection, datafile::kModelKey, ',', model))
        std::printf("file model: %s\n", model.c_str());
    else
        std::printf("file model: (none; loads for any machine)\n");

    if (app.dataStart <= app.dataEnd) {
        std::uint8_t sum = 0;
        for (std::uint32_t a = app.dataStart; a <= app.dataEnd; ++a)
            sum = static_cast<std::uint8_t>(sum + app.image()[a]);
        std::printf("data range: 0x%04X-0x%04X (%u bytes)\n", app.dataStart, app.dataEnd,
                    static_cast<unsigned>(app.dataEnd - app.dataStart + 1));
        if (sum == 0x7F)
            std::printf("checksum: ok (byte 0x%02X at 0x%04X)\n", app.image()[app.dataEnd], app.dataEnd);
        else
            std::printf("checksum: wrong (range sums to 0x%02X, not 0x7F; saving corrects it)\n", sum);
    } else {
        std::printf("data range: empty\nchecksum: none\n");
    }

    std::printf("definition: %s\n", app.definitionKind == kDefinitionFreeMap ? "Free Map" : "Config Map");
    std::printf("maps: %zu\n", app.maps.size());
    for (const auto& map : app.maps) {
        std::printf("  %s: %s, %s %u x %s %u, DATA %s at 0x%04X\n", map->name.c_str(),
                    MapTypeText(map->type), map->z.name.c_str(), static_cast<unsigned>(map->z.count),
                    map->x.name.c_str(), static_cast<unsigned>(map->x.count), map->y.name.c_str(),
                    static_cast<unsigned>(map->y.start));
    }
    std::vector<std::string> titles;
    ReadTitles(app.dataLines, titles);
    std::printf("titles: %zu\n", titles.size() / 2);
    for (std::size_t i = 0; i + 1 < titles.size(); i += 2)
        std::printf("  %s: %s\n", titles[i].c_str(), titles[i + 1].c_str());
    return kExitOk;
}

int RunConstants(const std::vector<std::string>& arguments) {
    bool csv = false;
    std::string path;
    for (const std::string& argument : arguments) {
        if (argument == "--csv") csv = true;
        else if (path.empty()) path = argument;
        else {
            ReportError("usage: rvtune constants FILE.qsd [--csv]");
            return kExitUsage;
        }
    }
    if (path.empty()) {
        ReportError("usage: rvtune constants FILE.qsd [--csv]");
        return kExitUsage;
    }
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    if (int status = Load(session, path); status != kExitOk) return status;
    CQelApp& app = session.app();
    if (csv) std::printf("name,value,unit,raw\n");
    for (const ConstantEntry& entry : ListConstants(app.definitionLines)) {
        std::string value = ConstantValueText(entry, app.image());
        std::string hex = ConstantHexText(entry, ReadConstantRaw(app.image(), entry));
        // A constant outside the file's data reads as zero in the image: that
        // zero is not the file's value. The checksum byte is the file's.
        const long last = static_cast<long>(entry.address) + (entry.byteCount == 2 ? 1 : 0);
        const bool held = app.dataStart <= app.dataEnd && entry.address >= app.dataStart && last <= app.dataEnd;
        if (!held) {
            value = csv ? "" : "(not in the file)";
            hex = csv ? "" : "-";
        }
        if (csv)
            std::printf("%s,%s,%s,%s\n", CsvField(entry.contents).c_str(), CsvField(value).c_str(),
                        CsvField(entry.unit).c_str(), hex.c_str());
        else
            std::printf("%s\t%s\t%s\t%s\n", entry.contents.c_str(), value.c_str(), entry.unit.c_str(), hex.c_str());
    }
    return kExitOk;
}

// The message of a commit, as the dialog's message box has it.
void PrintMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

int RunSetConstant(const std::vector<std::string>& arguments) {
    const char* usage = "usage: rvtune set-constant FILE.qsd NAME VALUE [--out OUT.qsd]";
    std::vector<std::string> positional;
    std::string out;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--out" && out.empty() && i + 1 < arguments.size()) {
            out = arguments[++i];
            if (out.empty()) {
                ReportError(usage);
                return kExitUsage;
            }
        } else {
            positional.push_back(arguments[i]);
        }
    }
    if (positional.size() != 3) {
        ReportError(usage);
        return kExitUsage;
    }
    const std::string& path = positional[0];
    const std::string& name = positional[1];
    if (out.empty()) out = path;

    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    if (int status = Load(session, path); status != kExitOk) return status;
    CQelApp& app = session.app();
    const std::vector<ConstantEntry> list = ListConstants(app.definitionLines);
    const ConstantEntry* entry = FindConstant(list, name);
    if (!entry) {
        ReportError("unknown constant '" + name + "'");
        return kExitFailed;
    }
    if (entry->readOnly) {
        ReportError("constant '" + name + "' is read-only");
        return kExitFailed;
    }
    // The file keeps only its data, and saving rewrites the range's last
    // byte as the checksum: a value anywhere else would be lost.
    std::vector<std::uint16_t> bytes{entry->address};
    if (entry->byteCount == 2) bytes.push_back(static_cast<std::uint16_t>(entry->address + 1));
    if (const std::string outside = OutsideDataText(app.Data(), bytes, "the file keeps"); !outside.empty()) {
        ReportError("constant '" + name + "': " + outside + "; nothing saved");
        return kExitFailed;
    }
    const ConstantCommit commit = CommitConstantValue(*entry, positional[2]);
    if (commit.Refused()) {
        PrintMessage(commit.text);
        return kExitFailed;
    }
    WriteConstantRaw(app.image(), *entry, commit.raw);
    app.modified = 1;
    if (!SaveDataFile(app, out)) {
        ReportError(Str(str::kSaveError) + ": " + out);
        return kExitFailed;
    }
    // A message with a written value is always a range correction: the file
    // holds the value the range allowed, not the one asked for.
    if (commit.message == 0) return kExitOk;
    PrintMessage(commit.text);
    return kExitLimited;
}

// The second file of diff and merge, beside the session's calibration.
bool LoadSecond(CliSession& session, Calibration& other, const std::string& path) {
    if (LoadCalibrationLike(session.app(), other, session.app(), session.prompt(), path) != kLoaded) {
        ReportError(Str(str::kOpenFailed) + ": " + path);
        return false;
    }
    return true;
}

// Exit 0 when the two files hold the same calibration data, 1 when they
// differ, 2 on any error, as cmp does.
int RunDiff(const std::vector<std::string>& arguments) {
    const char* usage = "usage: rvtune diff A.qsd B.qsd [--csv]";
    bool csv = false;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument == "--csv") csv = true;
        else files.push_back(argument);
    }
    if (files.size() != 2) {
        ReportError(usage);
        return kExitUsage;
    }
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return kExitUsage;
    if (Load(session, files[0]) != kExitOk) return kExitUsage;
    Calibration other;
    if (!LoadSecond(session, other, files[1])) return kExitUsage;
    const CalibrationDifferences differences = DiffCalibrations(session.app(), other);
    const std::vector<std::string> lines = csv ? DifferenceCsvLines(session.app(), other, differences)
                                               : DifferenceTextLines(session.app(), other, differences, files[0],
                                                                     files[1]);
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    if (std::fflush(stdout) != 0) return kExitUsage;
    return differences.Empty() ? kExitOk : kExitFailed;
}

// NAME[,NAME...] into names; false for an empty name.
bool SplitNames(const std::string& list, std::vector<std::string>& names) {
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = list.find(',', pos);
        const std::string name = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (name.empty()) return false;
        names.push_back(name);
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
}

int RunMerge(const std::vector<std::string>& arguments) {
    const char* usage =
        "usage: rvtune merge BASE.qsd FROM.qsd --maps NAME[,NAME...] [--constants NAME[,NAME...]] --out OUT.qsd";
    std::vector<std::string> files, maps, constants;
    std::string out;
    bool mapsGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--maps" && hasValue && !mapsGiven) {
            mapsGiven = true;
            if (!SplitNames(arguments[++i], maps)) return ReportError(usage), kExitUsage;
        } else if (argument == "--constants" && hasValue && constants.empty()) {
            if (!SplitNames(arguments[++i], constants)) return ReportError(usage), kExitUsage;
        } else if (argument == "--out" && hasValue && out.empty()) {
            out = arguments[++i];
        } else if (argument.rfind("--", 0) == 0) {
            ReportError(usage);
            return kExitUsage;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2 || out.empty() || (maps.empty() && constants.empty())) {
        ReportError(usage);
        return kExitUsage;
    }
    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    if (int status = Load(session, files[0]); status != kExitOk) return status;
    Calibration from;
    if (!LoadSecond(session, from, files[1])) return kExitFailed;
    std::string error;
    std::vector<std::string> notes;
    const CopySides sides{files[0] + " keeps", "of " + files[1]};
    if (!MergeCalibration(session.app(), from, maps, constants, sides, error, notes)) {
        ReportError(error + "; nothing written");
        return kExitFailed;
    }
    for (const std::string& note : notes) PrintMessage(note);
    if (!SaveDataFile(session.app(), out)) {
        ReportError(Str(str::kSaveError) + ": " + out);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

const std::vector<CliCommand>& FileCommands() {
    static const std::vector<CliCommand> commands = {
        {"export", "IN OUT", "write the text export of data file IN to OUT (as RV_Tune IN OUT)", 2, 2,
         RunExport},
        {"resave", "IN OUT", "load IN and save it as OUT: checksum recomputed, Data regenerated", 2, 2,
         RunResave},
        {"info", "IN", "show machine, data range, checksum state, maps and titles of IN", 1, 1,
         RunInfo},
        {"constants", "FILE.qsd [--csv]",
         "list the Calib constants of FILE: name, value, unit, raw hex (--csv: comma-separated)", 1, 2,
         RunConstants},
        {"set-constant", "FILE.qsd NAME VALUE [--out OUT.qsd]",
         "set constant NAME to the physical VALUE as the constants list does and save (to OUT); "
         "exit 3 when its range held the value back",
         3, 5,
         RunSetConstant},
        {"diff", "A.qsd B.qsd [--csv]",
         "list the maps, constants and bytes that differ between A and B (exit 0 same, 1 different, 2 error)",
         2, 3, RunDiff},
        {"merge", "BASE.qsd FROM.qsd --maps NAME[,NAME...] [--constants NAME[,NAME...]] --out OUT.qsd",
         "copy maps (DATA and axes) and constants from FROM into BASE and save as OUT", 4, 8, RunMerge},
    };
    return commands;
}
