#pragma once
// Raw <-> physical conversion, display formats and edit limits of map items.
//
// The image holds raw values (bytes or big-endian words); users see physical
// values. Every item carries two equations (model/Equation.h): HEX-to-physical
// and physical-to-HEX. All physical values are 32-bit floats.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "model/Equation.h"
#include "model/Image.h"
#include "model/MapRecord.h"
#include "platform/UserPrompt.h"

// Conversion codes beyond the evaluator's (3, 4, 5): the range test of ToRawByte.
enum : int {
    kConversionOk = 0,
    kConversionAboveByte = 1,   // computed raw value above 255
    kConversionBelowZero = 2,   // computed raw value below 0
};

// Evaluates the item's HEX-to-physical equation with x = raw.
int ToPhysicalByte(const MapItem& item, std::uint8_t raw, float& physical);
int ToPhysicalWord(const MapItem& item, std::uint16_t raw, float& physical);

// Evaluates the item's physical-to-HEX equation with x = physical and
// truncates toward zero. A result beyond the int32 range saturates to
// INT32_MIN / INT32_MAX and NaN gives 0 (a plain cast would be undefined).
// The code is the evaluator's; raw is 0 on failure.
int ToRawInt(const MapItem& item, float physical, std::int32_t& raw);
// As ToRawInt, keeping the low 16 bits.
int ToRawWord(const MapItem& item, float physical, std::uint16_t& raw);
// As ToRawInt, keeping the low 8 bits, with the range test on the computed
// (untruncated) value: below 0 gives kConversionBelowZero, above 255 gives
// kConversionAboveByte, so 255.9 is refused while 12.9 gives 12. raw still
// holds the low 8 bits when the range test fails.
int ToRawByte(const MapItem& item, float physical, std::uint8_t& raw);

// The message text for a conversion code, from the string table; any other
// code gives "Input Data cannot change to value".
std::string ConversionMessage(int code);

// Stop-icon message: caption "<captionPrefix>[<itemName>]", text
// "<heading>\n<ConversionMessage(code)>".
void ReportConversionError(UserPrompt& prompt, int code, const std::string& captionPrefix,
                           const std::string& itemName, const std::string& heading);

// The item's limit texts read as "%f" reads them; a text without a number
// reads as 0. The second ones fall back to the first when their text is empty
// (or only blanks).
float ItemMinimum(const MapItem& item);
float ItemMaximum(const MapItem& item);
float ItemMinimum2(const MapItem& item);
float ItemMaximum2(const MapItem& item);

// Display formats from the settings file's PRECISION section, one printf
// format "%.<n>f" per axis. The application object holds one.
struct ValueFormats {
    std::string x = "%.1f";   // RPM axis
    std::string y = "%.1f";   // DATA
    std::string z = "%.1f";   // THROT axis
    // DATA values with the decimals their raw step needs (ItemStepDecimals)
    // in place of y, so that neighbouring raw values never print the same.
    bool stepDecimals = false;
};

// The decimals that show every raw value of the item as a different number
// and its values exactly as far as the equation goes: those of the step from
// raw 0 to 1 and of the top step (a curved equation), and those of the value
// at raw 0 (an offset of 0.05 needs two). -1 when an equation fails there or
// a step is 0 or not finite.
int ItemStepDecimals(const MapItem& item);

// "%.<n>f" for 0 <= n <= 20, else "%.1f".
std::string MakePrecisionFormat(int n);
// True for exactly "%.<digits>f" with a precision of at most 20: the only
// formats ever handed to printf.
bool IsPrecisionFormat(std::string_view format);
// Prints value with format, or with "%.1f" when the format is not one
// IsPrecisionFormat accepts.
std::string FormatWith(std::string_view format, float value);

std::string FormatX(float value, const ValueFormats& formats);
std::string FormatZ(float value, const ValueFormats& formats);
// Whole numbers ("%.0f") when the current map's DATA item has a minimum at
// or below -2000 or a maximum at or above 2000; the Y format otherwise and
// when there is no current map. With formats.stepDecimals, the decimals of
// the current map's DATA item (ItemStepDecimals) win where it has them.
std::string FormatData(float value, const MapRecord* currentMap, const ValueFormats& formats);

// Sets map.cursor.lower/upper for the cell under the cursor (DATA, RPM or
// THROT by cursor.mode; other modes leave 0..65535). Axis values are read
// from the image as raw bytes or words by the item's element size; addresses
// wrap in 16 bits, so nothing reads past the image. A cursor outside its axis
// gets no neighbour bounds.
void ComputeEditLimits(MapRecord& map, const Image& image);

// With no edit in progress: cursor on DATA cell (0, 0), selection cleared,
// current raw value from the first DATA byte, limits computed.
void StartDataEdit(MapRecord& map, const Image& image);

// The whole text is one decimal number: an optional leading "-", digits
// with at most one "." among them, and at least one digit. "." "-" "1.2.3"
// "1-2" and "" are not numbers.
bool IsNumericInput(std::string_view text);

// The outcome of committing text typed into a DATA cell (or an RPM cell of a
// map of type 2); the window only carries it out:
//   1. set the editor to cellText;
//   2. show message when there is one;
//   3. if write, store raw at the cursor cell (WriteDataCell / WriteRpmCell),
//      push its undo record (action 1, not chained) and set cursor.raw = raw.
// A rejected text sets write = false, restores the old value's text and
// always shows a message.
struct DataCommit {
    bool rejected = false;
    bool write = false;
    std::uint8_t raw = 0;
    std::string cellText;
    std::optional<PromptMessage> message;
};

// map supplies the cursor (its current raw value and the limits of
// ComputeEditLimits, which must be current); item is map.y for DATA and
// map.x for RPM. The typed value is read with "%f", converted with ToRawInt,
// clamped to a byte and into the cursor's limits (and to a byte once more, as
// limits of a word item may lie beyond one), corrected by one raw step toward
// the item's range, and reported with 1525 when it lies outside the second
// range. The cell text is FormatData of the stored value, or FormatX on the
// RPM line of a type-2 map (cursor mode RPM), as that line is painted.
// currentMap and formats are those of FormatData.
DataCommit CommitTypedByte(const MapRecord& map, const MapItem& item, std::string_view typed,
                           const ValueFormats& formats, const MapRecord* currentMap);

// A typed number no cell can mean: one that reads as infinite or whose size
// is kHugeTypedValue or more. It is refused as a text that is no number is
// (1503, the old value kept), naming the text, rather than clamped under a
// range message that would print "inf" or forty digits. Empty when usable.
constexpr float kHugeTypedValue = 1e9f;
std::string HugeValueRefusal(std::string_view typed, float value);
// What a range message adds below its fixed text: the text as typed (blanks
// around it dropped, long texts cut) and the value stored, as shown.
std::string TypedStoredLine(std::string_view typed, const std::string& stored);

// Fills each "%.<n>f" of a trusted template (the string table) with the next
// number, "%%" with "%"; other text is copied. Missing numbers print as 0.
std::string FillNumbers(std::string_view templ, std::initializer_list<double> numbers);
