#include "app/gui/CalibrationController.h"

#include <filesystem>
#include <system_error>

#include "app/FileHistory.h"
#include "app/FrameModel.h"
#include "app/QelApp.h"
#include "app/WindowLayout.h"
#include "app/gui/FrameDialogs.h"
#include "ecu/gui/EcuController.h"
#include "edit/LinkedMaps.h"
#include "edit/WindowKinds.h"
#include "edit/gui/CompareController.h"
#include "edit/gui/QelDoc.h"
#include "files/DataFile.h"
#include "model/Strings.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/UserPrompt.h"

CalibrationController::CalibrationController(CQelApp& app, CalibrationWindows& windows, FrameDialogs& dialogs,
                                             UserPrompt& prompt, EcuController& ecu, CompareController& compare,
                                             QWidget* parent)
    : app_(app), windows_(windows), dialogs_(dialogs), prompt_(prompt), ecu_(ecu), compare_(compare), parent_(parent) {}

FileDialogRequest CalibrationController::DataFileRequest(const std::string& title) const {
    FileDialogRequest request;
    request.title = title;
    request.folder = DialogStartFolder(app_.defaultFolder, app_.dataFilePath, app_.settingsFilePath);
    request.defaultExtension = Str(str::kDataFileExtension);
    request.filters = FilterEntries(Str(str::kDataFileFilter));
    return request;
}

bool CalibrationController::CalibrationOpen() const { return !app_.dataFilePath.empty(); }

void CalibrationController::Open() {
    // A new load replaces the maps the open windows show: they go first.
    if (windows_.Document() || CalibrationOpen()) {
        if (!Close()) return;
    }
    const std::string path = dialogs_.AskFile(parent_, DataFileRequest(text::kOpenFileTitle));
    if (path.empty()) return;
    OpenDataFile(path);
}

void CalibrationController::OpenDataFile(const std::string& path) {
    if (!LoadForOpen(path)) return;
    ChooseMap();
}

void CalibrationController::ChooseMap() {
    int mapIndex = -1;
    if (!windows_.RunMenu(mapIndex)) {
        windows_.ResetToDataLoaded();
        return;
    }
    windows_.ShowChosenMap(mapIndex, true);
}

bool CalibrationController::OpenDataFileOnFirstMap(const std::string& path) {
    if (!LoadForOpen(path)) return false;
    if (app_.maps.empty()) {
        windows_.ResetToDataLoaded();
        return false;
    }
    // The map the windows showed last time, else the first.
    int mapIndex = 0;
    const std::string laidOut = ReadWindowLayout(ProfileFile(app_.settingsFilePath)).map;
    for (std::size_t i = 0; i < app_.maps.size(); ++i)
        if (!laidOut.empty() && app_.maps[i]->name == laidOut) mapIndex = static_cast<int>(i);
    windows_.ShowChosenMap(mapIndex, true);
    if (ReadWindowLayout(ProfileFile(app_.settingsFilePath)).windows.empty()) {
        windows_.OpenWindow(kWindowHex);
        windows_.TileHorizontally();
    }
    return windows_.HasDocumentWindow();
}

bool CalibrationController::LoadForOpen(const std::string& path, bool remember) {
    if (windows_.Document() || CalibrationOpen()) {
        if (!Close()) return false;
    }
    const int result = LoadDataFile(app_, app_, prompt_, path);
    if (result == kOtherMachine || result == kUnreadable) {
        prompt_.Message(Str(result == kOtherMachine ? str::kMachineTypeDifferent : str::kOpenFailed),
                        Str(str::kProductName), PromptIcon::kExclamation);
        ResetCalibration(app_);
        return false;
    }
    if (result != kLoaded) {   // abandoned after its message
        ResetCalibration(app_);
        windows_.RefillMapSelector();
        return false;
    }
    app_.dataFilePath = path;
    app_.dataFileName = FileNamePart(path);
    app_.ownFile = true;
    ecu_.LoadMonitorItems();
    windows_.ShowLoaded(path);
    if (remember) Remember(path);
    return true;
}

void CalibrationController::Remember(const std::string& path) {
    ProfileFile settings(app_.settingsFilePath);
    const std::vector<std::string> before = ReadRecentFiles(settings);
    const std::vector<std::string> after = AddRecentFile(before, path);
    if (after != before) WriteRecentFiles(settings, after);
}

