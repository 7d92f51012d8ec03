#pragma once
// The data a calibration file holds: the addresses its last load filled,
// start..end inclusive. The last byte is the checksum that every save
// recomputes, so it holds no calibration value: a byte outside start..end-1
// was not read from the file (the image is zero there) and a byte written
// there is not kept when the file is saved. Edits, copies, merges and
// compares all ask this one rule.
#include <cstdint>
#include <string>
#include <vector>

struct DataSpan {
    std::uint16_t start = 0;
    std::uint16_t end = 0;   // the checksum byte

    bool Holds(std::uint16_t address) const { return start < end && address >= start && address < end; }
    // "8000-807E; 807F is the checksum" ("8000; 8001 is the checksum" for
    // one byte of data), "only the checksum 807F", "no data".
    std::string Text() const;
};

// The addresses the span does not hold, in rising order and as runs of
// consecutive addresses: "80BA-80F5, 8100". More than four runs end in
// ", ...". Empty when the span holds every address.
std::string MissingRuns(const DataSpan& span, const std::vector<std::uint16_t>& addresses);

// "byte 80BA lies outside the data of the compared file (8000-807E; 807F is
// the checksum)", naming every byte addresses holds that span does not, with
// "bytes ... lie" for more than one; whose ends "the data ...". Empty when the
// span holds them all.
std::string OutsideDataText(const DataSpan& span, const std::vector<std::uint16_t>& addresses,
                            const std::string& whose);
