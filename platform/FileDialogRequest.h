#pragma once
// A request for the host's file chooser; the answer is the chosen path,
// empty for Cancel. The windows of every layer ask through it, so one
// replacement answers them all in the tests.
#include <functional>
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

// A file dialog starts in the first folder of the Directory dialog, else in
// the folder of the open calibration, else in the machine's WORK folder, and
// never in the folder the program was started from: a relative or missing
// folder is passed over.
// The machine's WORK folder, beside its settings file.
std::string WorkFolderOf(const std::string& settingsFilePath);

// The folder a file dialog starts in: directoryFirst (DIRECTORY PATH1), else
// the folder of calibrationPath, else the WORK folder beside the settings
// file; each only when it is an absolute path that isFolder accepts. When
// none is, the WORK folder all the same (the dialog then shows its nearest
// parent), never an empty or relative text.
std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath,
                              const std::function<bool(const std::string&)>& isFolder);
// The same with the file system's answer.
std::string DialogStartFolder(const std::string& directoryFirst, const std::string& calibrationPath,
                              const std::string& settingsFilePath);
