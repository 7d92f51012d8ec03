#pragma once
// The simulated ECU's 64 KB memory: loaded from the S1 records of a data
// file's [Data] section or of an S-record file, saved back as S-records.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Image.h"

struct SimImage {
    Image bytes{};
    bool loaded = false;       // at least one data byte came from a file
    std::uint16_t first = 0;   // lowest loaded address
    std::uint16_t last = 0;    // highest loaded address
};

// Reads every well-formed S1 record up to the first S9 record; other lines
// (sections, keys, "Calib:", S0 headers) are ignored. false when the file
// cannot be read or holds no data; error then says why.
bool LoadSimImage(const std::string& path, SimImage& image, std::string& error);

// S1 records of 16 bytes over first..last, then "S9030000FC", one per line.
std::vector<std::string> BuildSimRecords(const Image& bytes, std::uint16_t first, std::uint16_t last);

// Writes the records to path through a temporary file beside it.
bool SaveSimImage(const std::string& path, const Image& bytes, std::uint16_t first,
                  std::uint16_t last, std::string& error);
