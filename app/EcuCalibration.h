#pragma once
// A calibration read from the ECU in one step: the ECU's bytes laid over the
// machine's standard data file (its sections, titles and definition), with
// no file of its own until Save... names one.
#include <cstdint>
#include <string>
#include <vector>

struct Calibration;

// The standard data file in the machine's WORK folder: <machine>.qsd, else
// the installer's Standard_data.qsd (names compared without regard to case);
// empty when there is neither.
std::string StandardDataFile(const std::string& settingsFilePath, const std::string& machine);

// The name Save... proposes for a calibration read from machine's ECU.
std::string EcuReadFileName(const std::string& machine);

// The ECU's block read (start, bytes) into the calibration's data: every
// byte of the data range but its checksum byte, which the save recomputes.
// Refused whole, the image untouched, when the read does not cover that
// range: the reason, else empty. Sets the modified flag: the data is not in
// any file yet.
std::string LayEcuRead(Calibration& calibration, std::uint16_t start, const std::vector<std::uint8_t>& bytes);
