#pragma once
// All the core needs to talk to the user: a message box and a question.
// The Qt shell shows real message boxes; batch mode and rvtune write to
// stderr and take the default answer; tests record and answer from a script.
#include <string>

enum class PromptIcon { kNone, kStop, kExclamation, kInformation, kQuestion };
enum class PromptButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

// A message box an edit hands back for the window to show: the typed-value
// commits, the axis commits, the paste and the dialog bar's Data field all
// report through it.
struct PromptMessage {
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::kNone;
};

struct UserPrompt {
    virtual ~UserPrompt() = default;
    virtual void Message(const std::string& text, const std::string& caption, PromptIcon icon) = 0;
    void Show(const PromptMessage& message) { Message(message.text, message.caption, message.icon); }
    // defaultAnswer is what a prompt that cannot ask anybody takes.
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons, PromptIcon icon,
                             PromptAnswer defaultAnswer) = 0;
};

// Writes every message and question to stderr, one block each, and answers
// every question with its default.
class HeadlessPrompt : public UserPrompt {
public:
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon, PromptAnswer defaultAnswer) override;
};
