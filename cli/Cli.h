#pragma once
// rvtune: the headless companion of RV_Tune. Each subcommand is a row of a
// table; groups of subcommands live in cli/Commands*.cpp and main.cpp joins
// their tables.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/QelApp.h"
#include "ecu/ProgressDisplay.h"
#include "platform/UserPrompt.h"

// Exit statuses of every subcommand. kExitLimited: set-constant saved the
// value the constant's range held the asked one to, so the file holds
// another value than asked (and the message says which).
enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitLimited = 3 };

struct CliCommand {
    const char* name;
    const char* arguments;   // for the usage line, e.g. "IN OUT"
    const char* summary;     // one line for --help
    int minArguments;
    int maxArguments;
    int (*run)(const std::vector<std::string>& arguments);
};

// Export, resave and info (cli/CommandsFiles.cpp).
const std::vector<CliCommand>& FileCommands();
// ECU read, write, verify, single writes and monitor (cli/CommandsEcu.cpp).
const std::vector<CliCommand>& EcuCommands();
// Restore and the logbook (cli/CommandsLogbook.cpp).
const std::vector<CliCommand>& LogbookCommands();
// The time a recorded ride spent on a map (cli/CommandsHits.cpp).
const std::vector<CliCommand>& HitsCommands();

// Messages as single lines on stderr, "rvtune: <text>"; questions take their
// default answer, since nobody is there to ask.
class CliPrompt : public UserPrompt {
public:
    int messageCount = 0;
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon, PromptAnswer defaultAnswer) override;
};

// The progress of the ECU commands on stderr while it is a terminal: one
// line rewritten in place with the phase, the percentage and the time left;
// nothing at all when stderr goes to a file or pipe.
class TerminalProgress : public ProgressDisplay {
public:
    TerminalProgress();
    void SetPhase(const std::string& phase) { phase_ = phase; }
    void Show(const std::string& title) override;
    void SetText(const std::string& text) override;
    void Close() override;

private:
    void Draw(const std::string& text);
    bool terminal_ = false;
    bool shown_ = false;
    std::string phase_;
    std::string title_;
    std::chrono::steady_clock::time_point started_{};
};

// One line on stderr: "rvtune: <reason>".
void ReportError(const std::string& reason);

// The start-up of RV_Tune up to the definition load, without any window:
// registry ($RV_TUNE_REGISTRY), settings file, image, definition. The
// application is shut down (temporary definition file removed) when the
// session ends.
class CliSession {
public:
    CliSession();
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;
    // kExitOk, or kExitUsage after the reason was reported (no machine
    // recorded, settings or definition missing).
    int Start();
    CQelApp& app() { return *app_; }
    UserPrompt& prompt() { return prompt_; }

private:
    CliPrompt prompt_;
    HeadlessHost host_{prompt_};
    std::unique_ptr<CQelApp> app_;
    bool started_ = false;
};
