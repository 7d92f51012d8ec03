#include "tests/support/RecordingPrompt.h"

void RecordingPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon) {
    shown.push_back({text, caption, icon, false, PromptButtons::kOk});
}

PromptAnswer RecordingPrompt::Ask(const std::string& text, const std::string& caption,
                                  PromptButtons buttons, PromptIcon icon,
                                  PromptAnswer defaultAnswer) {
    shown.push_back({text, caption, icon, true, buttons});
    if (answers.empty()) return defaultAnswer;
    PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}
