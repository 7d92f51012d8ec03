// RV_Tune's main window, offscreen, saving a calibration over itself for the
// kill harness: crashsave REGISTRY FILE VARIANT once|loop
//
// Starts the program on REGISTRY's machine, opens FILE through the Open
// command and Menu dialog, then sets the byte at 0x1023 to the value of
// VARIANT (0 or 1) and triggers the Save command with FILE as the answer of
// the file dialog. "once" saves once and ends; "loop" writes a line on
// standard output when the calibration is open and then saves the other
// variant, and the other, until it is killed. Exit 3 when a save or the
// start failed.
#include <QAction>
#include <QApplication>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/CommandIds.h"
#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "app/gui/MainFrame.h"
#include "tests/gui/ScriptedDialogs.h"
#include "tests/support/RecordingPrompt.h"

namespace {

constexpr int kFailed = 3;
constexpr std::uint16_t kAddress = 0x1023;
constexpr std::uint8_t kValues[2] = {0x11, 0x5A};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: crashsave REGISTRY FILE 0|1 once|loop\n");
        return 2;
    }
    const std::string file = argv[2];
    int variant = std::strcmp(argv[3], "1") == 0 ? 1 : 0;
    const bool loop = std::strcmp(argv[4], "loop") == 0;

    QApplication application(argc, argv);
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    AppOptions options;
    options.registryPath = argv[1];
    CQelApp app(options);
    if (!app.InitInstance(host)) return kFailed;
    ScriptedDialogs dialogs;
    auto frame = std::make_unique<CMainFrame>(app, prompt, &dialogs);
    frame->show();
    frame->activateWindow();
    if (!QTest::qWaitForWindowActive(frame.get())) return kFailed;

    dialogs.nextFile = file;
    dialogs.menuChoice = 0;
    frame->action(cmd::kOpen)->trigger();
    if (app.dataFilePath != file || !prompt.shown.empty()) return kFailed;
    if (loop) {
        std::printf("open\n");
        std::fflush(stdout);
    }

    for (;;) {
        app.image()[kAddress] = kValues[variant];
        app.modified = 1;
        dialogs.nextFile = file;
        frame->action(cmd::kSave)->trigger();
        if (!prompt.shown.empty() || app.modified != 0) return kFailed;
        if (!loop) break;
        variant ^= 1;
    }
    frame.reset();
    app.ExitInstance();
    return 0;
}
