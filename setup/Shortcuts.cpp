#include "setup/Shortcuts.h"

#include <cstdlib>

#include "platform/FileIo.h"
#include "platform/PathSearch.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An XDG base folder: the variable when it holds an absolute path (the
// rule for these variables), else fallback below home.
std::string BaseFolder(const char* variable, const std::string& home, const char* fallback) {
    const std::string value = Env(variable);
    if (!value.empty() && value.front() == '/') return value;
    return home.empty() ? "" : JoinPath(home, fallback);
}

// XDG_DESKTOP_DIR="$HOME/Desktop" or ="/absolute/path" in user-dirs.dirs.
std::string DesktopFromUserDirs(const std::string& configHome, const std::string& home) {
    std::string text;
    if (configHome.empty() || !ReadWholeFile(JoinPath(configHome, "user-dirs.dirs"), text)) return "";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::string key = "XDG_DESKTOP_DIR=\"";
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0) {
            if (home.empty()) return "";
            value = home + value.substr(5);
        }
        return !value.empty() && value.front() == '/' ? value : "";
    }
    return "";
}

}  // namespace

ShortcutFolders UserShortcutFolders() {
    const std::string home = Env("HOME");
    ShortcutFolders folders;
    const std::string dataHome = BaseFolder("XDG_DATA_HOME", home, ".local/share");
    if (!dataHome.empty()) folders.applications = JoinPath(dataHome, "applications");
    const std::string configHome = BaseFolder("XDG_CONFIG_HOME", home, ".config");
    folders.desktop = DesktopFromUserDirs(configHome, home);
    if (folders.desktop.empty() && !home.empty()) folders.desktop = JoinPath(home, "Desktop");
    return folders;
}

std::string DesktopStringValue(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == ' ' && i == 0) out += "\\s";
        else out += c;
    }
    return out;
}

std::string DesktopExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';   // a literal percent sign, not a field code
        quoted += c;
    }
    quoted += '"';
    return DesktopStringValue(quoted);
}

std::string DesktopExecLine(const std::string& program) {
    const std::string quoted = DesktopExecArgument(program);
    if (program.find('%') == std::string::npos) return quoted;
    // Launchers built on GLib look the program up before they turn "%%"
    // into "%", find no such file and refuse the whole entry. The shell is
    // found; the program's path reaches it as an argument, expanded.
    return "/bin/sh -c " + DesktopExecArgument("exec \"$0\"") + " " + quoted;
}

std::string DesktopEntryText(const std::string& program, const std::string& workingFolder,
                             const std::string& icon) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Orvandel\n"
           "Comment=Tune the fuel-injection ECU of a motorcycle\n"
           "Exec=" + DesktopExecLine(program) + "\n"
           "Path=" + DesktopStringValue(workingFolder) + "\n"
           "Icon=" + DesktopStringValue(icon) + "\n"
           "Terminal=false\n"
           "Categories=Utility;\n";
}
