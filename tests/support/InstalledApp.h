#pragma once
// The test machine of tests/files/TestInstall.h installed, TMPDIR pointing
// into it, and an application object on it with a recording prompt and a
// headless host. The fixture that derives from it starts the application.
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "tests/files/TestInstall.h"
#include "tests/support/RecordingPrompt.h"

struct InstalledApp {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    RecordingPrompt prompt;
    HeadlessHost host{prompt};
    CQelApp app;

    // commandFiles: files of the installation folder named on the command
    // line, as a batch conversion gets them.
    explicit InstalledApp(const std::vector<std::string>& commandFiles = {}) : app(Options(install, commandFiles)) {}

    static AppOptions Options(const testinstall::Install& install, const std::vector<std::string>& commandFiles) {
        AppOptions options;
        options.registryPath = install.RegistryPath();
        for (const std::string& name : commandFiles)
            options.commandLine += (options.commandLine.empty() ? "" : " ") + install.dir.File(name);
        return options;
    }
};
