#pragma once
// Where a verify found the ECU (or a file) not the same as the calibration:
// the maps, constants and byte ranges that differ, each with its largest
// difference, as lines the report shows below "Not same". Built on the
// compare of two calibrations (edit/CalibrationDiff): each block is laid
// over the definition of the open calibration as a calibration of its own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Calibration;

// The lines are "map Fuel: 12 cells differ, largest by 3.5", "constant
// Idle: 1200 against 1250", "bytes 8100-8107 differ"; a block of another
// range says so first. At most maxLines, the rest counted in "... and N
// more". like gives the definition and formats; a is the calibration's
// side (the exchange buffer), b the compared side (the ECU or the file).
std::vector<std::string> VerifyListing(const Calibration& like, std::uint16_t startA,
                                       const std::vector<std::uint8_t>& a, std::uint16_t startB,
                                       const std::vector<std::uint8_t>& b, std::size_t maxLines = 12);
