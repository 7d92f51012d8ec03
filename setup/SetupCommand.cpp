#include "setup/SetupCommand.h"

#include <cstdio>

#include "platform/AsciiText.h"
#include "platform/PathSearch.h"
#include "setup/SetupTexts.h"

const char kSetupUsage[] =
    "Usage: setup                      install with the Setup pages\n"
    "       setup /R                   uninstall (asks first)\n"
    "       setup --target DIR [--machines CODE,...] --yes\n"
    "                                  install into DIR without pages; the machines\n"
    "                                  by model code (default: all six); a relative\n"
    "                                  DIR is taken from the current folder\n"
    "       setup /R --yes             uninstall without the question\n"
    "Run from the distribution folder. Exit status: 0 done, 1 failed, 2 usage error.\n";

SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments) {
    SetupArguments parsed;
    std::size_t i = 0;
    if (!arguments.empty() && EqualNoCase(arguments[0], "/R")) {
        parsed.uninstall = true;
        i = 1;
    }
    for (; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == "--yes") {
            parsed.yes = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--target" && hasValue) {
            parsed.target = arguments[++i];
            if (parsed.target.empty()) parsed.error = "--target names no folder";
        } else if (arg == "--machines" && hasValue) {
            parsed.machinesGiven = true;
            parsed.selected.fill(false);
            const std::string list = arguments[++i];
            if (list.empty()) parsed.error = "--machines names no machine: choose at least one";
            std::size_t start = 0;
            while (parsed.error.empty()) {
                const std::size_t comma = list.find(',', start);
                const std::string code = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                const int index = FindShippedMachine(code);
                if (index < 0) parsed.error = "unknown machine \"" + code + "\"";
                else parsed.selected[static_cast<std::size_t>(index)] = true;
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (arg == "--target" || arg == "--machines") {
            parsed.error = arg + " needs a value";
        } else {
            parsed.error = "unknown argument \"" + arg + "\"";
        }
        if (!parsed.error.empty()) return parsed;
    }
    if (parsed.uninstall && (!parsed.target.empty() || parsed.machinesGiven))
        parsed.error = "/R takes no --target or --machines";
    else if (parsed.yes && !parsed.uninstall && parsed.target.empty())
        parsed.error = "--yes installs into the folder --target names";
    else if (!parsed.yes && (!parsed.target.empty() || parsed.machinesGiven))
        parsed.error = "--target and --machines are for the unattended install: add --yes";
    return parsed;
}

void ConsolePrompt::Message(const std::string& text, const std::string& /*caption*/, PromptIcon icon) {
    std::FILE* out = icon == PromptIcon::kInformation ? stdout : stderr;
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

PromptAnswer ConsolePrompt::Ask(const std::string& text, const std::string& /*caption*/, PromptButtons buttons,
                                PromptIcon /*icon*/, PromptAnswer /*defaultAnswer*/) {
    std::fprintf(stderr, "%s\n  -> yes (--yes)\n", text.c_str());
    std::fflush(stderr);
    return buttons == PromptButtons::kYesNo || buttons == PromptButtons::kYesNoCancel ? PromptAnswer::kYes
                                                                                       : PromptAnswer::kOk;
}

int RunUnattended(const SetupArguments& arguments, const std::string& currentFolder, SetupHost& host) {
    if (arguments.uninstall) {
        // The end message names the clean-up script and how to run it.
        return RunUninstall(host) == kSetupOk ? kExitOk : kExitFailed;
    }
    InstallPlan plan;
    plan.sourceFolder = DistributionFolder(currentFolder);
    if (plan.sourceFolder.empty()) {
        host.prompt.Message(setuptext::kCannotExecute, setuptext::kCaption, PromptIcon::kStop);
        return kExitFailed;
    }
    // A relative folder is taken from the folder setup was started in, as
    // the shell that typed it means it.
    plan.targetFolder = arguments.target;
    if (!plan.targetFolder.empty() && plan.targetFolder.front() != '/' && !currentFolder.empty())
        plan.targetFolder = JoinPath(currentFolder, plan.targetFolder);
    if (!ConfirmInstallFolder(plan.targetFolder, host.prompt)) return kExitFailed;
    plan.selected = arguments.selected;
    return RunInstall(plan, host) == kSetupOk ? kExitOk : kExitFailed;
}
