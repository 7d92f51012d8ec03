#pragma once
// The calibrations opened last. (Where the file dialogs start is
// DialogStartFolder, in platform/FileDialogRequest.)
//
// The recent list is the machine's own, in its settings file:
//
//   [Recent Files]
//   File1=/home/tech/KST26A/WORK/track day.qsd
//   File2=...
//
// newest first, at most eight.
#include <string>
#include <vector>

#include "platform/FileDialogRequest.h"

class ProfileFile;

namespace recentfiles {
constexpr const char* kSection = "Recent Files";
constexpr const char* kKeyPrefix = "File";
constexpr int kMaxFiles = 8;
}  // namespace recentfiles

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
