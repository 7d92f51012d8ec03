#include "app/FrameModel.h"

#include <algorithm>

#include "app/QelApp.h"
#include "config/Definition.h"
#include "model/Strings.h"
#include "edit/CellAccess.h"
#include "edit/EditContext.h"
#include "edit/TableModel.h"
#include "edit/UndoList.h"
#include "model/Equation.h"
#include "model/Parse.h"
#include "model/ValueConversion.h"
#include "platform/ProfileFile.h"

namespace {

constexpr const char* kMapListSection = "MAP LIST";
constexpr const char* kListKey = "LIST";

bool FreeMap(const CQelApp& app) { return app.definitionKind == kDefinitionFreeMap; }

bool ListAxes(const CQelApp& app, const MapRecord& map) {
    return !FreeMap(app) && map.type != kMapConfigImage;
}

// The RPM breakpoint at the cursor as a physical value.
bool RpmPhysical(CQelApp& app, const MapRecord& map, int row, int column, float& physical) {
    physical = 0.0f;
    if (ListAxes(app, map)) {
        if (column < 0 || column >= static_cast<int>(map.x.values.size())) return false;
        physical = map.x.values[static_cast<std::size_t>(column)];
        return true;
    }
    std::uint16_t raw = 0;
    if (ReadRpmCell(app.image(), map, column, row, raw) != kCellOk) return false;
    ToPhysicalWord(map.x, raw, physical);
    return true;
}

}  // namespace

std::string LineText(CQelApp& app, const MapRecord& map, int index) {
    if (ListAxes(app, map)) {
        std::string rest = map.z.valueListText;
        std::string field = "0";
        for (int i = 0; i <= index; ++i) {
            if (rest.empty()) return "0";
            field = NextField(rest);
        }
        return field;
    }
    std::uint16_t raw = 0;
    ReadThrotCell(app.image(), map, index, raw);
    float physical = 0.0f;
    if (FreeMap(app)) ToPhysicalByte(map.z, static_cast<std::uint8_t>(raw & 0xFF), physical);
    else ToPhysicalWord(map.z, raw, physical);
    return FormatZ(physical, app.formats);
}

LineList LineListOf(CQelApp& app, const MapRecord& map) {
    LineList list;
    for (int i = 0; i < map.z.count; ++i) list.texts.push_back(LineText(app, map, i));
    if (map.z.count > 1) {
        const int row = map.cursor.mode == kEditThrot ? map.cursor.column : map.cursor.row;
        list.selected = row >= 0 && row < map.z.count ? row : -1;
    }
    return list;
}

bool DialogBarFieldsOf(CQelApp& app, MapRecord& map, int lineSelection, DialogBarFields& fields) {
    EditCursor& cursor = map.cursor;
    fields.lineFollows = -1;
    if (cursor.mode == kEditThrot && cursor.column != lineSelection && cursor.column >= 0 &&
        cursor.column < map.z.count) {
        fields.lineFollows = cursor.column;
        cursor.row = cursor.column;
    } else if (cursor.mode != kEditThrot && cursor.row != lineSelection && cursor.row >= 0 &&
               cursor.row < map.z.count) {
        fields.lineFollows = cursor.row;   // the Line list shows the cursor's row
    }
    float rpm = 0.0f;
    std::uint16_t data = 0;
    if (!RpmPhysical(app, map, cursor.row, cursor.column, rpm)) return false;
    if (ReadDataCell(app.image(), map, cursor.column, cursor.row, data) != kCellOk) return false;
    float physical = 0.0f;
    ToPhysicalByte(map.y, static_cast<std::uint8_t>(data), physical);
    fields.point = FormatX(rpm, app.formats);
    fields.data = FormatData(physical, &map, app.formats);
    return true;
}

TypedValueResult CommitTypedValue(EditContext& context, CQelApp& app, MapRecord& map, const std::string& text,
                                  bool okButton) {
    TypedValueResult result;
    EditCursor& cursor = map.cursor;
    const bool data = cursor.mode == kEditData;
    const bool rpmLine = cursor.mode == kEditRpm && FreeMap(app) && map.type == kMapRpmPerRow;
    auto notCommitted = [&]() {
        if (okButton) {
            if (data) result.wrongWord = true;
            else result.clearField = true;
        }
        return result;
    };
    if (!data && !rpmLine) return notCommitted();
    std::uint16_t current = 0;
    if (ReadDataCell(app.image(), map, cursor.column, cursor.row, current) != kCellOk) return notCommitted();
    auto dataText = [&](std::uint16_t raw) {
        float physical = 0.0f;
        ToPhysicalByte(map.y, static_cast<std::uint8_t>(raw), physical);
        return FormatData(physical, &map, app.formats);
    };
    result.dataText = dataText(current);
    // Only a DATA cursor takes the typed value; the RPM line of a map of
    // type 2 is committed without a write.
    if (!data || text.empty()) {
        result.committed = true;
        return result;
    }

    // The cursor's raw value and limits as the cell is now, then the very
    // rules of a typed table cell.
    PlaceCursor(context, map, {kEditData, cursor.row, cursor.column});
    if (const std::string refusal = context.OutsideDataRefusal(CursorCellBytes(map)); !refusal.empty()) {
        result.message = OutsideDataMessage(refusal, Str(str::kCaptionTableWindow));
        result.refused = true;
        return result;
    }
    const DataCommit commit = CommitTypedByte(map, map.y, text, app.formats, &map);
    result.message = commit.message;
    if (commit.rejected) {
        result.refused = true;
        return result;
    }
    if (commit.write) {
        UndoStepName name(map, "Typed value");
        PushUndo(context, map, kUndoActionEdit, 0);
        WriteDataCell(context, map, commit.raw, cursor.column, cursor.row);
        cursor.raw = commit.raw;
        ComputeEditLimits(map, app.image());
        result.written = true;
        result.dataText = dataText(commit.raw);
    }
    result.committed = true;
    return result;
}

