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

bool FileExists(const std::string& path);
// The last path component (after the last "/" or "\").
std::string FileNamePart(const std::string& path);
