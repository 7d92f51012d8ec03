#include "platform/FileDialogRequest.h"

std::vector<std::string> FilterEntries(const std::string& tableFilter) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= tableFilter.size()) {
        std::size_t bar = tableFilter.find('|', pos);
        if (bar == std::string::npos) bar = tableFilter.size();
        parts.push_back(tableFilter.substr(pos, bar - pos));
        pos = bar + 1;
    }
    std::vector<std::string> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;   // "||" ends the list
        entries.push_back(parts[i]);
    }
    return entries;
}
