#pragma once
// RV_Tune's own options, taken off the command line before the rest (a data
// file, or the two file names of the conversion) goes to the application.
#include <string>
#include <vector>

namespace launch {
constexpr const char* kHelp = "--help";
constexpr const char* kFirstPaintExit = "--first-paint-exit";
// Ends the options: what follows is passed on even when it starts with "--".
constexpr const char* kEndOfOptions = "--";
}  // namespace launch

struct LaunchOptions {
    bool help = false;
    // End once the main window has first painted, printing the time.
    bool firstPaintExit = false;
    // Everything else, in order, for the application.
    std::vector<std::string> rest;
};

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& arguments);

// What "RV_Tune --help" prints.
extern const char* const kLaunchUsage;
