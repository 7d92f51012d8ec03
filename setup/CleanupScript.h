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
