#pragma once
// The program's shortcuts: freedesktop desktop entries, one in the user's
// applications folder (the programs menu) and one on the desktop.
#include <string>

struct ShortcutFolders {
    std::string applications;   // $XDG_DATA_HOME/applications, else ~/.local/share/applications
    std::string desktop;        // XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
};

// The folders from the environment and ~/.config/user-dirs.dirs (or
// $XDG_CONFIG_HOME/user-dirs.dirs). A folder that cannot be found is empty.
ShortcutFolders UserShortcutFolders();

// The desktop entry starting program with its working folder. Both paths are
// escaped so that blanks, quotes, "$", back quotes, backslashes and "%" reach
// the launcher as written and run nothing.
std::string DesktopEntryText(const std::string& program, const std::string& workingFolder,
                             const std::string& icon);

// The Exec value starting program: its one quoted argument, or, for a path
// holding "%", that argument given to /bin/sh, which starts it.
std::string DesktopExecLine(const std::string& program);
// One argument of an Exec line: double-quoted with the characters the entry
// format reserves escaped, then escaped as a string value.
std::string DesktopExecArgument(const std::string& argument);
// A string value: backslash, line ends, tab and a leading blank escaped.
std::string DesktopStringValue(const std::string& text);
