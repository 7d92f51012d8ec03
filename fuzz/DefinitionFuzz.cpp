// Definition bytes -> definition lines -> ApplyDefinition against an image
// made from the same input, then the constant lookup on the same lines.
// Traps when a map reaches outside the image or overlaps the one before it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/QelApp.h"
#include "config/Definition.h"
#include "ecu/Monitor.h"
#include "edit/ConstantsList.h"
#include "model/LineStore.h"
#include "fuzz/FuzzMachine.h"
#include "platform/UserPrompt.h"

namespace {

using fuzzmachine::SilentPrompt;

CQelApp& App() {
    static CQelApp* app = [] {
        AppOptions options;
        options.registryPath = "/nonexistent/rv-fuzz/registry.reg";
        return new CQelApp(options);
    }();
    return *app;
}

// The last input byte picks how the image is filled: small counts (so most
// Free Map layouts succeed), any bytes, or the input itself repeated.
void FillImage(Image& image, const std::uint8_t* data, std::size_t size) {
    const unsigned mode = size ? data[size - 1] % 3 : 0;
    std::uint32_t state = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) state = (state ^ data[i]) * 16777619u;
    for (std::size_t a = 0; a < image.size(); ++a) {
        state = state * 1664525u + 1013904223u;
        switch (mode) {
        case 0: image[a] = static_cast<std::uint8_t>((state >> 24) % 8); break;
        case 1: image[a] = static_cast<std::uint8_t>(state >> 24); break;
        default: image[a] = size ? data[a % size] : 0; break;
        }
    }
}

bool Inside(std::uint32_t start, std::uint32_t length) { return start + length <= 0x10000; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Image image;
    CQelApp& app = App();
    FillImage(image, data, size);
    app.definitionLines.Clear();
    AppendDefinitionText(std::string_view(reinterpret_cast<const char*>(data), size),
                         app.definitionLines);
    app.speedCode = app.dataBitsCode = app.parityCode = app.stopBitsCode = app.flowCode = -1;
    app.portCode = -1;
    app.registry.expectedIdPresent = size % 2 == 0;

    SilentPrompt prompt;
    const int result = ApplyDefinition(app, app, image, prompt);
    if (result != 0 && result != kAbandoned) __builtin_trap();
    // An abandoned definition says why once; a loaded one says at most once
    // which maps it had to leave out.
    if (result == kAbandoned && prompt.messages != 1) __builtin_trap();
    if (prompt.messages > 1) __builtin_trap();
    if (result == kAbandoned && !app.maps.empty()) __builtin_trap();

    std::uint32_t previousEnd = app.mapAreaStart;
    for (const auto& map : app.maps) {
        if (!map || map->y.count != static_cast<std::uint8_t>(map->z.count * map->x.count))
            __builtin_trap();
        if (!Inside(map->y.start, map->y.count)) __builtin_trap();
        if (app.definitionKind == kDefinitionFreeMap) {
            // Laid out one after another from the area start, never overlapping.
            if (map->base != previousEnd) __builtin_trap();
            previousEnd = std::uint32_t{map->y.start} + map->y.count;
        } else if (map->type == kMapConfigImage) {
            if (!Inside(map->z.start, map->z.count * static_cast<std::uint32_t>(map->z.elementSize)) ||
                !Inside(map->x.start, map->x.count * static_cast<std::uint32_t>(map->x.elementSize)))
                __builtin_trap();
        }
    }
    for (const std::string& name : app.mapLink.linkList) {
        if (name.empty()) __builtin_trap();
    }
    for (const DiagItem& item : app.diagItems) {
        if (item.answerLength != 1 && item.answerLength != 2) __builtin_trap();
        FormatValue(item, static_cast<std::uint16_t>(size * 2654435761u));
    }

    // The constants list: every entry lies inside the image, and a value
    // read from the image converts back to raw within the entry's width.
    for (const ConstantEntry& entry : ListConstants(app.definitionLines)) {
        if (std::uint32_t{entry.address} + static_cast<std::uint32_t>(entry.byteCount) > 0x10000u) __builtin_trap();
        const std::uint32_t raw = ReadConstantRaw(image, entry);
        ConstantValueText(entry, image);
        ConstantHexText(entry, raw);
        std::uint32_t back = 0;
        if (ToConstantRaw(entry, ToConstantPhysical(entry, raw), back) && back > entry.RawMax())
            __builtin_trap();
        CommitConstantValue(entry, std::string(reinterpret_cast<const char*>(data), size < 12 ? size : 12));
        StepConstantRaw(entry, raw, size % 2 == 0);
    }

    CalibConstant constant;
    for (int i = 0; i < app.definitionLines.Count() && i < 8; ++i) {
        ConstantDef def;
        SplitConstantLine(app.definitionLines.At(i), def);
        FindCalibConstant(app.definitionLines, def.contents, static_cast<int>(size % 3), constant);
    }
    return 0;
}
