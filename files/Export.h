#pragma once
// The readable text export of a calibration: every map as a table of
// physical values and the "Calib" constants with their current values.
// Written by the batch conversion and by "rvtune export".
#include <ctime>
#include <string>
#include <vector>

#include "model/ConstantDef.h"
#include "model/Image.h"
#include "model/LineStore.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"

struct Calibration;

// "%.8f"; all eight decimals zero: the whole part alone; else, with p the
// characters before the point (a minus sign counts), 8 - p decimals when p is
// below 8 (12.5 gives "12.500000"), or the "%.8f" text without its trailing
// zeros. Infinity and NaN come out as printf writes them.
std::string FormatConstantValue(float value);

// The value of a constant as the export and the constants list compute it,
// in single precision: Address read as hex, LSB and Offset as reals, Calc as
// an integer; a word (Byte exactly "2") is read high byte first. Calc 2 is a
// period turned into a speed, Calc 3 a sign-and-magnitude raw value.
float ConstantValue(const Image& image, const ConstantDef& constant);

// The export's lines without line ends, the first being timeText. Maps of
// both definition kinds are written in the Free Map layout: list axes from
// their value list text, image axes and DATA from the image.
std::vector<std::string> BuildExportLines(const Image& image, const MapList& maps,
                                          const LineStore& definition, const ValueFormats& formats,
                                          const std::string& timeText);

// The local time as the export's first line: "%y/%m/%d %H:%M:%S".
std::string ExportTimeText(std::time_t now);

// Writes the export of the calibration to path, each line
// ended by CR LF, through a temporary file; false when it could not be written.
bool ExportCalibration(const Calibration& calibration, const std::string& path);
