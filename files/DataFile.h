#pragma once
// The calibration data file (.qsd): its lines are held in the application's
// data file line store; "Data" fills the image, "Machine" names the machine
// folder the file belongs to, "Title" holds the user's titles. Every other
// section, comment and blank line is kept and written back unchanged.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/Definition.h"   // kAbandoned
#include "model/Image.h"
#include "model/LineStore.h"

struct Calibration;
struct MachineConfig;
class UserPrompt;

namespace datafile {
constexpr const char* kMachineSection = "Machine";
constexpr const char* kModelKey = "Model";
constexpr const char* kDataSection = "Data";
constexpr const char* kTitleSection = "Title";
constexpr const char* kCalibMark = "Calib:";
constexpr const char* kFixedMark = "Fixed:";
}  // namespace datafile

// The results of LoadDataFile; kAbandoned (config/Definition.h) when a "Data"
// or map-section error abandoned the load after its message.
enum : int { kLoaded = 0, kOtherMachine = 1, kUnreadable = -1 };

// Empties the line store and the maps, drops the map link, zero-fills the
// image and empties the data range, reads the file, checks its machine
// against the registry's MachineFolder (ignoring case), fills the image from
// "Data" and rebuilds the maps from the definition.
// Clears the modified flag on success. Messages: "Data" errors 1507-1510
// with the stop icon; 1516 and 1550 are left to the command.
int LoadDataFile(Calibration& calibration, MachineConfig& machine, UserPrompt& prompt, const std::string& path);

// A second calibration of the same machine beside the one loaded (to compare
// or merge with it): other takes like's definition lines and display
// formats, gets an image of its own and loads path as LoadDataFile does.
// kUnreadable also when no image could be had.
int LoadCalibrationLike(const Calibration& like, Calibration& other, MachineConfig& machine, UserPrompt& prompt,
                        const std::string& path);

// Recomputes the checksum byte, regenerates "Data" from the image and writes
// every line with CR LF through a temporary file beside path that replaces
// path only once it is complete, so a failed save leaves the old file as it
// was. Clears the modified flag on success. Writes nothing and returns false
// when the file would not load again: no data range, no "Data" section, or a
// text over kMaxInputFileSize (a file read with LF line ends grows by CR LF).
// checksumStored, when given, hears of the checksum byte written before the
// save (the map link copies it like any other byte); the checksum is then
// computed once more, so the file's range always sums to 0x7F.
bool SaveDataFile(Calibration& calibration, const std::string& path,
                  const std::function<void(std::uint16_t address, std::uint8_t value)>& checksumStored = {});

// The "Title" section as alternating key and text entries; pairLines, when
// given, gets the index of the line each pair was read from.
void ReadTitles(const LineStore& lines, std::vector<std::string>& titles, std::vector<int>* pairLines = nullptr);
// Replaces the key lines of "Title" by one "key,text" line per pair; nothing
// happens when the file has no "Title" section. A last key without its text
// gets an empty text.
void WriteTitles(LineStore& lines, const std::vector<std::string>& titles);
// The Title Editor's list back into the data file lines, changing only what
// the editor changed. pairLines[i] is the line pair i was read from
// (ReadTitles), or -1 for a pair added since; missing entries count as -1.
// A pair that still reads as its line keeps the line byte for byte; a
// changed pair becomes "title,data" in its line's place; a line whose pair
// is gone is removed; an added pair follows the line of the pair before it
// (the first right after the header). Comments and blank lines stay. A file
// without a "Title" section gets one at its end when there are titles to
// keep. True when any line changed.
bool StoreTitles(LineStore& lines, const std::vector<std::string>& titles, const std::vector<int>& pairLines = {});

// The data part of going back to "data loaded, no map shown": a map link in
// force is dropped with message 3008. True when the link was dropped, so the
// main frame refills its map list.
bool ResetToDataLoaded(Calibration& calibration, UserPrompt& prompt);

// The pieces, for the exchange window, the tools and the tests.

// A line ends at a line feed; carriage returns are dropped; a last line
// without its line feed is kept when it is not empty.
void SplitDataFileText(std::string_view content, LineStore& lines);
// Every line followed by CR LF.
std::string JoinDataFileLines(const LineStore& lines);
// Reads the "Data" records into image. 0, or the message number 1507-1510.
// start and end become the lowest and highest address filled. Records that
// fill no byte at all (count 3) are 1508, as no record: a calibration
// without a data range could not be saved as a file that loads. A record
// whose count promises more bytes than its line holds, or whose data would
// run past 0xFFFF, is refused with 1509 before anything of it is stored.
int ReadDataSection(const LineStore& lines, Image& image, std::uint16_t& start, std::uint16_t& end);
// Replaces the key lines of "Data" by "Calib:", the records of
// image[start .. end], the end record and "Fixed:"; comments and blank lines
// of the section stay after them. Nothing happens without a "Data" section.
void RegenerateDataSection(LineStore& lines, const Image& image, std::uint16_t start,
                           std::uint16_t end);
