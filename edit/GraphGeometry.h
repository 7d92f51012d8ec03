#pragma once
// The arithmetic of the map window: raw range, scales, label steps and the
// pixel positions of points and labels. CMapWnd and CMapGraphWnd only draw
// what these functions compute, so all of it is tested without a display.
//
// Coordinates: the map window's client area is W x H; the graph pane sits at
// x = 50, y = 0 with size (W - 50) x (H - 30). Point positions are in pane
// coordinates; label positions in map window coordinates (the two share y).
// Scales are raw units per 1000 pixels (X) and per 100 pixels (DATA), at
// least 1 each, so no position ever divides by zero.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/Image.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"

constexpr int kGraphLeftMargin = 50;     // DATA labels
constexpr int kGraphBottomMargin = 30;   // RPM labels

// How the RPM position of a point is found; decided by the definition format
// and, for Config Map definitions, by the map type.
enum class GraphAxisKind {
    kFreeMap,      // raw breakpoint from the image, raw * 1000 / X scale
    kImageAxis,    // Config Map type 3: (raw - X raw minimum) * 1000 / X scale
    kListAxis,     // Config Map list: (value - ItemMinimum(X)) * 1000 / X scale
};
GraphAxisKind GraphAxisKindOf(const MapRecord& map, bool freeMapDefinition);

struct GraphPoint {
    int x = 0;
    int y = 0;
};
struct GraphRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// X raw minimum, DATA raw minimum, X raw maximum, DATA raw maximum.
struct GraphRawRange {
    std::int32_t xMinimum = 0;
    std::int32_t dataMinimum = 0;
    std::int32_t xMaximum = 255;
    std::int32_t dataMaximum = 255;
};

// The raw range of a new map window. code is 0, or the ToRawByte code of the
// first X value that failed to convert: the window then reports it (caption
// "Map Window", heading 1500) and stays without its graph pane.
struct GraphRangeResult {
    GraphRawRange range;
    int code = kConversionOk;
};
// Bounds from the items' minimum and maximum texts (a failed conversion keeps
// that bound and the later ones at 0 / 255); for Free Map and image axes with
// more than one entry, widened by the X item's value array (x.values, up to
// the X count; entries the array does not hold are not looked at).
GraphRangeResult ComputeGraphRawRange(const MapRecord& map, GraphAxisKind axis);

// Everything the size message computes. The pane reads xRawMinimum and
// dataRawMinimum from here; xRawMinimum stays 0 except for image axes.
struct GraphScales {
    GraphAxisKind axis = GraphAxisKind::kFreeMap;
    int clientWidth = 0;
    int clientHeight = 0;
    GraphRect pane;               // width and height never negative
    int xScale = 1;               // raw RPM units per 1000 pixels
    int dataScale = 1;            // raw DATA units per 100 pixels
    float dataLabelStep = 0.0f;   // physical DATA units
    float rpmLabelStep = 0.0f;    // physical RPM units; 0 for list axes
    std::int32_t xRawMinimum = 0;
    std::int32_t dataRawMinimum = 0;
};
GraphScales ComputeGraphScales(const MapRecord& map, GraphAxisKind axis,
                               const GraphRawRange& range, int clientWidth, int clientHeight);

// The smallest n >= 1 with (n * pixels) / perPixels > range, at least 1. A
// pane with no pixels counts as one pixel wide.
int SmallestScaleAbove(long long range, int pixels, int perPixels);

// The step rules on a physical span (h: 20 pixels of DATA, u: 50 pixels of RPM)
// and, for DATA, the physical value of one raw step.
float DataLabelStep(float span, float rawResolution);
float RpmLabelStep(float span);

// The item's HEX-to-physical equation at x = raw. For a raw value within a
// byte this is ToPhysicalByte; wider values are not cut to 8 bits.
float PhysicalAt(const MapItem& item, long long raw);

// The point accessor: the raw RPM breakpoint and raw DATA value of (line,
// point), read by the items' element sizes (type 2: the line's own RPM row).
// False when the line or the point lies outside the map.
bool MapPointAt(const MapRecord& map, const Image& image, int line, int point,
                std::uint16_t& rpmRaw, std::uint16_t& dataRaw);

// Entry i of a list axis text ("1000, 2000, ..."), read as "%f" reads it.
// False when the text has no entry i.
bool ListAxisEntry(const std::string& valueListText, int i, float& value);

// Pane positions of a raw DATA value and of an RPM breakpoint.
int DataY(const GraphScales& s, std::int32_t dataRaw);
int RpmX(const GraphScales& s, std::int32_t rpmRaw);   // Free Map and image axes
int ListX(const GraphScales& s, const MapItem& x, float value);

// Pane position of point (line, point); false where the accessor fails (and
// for a list axis without entry `point`).
bool GraphPointPosition(const MapRecord& map, const Image& image, const GraphScales& s, int line,
                        int point, GraphPoint& position);
// The positions of points 0, 1, ... of a line, up to the first that fails.
std::vector<GraphPoint> GraphLinePoints(const MapRecord& map, const Image& image,
                                        const GraphScales& s, int line);

// One label of the margins, in map window coordinates. The text is anchored
// at `anchor`: DATA labels by their right end and baseline, RPM labels by
// their top centre. A tick runs from tickFrom to tickTo.
struct GraphLabel {
    float value = 0.0f;
    std::string text;
    GraphPoint anchor;
    bool drawText = false;
    bool drawTick = false;
    GraphPoint tickFrom;
    GraphPoint tickTo;
};

// Labels of the DATA axis. The walk is bounded, so a step that makes no
// progress on the value or an equation that runs backwards cannot hang it.
std::vector<GraphLabel> DataAxisLabels(const MapRecord& map, const GraphScales& s,
                                       const MapRecord* currentMap, const ValueFormats& formats);

// Pixel width of a label text in the label font; the window measures.
using TextWidthFn = std::function<int(const std::string&)>;
// Labels of the RPM axis by the axis kind. Entries that have neither text
// nor tick are left out.
std::vector<GraphLabel> RpmAxisLabels(const MapRecord& map, const GraphScales& s,
                                      const ValueFormats& formats, const TextWidthFn& textWidth);

// Where the axis names are centred (map window coordinates): the DATA name
// turned to read upwards, the RPM name with top alignment.
GraphPoint DataAxisNameCentre(const GraphScales& s);
GraphPoint RpmAxisNameCentre(const GraphScales& s);
