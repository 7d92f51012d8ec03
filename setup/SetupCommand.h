#pragma once
// The setup program's command line and its unattended mode: the same steps
// as the pages, for scripts and tests.
//
//   setup                                       the pages (a display is needed)
//   setup /R                                    asks, then uninstalls
//   setup --target DIR [--machines CODE,...] --yes   installs without a page
//   setup /R --yes                              uninstalls without a question
#include <array>
#include <string>
#include <vector>

#include "platform/UserPrompt.h"
#include "setup/Installer.h"

enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct SetupArguments {
    bool uninstall = false;   // the first argument is "/R" (any letter case)
    bool yes = false;         // --yes: unattended, every question answered yes
    bool help = false;
    std::string target;       // --target
    bool machinesGiven = false;
    std::array<bool, kShippedMachineCount> selected{{true, true, true, true, true, true}};
    std::string error;        // a usage error; empty when the line is fine
};

SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments);

extern const char kSetupUsage[];

// Messages go to stderr, the closing notice to stdout; every question is
// answered yes, as --yes asks.
class ConsolePrompt : public UserPrompt {
public:
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons, PromptIcon icon,
                     PromptAnswer defaultAnswer) override;
};

// Runs the unattended install or uninstall from currentFolder (the
// distribution folder for an install): 0 done, 1 failed (the message on
// stderr), 2 usage.
int RunUnattended(const SetupArguments& arguments, const std::string& currentFolder, SetupHost& host);
