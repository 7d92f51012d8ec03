#include "platform/UserPrompt.h"

#include <cstdio>

namespace {
const char* IconWord(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::kStop: return "error";
    case PromptIcon::kExclamation: return "warning";
    case PromptIcon::kInformation: return "note";
    case PromptIcon::kQuestion: return "question";
    case PromptIcon::kNone: break;
    }
    return "message";
}
const char* AnswerWord(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::kOk: return "OK";
    case PromptAnswer::kCancel: return "Cancel";
    case PromptAnswer::kYes: return "Yes";
    case PromptAnswer::kNo: return "No";
    }
    return "";
}
}  // namespace

void HeadlessPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon) {
    std::fprintf(stderr, "%s [%s]: %s\n", caption.c_str(), IconWord(icon), text.c_str());
    std::fflush(stderr);
}

PromptAnswer HeadlessPrompt::Ask(const std::string& text, const std::string& caption,
                                 PromptButtons /*buttons*/, PromptIcon icon,
                                 PromptAnswer defaultAnswer) {
    std::fprintf(stderr, "%s [%s]: %s\n  -> %s (no one to ask)\n", caption.c_str(),
                 IconWord(icon), text.c_str(), AnswerWord(defaultAnswer));
    std::fflush(stderr);
    return defaultAnswer;
}
