#pragma once
// A UserPrompt for tests: records every message and question and answers
// questions from a script (the default answer once the script runs out).
#include <deque>
#include <string>
#include <vector>

#include "platform/UserPrompt.h"

struct RecordedPrompt {
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::kNone;
    bool question = false;
    PromptButtons buttons = PromptButtons::kOk;
};

class RecordingPrompt : public UserPrompt {
public:
    std::vector<RecordedPrompt> shown;
    std::deque<PromptAnswer> answers;   // consumed front first by Ask

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon, PromptAnswer defaultAnswer) override;
    const RecordedPrompt& Last() const { return shown.back(); }
};
