// rvtune export, resave and info: the data file commands.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/Strings.h"
#include "cli/Cli.h"
#include "app/BatchConversion.h"
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

}  // namespace

const std::vector<CliCommand>& FileCommands() {
    static const std::vector<CliCommand> commands = {
        {"export", "IN OUT", "write the text export of data file IN to OUT (as RV_Tune IN OUT)", 2, 2,
         RunExport},
        {"resave", "IN OUT", "load IN and save it as OUT: checksum recomputed, Data regenerated", 2, 2,
         RunResave},
        {"info", "IN", "show machine, data range, checksum state, maps and titles of IN", 1, 1,
         RunInfo},
    };
    return commands;
}
