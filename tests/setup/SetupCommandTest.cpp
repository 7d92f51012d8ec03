// The setup command line and the desktop entries' escaping.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include <unistd.h>

#include "setup/SetupCommand.h"
#include "setup/Shortcuts.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace {

TEST(SetupArgumentsTest, TheFormsAScriptUses) {
    SetupArguments a = ParseSetupArguments({"/r", "--yes"});
    EXPECT_TRUE(a.uninstall && a.yes && a.error.empty());
    a = ParseSetupArguments({"/R"});
    EXPECT_TRUE(a.uninstall && !a.yes && a.error.empty());
    a = ParseSetupArguments({"--target", "/opt/a b", "--machines", "kst26a,HRR26E", "--yes"});
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.target, "/opt/a b");
    EXPECT_EQ(a.selected, (std::array<bool, 6>{{true, false, false, false, false, true}}));
    a = ParseSetupArguments({"--yes", "--target", "/opt"});
    EXPECT_EQ(a.selected, (std::array<bool, 6>{{true, true, true, true, true, true}}));
    EXPECT_TRUE(ParseSetupArguments({}).error.empty());
}

TEST(SetupArgumentsTest, MistakesAreUsageErrors) {
    const std::vector<std::vector<std::string>> lines = {
        {"--yes"},                                        // install where?
        {"--target", "/opt"},                             // pages do not take a target
        {"--target"},
        {"--target", "", "--yes"},
        {"--target", "/opt", "--machines", "KST26A,", "--yes"},
        {"--target", "/opt", "--machines", "XXX99Z", "--yes"},
        {"--target", "/opt", "--machines", "", "--yes"},
        {"/R", "--target", "/opt", "--yes"},
        {"--yes", "/R"},                                  // "/R" counts only first
        {"--frobnicate"},
    };
    for (const auto& line : lines) {
        std::string shown;
        for (const auto& arg : line) shown += "[" + arg + "]";
        EXPECT_FALSE(ParseSetupArguments(line).error.empty()) << shown;
    }
}

// The launcher's reading of an Exec argument, as the entry format gives it:
// the string escapes first, then the quoting.
std::string LauncherReads(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            unescaped += value[i];
        }
    }
    EXPECT_GE(unescaped.size(), 2u);
    EXPECT_EQ(unescaped.front(), '"');
    EXPECT_EQ(unescaped.back(), '"');
    std::string argument;
    for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (c == '\\') {
            argument += unescaped[++i];
        } else {
            EXPECT_TRUE(c != '"' && c != '`' && c != '$') << "unescaped " << c << " in " << value;
            if (c == '%') {
                EXPECT_EQ(unescaped[++i], '%');
            }
            argument += c;
        }
    }
    return argument;
}

TEST(DesktopEntryTest, HostileFolderNamesReachTheLauncherAsWritten) {
    for (const std::string path : {"/opt/RV_Tune/RV_Tune", "/opt/Program Files/it's \"here\"/RV_Tune",
                                   "/opt/$(touch PWNED)/`id`/RV_Tune", "/opt/back\\slash/100%/%f/RV_Tune"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LauncherReads(DesktopExecArgument(path)), path);
    }
    EXPECT_EQ(DesktopStringValue(" lead\\x"), "\\slead\\\\x");
    const std::string entry = DesktopEntryText("/a b/RV_Tune", "/a b", "/a b/RV_Tune.bmp");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nPath=/a b\n"), std::string::npos);
}

// A launcher's reading of a whole Exec value: string escapes, then words,
// double-quoted ones with their backslash escapes, then "%%" as "%".
std::vector<std::string> LauncherArgv(const std::string& value, bool expand = true) {
    std::string line;
    for (std::size_t i = 0; i < value.size(); ++i) line += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
    std::vector<std::string> argv;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) word += line[i] == '\\' ? line[++i] : line[i];
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ') word += line[i++];
        }
        std::string expanded;
        for (std::size_t j = 0; j < word.size(); ++j) {
            expanded += word[j];
            if (expand && word[j] == '%' && j + 1 < word.size() && word[j + 1] == '%') ++j;
        }
        argv.push_back(expanded);
    }
    return argv;
}

TEST(DesktopEntryTest, TheEntryStartsTheProgramWhateverItsFolderIsCalled) {
    TempDir dir;
    for (const std::string folder : {"plain", "50% off", "%f %u 100%%", "$HOME `id` \"q\" 'a' b\\c"}) {
        SCOPED_TRACE(folder);
        const std::string program = dir.Write(folder + "/RV_Tune", "#!/bin/sh\nprintf '%s' \"started $0\"\n");
        ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
        const std::string exec = DesktopExecLine(program);
        // Launchers look for the first word before expanding "%%": it must
        // name a program as written.
        EXPECT_EQ(::access(LauncherArgv(exec, false).at(0).c_str(), X_OK), 0) << exec;
        const std::vector<std::string> argv = LauncherArgv(exec);
        const ProcessResult run = RunProcess(argv, {}, std::chrono::seconds(20));
        EXPECT_EQ(run.status, 0) << exec;
        EXPECT_EQ(run.out, "started " + program) << exec;
    }
}

TEST(DesktopEntryTest, TheFoldersFollowTheXdgVariables) {
    TempDir dir;
    EnvOverride home("HOME", dir.File("home"));
    {
        EnvOverride data("XDG_DATA_HOME", nullptr);
        EnvOverride config("XDG_CONFIG_HOME", nullptr);
        const ShortcutFolders folders = UserShortcutFolders();
        EXPECT_EQ(folders.applications, dir.File("home/.local/share/applications"));
        EXPECT_EQ(folders.desktop, dir.File("home/Desktop"));
    }
    dir.Write("config/user-dirs.dirs", "# written by the desktop\nXDG_DOWNLOAD_DIR=\"$HOME/Dl\"\n"
                                       "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EnvOverride data("XDG_DATA_HOME", dir.File("data"));
    EnvOverride config("XDG_CONFIG_HOME", dir.File("config"));
    ShortcutFolders folders = UserShortcutFolders();
    EXPECT_EQ(folders.applications, dir.File("data/applications"));
    EXPECT_EQ(folders.desktop, dir.File("home/Schreibtisch"));
    // A relative variable is ignored, as the rules for them say.
    EnvOverride relative("XDG_DATA_HOME", "data");
    EXPECT_EQ(UserShortcutFolders().applications, dir.File("home/.local/share/applications"));
}

}  // namespace
