#pragma once
// The window benchmarks' calibration: the test machine of
// tests/files/TestInstall.h started with a definition of one full-size map,
// "Full", 15 THROT rows x 17 RPM columns (255 cells, the most a table holds)
// at 0x2000, made the current map and ready to edit.
#include <QtTest>

#include <cstdint>
#include <memory>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "config/Definition.h"
#include "model/Maps.h"
#include "tests/files/TestInstall.h"
#include "tests/support/RecordingPrompt.h"

struct FullMapCalibration {
    static constexpr const char* kDefinition =
        "[Free Map]\n"
        "2000,21FF,0000\n"
        "Full,0,F\n"
        "THROT,0,100,x/2,x*2\n"
        "RPM,500,12750,x*50,x/50\n"
        "Injection,0,12.75,x/20,x*20\n";

    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    RecordingPrompt prompt;
    std::unique_ptr<CQelApp> app;

    // A failure is a QtTest failure of the calling slot, which checks
    // QTest::currentTestFailed() afterwards.
    void Start() {
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        HeadlessHost host(prompt);
        QVERIFY(app->InitInstance(host));
        app->definitionLines.Clear();
        AppendDefinitionText(kDefinition, app->definitionLines);
        Image& image = app->image();
        std::uint16_t a = 0x2000;
        image[a++] = 15;
        image[a++] = 17;
        for (int r = 0; r < 15; ++r) image[a++] = static_cast<std::uint8_t>(r * 14);
        for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(10 + c * 14);
        for (int r = 0; r < 15; ++r)
            for (int c = 0; c < 17; ++c) image[a++] = static_cast<std::uint8_t>(20 + r * 9 + c * 4 + (c % 3) * 5);
        QCOMPARE(ApplyDefinition(*app, *app, image, prompt), 0);
        app->currentMap = FindMap(app->maps, "Full");
        QVERIFY(app->currentMap);
        QCOMPARE(int(app->currentMap->y.count), 255);
        StartDataEdit(*app->currentMap, image);
    }
};