std::vector<std::string> CalibrationController::RecentFiles() const {
    return ReadRecentFiles(ProfileFile(app_.settingsFilePath));
}

void CalibrationController::OpenRecent(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        ProfileFile settings(app_.settingsFilePath);
        WriteRecentFiles(settings, RemoveRecentFile(ReadRecentFiles(settings), path));
        prompt_.Message("The file " + path + " is no longer there.\nIt has been taken off the list of recent files.",
                        Str(str::kProductName), PromptIcon::kExclamation);
        return;
    }
    if (windows_.Document() || CalibrationOpen()) {
        if (!Close()) return;
    }
    OpenDataFile(path);
}

void CalibrationController::Menu() {
    int mapIndex = -1;
    if (!windows_.RunMenu(mapIndex)) return;
    windows_.ShowChosenMap(mapIndex, false);
}

void CalibrationController::Save() {
    FileDialogRequest request = DataFileRequest(text::kSaveAsTitle);
    request.save = true;
    request.proposedName = app_.dataFileName;
    const std::string path = dialogs_.AskFile(parent_, request);
    if (path.empty()) return;
    if (!WriteTo(path)) return;
    app_.dataFilePath = path;
    app_.dataFileName = FileNamePart(path);
    app_.ownFile = true;
    windows_.ShowSaved(app_.dataFileName);
    windows_.ShowStatus("Saved " + path);
    Remember(path);
}

bool CalibrationController::WriteTo(const std::string& path) {
    // The checksum byte reaches linked maps like any other byte.
    const LinkPropagation propagate = AppLinkPropagation(app_);
    if (!SaveDataFile(app_, path, [&propagate](std::uint16_t address, std::uint8_t value) {
            propagate(address, value, 0);
        })) {
        prompt_.Message(Str(str::kSaveError), Str(str::kProductName), PromptIcon::kExclamation);
        windows_.ShowStatus("Not saved: " + path + " could not be written");
        return false;
    }
    return true;
}

void CalibrationController::SaveToOwnFile() {
    if (!CalibrationOpen() || !app_.ownFile) {
        Save();
        return;
    }
    const std::string path = app_.dataFilePath;
    if (!WriteTo(path)) return;
    windows_.ShowSaved(app_.dataFileName);
    windows_.ShowStatus("Saved " + path);
}

bool CalibrationController::Close() {
    CQelDoc* doc = windows_.Document();
    if (doc) doc->PrepareViews(0);
    if (app_.modified && CalibrationOpen()) {
        const bool close = doc ? doc->ConfirmClose() : ConfirmCloseWithoutSaving(prompt_);
        if (!close) return false;
    }
    // The monitor belongs to the calibration: its list is kept in the
    // settings file, and without a calibration nothing could stop it.
    ecu_.EndMonitor(false);
    compare_.HideDifferences();
    windows_.SaveLayout();
    windows_.CloseDocument();
    ResetCalibration(app_);
    app_.ownFile = false;
    windows_.ShowNoCalibration();
    return true;
}

bool CalibrationController::Quit() {
    if (CQelDoc* doc = windows_.Document()) doc->PrepareViews(0);
    if (app_.modified && CalibrationOpen() && !ConfirmCloseWithoutSaving(prompt_)) return false;
    ecu_.EndMonitor(true);
    compare_.HideDifferences();
    windows_.SaveLayout();
    windows_.CloseDocument();
    ResetCalibration(app_);
    app_.ownFile = false;
    return true;
}

std::string CalibrationController::LoadCompared(Calibration& into, const std::string& path) {
    // A definition load also sets the machine's line settings, command set
    // and expected identification: a scratch machine takes them, knowing
    // only the folder the file must name.
    MachineConfig machine;
    machine.registry.machineFolder = app_.registry.machineFolder;
    machine.registry.machineName = app_.registry.machineName;
    const int result = LoadCalibrationLike(app_, into, machine, prompt_, path);
    if (result == kLoaded) {
        into.dataFileName = FileNamePart(path);
        return {};
    }
    return result == kOtherMachine ? Str(str::kMachineTypeDifferent)
           : result == kUnreadable ? Str(str::kOpenFailed)
                                   : std::string("The file is damaged.");
}
