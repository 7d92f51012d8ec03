// Clipboard text -> a paste into every map of a shipped calibration, at a
// cursor picked by the input. A paste writes only DATA bytes of the map
// under the cursor, and one Undo gives back the image byte for byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "edit/ClipboardText.h"
#include "edit/EditContext.h"
#include "edit/UndoList.h"
#include "files/DataFile.h"
#include "fuzz/FuzzMachine.h"

namespace {

CQelApp& LoadedApp() {
    static CQelApp* app = [] {
        CQelApp& made = fuzzmachine::App();
        fuzzmachine::SilentPrompt prompt;
        const std::string path = fuzzmachine::DataFolder() + "/" + fuzzmachine::Machine() + "/WORK/" +
                                 fuzzmachine::Machine() + ".qsd";
        if (LoadDataFile(made, made, prompt, path) != kLoaded || made.maps.empty()) __builtin_trap();
        return &made;
    }();
    return *app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    CQelApp& app = LoadedApp();
    MapRecord& map = *app.maps[data[0] % app.maps.size()];
    const int rows = map.z.count, columns = map.x.count;
    if (rows == 0 || columns == 0) return 0;
    const int row = data[1] % rows, column = data[2] % columns;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

    std::vector<PasteEntry> entries;
    const int read = ReadClipboardValues(text, entries);
    if (read != 0 && !entries.empty()) __builtin_trap();
    for (const PasteEntry& entry : entries)
        if (entry.row < 0 || entry.column < 0 || entry.row >= kPasteSpan || entry.column >= kPasteSpan)
            __builtin_trap();

    const Image before = app.image();
    map.undo.Clear();
    app.currentMap = &map;
    EditContext context = AppEditContext(app);
    map.cursor.mode = kEditData;
    map.cursor.row = row;
    map.cursor.column = column;
    map.cursor.raw = app.image()[map.y.start + row * columns + column];

    fuzzmachine::SilentPrompt prompt;
    const PastePlan plan = PasteValues(context, map, prompt, 0, text);
    for (std::uint32_t a = 0; a < 0x10000u; ++a) {
        if (app.image()[a] == before[a]) continue;
        if (a < map.y.start || a >= std::uint32_t{map.y.start} + map.y.count) __builtin_trap();
    }
    if (plan.messageId != 0 && app.image() != before) __builtin_trap();
    if (!plan.writes.empty() && app.image() != before) {
        if (Undo(context, map) != 1) __builtin_trap();
        if (app.image() != before) __builtin_trap();
    }
    app.image() = before;
    app.modified = 0;
    return 0;
}
