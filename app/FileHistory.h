#pragma once
// Where the file dialogs start, and the calibrations opened last.
//
// A file dialog starts in the first folder of the Directory dialog, else in
// the folder of the open calibration, else in the machine's WORK folder, and
// never in the folder the program was started from: a relative or missing
// folder is passed over.
//
// The recent list is the machine's own, in its settings file:
//
//   [Recent Files]
//   File1=/home/tech/KST26A/WORK/track day.qsd
//   File2=...
//
// newest first, at most eight.
#include <functional>
#include <string>
#include <vector>

class ProfileFile;

namespace recentfiles {
constexpr const char* kSection = "Recent Files";
constexpr const char* kKeyPrefix = "File";
constexpr int kMaxFiles = 8;
constexpr const char* kWorkFolder = "WORK";
}  // namespace recentfiles

// The machine's WORK folder, beside its settings file.
std::string WorkFolderOf(const std::string& settingsFilePath);

// The folder a file dialog starts in: directoryFirst (DIRECTORY PATH1), else
// the folder of calibrationPath, else the WORK folder beside the settings
// file; each only when it is an absolute path that isFolder accepts. When
// none is, the WORK folder all the same (the dialog then shows its nearest
// parent), never an empty or relative text.
std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath,
                              const std::function<bool(const std::string&)>& isFolder);
// The same with the file system's answer.
std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath);

// File1, File2, ... up to the first missing or empty key, at most eight.
std::vector<std::string> ReadRecentFiles(const ProfileFile& settings);
// The list with path first and no other entry equal to it, at most eight.
// A path that would not read back the same from the settings file is not
// taken (the list comes back as it was).
std::vector<std::string> AddRecentFile(const std::vector<std::string>& list, const std::string& path);
std::vector<std::string> RemoveRecentFile(const std::vector<std::string>& list, const std::string& path);
// File1..File8 in one atomic rewrite: the list, then empty keys. false, and
// nothing written, when the file could not be written.
bool WriteRecentFiles(ProfileFile& settings, const std::vector<std::string>& list);
// Whether path comes back unchanged from the settings file: absolute, no
// line break, no blank at its end, within the reader's length.
bool RecentPathReadsBack(const std::string& path);
// The menu text of entry index (0 first): "&1 /path/file.qsd", the
// ampersands of the path doubled so that they show.
std::string RecentMenuText(int index, const std::string& path);
