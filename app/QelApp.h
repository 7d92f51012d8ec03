#pragma once
// The application object: the single owner of the configuration and of the
// calibration in memory. Created once by main before anything else and
// passed by reference to what needs it; every window reads from here and
// keeps no copy.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/RegistrySettings.h"
#include "model/DiagItem.h"
#include "model/Image.h"
#include "model/LineStore.h"
#include "model/MapLinkData.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"
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
    // and output as they are; any other count goes by commandLine.
    std::vector<std::string> arguments;
    bool largeScreen = true;
    std::string registryPath;          // empty: RegistryStore::DefaultPath()
};

enum : int { kOpenNone = 0, kOpenChosen = 1, kOpenDocument = 3 };
enum : int { kLinkNone = 2 };
enum : int { kCommandSetA = 0, kCommandSetB = 1 };
enum : int { kDefinitionConfigMap = 0, kDefinitionFreeMap = 1 };

class CQelApp {
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

    Image& image() { return *imageBlock; }
    bool HasImage() const { return imageBlock != nullptr; }
    RegistryStore& registryStore() { return *registry_; }

    // Configuration and calibration state.
    std::string firstPart;                 // batch conversion: input file
    std::string secondPart;                // batch conversion: output file
    MapList maps;
    std::string dataFilePath;
    int readTimeout = 50;                  // ms per byte; also the silence countdown in ticks
    int waitTime = 100;                    // ms between identification attempts
    int retryCount = 9;
    int ecRetryCount = 4;
    int undoSize = 1024;
    std::uint16_t dataStart = 0;
    std::uint16_t dataEnd = 0;
    std::uint16_t mapAreaStart = 0;
    int openState = kOpenNone;
    MapRecord* currentMap = nullptr;       // not owned
    int definitionKind = kDefinitionFreeMap;
    std::string dataFileName;
    int printLeft = 0, printTop = 0, printRight = 0, printBottom = 0, printLine = 0;
    int speedCode = -1;
    int dataBitsCode = -1;
    int parityCode = -1;
    int stopBitsCode = -1;
    int flowCode = -1;
    int portCode = -1;
    std::string defaultFolder;
    std::map<char, char> commandSetA;
    std::map<char, char> commandSetB;
    int commandSetSelector = kCommandSetB;
    std::string settingsFilePath;
    LineStore dataLines;
    LineStore definitionLines;
    int mapLinkState = kLinkNone;
    bool messageFlag = false;
    RegistrySettings registry;
    int modified = 0;
    ValueFormats formats;                  // X, Y and Z display formats, "%.1f" by default
    std::string tempDefinitionPath;

    // Rebuilt from the definition lines on every data file load.
    std::vector<DiagItem> diagItems;      // monitor items in definition order
    MapLinkData mapLink;                  // the link list; the mode is mapLinkState

    // Framework-held values.
    std::string exeName;
    std::string commandLine;
    std::vector<std::string> arguments;
    // Guards the serial link against the link timer's monitor polling;
    // usable once start-up has finished.
    std::recursive_mutex commLock;
    bool commLockReady = false;

private:
    void FillCommandSets();

    std::unique_ptr<Image> imageBlock;
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
