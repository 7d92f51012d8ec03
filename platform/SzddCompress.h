#pragma once
// Packing files into the SZDD form that LzExpand reads back (the packaged
// files of the distribution and the compressed definition file): LZSS with
// the expander's 4096-byte ring, references of 3 to 18 bytes.
#include <string>

// The packaged name of a file: its last character replaced by "_"
// ("RV_Tune.STZ" -> "RV_Tune.ST_"). Empty for an empty name.
std::string PackagedName(const std::string& path);

// Packs data into packed (replaced). missingChar goes into the header as the
// character the packaged name lost, 0 when there is none. kLzOk, kLzNoMemory,
// or kLzTooLarge for more than 4 GiB - 1 bytes.
int SzddCompress(const std::string& data, char missingChar, std::string& packed);

// Packs the file source into target, writing under a temporary name and
// renaming into place. LzResult codes; systemError, when given, receives the
// errno of a failed read or write.
int SzddCompressFile(const std::string& source, const std::string& target, char missingChar,
                     int* systemError = nullptr);
