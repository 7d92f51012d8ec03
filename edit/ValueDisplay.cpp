#include "edit/ValueDisplay.h"

#include <vector>

#include "edit/CellAccess.h"

std::string WithUnit(const std::string& text, const std::string& unit) {
    return unit.empty() ? text : text + " " + unit;
}

bool DataCellHeld(const MapRecord& map, const DataSpan& data, int row, int column) {
    return data.Holds(DataCellAddress(map, row, column));
}

ScaleRange MapDataRange(const MapRecord& map, const Image& image, const DataSpan& data) {
    std::vector<double> values;
    for (int row = 0; row < map.z.count; ++row) {
        for (int column = 0; column < map.x.count; ++column) {
            if (!DataCellHeld(map, data, row, column)) continue;
            float physical = 0.0f;
            if (ToPhysicalByte(map.y, image[DataCellAddress(map, row, column)], physical) == kConversionOk)
                values.push_back(physical);
        }
    }
    return ScaleRangeOf(values);
}

LegendText ScaleLegendText(const ScaleRange& range, const MapRecord& map, const ValueFormats& formats) {
    if (!range.valid) return {};
    return {WithUnit(FormatData(static_cast<float>(range.low), &map, formats), map.y.unit),
            WithUnit(FormatData(static_cast<float>(range.high), &map, formats), map.y.unit)};
}
