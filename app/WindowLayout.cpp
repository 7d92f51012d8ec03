#include "app/WindowLayout.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ProfileFile.h"

namespace {

using namespace windowlayout;

std::string WindowKey(int n) { return kWindowPrefix + std::to_string(n); }

// "1,0,0,640,300" into its five whole numbers; false for anything else.
bool ParseWindow(const std::string& text, SavedWindow& window) {
    int values[5] = {};
    std::size_t pos = 0;
    for (int i = 0; i < 5; ++i) {
        const std::size_t comma = i < 4 ? text.find(',', pos) : text.size();
        if (comma == std::string::npos) return false;
        const std::string field = text.substr(pos, comma - pos);
        if (field.empty() || field.size() > 6) return false;
        std::size_t start = field[0] == '-' ? 1 : 0;
        if (start == field.size()) return false;
        int value = 0;
        for (std::size_t k = start; k < field.size(); ++k) {
            if (field[k] < '0' || field[k] > '9') return false;
            value = value * 10 + (field[k] - '0');
        }
        values[i] = start ? -value : value;
        pos = comma + 1;
    }
    window.kind = values[0];
    window.rect = {values[1], values[2], values[3], values[4]};
    return (window.kind >= 1 && window.kind <= 3) && window.rect.width > 0 && window.rect.height > 0;
}

bool NameReadsBack(const std::string& name) {
    std::string text;
    if (!ProfileFile::SetStrings(text, kSection, {{kMapKey, name}})) return false;
    return ProfileFile::StringIn(text, kSection, kMapKey, "") == name;
}

}  // namespace

std::vector<WindowRect> CascadeRects(int width, int height, int count, int step) {
    std::vector<WindowRect> rects;
    const int w = std::min(std::max(width * 2 / 3, kMinimumWidth), std::max(width, kMinimumWidth));
    const int h = std::min(std::max(height * 2 / 3, kMinimumHeight), std::max(height, kMinimumHeight));
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        if (offset > 0 && (offset + w > width || offset + h > height)) offset = 0;
        rects.push_back({offset, offset, w, h});
        offset += std::max(step, 1);
    }
    return rects;
}

WindowRect BringOnScreen(const WindowRect& rect, int width, int height) {
    WindowRect r = rect;
    r.width = std::min(std::max(r.width, kMinimumWidth), std::max(width, kMinimumWidth));
    r.height = std::min(std::max(r.height, kMinimumHeight), std::max(height, kMinimumHeight));
    r.x = std::max(0, std::min(r.x, width - r.width));
    r.y = std::max(0, std::min(r.y, height - r.height));
    return r;
}

const std::vector<int>& ZoomSteps() {
    static const std::vector<int> steps{50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
    return steps;
}

int NextZoom(int percent, int direction) {
    const std::vector<int>& steps = ZoomSteps();
    if (direction == 0) return kDefaultZoom;
    if (direction > 0) {
        for (int step : steps)
            if (step > percent) return step;
        return steps.back();
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (*it < percent) return *it;
    return steps.front();
}

int ReadZoom(const ProfileFile& settings) {
    const int stored = settings.ReadInt(kSection, kZoomKey, kDefaultZoom);
    int nearest = kDefaultZoom;
    for (int step : ZoomSteps())
        if (std::abs(static_cast<long>(step) - stored) < std::abs(static_cast<long>(nearest) - stored)) nearest = step;
    return nearest;
}

bool WriteZoom(ProfileFile& settings, int percent) {
    return settings.WriteStrings(kSection, {{kZoomKey, std::to_string(percent)}});
}

int Zoomed(int size, int percent, int minimum) { return std::max(size * percent / 100, minimum); }

WindowLayout ReadWindowLayout(const ProfileFile& settings) {
    WindowLayout layout;
    const int count = std::min(settings.ReadInt(kSection, kCountKey, 0), kMaxWindows);
    for (int n = 1; n <= count; ++n) {
        SavedWindow window;
        if (ParseWindow(settings.ReadString(kSection, WindowKey(n), ""), window)) layout.windows.push_back(window);
    }
    if (!layout.windows.empty()) layout.map = settings.ReadString(kSection, kMapKey, "");
    return layout;
}

bool WriteWindowLayout(ProfileFile& settings, const WindowLayout& layout) {
    const std::size_t count = std::min(layout.windows.size(), static_cast<std::size_t>(kMaxWindows));
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back(kMapKey, NameReadsBack(layout.map) ? layout.map : std::string());
    values.emplace_back(kCountKey, std::to_string(count));
    for (std::size_t i = 0; i < static_cast<std::size_t>(kMaxWindows); ++i) {
        std::string text;
        if (i < count) {
            const SavedWindow& w = layout.windows[i];
            text = std::to_string(w.kind) + "," + std::to_string(w.rect.x) + "," + std::to_string(w.rect.y) + "," +
                   std::to_string(w.rect.width) + "," + std::to_string(w.rect.height);
        }
        values.emplace_back(WindowKey(static_cast<int>(i) + 1), text);
    }
    return settings.WriteStrings(kSection, values);
}
