#pragma once
// Window > Colour scale and Window > Step decimals: how the windows show
// values. Each flips its option, keeps both in the machine's settings file
// (app/DisplayOptions) and repaints the windows from the image.
#include <functional>

class CQelApp;
struct UserPrompt;

class DisplayOptionsController {
public:
    // repaint: every window and the dialog bar shown again.
    DisplayOptionsController(CQelApp& app, UserPrompt& prompt, std::function<void()> repaint);

    void ToggleColourScale();
    void ToggleStepDecimals();

private:
    // The options as changed, in force and kept; a settings file that
    // cannot be written is reported (the change holds for this run only).
    void Keep(bool colourScale, bool stepDecimals);

    CQelApp& app_;
    UserPrompt& prompt_;
    std::function<void()> repaint_;
};
