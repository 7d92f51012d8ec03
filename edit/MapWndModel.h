#pragma once
// Decisions of the map window that the geometry leaves to it.
#include "edit/GraphGeometry.h"

// The raw range the scales are computed from. Free Map breakpoints are
// placed from raw 0 (raw x 1000 / X scale, no offset) and their labels start
// at raw 0 too, so the X scale must span 0 .. X raw maximum: with the span
// X minimum .. X maximum alone, an axis whose minimum is above 0 would run
// past the right edge of the pane by the minimum's width, out of sight and
// out of reach of the mouse. Image and list axes are placed from their
// minimum and keep the range as it is.
GraphRawRange ScaleRange(const GraphRawRange& range, GraphAxisKind axis);
