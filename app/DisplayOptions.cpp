#include "app/DisplayOptions.h"

#include "model/Calibration.h"
#include "platform/ProfileFile.h"

DisplayOptions LoadDisplayOptions(const ProfileFile& settings) {
    DisplayOptions options;
    options.colourScale = settings.ReadInt(displayoptions::kSection, displayoptions::kColourScaleKey, 0) == 1;
    options.stepDecimals = settings.ReadInt(displayoptions::kSection, displayoptions::kStepDecimalsKey, 0) == 1;
    return options;
}

bool SaveDisplayOptions(ProfileFile& settings, const DisplayOptions& options) {
    return settings.WriteStrings(displayoptions::kSection,
                                 {{displayoptions::kColourScaleKey, options.colourScale ? "1" : "0"},
                                  {displayoptions::kStepDecimalsKey, options.stepDecimals ? "1" : "0"}});
}

DisplayOptions DisplayOptionsOf(const Calibration& calibration) {
    return {calibration.colourScale, calibration.formats.stepDecimals};
}

void ApplyDisplayOptions(Calibration& calibration, const DisplayOptions& options) {
    calibration.colourScale = options.colourScale;
    calibration.formats.stepDecimals = options.stepDecimals;
}
