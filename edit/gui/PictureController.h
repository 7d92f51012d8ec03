#pragma once
// File > Save picture...: a PNG of the active table, map or 3D window, for
// a report or a message to a rider. The file dialog starts in the machine's
// work folder; the picture is encoded in memory and written whole
// (edit/PictureFile), so a failed write leaves no half file.
#include <string>

class CChildWnd;
class EditDialogs;
class QWidget;
struct Calibration;
struct UserPrompt;

class PictureController {
public:
    // chosenFolder (the Directory dialog's) and settingsFilePath (beside
    // which the machine's work folder lies) are read at each command: they
    // change with the machine.
    PictureController(const Calibration& calibration, const std::string& chosenFolder,
                      const std::string& settingsFilePath, EditDialogs& dialogs, UserPrompt& prompt, QWidget* parent);

    // Whether the window is of a kind that has a picture to save.
    static bool HasPicture(const CChildWnd* window);
    // Asks for the file and writes the picture of window; a refusal or a
    // failed write is reported. true when a file was written.
    bool SavePicture(CChildWnd* window);

private:
    const Calibration& calibration_;
    const std::string& chosenFolder_;
    const std::string& settingsFilePath_;
    EditDialogs& dialogs_;
    UserPrompt& prompt_;
    QWidget* parent_;
};
