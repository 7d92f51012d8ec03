// Data file bytes -> LoadDataFile on a shipped machine. A file it loads is
// saved and loaded again and must give the same image, range, maps and
// titles, with the checksum range summing to 0x7F; a file it refuses says
// why. Every map lies inside the image. The Title Editor's OK without a
// change leaves every line as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/DataFile.h"
#include "fuzz/FuzzMachine.h"

namespace {

std::uint8_t Sum(const Image& image, std::uint16_t start, std::uint16_t end) {
    std::uint8_t sum = 0;
    for (std::uint32_t a = start; a <= end; ++a) sum = static_cast<std::uint8_t>(sum + image[a]);
    return sum;
}

void CheckMaps(const CQelApp& app) {
    for (const auto& map : app.maps) {
        if (!map) __builtin_trap();
        if (std::uint32_t{map->y.start} + map->y.count > 0x10000u) __builtin_trap();
        if (map->y.count != static_cast<std::uint8_t>(map->z.count * map->x.count)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CQelApp& app = fuzzmachine::App();
    static const std::string input = fuzzmachine::ScratchFile("data");
    static const std::string saved = fuzzmachine::ScratchFile("saved");
    fuzzmachine::WriteScratch(input, data, size);

    fuzzmachine::SilentPrompt prompt;
    const int result = LoadDataFile(app, app, prompt, input);
    if (result != kLoaded) {
        if (result != kOtherMachine && result != kAbandoned && result != kUnreadable) __builtin_trap();
        if (result == kAbandoned && prompt.messages == 0) __builtin_trap();   // refused without a word
        return 0;
    }
    CheckMaps(app);
    if (app.modified != 0) __builtin_trap();

    std::vector<std::string> titles;
    std::vector<int> pairLines;
    ReadTitles(app.dataLines, titles, &pairLines);
    const std::vector<std::string> lines = app.dataLines.Lines();
    if (StoreTitles(app.dataLines, titles, pairLines) || app.dataLines.Lines() != lines) __builtin_trap();

    if (!SaveDataFile(app, saved)) __builtin_trap();
    const Image before = app.image();
    const std::uint16_t start = app.dataStart, end = app.dataEnd;
    const std::size_t mapCount = app.maps.size();
    if (start <= end && Sum(before, start, end) != 0x7F) __builtin_trap();

    fuzzmachine::SilentPrompt again;
    if (LoadDataFile(app, app, again, saved) != kLoaded) __builtin_trap();
    if (app.image() != before || app.dataStart != start || app.dataEnd != end) __builtin_trap();
    if (app.maps.size() != mapCount) __builtin_trap();
    CheckMaps(app);
    std::vector<std::string> reread;
    ReadTitles(app.dataLines, reread);
    if (reread != titles) __builtin_trap();
    return 0;
}
