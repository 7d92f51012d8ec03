#pragma once
// File-system helpers for the places where the program searches for a file
// by name the way Windows does: regardless of letter case.
#include <string>

// Joins a folder and a name with one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Searches folder for the file name + extension (extension includes its dot,
// e.g. ".INI"), comparing names without regard to letter case. An exact match
// wins over a case-folded one. Returns the full path of the file found, or an
// empty string. Only regular files count.
std::string FindFileNoCase(const std::string& folder, const std::string& name,
                           const std::string& extension);

// The temporary folder: $TMPDIR when set and not empty, else "/tmp"; always
// ends with "/", so a file name can be appended directly.
std::string TempFolder();

bool FileExists(const std::string& path);
// The last path component (after the last "/" or "\").
std::string FileNamePart(const std::string& path);
// Writes content to path through a temporary file in the same folder that is
// flushed and renamed over path; the old file is intact when this fails. It
// does no more than a write in place could: a file the user may not write
// (or that has no write bit at all) is refused, a symbolic link stays and the
// file it names gets the content, and the old file's mode, owner and group
// carry over. Only regular files are replaced.
bool WriteFileAtomic(const std::string& path, const std::string& content);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);
