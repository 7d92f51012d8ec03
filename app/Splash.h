#pragma once
// The start-up picture: which file beside the program it is, how long it
// shows, and whether it shows at all.
#include <cstdint>
#include <string>

#include "platform/BitmapFile.h"

class RegistryStore;

namespace regname {
constexpr const char* kShowSplashTime = "ShowSplashTime";
}

struct SplashPlan {
    static constexpr std::uint32_t kDefaultTime = 750;    // milliseconds
    static constexpr std::uint32_t kLongestTime = 10000;

    bool show = false;          // false: the main window shows at once
    Bitmap picture;
    int displayTime = 0;        // milliseconds
};

// The picture file for the program at exePath: the path without its
// extension, then "Fc.bmp" on screens of 16 bits per pixel or more, ".bmp"
// on the others. A program file without an extension keeps its whole name.
std::string SplashPictureName(const std::string& exePath, int screenDepth);

// ShowSplashTime under the program's key: 750 when it is missing or not a
// number, at most 10000.
int SplashDisplayTime(const RegistryStore& registry);

// The picture beside the program and its display time; no splash when the
// picture is missing or not a bitmap the reader takes.
SplashPlan PlanSplash(const std::string& exePath, int screenDepth, const RegistryStore& registry);
