#pragma once
// The recent data folders of the Directory dialog: DIRECTORY PATH1..PATH8 of
// the settings file, newest first. PATH1 is the folder the Open and Save
// dialogs start in.
#include <string>
#include <vector>

class ProfileFile;

namespace dirlist {
constexpr int kMaxFolders = 8;
constexpr const char* kMissing = "NO_DIR";
}

// PATH1, PATH2, ... in order up to the first key that is missing or empty,
// at most eight.
std::vector<std::string> ReadDirectoryList(const ProfileFile& settings);

// The list after choosing folder: the folder first, then the others in their
// order without any entry equal to it (exact comparison), at most eight.
std::vector<std::string> ChooseDirectory(const std::vector<std::string>& list, const std::string& folder);

// Writes list as PATH1.. and empties the keys after it up to PATH8 that held
// a folder, so that reading gives back exactly list. false when the file
// could not be written.
bool WriteDirectoryList(ProfileFile& settings, const std::vector<std::string>& list);
