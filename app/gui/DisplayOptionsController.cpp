#include "app/gui/DisplayOptionsController.h"

#include <string>
#include <utility>

#include "app/DisplayOptions.h"
#include "app/QelApp.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"

DisplayOptionsController::DisplayOptionsController(CQelApp& app, UserPrompt& prompt, std::function<void()> repaint)
    : app_(app), prompt_(prompt), repaint_(std::move(repaint)) {}

void DisplayOptionsController::ToggleColourScale() {
    const DisplayOptions options = DisplayOptionsOf(app_);
    Keep(!options.colourScale, options.stepDecimals);
}

void DisplayOptionsController::ToggleStepDecimals() {
    const DisplayOptions options = DisplayOptionsOf(app_);
    Keep(options.colourScale, !options.stepDecimals);
}

void DisplayOptionsController::Keep(bool colourScale, bool stepDecimals) {
    const DisplayOptions options{colourScale, stepDecimals};
    ApplyDisplayOptions(app_, options);
    if (repaint_) repaint_();
    ProfileFile settings(app_.settingsFilePath);
    if (!SaveDisplayOptions(settings, options))
        prompt_.Message("The display setting holds until the program ends: it could not be kept in " +
                            app_.settingsFilePath + ".",
                        "Orvandel", PromptIcon::kExclamation);
}
