#pragma once
// The child windows' layout: where Cascade puts them, the table window's
// zoom, and the windows of a calibration kept for the next time one opens.
// Both are the machine's, in its settings file:
//
//   [Window Layout]
//   Zoom=125
//   Map=Main Fuel
//   Count=2
//   Window1=1,0,0,640,300        kind (1 map, 2 HEX, 3 table), x, y, width, height
//   Window2=3,0,300,640,300
#include <string>
#include <vector>

class ProfileFile;

namespace windowlayout {
constexpr const char* kSection = "Window Layout";
constexpr const char* kZoomKey = "Zoom";
constexpr const char* kMapKey = "Map";
constexpr const char* kCountKey = "Count";
constexpr const char* kWindowPrefix = "Window";
constexpr int kMaxWindows = 8;
// A child window smaller than this shows too little of a map to work in.
constexpr int kMinimumWidth = 200;
constexpr int kMinimumHeight = 120;
constexpr int kDefaultZoom = 100;
}  // namespace windowlayout

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

struct SavedWindow {
    int kind = 0;
    WindowRect rect;
};

struct WindowLayout {
    std::string map;                    // the map the windows showed; empty: none named
    std::vector<SavedWindow> windows;   // in the order they were opened
};

// count windows cascaded over an area of width x height, each step pixels
// right of and below the one before: each two thirds of the area, but never
// below the least usable size (nor above the area); a window that would
// leave the area starts again at the top left.
std::vector<WindowRect> CascadeRects(int width, int height, int count, int step);

// rect moved, and shrunk when it is larger, to lie whole in an area of
// width x height (a window left on a larger screen, or dragged away).
WindowRect BringOnScreen(const WindowRect& rect, int width, int height);

// The zoom steps in percent, the next one in direction (+1 larger, -1
// smaller, 0 back to 100), and a stored value taken to the nearest step.
const std::vector<int>& ZoomSteps();
int NextZoom(int percent, int direction);
int ReadZoom(const ProfileFile& settings);
bool WriteZoom(ProfileFile& settings, int percent);
// A size of the table window at percent, never below minimum.
int Zoomed(int size, int percent, int minimum);

// The saved layout; no windows when none was saved or it is damaged
// (a window of an unknown kind or without a sound size is dropped).
WindowLayout ReadWindowLayout(const ProfileFile& settings);
// Map, Count and Window1..Window8 in one atomic rewrite (the Zoom kept);
// at most eight windows. A map name that would not read back the same is
// stored empty. false, nothing written, when the file could not be written.
bool WriteWindowLayout(ProfileFile& settings, const WindowLayout& layout);
