#pragma once
// How a map's values are shown beyond their numbers: the unit after a value,
// and the colour scale over the map's DATA cells (edit/ColourScale.h), whose
// range is that of the DATA values the file holds, so a cell outside the
// file's data neither shades as a value nor stretches the range.
#include <string>

#include "edit/ColourScale.h"
#include "model/DataSpan.h"
#include "model/Image.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"

// "1.40 ms": the text, a blank and the unit; the text alone without a unit.
std::string WithUnit(const std::string& text, const std::string& unit);

// Whether the file holds the DATA cell's byte (it is shaded as a value).
bool DataCellHeld(const MapRecord& map, const DataSpan& data, int row, int column);

// The range of the physical values of the map's DATA cells the file holds;
// invalid when it holds none of them or no value is finite.
ScaleRange MapDataRange(const MapRecord& map, const Image& image, const DataSpan& data);

// The legend's ends, printed as the cells print them, with the DATA unit:
// "0.50 ms" and "12.00 ms". Empty for an invalid range.
struct LegendText {
    std::string low;
    std::string high;
};
LegendText ScaleLegendText(const ScaleRange& range, const MapRecord& map, const ValueFormats& formats);
