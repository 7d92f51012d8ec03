#pragma once
// The "Calib" constants as the constants editor and `rvtune` list and change
// them: which definition lines are listed, the five conversion kinds in
// single precision both ways, the value text, and the commit of a typed
// physical value or raw hex value with every range rule.
//
// Nothing here shows a message: a commit returns the message number and its
// finished text, and the caller decides how to show it.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Image.h"
#include "model/LineStore.h"

// One listed line of "Calib" with its fields read.
struct ConstantEntry {
    int line = -1;               // position in the definition's line store
    std::uint16_t address = 0;
    int byteCount = 1;           // 1, or 2 for a big-endian word
    std::string contents;
    float lsb = 0.0F;
    float offset = 0.0F;
    std::string unit;
    int calc = 1;                // conversion kind; 1 when missing or not a number
    bool readOnly = false;       // eighth field 1
    bool hasMin = false;
    float minimum = 0.0F;
    bool hasMax = false;
    float maximum = 0.0F;
    bool hasDecimals = false;
    int decimals = 0;            // eleventh field, 0..20 when present

    // 255 or 65535.
    std::uint32_t RawMax() const { return byteCount == 2 ? 0xFFFFU : 0xFFU; }
};

// A "Calib" line with at least Address, Byte, Contents, LSB, Offset and Unit,
// each well-formed: Address hex with the whole value inside the image, Byte
// 1 or 2, Contents not empty, LSB and Offset decimal reals. Calc, read-only,
// Min, Max and Decimals are optional; one that is not a number counts as
// missing.
bool ParseConstantEntry(const std::string& line, ConstantEntry& entry);
// The listed constants of the definition's "Calib" section in section order;
// empty when the section is missing.
std::vector<ConstantEntry> ListConstants(const LineStore& definition);
// The first listed constant whose Contents equals name exactly, or nullptr.
const ConstantEntry* FindConstant(const std::vector<ConstantEntry>& list, const std::string& name);

std::uint32_t ReadConstantRaw(const Image& image, const ConstantEntry& entry);
// One byte, or the high byte then the low byte.
void WriteConstantRaw(Image& image, const ConstantEntry& entry, std::uint32_t raw);

// Raw to physical by the constant's Calc, in single precision.
float ToConstantPhysical(const ConstantEntry& entry, std::uint32_t raw);
// Physical to raw by Calc before the raw value is limited and rounded.
float ToConstantRawUnrounded(const ConstantEntry& entry, float physical);
// Physical to raw: limited to 0 (1 for Calc 2) .. 255 or 65535 and rounded
// as "%.0f" rounds. False when the conversion gives no number at all.
bool ToConstantRaw(const ConstantEntry& entry, float physical, std::uint32_t& raw);

// The decimals of the value text: the Decimals field, else by LSB.
int ConstantDecimals(const ConstantEntry& entry);
// The value text: a value whole to eight decimals shows without decimals,
// any other with ConstantDecimals.
std::string FormatConstant(const ConstantEntry& entry, float value);
// The value text and the "%02X" / "%04X" raw text of the constant in image.
std::string ConstantValueText(const ConstantEntry& entry, const Image& image);
std::string ConstantHexText(const ConstantEntry& entry, std::uint32_t raw);

// The outcome of a commit.
struct ConstantCommit {
    bool write = false;      // raw is to be written (message or not)
    std::uint32_t raw = 0;
    int message = 0;         // string number, 0 for none
    std::string text;        // the message's finished text
    // A refusal: nothing is written and the field shows the stored value again.
    bool Refused() const { return !write; }
};

// A physical value typed into the VALUE field. Refusals: 1506 (not a
// number), 1549 (a signed constant whose LSB and Offset allow no editing),
// 1002 / 1006 (no raw value of the size). Range messages 1525, 1531 and
// 1551-1556 come with write set, for every value held to the constant's
// range, with or without Min and Max.
ConstantCommit CommitConstantValue(const ConstantEntry& entry, const std::string& typed);
// A raw value typed as hex into the Hex field: 1506, 1002, 1006 and, for
// Calc 2, 1007 for 0 are refusals.
ConstantCommit CommitConstantRaw(const ConstantEntry& entry, const std::string& hexText);
// PageUp (up) and PageDown: the raw value one step up or down (Calc 5 the
// other way), kept within 0 .. 255 or 65535.
std::uint32_t StepConstantRaw(const ConstantEntry& entry, std::uint32_t raw, bool up);
