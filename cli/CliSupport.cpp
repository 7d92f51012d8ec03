#include "cli/Cli.h"

#include <cstdio>

#include <unistd.h>

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
    // A progress line in place on a terminal is cleared first.
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    std::fprintf(stderr, "%srvtune: %s\n", terminal ? "\r\033[K" : "", OneLine(reason).c_str());
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

TerminalProgress::TerminalProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}

void TerminalProgress::Draw(const std::string& text) {
    if (!terminal_) return;
    std::string line = phase_.empty() ? title_ : phase_ + ": " + title_;
    // "Wait...45%": the share done gives the time left at the pace so far.
    const std::size_t percentAt = text.find('%');
    std::size_t digits = percentAt;
    while (digits != std::string::npos && digits > 0 && text[digits - 1] >= '0' && text[digits - 1] <= '9') --digits;
    if (percentAt != std::string::npos && digits < percentAt) {
        int percent = 0;
        for (std::size_t i = digits; i < percentAt && percent <= 100; ++i) percent = percent * 10 + (text[i] - '0');
        line += "  " + std::to_string(percent) + "%";
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        if (percent > 0 && percent < 100) {
            const long left = static_cast<long>(elapsed * (100 - percent) / percent + 0.5);
            char eta[32];
            std::snprintf(eta, sizeof eta, "  %ld:%02ld left", left / 60, left % 60);
            line += eta;
        }
    } else if (!text.empty()) {
        line += "  " + text;
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void TerminalProgress::Show(const std::string& title) {
    title_ = title;
    started_ = std::chrono::steady_clock::now();
    Draw("");
}

void TerminalProgress::SetText(const std::string& text) { Draw(text); }

void TerminalProgress::Close() {
    if (!terminal_ || !shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
}
