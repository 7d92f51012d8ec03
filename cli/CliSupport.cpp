#include "cli/Cli.h"

#include <cstdio>

namespace {

std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else if (c != '\r') {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

void ReportError(const std::string& reason) {
    std::fprintf(stderr, "rvtune: %s\n", OneLine(reason).c_str());
    std::fflush(stderr);
}

void CliPrompt::Message(const std::string& text, const std::string& /*caption*/, PromptIcon /*icon*/) {
    ++messageCount;
    ReportError(text);
}

PromptAnswer CliPrompt::Ask(const std::string& text, const std::string& /*caption*/,
                            PromptButtons /*buttons*/, PromptIcon /*icon*/,
                            PromptAnswer defaultAnswer) {
    ReportError(text);
    return defaultAnswer;
}

CliSession::CliSession() {
    AppOptions options;
    options.exeName = "RV_Tune";   // finds RV_Tune.INI and RV_Tune.STZ
    app_ = std::make_unique<CQelApp>(options);
}

CliSession::~CliSession() {
    if (started_) app_->ExitInstance();
}

int CliSession::Start() {
    started_ = true;
    const int before = prompt_.messageCount;
    if (!app_->InitInstance(host_)) {
        // Start-up names its own reason; say something when it did not.
        if (prompt_.messageCount == before)
            ReportError("start-up failed; check the registry file " + app_->registryStore().Path() +
                        " and the machine's settings and definition files");
        return kExitUsage;
    }
    return kExitOk;
}
