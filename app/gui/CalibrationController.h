#pragma once
// The calibration's life cycle: Open (the file dialog, the load, the Menu
// dialog's choice), Save, Close and the end of the program's calibration
// when the main window closes. The windows that show it are the frame's.
#include <string>
#include <vector>

#include "platform/FileDialogRequest.h"

class CQelApp;
class CQelDoc;
class CQelView;
class CompareController;
struct Calibration;
class EcuController;
class FrameDialogs;
class QWidget;
struct UserPrompt;

// What the life cycle asks of the frame around the document's windows.
struct CalibrationWindows {
    virtual ~CalibrationWindows() = default;
    virtual CQelDoc* Document() const = 0;
    virtual bool HasDocumentWindow() const = 0;
    // Every child window closed at once, the document gone.
    virtual void CloseDocument() = 0;
    // The caption, the selectors, the dialog bar and menu 2 of a frame
    // without a calibration.
    virtual void ShowNoCalibration() = 0;
    // The caption, the map selector and menu 4 of a calibration just loaded.
    virtual void ShowLoaded(const std::string& path) = 0;
    // The caption after a save under fileName.
    virtual void ShowSaved(const std::string& fileName) = 0;
    // A line in the frame's status bar ("Saved /path/file.qsd").
    virtual void ShowStatus(const std::string& text) = 0;
    // The windows' kinds and places kept for the next open, before they close.
    virtual void SaveLayout() = 0;
    virtual void RefillMapSelector() = 0;
    // Loaded, no window open: the line list and the link as the file gave them.
    virtual void ResetToDataLoaded() = 0;
    // Runs the Menu dialog; true when a map was chosen.
    virtual bool RunMenu(int& mapIndex) = 0;
    // The document's windows for the chosen map after OK in the Menu dialog.
    virtual void ShowChosenMap(int mapIndex, bool fromOpen) = 0;
    virtual CQelView* OpenWindow(int kind) = 0;
    virtual void TileHorizontally() = 0;
};

class CalibrationController {
public:
    CalibrationController(CQelApp& app, CalibrationWindows& windows, FrameDialogs& dialogs, UserPrompt& prompt,
                          EcuController& ecu, CompareController& compare, QWidget* parent);

    // File > Open: the open calibration closed first (asking when changed),
    // then the file dialog, the load and the Menu dialog.
    void Open();
    // Loads the data file at path as Open does after its file dialog.
    void OpenDataFile(const std::string& path);
    // The same load without the Menu dialog: the first map opens in the map
    // and table windows, and the HEX window opens beside them. false when
    // the file did not load or has no map.
    bool OpenDataFileOnFirstMap(const std::string& path);
    // File > Menu...
    void Menu();
    // File > Save...
    void Save();
    // Ctrl+S: the calibration saved to its own file as Save... saves it;
    // Save... itself when it has none (read from the ECU).
    void SaveToOwnFile();
    // File > 1..8: a calibration opened before; a file that is gone leaves
    // the list with a message.
    void OpenRecent(const std::string& path);
    // The machine's recent calibrations, newest first.
    std::vector<std::string> RecentFiles() const;
    // The load of the open commands, up to the choice of a map: false when
    // nothing was loaded (the message has been shown). remember puts the
    // file at the top of the recent list.
    bool LoadForOpen(const std::string& path, bool remember = true);
    // The Menu dialog's choice shown after a load, or the loaded state kept
    // when it is cancelled.
    void ChooseMap();
    // File > Close; false when the user kept the calibration.
    bool Close();
    // The main window closes: false when the user kept the calibration.
    bool Quit();
    // Loads a file to compare with into a calibration of its own
    // (CompareController::LoadLike): the reason it did not load, or empty.
    std::string LoadCompared(Calibration& into, const std::string& path);
    // A data file of the machine's folder under title.
    FileDialogRequest DataFileRequest(const std::string& title) const;

private:
    bool CalibrationOpen() const;
    // Writes the calibration to path as Save... does; false after the message.
    bool WriteTo(const std::string& path);
    void Remember(const std::string& path);

    CQelApp& app_;
    CalibrationWindows& windows_;
    FrameDialogs& dialogs_;
    UserPrompt& prompt_;
    EcuController& ecu_;
    CompareController& compare_;
    QWidget* parent_;
};
