#pragma once
// A request for the host's file chooser; the answer is the chosen path,
// empty for Cancel. The windows of every layer ask through it, so one
// replacement answers them all in the tests.
#include <string>
#include <vector>

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string folder;        // DIRECTORY PATH1
    std::string proposedName;
    std::string defaultExtension;
    std::vector<std::string> filters;
};

// A file dialog filter from the string table's form ("Text(*.qsd)|*.qsd|
// All Files(*.*)|*.*||") to a list of "Text(*.qsd)" entries, one per pair.
std::vector<std::string> FilterEntries(const std::string& tableFilter);
