#pragma once
// Message boxes for the core's messages and questions.
#include "platform/UserPrompt.h"

class QtUserPrompt : public UserPrompt {
public:
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon, PromptAnswer defaultAnswer) override;
};
