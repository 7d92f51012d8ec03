#include "app/OperatingPoint.h"

#include <initializer_list>
#include <string_view>

#include "platform/AsciiText.h"
#include "platform/ProfileFile.h"

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool OneOf(std::string_view text, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (EqualNoCase(Trimmed(text), word)) return true;
    return false;
}

int FirstItem(const std::vector<DiagItem>& items, std::initializer_list<const char*> names,
              std::initializer_list<const char*> units) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (OneOf(items[i].name, names) && OneOf(items[i].unit, units)) return static_cast<int>(i);
    return -1;
}

AxisSource Source(const ProfileFile& settings, const char* key, const std::vector<DiagItem>& items, int fallback) {
    AxisSource source;
    source.setName = settings.ReadString(operatingpoint::kSection, key, "");
    if (source.setName.empty()) {
        source.item = fallback;
        return source;
    }
    for (std::size_t i = 0; i < items.size() && source.item < 0; ++i)
        if (items[i].name == source.setName) source.item = static_cast<int>(i);
    for (std::size_t i = 0; i < items.size() && source.item < 0; ++i)
        if (EqualNoCase(items[i].name, source.setName)) source.item = static_cast<int>(i);
    return source;
}

std::string ItemName(const std::vector<DiagItem>& items, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < items.size() ? items[static_cast<std::size_t>(index)].name
                                                                        : std::string();
}

// Whether name comes back unchanged from the settings file: the reader
// trims blanks, drops one pair of enclosing quotes and keeps only what fits
// its buffer, so a name it would alter would later find another item or none.
bool ReadsBack(const std::string& name) {
    std::string text;
    if (!ProfileFile::SetStrings(text, operatingpoint::kSection, {{operatingpoint::kRpmKey, name}})) return false;
    return ProfileFile::StringIn(text, operatingpoint::kSection, operatingpoint::kRpmKey, "") == name;
}

// The sentence for an axis kind without an item.
std::string NoItem(const AxisSource& source, const char* key, const char* what) {
    if (!source.setName.empty())
        return "The machine's settings name \"" + source.setName + "\" for the " + key +
               " axis, but no monitor item has that name.";
    return std::string("No monitor item gives the ") + what + "; name one as " + key + "= in [" +
           operatingpoint::kSection + "] of the machine's settings.";
}

}  // namespace

int DefaultRpmItem(const std::vector<DiagItem>& items) {
    return FirstItem(items, {"Engine Speed", "RPM", "Engine RPM"}, {"rpm"});
}

int DefaultThrotItem(const std::vector<DiagItem>& items) {
    return FirstItem(items, {"Throttle", "TPS", "Throttle Position"}, {"%", "deg"});
}

OperatingPoint LoadOperatingPoint(const ProfileFile& settings, const std::vector<DiagItem>& items) {
    OperatingPoint point;
    point.rpm = Source(settings, operatingpoint::kRpmKey, items, DefaultRpmItem(items));
    point.throt = Source(settings, operatingpoint::kThrotKey, items, DefaultThrotItem(items));
    return point;
}

bool SaveOperatingPoint(ProfileFile& settings, const std::vector<DiagItem>& items, int rpmItem, int throtItem) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& [key, item] : {std::pair<const char*, int>{operatingpoint::kRpmKey, rpmItem},
                                    std::pair<const char*, int>{operatingpoint::kThrotKey, throtItem}}) {
        if (item == kKeepItem) continue;
        const std::string name = ItemName(items, item);
        if (!ReadsBack(name)) return false;
        values.emplace_back(key, name);
    }
    return settings.WriteStrings(operatingpoint::kSection, values);   // nothing to write is no write
}

bool NeedsThrottle(const MapRecord& map) { return map.z.count > 1; }

std::string NoCursorReason(const OperatingPoint& point, const std::vector<DiagItem>& items, const MapRecord& map) {
    const std::string shown = "so no operating point is shown.";
    if (!EqualNoCase(Trimmed(map.x.name), operatingpoint::kRpmKey))
        return "The map \"" + map.name + "\" runs along " + map.x.name + ", not RPM, " + shown;
    if (NeedsThrottle(map) && !EqualNoCase(Trimmed(map.z.name), operatingpoint::kThrotKey))
        return "The map \"" + map.name + "\" has rows of " + map.z.name + ", not THROT, " + shown;
    const auto valid = [&](const AxisSource& s) { return s.item >= 0 && static_cast<std::size_t>(s.item) < items.size(); };
    if (!valid(point.rpm)) return NoItem(point.rpm, operatingpoint::kRpmKey, "engine speed for the RPM axis");
    if (NeedsThrottle(map) && !valid(point.throt))
        return NoItem(point.throt, operatingpoint::kThrotKey, "throttle for the THROT axis");
    return std::string();
}
