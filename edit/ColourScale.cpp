#include "edit/ColourScale.h"

#include <cmath>
#include <cstddef>

namespace {

// Stops of the palette, evenly spaced along it. Each is lighter than the
// one before (checked by the tests through ScaleLuminance), and the hue
// turns from blue to yellow, so neighbours differ in both.
constexpr ScaleColour kStops[] = {
    {36, 16, 72},     // deep violet-blue
    {58, 42, 130},
    {52, 84, 150},
    {38, 120, 142},   // teal
    {36, 152, 128},
    {74, 182, 100},   // green
    {142, 206, 70},
    {214, 226, 64},
    {253, 246, 160},  // pale yellow
};
constexpr std::size_t kStopCount = sizeof(kStops) / sizeof(kStops[0]);

unsigned char Mix(unsigned char a, unsigned char b, double f) {
    return static_cast<unsigned char>(std::lround(a + (b - a) * f));
}

double Linear(unsigned char channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

ScaleColour ScaleColourAt(double t) {
    if (!(t > 0.0)) return kStops[0];
    if (t >= 1.0) return kStops[kStopCount - 1];
    const double along = t * (kStopCount - 1);
    const std::size_t index = static_cast<std::size_t>(along);
    const double f = along - index;
    const ScaleColour& a = kStops[index];
    const ScaleColour& b = kStops[index + 1];
    return {Mix(a.red, b.red, f), Mix(a.green, b.green, f), Mix(a.blue, b.blue, f)};
}

double ScaleLuminance(ScaleColour colour) {
    return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) + 0.0722 * Linear(colour.blue);
}

ScaleColour ScaleTextColour(ScaleColour background) {
    // Contrast against black is (L + 0.05) / 0.05, against white 1.05 / (L + 0.05);
    // they are equal at L of about 0.179.
    return ScaleLuminance(background) > 0.179 ? ScaleColour{0, 0, 0} : ScaleColour{255, 255, 255};
}

double ScaleRange::PositionOf(double value) const {
    if (!valid || !std::isfinite(value)) return 0.0;
    if (high <= low) return 0.5;
    const double t = (value - low) / (high - low);
    return t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
}

ScaleRange ScaleRangeOf(const std::vector<double>& values) {
    ScaleRange range;
    for (double value : values) {
        if (!std::isfinite(value)) continue;
        if (!range.valid) {
            range.valid = true;
            range.low = range.high = value;
        } else if (value < range.low) {
            range.low = value;
        } else if (value > range.high) {
            range.high = value;
        }
    }
    return range;
}
