#pragma once
// The colour scale that shades a map's DATA cells by value: a sequential
// palette from dark blue through teal and green to pale yellow whose
// luminance rises strictly along it, so the order of values reads in
// greyscale and for every kind of colour blindness, plus the value range a
// map is shaded over.
#include <vector>

struct ScaleColour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

// The colour at position t along the scale: 0 the lowest value, 1 the
// highest. t outside [0, 1] is held at the nearer end; a NaN gives the
// lowest colour.
ScaleColour ScaleColourAt(double t);

// Relative luminance (0 black, 1 white) of a colour, sRGB weights on
// linearised channels: what a greyscale print keeps of it.
double ScaleLuminance(ScaleColour colour);

// Black or white, whichever reads better on the colour.
ScaleColour ScaleTextColour(ScaleColour background);

struct ScaleRange {
    bool valid = false;    // false: no finite value to shade by
    double low = 0.0;
    double high = 0.0;

    // Where value lies in the range, 0 to 1; the middle for a range of one
    // value, 0 for a value that is not finite.
    double PositionOf(double value) const;
};

// The range of the finite values; NaN and infinities are left out.
ScaleRange ScaleRangeOf(const std::vector<double>& values);