bool StepToLine(CQelApp& app, MapRecord& map, int index) {
    if (index < 0 || index >= map.z.count) return false;
    EditCursor& cursor = map.cursor;
    cursor.row = index;
    if (cursor.mode == kEditData) ReadDataCell(app.image(), map, cursor.column, index, cursor.raw);
    else if (cursor.mode == kEditRpm) ReadRpmCell(app.image(), map, cursor.column, index, cursor.raw);
    ComputeEditLimits(map, app.image());
    return true;
}

bool ToggleDataRpm(CQelApp& app, MapRecord& map) {
    EditCursor& cursor = map.cursor;
    if (cursor.mode == kEditData) {
        cursor.mode = kEditRpm;
        ReadRpmCell(app.image(), map, cursor.column, cursor.row, cursor.raw);
    } else if (cursor.mode == kEditRpm) {
        cursor.mode = kEditData;
        ReadDataCell(app.image(), map, cursor.column, cursor.row, cursor.raw);
    } else {
        return false;
    }
    ComputeEditLimits(map, app.image());
    return true;
}

bool CopyBackImage(Image& image, const Image& buffer) {
    const bool changed = image != buffer;
    image = buffer;
    return changed;
}

MapGroups ReadMapGroups(const ProfileFile& settings, const MapList& maps) {
    MapGroups groups;
    groups.otherLabel = settings.ReadString(kMapListSection, kListKey, "Other Map");
    for (int i = 1;; ++i) {
        std::string value = settings.ReadString(kMapListSection, kListKey + std::to_string(i), "");
        if (value.empty()) break;
        std::string identifier = NextField(value);
        if (identifier.empty() || value.empty()) continue;
        groups.entries.push_back({identifier, value});
    }
    bool other = false;
    for (const auto& map : maps) {
        auto entry = std::find_if(groups.entries.begin(), groups.entries.end(),
                                  [&](const MapListEntry& e) { return e.identifier == map->name; });
        if (entry == groups.entries.end()) {
            other = true;
            continue;
        }
        if (std::find(groups.labels.begin(), groups.labels.end(), entry->label) == groups.labels.end())
            groups.labels.push_back(entry->label);
    }
    if (other) groups.labels.push_back(groups.otherLabel);
    return groups;
}

std::vector<std::pair<std::string, int>> MapsOfGroup(const MapGroups& groups, const MapList& maps,
                                                     const std::string& label) {
    std::vector<std::pair<std::string, int>> listed;
    for (std::size_t i = 0; i < maps.size(); ++i) {
        const std::string& name = maps[i]->name;
        auto entry = std::find_if(groups.entries.begin(), groups.entries.end(),
                                  [&](const MapListEntry& e) { return e.identifier == name; });
        const bool belongs = label == groups.otherLabel ? entry == groups.entries.end()
                                                        : entry != groups.entries.end() && entry->label == label;
        if (!belongs) continue;
        if (std::any_of(listed.begin(), listed.end(), [&](const auto& l) { return l.first == name; })) continue;
        listed.emplace_back(name, static_cast<int>(i));
    }
    return listed;
}

bool MultiMapEditAvailable(const MapList& maps) {
    int count = 0;
    for (const auto& map : maps)
        if (!map->name.empty() && map->name.back() >= '0' && map->name.back() <= '9') ++count;
    return count >= 2;
}

void DropMapLink(CQelApp& app) {
    app.mapLinkState = kLinkNone;
    LoadMultiMapSection(app);
}

bool ConfirmCloseWithoutSaving(UserPrompt& prompt) {
    return prompt.Ask(Str(str::kCloseWithoutSaving), Str(str::kProductName), PromptButtons::kOkCancel,
                      PromptIcon::kQuestion, PromptAnswer::kCancel) == PromptAnswer::kOk;
}

void ResetCalibration(CQelApp& app) {
    app.dataFilePath.clear();
    app.dataFileName.clear();
    app.dataLines.Clear();
    app.currentMap = nullptr;
    app.maps.clear();
    app.mapLinkState = kLinkNone;
    app.mapLink.linkList.clear();
    app.openState = kOpenNone;
    app.modified = 0;
    app.compared.reset();
}

