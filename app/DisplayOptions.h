#pragma once
// How the windows show values, kept per machine in a section of the
// settings file of its own:
//
//   [Value Display]
//   ColourScale=1       the table's DATA cells shaded by value
//   StepDecimals=1      DATA values with the decimals their raw step needs
//
// A missing key, or any value but 1, is off.
class ProfileFile;
struct Calibration;

namespace displayoptions {
constexpr const char* kSection = "Value Display";
constexpr const char* kColourScaleKey = "ColourScale";
constexpr const char* kStepDecimalsKey = "StepDecimals";
}  // namespace displayoptions

struct DisplayOptions {
    bool colourScale = false;
    bool stepDecimals = false;
};

DisplayOptions LoadDisplayOptions(const ProfileFile& settings);
// Both keys in one atomic rewrite, every other section and key kept; false,
// and nothing written, when the file could not be written.
bool SaveDisplayOptions(ProfileFile& settings, const DisplayOptions& options);

// The options as the calibration holds them (its colour scale flag and its
// formats), and back.
DisplayOptions DisplayOptionsOf(const Calibration& calibration);
void ApplyDisplayOptions(Calibration& calibration, const DisplayOptions& options);
