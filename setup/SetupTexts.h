#pragma once
// The installer's texts, names and registry places, written once.
#include <string>

namespace setuptext {
constexpr const char* kProduct = "Orvandel";
constexpr const char* kCaption = "ZanP Setup";
constexpr const char* kUninstallQuestion = "This will uninstall %1.\nAre you sure you want to uninstall?";
constexpr const char* kCannotExecute = "Can not execute this program.";
constexpr const char* kWelcomeTitle = "Welcome";
constexpr const char* kWelcome =
    "Welcome to the %1 Setup program. This program will install %1 on your computer.\n\n"
    "It is strongly recommended that you exit all other programs before running this Setup program.\n\n"
    "Click Cancel to quit Setup, or click Next to continue with the Setup program.";
constexpr const char* kNext = "&Next >";
constexpr const char* kWillInstall = "Setup will install %1 in the following folder.";
constexpr const char* kCancelHint = "You can choose not to install %1 by clicking Cancel to exit Setup.";
constexpr const char* kDestinationFolder = "Destination Folder";
constexpr const char* kMachines = "Machines";
constexpr const char* kBrowse = "B&rowse...";
constexpr const char* kInstall = "&Install";
constexpr const char* kCancel = "Cancel";
constexpr const char* kChooseFolderTitle = "Choose Folder";
constexpr const char* kChooseFolderPrompt = "Please choose the installation folder.";
constexpr const char* kFolderMissing =
    "The folder:\n\n%s\n\ndoes not exist. Do you want the folder to be created?";
constexpr const char* kFolderInvalid = "The folder:\n\n%s\n\nis invalid. Please reenter.";
constexpr const char* kFolderNotCreated = "The folder:\n\n%s\n\ncan not be created. Please double check.";
constexpr const char* kFinished = "Setup has finished installing %1 on your computer.";
constexpr const char* kTimeStampError = "Time stamp check error!";
constexpr const char* kCopyFailed = "Fail to copy file.";
constexpr const char* kUninstalled = "Completed uninstallation.\r\nPlease restart your computer.";
constexpr const char* kNotAllDeleted = "Some files were not deleted. Please delete yourself.";
// Our own, for what the installer refuses to do.
constexpr const char* kReadOnlyFile =
    "The file:\n\n%s\n\nis read-only. Setup has not changed it; make it writable and run Setup again.";
constexpr const char* kBadInstallDirectory =
    "The installation folder recorded in the registry (\"%s\") is not an absolute folder. Nothing was deleted.";
constexpr const char* kRegistryNotWritten = "The registry file %s could not be written.";
constexpr const char* kScriptNotWritten = "The clean-up script %s could not be written.";
constexpr const char* kFileNotWritten = "The file:\n\n%s\n\ncould not be written.";
constexpr const char* kLinkFound =
    "The name:\n\n%s\n\nis a symbolic link. Setup writes nothing through a link; remove it and run Setup again.";
constexpr const char* kNotAnInstallation =
    "The folder:\n\n%s\n\nholds no installation of %1 (no RV_Tune and MCN_LIST.DAT as files of their own). "
    "Nothing was deleted.";
constexpr const char* kNoMachineSelected = "No machine is selected. Select at least one machine to install.";
constexpr const char* kRunCleanupScript =
    "To remove the setup program and the emptied folder once Setup has ended, run:\n%s";
}  // namespace setuptext

namespace setupname {
// Packaged (source) names in the distribution folder.
constexpr const char* kPackedProgram = "RV_Tune.ex_";
constexpr const char* kPackedPicture = "RV_Tune.bm_";
constexpr const char* kPackedColourPicture = "RV_TuneFC.bm_";
constexpr const char* kMachineList = "MCN_LIST.DAT";
constexpr const char* kSetupProgram = "setup";   // "Setup.exe" on Windows
// Installed names. Linux programs carry no extension; the colour picture is
// named the way RV_Tune looks for it beside itself.
constexpr const char* kProgram = "RV_Tune";
constexpr const char* kPicture = "RV_Tune.bmp";
constexpr const char* kColourPicture = "RV_TuneFc.bmp";
constexpr const char* kSettings = "RV_Tune.ini";
constexpr const char* kDefinition = "RV_Tune.stz";
constexpr const char* kWorkFolder = "WORK";
constexpr const char* kStandardData = "Standard_data.qsd";
constexpr const char* kShortcut = "Orvandel.desktop";
// The clean-up script: "RV_Tune-" and six letters or digits chosen when it
// is made, then ".sh", so no other user can hold its name beforehand.
constexpr const char* kCleanupScriptPrefix = "RV_Tune-";
constexpr const char* kCleanupScriptSuffix = ".sh";
constexpr const char* kCleanupScriptLegacy = "RV_Tune.sh";   // the fixed name earlier versions used
}  // namespace setupname

namespace setupreg {
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV_Tune";
constexpr const char* kDisplayName = "DisplayName";
constexpr const char* kUninstallString = "UninstallString";
constexpr const char* kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kRunOnceValue = "Uninstall RV_Tune";
constexpr const char* kCurrentVersionKey = "Software\\MicroSoft\\Windows\\CurrentVersion";
constexpr const char* kProgramFilesDir = "ProgramFilesDir";
constexpr const char* kVendorFolder = "VOZA/RV_Tune";
}  // namespace setupreg

// text with every "%1" replaced by the product name.
std::string WithProduct(const std::string& text);
// text with its one "%s" replaced by value.
std::string WithValue(const std::string& text, const std::string& value);
