#include "edit/GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "model/Equation.h"

namespace {

// Positions far outside any screen are still positions; keeping them within
// this bound leaves the window's integer arithmetic (half widths, +50) safe.
constexpr long long kPositionLimit = 1LL << 24;

// A label walk never needs more steps than this; it bounds the walk when a
// step makes no progress or an equation runs against the axis.
constexpr int kMaxLabelSteps = 4096;

int ClampPosition(long long v) {
    return static_cast<int>(std::clamp(v, -kPositionLimit, kPositionLimit));
}

// Truncation toward zero that stays defined for every float.
long long TruncateWide(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = 9.0e15;
    if (v >= kLimit) return static_cast<long long>(kLimit);
    if (v <= -kLimit) return -static_cast<long long>(kLimit);
    return static_cast<long long>(v);
}

std::int32_t TruncateInt32(float v) {
    long long wide = TruncateWide(v);
    return static_cast<std::int32_t>(std::clamp<long long>(
        wide, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int ReadElement(const Image& image, const MapItem& item, long long index) {
    long long offset = index * (item.elementSize == 2 ? 2 : 1);
    auto address = static_cast<std::uint16_t>((item.start + offset) & 0xFFFF);
    return item.elementSize == 2 ? ReadWord(image, address) : image[address];
}

// The smallest power of ten above value, starting at 10 (values below 10 give
// 10). An infinite or NaN value cannot run the loop away.
double PowerOfTenAbove(double value) {
    double p = 10.0;
    if (value >= 10.0) {
        while (p <= value && p < 1e30) p *= 10.0;
    }
    return p;
}

}  // namespace

GraphAxisKind GraphAxisKindOf(const MapRecord& map, bool freeMapDefinition) {
    if (freeMapDefinition) return GraphAxisKind::kFreeMap;
    return map.type == kMapConfigImage ? GraphAxisKind::kImageAxis : GraphAxisKind::kListAxis;
}

GraphRangeResult ComputeGraphRawRange(const MapRecord& map, GraphAxisKind axis) {
    GraphRangeResult result;
    GraphRawRange& r = result.range;
    // In this order; the first failure leaves it and the later bounds at their defaults.
    struct Bound { const MapItem& item; float value; std::int32_t& target; };
    const Bound bounds[] = {
        {map.x, ItemMinimum(map.x), r.xMinimum},
        {map.y, ItemMinimum(map.y), r.dataMinimum},
        {map.x, ItemMaximum(map.x), r.xMaximum},
        {map.y, ItemMaximum(map.y), r.dataMaximum},
    };
    for (const Bound& b : bounds) {
        std::int32_t raw = 0;
        if (ToRawInt(b.item, b.value, raw) != kEquationOk) break;
        b.target = raw;
    }

    if (axis != GraphAxisKind::kListAxis && map.x.count > 1) {
        std::size_t n = std::min<std::size_t>(map.x.count, map.x.values.size());
        for (std::size_t i = 0; i < n; ++i) {
            std::uint8_t raw = 0;
            int code = ToRawByte(map.x, map.x.values[i], raw);
            if (code != kConversionOk) {
                result.code = code;
                return result;
            }
            if (raw < r.xMinimum) r.xMinimum = raw;
            else if (raw > r.xMaximum) r.xMaximum = raw;
        }
    }
    return result;
}

int SmallestScaleAbove(long long range, int pixels, int perPixels) {
    if (range < 0 || perPixels <= 0) return 1;
    const long long px = std::max(pixels, 1);
    // (n * px) / per > range  <=>  n * px >= per * (range + 1)
    long long n = (static_cast<long long>(perPixels) * (range + 1) + px - 1) / px;
    return static_cast<int>(std::clamp<long long>(n, 1, std::numeric_limits<int>::max()));
}

float DataLabelStep(float span, float rawResolution) {
    const double h = span;
    const double r = rawResolution;
    const double p = PowerOfTenAbove(h);
    for (double candidate : {p * 0.05, p / 10, p / 5, p / 2}) {
        if (candidate >= h && candidate >= r) return static_cast<float>(candidate);
    }
    return static_cast<float>(p);
}

float RpmLabelStep(float span) {
    const double u = span;
    const double p = PowerOfTenAbove(u);
    const double q = p / 10;
    if (q >= u) return static_cast<float>(q);
    if (p / 5 >= u) return static_cast<float>(2 * q);
    if (p / 2 >= u) return static_cast<float>(5 * q);
    return static_cast<float>(10 * q);
}

float PhysicalAt(const MapItem& item, long long raw) {
    float value = 0.0f;   // a failed equation reads as 0
    EvaluateEquation(item.hexToPhys, static_cast<float>(raw), value);
    return value;
}

GraphScales ComputeGraphScales(const MapRecord& map, GraphAxisKind axis,
                               const GraphRawRange& range, int clientWidth, int clientHeight) {
    GraphScales s;
    s.axis = axis;
    s.clientWidth = clientWidth;
    s.clientHeight = clientHeight;
    s.pane = {kGraphLeftMargin, 0, std::max(clientWidth - kGraphLeftMargin, 0),
              std::max(clientHeight - kGraphBottomMargin, 0)};
    s.dataRawMinimum = range.dataMinimum;
    s.xRawMinimum = 0;

    // The DATA scale leaves 10 pixels of the pane's height unused at the top.
    const long long dataRange = static_cast<long long>(range.dataMaximum) - range.dataMinimum;
    s.dataScale = SmallestScaleAbove(dataRange, clientHeight - 40, 100);

    const long long twentyPixels = static_cast<long long>(s.dataScale) * 20 / 100;
    const float zero = PhysicalAt(map.y, 0);
    s.dataLabelStep = DataLabelStep(std::fabs(PhysicalAt(map.y, twentyPixels) - zero),
                                    PhysicalAt(map.y, 1) - zero);

    const int w = clientWidth - kGraphLeftMargin;
    const long long xRange = static_cast<long long>(range.xMaximum) - range.xMinimum;
    switch (axis) {
        case GraphAxisKind::kFreeMap:
        case GraphAxisKind::kImageAxis: {
            s.xScale = SmallestScaleAbove(xRange, w, 1000);
            if (axis == GraphAxisKind::kImageAxis) s.xRawMinimum = range.xMinimum;
            // The physical value at 50 pixels, without taking off the value at 0.
            s.rpmLabelStep = RpmLabelStep(PhysicalAt(map.x, static_cast<long long>(s.xScale) * 50 / 1000));
            break;
        }
        case GraphAxisKind::kListAxis: {
            // One below the rule above: the largest n with (n * w) / 1000 <= range.
            const long long listRange = static_cast<long long>(TruncateInt32(ItemMaximum(map.x))) -
                                        TruncateInt32(ItemMinimum(map.x));
            s.xScale = listRange < 0 ? 1 : SmallestScaleAbove(listRange, w, 1000) - 1;
            s.rpmLabelStep = 0.0f;
            break;
        }
    }
    if (s.xScale <= 0) s.xScale = 1;
    if (s.dataScale <= 0) s.dataScale = 1;
    return s;
}

bool MapPointAt(const MapRecord& map, const Image& image, int line, int point,
                std::uint16_t& rpmRaw, std::uint16_t& dataRaw) {
    if (line < 0 || line >= map.z.count || point < 0 || point >= map.x.count) return false;
    const long long columns = map.x.count;
    const long long rpmIndex = map.type == kMapRpmPerRow ? line * columns + point : point;
    rpmRaw = static_cast<std::uint16_t>(ReadElement(image, map.x, rpmIndex));
    dataRaw = static_cast<std::uint16_t>(ReadElement(image, map.y, line * columns + point));
    return true;
}

bool ListAxisEntry(const std::string& valueListText, int i, float& value) {
    if (i < 0) return false;
    std::size_t begin = 0;
    for (int k = 0; k < i; ++k) {
        std::size_t comma = valueListText.find(',', begin);
        if (comma == std::string::npos) return false;
        begin = comma + 1;
    }
    std::size_t end = valueListText.find(',', begin);
    std::string_view entry(valueListText);
    entry = entry.substr(begin, end == std::string::npos ? std::string_view::npos : end - begin);
    value = ReadFloat(entry);
    return true;
}

int DataY(const GraphScales& s, std::int32_t dataRaw) {
    long long d = static_cast<long long>(dataRaw) - s.dataRawMinimum;
    return ClampPosition(s.pane.height - d * 100 / s.dataScale);
}

int RpmX(const GraphScales& s, std::int32_t rpmRaw) {
    // xRawMinimum is 0 for Free Map axes, which have no offset.
    long long d = static_cast<long long>(rpmRaw) - s.xRawMinimum;
    return ClampPosition(d * 1000 / s.xScale);
}

int ListX(const GraphScales& s, const MapItem& x, float value) {
    float position = (value - ItemMinimum(x)) * 1000.0f / static_cast<float>(s.xScale);
    return ClampPosition(TruncateWide(position));
}

bool GraphPointPosition(const MapRecord& map, const Image& image, const GraphScales& s, int line,
                        int point, GraphPoint& position) {
    std::uint16_t rpmRaw = 0, dataRaw = 0;
    if (!MapPointAt(map, image, line, point, rpmRaw, dataRaw)) return false;
    if (s.axis == GraphAxisKind::kListAxis) {
        float value = 0.0f;
        if (!ListAxisEntry(map.x.valueListText, point, value)) return false;
        position.x = ListX(s, map.x, value);
    } else {
        position.x = RpmX(s, rpmRaw);
    }
    position.y = DataY(s, dataRaw);
    return true;
}

std::vector<GraphPoint> GraphLinePoints(const MapRecord& map, const Image& image,
                                        const GraphScales& s, int line) {
    std::vector<GraphPoint> points;
    GraphPoint p;
    for (int j = 0; GraphPointPosition(map, image, s, line, j, p); ++j) points.push_back(p);
    return points;
}

std::vector<GraphLabel> DataAxisLabels(const MapRecord& map, const GraphScales& s,
                                       const MapRecord* currentMap, const ValueFormats& formats) {
    std::vector<GraphLabel> labels;
    const int baseY = s.clientHeight - kGraphBottomMargin;
    const float step = s.dataLabelStep;
    const long long b = TruncateWide(PhysicalAt(map.y, s.dataRawMinimum));
    const long long whole = TruncateWide(step);
    // The first label at a whole multiple of the step's integer part.
    float v = static_cast<float>(whole == 0 ? b : whole * (b / whole));
    for (int i = 0; i < kMaxLabelSteps; ++i) {
        std::int32_t raw = 0;
        ToRawInt(map.y, v, raw);
        const long long d = static_cast<long long>(raw) - s.dataRawMinimum;
        if (d >= 0) {
            const long long offset = d * 100 / s.dataScale;
            if (offset > baseY) break;
            GraphLabel label;
            label.value = v;
            label.text = FormatData(v, currentMap, formats);
            const int y = ClampPosition(baseY - offset);
            label.anchor = {kGraphLeftMargin - 5, y + 3};
            label.drawText = true;
            label.drawTick = y < baseY;
            label.tickFrom = {kGraphLeftMargin, y};
            label.tickTo = {kGraphLeftMargin - 5, y};
            labels.push_back(label);
            if (y < 0) break;
        }
        const float nextValue = v + step;
        if (!(nextValue > v)) break;   // a step lost in the value's precision
        v = nextValue;
    }
    return labels;
}

namespace {

GraphLabel RpmLabel(float value, int x, int clientHeight, const ValueFormats& formats) {
    GraphLabel label;
    label.value = value;
    label.text = FormatX(value, formats);
    label.anchor = {x, clientHeight - 25};
    label.tickFrom = {x, clientHeight - 26};
    label.tickTo = {x, clientHeight - 31};
    return label;
}

int HalfWidth(const TextWidthFn& textWidth, const std::string& text) {
    return textWidth ? textWidth(text) / 2 : 0;
}

// Ticked labels at first, first + step, ... each at xOf(value) (pixels,
// margin included): one left of the margin is left out, the text only where
// it fits. Ends when x reaches the client width, after kMaxLabelSteps, or
// when the step no longer moves a large value.
template <typename XOfValue>
void AppendRpmStepLabels(std::vector<GraphLabel>& labels, float first, const GraphScales& s,
                         const ValueFormats& formats, const TextWidthFn& textWidth, XOfValue xOf) {
    float v = first;
    long long x = kGraphLeftMargin;
    for (int i = 0; i < kMaxLabelSteps && x < s.clientWidth; ++i) {
        x = xOf(v);
        if (x >= kGraphLeftMargin) {
            GraphLabel label = RpmLabel(v, ClampPosition(x), s.clientHeight, formats);
            label.drawText = x + HalfWidth(textWidth, label.text) < s.clientWidth;
            label.drawTick = true;
            labels.push_back(label);
        }
        const float nextValue = v + s.rpmLabelStep;
        if (!(nextValue > v)) break;
        v = nextValue;
    }
}

}  // namespace

std::vector<GraphLabel> RpmAxisLabels(const MapRecord& map, const GraphScales& s,
                                      const ValueFormats& formats, const TextWidthFn& textWidth) {
    std::vector<GraphLabel> labels;
    const int height = s.clientHeight;
    const float step = s.rpmLabelStep;

    switch (s.axis) {
        case GraphAxisKind::kFreeMap: {
            float b = 0.0f;
            ToPhysicalByte(map.x, 0, b);
            GraphLabel first = RpmLabel(b, kGraphLeftMargin, height, formats);
            first.drawText = true;
            labels.push_back(first);
            // A raw word is never negative and xScale at least 1: no label falls left of the margin.
            AppendRpmStepLabels(labels, static_cast<float>(TruncateWide(b + step)), s, formats, textWidth,
                                [&](float v) {
                                    std::uint16_t raw = 0;
                                    ToRawWord(map.x, v, raw);
                                    return static_cast<long long>(raw) * 1000 / s.xScale + kGraphLeftMargin;
                                });
            break;
        }
        case GraphAxisKind::kImageAxis: {
            float v = 0.0f;
            ToPhysicalWord(map.x, 0, v);
            AppendRpmStepLabels(labels, v, s, formats, textWidth, [&](float value) {
                std::int32_t raw = 0;
                ToRawInt(map.x, value, raw);
                return (static_cast<long long>(raw) - s.xRawMinimum) * 1000 / s.xScale + kGraphLeftMargin;
            });
            break;
        }
        case GraphAxisKind::kListAxis: {
            bool any = false;
            long long previousRight = 0;
            float value = 0.0f;
            for (int i = 0; i < map.x.count && ListAxisEntry(map.x.valueListText, i, value); ++i) {
                const int x = ClampPosition(static_cast<long long>(kGraphLeftMargin) + ListX(s, map.x, value));
                GraphLabel label = RpmLabel(value, x, height, formats);
                const int half = HalfWidth(textWidth, label.text);
                label.drawTick = true;
                // Labels closer than 10 pixels to the previous one are left out.
                label.drawText = !any || static_cast<long long>(x) - half > previousRight + 10;
                if (label.drawText) {
                    any = true;
                    previousRight = static_cast<long long>(x) + half;
                } else {
                    label.tickFrom = {x, height - 29};   // the short tick
                }
                labels.push_back(label);
            }
            break;
        }
    }
    return labels;
}

GraphPoint DataAxisNameCentre(const GraphScales& s) { return {11, s.clientHeight / 2}; }
GraphPoint RpmAxisNameCentre(const GraphScales& s) { return {s.clientWidth / 2, s.clientHeight - 14}; }
