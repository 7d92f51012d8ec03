#pragma once
// The clean-up script that uninstalling leaves in the temporary folder: a
// POSIX shell script that removes the setup program and the then empty
// install folder once setup has ended, and finally itself. Every path in it
// is one single-quoted word, so no folder name (blanks, quotes, "$", back
// quotes, line breaks, a leading "-") can break a line or run anything.
#include <string>

// text as one single-quoted shell word: ' inside becomes '\''.
std::string ShellQuote(const std::string& text);

// The script's text for the install folder, the setup program's file name in
// it and the script's own path.
std::string CleanupScriptText(const std::string& installFolder, const std::string& setupName,
                              const std::string& scriptPath);

// Writes the script for installFolder into the temporary folder under a name
// made fresh for it ("RV_Tune-XXXXXX.sh", created exclusively, mode 0700),
// so a file or link another user left there is never written, replaced or
// in the way. path receives the script's path; false when it could not be
// written completely (nothing is left then).
bool WriteCleanupScript(const std::string& installFolder, const std::string& setupName, std::string& path);

// Whether name is a clean-up script's: "RV_Tune-", six letters or digits,
// ".sh"; or "RV_Tune.sh", the fixed name earlier versions used.
bool IsCleanupScriptName(const std::string& name);

// Deletes the script a previous uninstall left at path: only a regular file
// of the user's under a script's name, whatever else path names.
void RemoveCleanupScriptFile(const std::string& path);
