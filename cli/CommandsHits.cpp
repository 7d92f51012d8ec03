// rvtune hits: where a recorded ride spent its time on a map, as a grid of
// seconds labelled with the map's axis values.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/Cli.h"
#include "cli/EcuCommand.h"
#include "edit/EditContext.h"
#include "edit/OperatingCells.h"
#include "files/DataFile.h"
#include "files/DatalogReader.h"
#include "model/Maps.h"
#include "model/Strings.h"
#include "platform/FileIo.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "app/HitCounts.h"
#include "app/OperatingPoint.h"

namespace {

const char* const kUsage = "LOG.csv --map NAME [--file FILE.qsd] [--csv]";

// The calibration whose axes the grid takes: --file, else the standard data
// file in the machine's work folder. kExitOk, or kExitUsage after the reason.
int CalibrationFile(const CQelApp& app, const Options& options, std::string& path) {
    if (const std::string* given = options.Find("--file")) {
        path = *given;
        return kExitOk;
    }
    const std::string work = std::filesystem::path(app.settingsFilePath).parent_path().append("WORK").string();
    path = FindFileNoCase(work, MachineName(app), ".qsd");
    if (!path.empty()) return kExitOk;
    ReportError("no standard data file " + MachineName(app) + ".qsd in " + work + "; give --file FILE.qsd");
    return kExitUsage;
}

// Why the data file did not load, naming it. A "Data" fault has had its
// message from the load already.
std::string OpenProblem(const CQelApp& app, const std::string& file, int loaded) {
    const std::string head = Str(str::kOpenFailed) + " " + file + ": ";
    if (loaded == kOtherMachine) {
        std::string model;
        app.dataLines.GetValue(datafile::kMachineSection, datafile::kModelKey, ',', model);
        return head + "it is a data file of machine " + model + ", not of " + MachineName(app);
    }
    if (loaded == kUnreadable) {
        std::error_code ec;
        if (std::filesystem::file_size(file, ec) > kMaxInputFileSize && !ec)
            return head + "it is larger than " + std::to_string(kMaxInputFileSize >> 20) + " MB";
        return head + WhyUnreadable(file);
    }
    return head + "its data could not be read";
}

std::string MapNames(const MapList& maps) {
    std::string names;
    for (const auto& map : maps) names += (names.empty() ? "" : ", ") + map->name;
    return names.empty() ? "(none)" : names;
}

std::string AxesProblem(const OperatingAxes& axes, const MapRecord& map, const std::string& file) {
    switch (axes.status) {
        case AxesStatus::kEmptyMap: return "map '" + map.name + "' has no cells in " + file;
        case AxesStatus::kNotInData:
            return "the axes of map '" + map.name + "' lie outside the data of " + file +
                   ", so their values are not known";
        case AxesStatus::kBadEquation:
            return "an axis value of map '" + map.name + "' does not convert with its equation";
        default: return std::string();
    }
}

// Whole, however large: a log's times are only checked for going back, and
// a double runs to over 300 digits before the point.
std::string Seconds(double seconds) {
    const int length = std::snprintf(nullptr, 0, "%.3f", seconds);
    if (length <= 0) return "?";
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.3f", seconds);
    text.pop_back();
    return text;
}

// The grid as lines of fields: a header line of the RPM values under the
// corner "THROT\RPM", then one line per THROT row. A map with an RPM line
// per row gives each row two lines, the row's RPM values first.
std::vector<std::vector<std::string>> GridLines(const HitCounts& hits, const OperatingAxes& axes,
                                                const MapRecord& map, const ValueFormats& formats) {
    std::vector<std::vector<std::string>> lines;
    const bool ownLines = axes.rpm.size() > 1;
    auto rpmLine = [&](std::size_t row, std::string label) {
        std::vector<std::string> line{std::move(label)};
        for (float value : axes.RpmOfRow(row)) line.push_back(FormatX(value, formats));
        lines.push_back(std::move(line));
    };
    if (!ownLines) rpmLine(0, map.z.name + "\\" + map.x.name);
    for (int r = 0; r < hits.rows; ++r) {
        if (ownLines) rpmLine(static_cast<std::size_t>(r), map.x.name);
        std::vector<std::string> line{FormatZ(axes.throt[static_cast<std::size_t>(r)], formats)};
        for (int c = 0; c < hits.columns; ++c) line.push_back(Seconds(hits.Seconds(r, c)));
        lines.push_back(std::move(line));
    }
    return lines;
}

void PrintGrid(const std::vector<std::vector<std::string>>& lines, bool csv) {
    if (csv) {
        for (const auto& line : lines) {
            std::string text;
            for (std::size_t i = 0; i < line.size(); ++i) text += (i ? "," : "") + CsvField(line[i]);
            std::printf("%s\n", text.c_str());
        }
        return;
    }
    std::vector<std::size_t> widths;
    for (const auto& line : lines) {
        if (widths.size() < line.size()) widths.resize(line.size(), 0);
        for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
    }
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += (i ? "  " : "") + std::string(widths[i] - line[i].size(), ' ') + line[i];
        }
        std::printf("%s\n", text.c_str());
    }
}

