#pragma once
// Shared set-up of the definition tests: an application object with an empty
// registry of its own, an image and a recording prompt.
#include <string>

#include <gtest/gtest.h>

#include "app/QelApp.h"
#include "config/Definition.h"
#include "model/Image.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempDir.h"

struct DefinitionFixture : ::testing::Test {
    TempDir dir;
    CQelApp app{MakeOptions(dir)};
    Image image{};
    RecordingPrompt prompt;

    static AppOptions MakeOptions(const TempDir& dir) {
        AppOptions options;
        options.registryPath = dir.File("registry.reg");
        return options;
    }

    // Replaces the definition lines with text.
    void Define(const std::string& text) {
        app.definitionLines.Clear();
        AppendDefinitionText(text, app.definitionLines);
    }
    int Apply() { return ApplyDefinition(app, app, image, prompt); }
    // Free Map counts at address a.
    void Counts(std::uint16_t a, std::uint8_t zc, std::uint8_t xc) {
        image[a] = zc;
        image[static_cast<std::uint16_t>(a + 1)] = xc;
    }
    const MapRecord& Map(std::size_t i) const { return *app.maps.at(i); }
};
