#pragma once
// S-records of a data file or of an S-record ("OBJ") file, read into a
// buffer of their own for the data exchange window; the image is untouched.
#include <cstdint>
#include <string>
#include <vector>

// Results below 1 are failures.
enum : int {
    kImageFileFormat = -1,        // unreadable file or broken records
    kImageFileNoRecords = -2,     // no "S" line at all
    kImageFileOtherMachine = -3,  // its "[MACHINE]" line names another machine folder
};

struct ImageFileData {
    std::vector<std::uint8_t> bytes;   // highest - lowest + 1 bytes from start on
    std::uint16_t start = 0;           // the lowest address
    bool checksumOk = true;            // false when a record's checksum was wrong
};

// Reads the last run of consecutive "S" lines of the file. Returns
// highest - lowest address (the caller treats a result below 1 as an error)
// or one of the codes above. machineFolder is the registry's MachineFolder.
int ReadImageFile(const std::string& path, const std::string& machineFolder, ImageFileData& data);