std::string Samples(std::size_t count) { return std::to_string(count) + (count == 1 ? " sample" : " samples"); }

int RunHits(const std::vector<std::string>& arguments) {
    const std::string command = "hits";
    Options options;
    if (!ParseOptions(command, arguments, {"--map", "--file"}, options, {"--csv"})) return kExitUsage;
    const std::string* mapName = options.Find("--map");
    if (options.positional.size() != 1 || !mapName) return Usage(command, "give one LOG and --map NAME");
    const std::string& logPath = options.positional[0];
    const bool csv = options.Has("--csv");

    CliSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    CQelApp& app = session.app();
    std::string file;
    if (int status = CalibrationFile(app, options, file); status != kExitOk) return status;
    if (const int loaded = LoadDataFile(app, app, session.prompt(), file); loaded != kLoaded) {
        ReportError(OpenProblem(app, file, loaded));
        return kExitFailed;
    }
    const MapRecord* map = FindMap(app.maps, *mapName);
    if (!map) {
        ReportError("no map named '" + *mapName + "'; the maps are: " + MapNames(app.maps));
        return kExitFailed;
    }

    Datalog log;
    std::string error;
    if (!ReadDatalog(logPath, log, error)) {
        ReportError(logPath + ": " + error);
        return kExitFailed;
    }
    const OperatingPoint point = LoadOperatingPoint(ProfileFile(app.settingsFilePath), app.diagItems);
    int rpmColumn = -1, throtColumn = -1;
    if (!FindHitColumns(log, point, app.diagItems, *map, rpmColumn, throtColumn, error)) {
        ReportError(logPath + ": " + error);
        return kExitFailed;
    }
    const OperatingAxes axes = ReadOperatingAxes(AppEditContext(app), *map);
    if (axes.status != AxesStatus::kReady) {
        ReportError(AxesProblem(axes, *map, file));
        return kExitFailed;
    }

    const HitCounts hits = CountHits(log, rpmColumn, throtColumn, axes);
    PrintGrid(GridLines(hits, axes, *map, app.formats), csv);
    // The notes go with the text; beside CSV they go to stderr, so the CSV
    // stays a grid.
    std::vector<std::string> notes;
    if (log.droppedPartialLine)
        notes.push_back("the last line of the log has no line end (a recording cut off) and was left out");
    if (hits.missingSamples > 0)
        notes.push_back(Seconds(hits.missingSeconds) + " s in " + Samples(hits.missingSamples) +
                        " without a value for RPM or THROT, not counted");
    if (hits.clampedSamples > 0)
        notes.push_back(Seconds(hits.clampedSeconds) + " s in " + Samples(hits.clampedSamples) +
                        " outside the map's axes, counted at their edge");
    if (csv) {
        for (const std::string& note : notes) ReportError(note);
    } else {
        std::printf("\n%s s in %s of %zu rows on map '%s'\n", Seconds(hits.countedSeconds).c_str(),
                    Samples(hits.countedSamples).c_str(), log.Rows(), map->name.c_str());
        for (const std::string& note : notes) std::printf("%s\n", note.c_str());
    }
    if (std::fflush(stdout) != 0) return kExitFailed;
    return kExitOk;
}

}  // namespace

const std::vector<CliCommand>& HitsCommands() {
    static const std::vector<CliCommand> commands = {
        {"hits", kUsage,
         "the seconds LOG spent around each cell of map NAME (axes from FILE, else the machine's standard "
         "data file); --csv: comma-separated",
         3, 6, RunHits},
    };
    return commands;
}
