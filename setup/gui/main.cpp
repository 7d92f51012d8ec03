// setup: installs the program from its distribution folder (the current
// folder), or uninstalls it with "/R".
#include <QApplication>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/gui/QtUserPrompt.h"
#include "platform/RegistryStore.h"
#include "setup/SetupCommand.h"
#include "setup/SetupTexts.h"
#include "setup/gui/SetupWnd.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

std::string Home() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

}  // namespace

int main(int argc, char** argv) {
    // A file over the size limit (ulimit -f) is a failed write with its
    // message, not a death by signal in the middle of a copy.
    std::signal(SIGXFSZ, SIG_IGN);
    const SetupArguments arguments = ParseSetupArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
        std::fputs(kSetupUsage, stdout);
        return kExitOk;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "setup: %s\n%s", arguments.error.c_str(), kSetupUsage);
        return kExitUsage;
    }
    RegistryStore registry(RegistryStore::DefaultPath());
    if (arguments.yes) {
        ConsolePrompt prompt;
        SetupHost host{registry, prompt, UserShortcutFolders()};
        return RunUnattended(arguments, CurrentFolder(), host);
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "setup: no display; add --yes for the unattended mode.\n%s", kSetupUsage);
        return kExitUsage;
    }

    QApplication app(argc, argv);
    // QApplication takes the user's locale for the C library too; numbers in
    // files, the datalog, exports and the windows' texts are written and
    // read with "." whatever the language (Qt's own formatting is not
    // affected by this).
    std::setlocale(LC_NUMERIC, "C");
    QtUserPrompt prompt;
    SetupHost host{registry, prompt, UserShortcutFolders()};
    if (arguments.uninstall) {
        if (prompt.Ask(WithProduct(setuptext::kUninstallQuestion), setuptext::kCaption, PromptButtons::kYesNo,
                       PromptIcon::kQuestion, PromptAnswer::kNo) != PromptAnswer::kYes)
            return kExitOk;
        return RunUninstall(host) == kSetupOk ? kExitOk : kExitFailed;
    }
    const std::string source = DistributionFolder(CurrentFolder());
    if (source.empty()) {
        prompt.Message(setuptext::kCannotExecute, setuptext::kCaption, PromptIcon::kStop);
        return kExitFailed;
    }
    CSetupWnd window(host, source, DefaultDestination(registry, Home()));
    window.show();
    window.exec();
    return window.installResult() == kSetupFailed ? kExitFailed : kExitOk;
}
