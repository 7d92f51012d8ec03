#pragma once
// The application object: the single owner of the configuration and of the
// calibration in memory. Created once by main before anything else and
// passed by reference to what needs it; every window reads from here and
// keeps no copy.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/MachineConfig.h"
#include "edit/OperatingOverlay.h"
#include "model/Calibration.h"
#include "platform/RegistryStore.h"

struct Host;
class ProfileFile;
class UserPrompt;

namespace ini {
constexpr const char* kRs232c = "RS232C";
constexpr const char* kMessage = "MESSAGE";
constexpr const char* kSpeed = "SPEED";
constexpr const char* kData = "DATA";
constexpr const char* kParity = "PARITY";
constexpr const char* kStop = "STOP";
constexpr const char* kFlow = "XFLLOW";
constexpr const char* kPort = "PORT";
constexpr const char* kTimeout = "TIMEOUT";
constexpr const char* kWaitTime = "WAITTIME";
constexpr const char* kRetry = "RETRY";
constexpr const char* kEcRetry = "ECRETRY";
constexpr const char* kUndo = "UNDO";
constexpr const char* kSize = "SIZE";
constexpr const char* kPrecision = "PRECISION";
constexpr const char* kPrint = "PRINT";
constexpr const char* kDirectory = "DIRECTORY";
constexpr const char* kPath1 = "PATH1";
}  // namespace ini

struct AppOptions {
    std::string exeName = "RV_Tune";   // names the settings and definition files
    std::string commandLine;           // the arguments as one text
    // The arguments one by one. Exactly two are the batch conversion's input
    // and output as they are; exactly one is a data file to open; any other
    // count goes by commandLine.
    std::vector<std::string> arguments;
    bool largeScreen = true;
    std::string registryPath;          // empty: RegistryStore::DefaultPath()
    // The program's own file, which tells whether it runs from the package;
    // empty: the running program.
    std::string programPath;
};

enum : int { kOpenNone = 0, kOpenChosen = 1, kOpenDocument = 3 };

// The application is made of the parts the core works on, the calibration
// and the machine, so it can be handed wherever one of them is asked for.
class CQelApp : public Calibration, public MachineConfig {
public:
    explicit CQelApp(const AppOptions& options = AppOptions());
    ~CQelApp();
    CQelApp(const CQelApp&) = delete;
    CQelApp& operator=(const CQelApp&) = delete;

    // Start-up in its steps. false ends the program; ExitCode() then says
    // with which code.
    bool InitInstance(Host& host);
    int ExitInstance();
    int ExitCode() const { return exitCode; }

    // The settings file into the fields below.
    void ReadProgramSettings(const ProfileFile& settings);
    // The registry's port when it holds one, else the settings file's code,
    // which is then written to the registry.
    int ResolveEffectivePort(int settingsPortCode);

    RegistryStore& registryStore() { return *registry_; }

    // Configuration and calibration state.
    std::string firstPart;                 // batch conversion: input file
    std::string secondPart;                // batch conversion: output file
    // A data file named alone on the command line (a desktop's double click
    // on a .qsd), opened as File > Open does once the main window shows.
    std::string openAtStart;
    int openState = kOpenNone;
    int printLeft = 0, printTop = 0, printRight = 0, printBottom = 0, printLine = 0;
    std::string defaultFolder;
    // The data file path is the calibration's own file, which Ctrl+S saves
    // to. Not after a read from the ECU, whose bytes lie over the machine's
    // standard data file until Save... names a file for them.
    bool ownFile = false;
    std::string settingsFilePath;
    bool messageFlag = false;
    std::string tempDefinitionPath;
    // A second calibration of the machine opened beside this one to compare
    // with; read-only, never saved. None while no compare is open; closing
    // the calibration ends the compare.
    std::unique_ptr<Calibration> compared;
    // Where the engine runs on the maps and the hits of a recorded ride, as
    // the tuning loop lays them over the table and map windows; never saved.
    OperatingOverlay operating;

    // Framework-held values.
    std::string exeName;
    std::string commandLine;
    std::vector<std::string> arguments;
    std::string programPath;

private:
    void FillCommandSets();
    // Runs Machine Select; false ends start-up. why opens the message of a
    // host that cannot show the dialog.
    bool SelectMachine(Host& host, const std::string& why);
    // The message for the chosen machine's missing settings file or
    // definition; empty when both are there.
    std::string MissingMachineFile() const;

    std::unique_ptr<RegistryStore> registry_;
    int exitCode = 0;
};

// Settings-file text to the serial codes the program keeps.
int SpeedCode(const std::string& text);
int DataBitsCode(const std::string& text);
int ParityCode(const std::string& text);
int StopBitsCode(const std::string& text);
int FlowCode(const std::string& text);
int PortCode(const std::string& text);
