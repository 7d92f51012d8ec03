#include "app/QelApp.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <new>

#include "app/DisplayOptions.h"
#include "app/Host.h"
#include "app/UserInstall.h"
#include "model/Strings.h"
#include "config/Definition.h"
#include "config/MachineList.h"
#include "platform/PathSearch.h"
#include "platform/ProfileFile.h"
#include "platform/TextFormat.h"

int SpeedCode(const std::string& text) {
    if (text == "600") return 0;
    if (text == "1200") return 1;
    if (text == "2400") return 2;
    if (text == "9600") return 4;
    if (text == "19200") return 5;
    return 3;   // 4800 and anything unknown
}

int DataBitsCode(const std::string& text) { return !text.empty() && text[0] == '7' ? 0 : 1; }

int ParityCode(const std::string& text) {
    if (text == "ODD") return 1;
    if (text == "EVEN") return 2;
    return 0;
}

int StopBitsCode(const std::string& text) {
    if (text.compare(0, 3, "1.5") == 0) return 1;
    if (!text.empty() && text[0] == '2') return 2;
    return 0;
}

// Only an exact "NO" turns XON/XOFF off; "no" in lower case leaves it on.
int FlowCode(const std::string& text) { return text == "NO" ? 1 : 0; }

int PortCode(const std::string& text) {
    if (text.size() == 5 && text.compare(0, 4, "PORT") == 0 && text[4] >= '1' && text[4] <= '8')
        return text[4] - '1';
    return -1;
}

CQelApp::CQelApp(const AppOptions& options)
    : MachineConfig(options.largeScreen),
      exeName(options.exeName),
      commandLine(options.commandLine),
      arguments(options.arguments),
      programPath(options.programPath),
      registry_(std::make_unique<RegistryStore>(
          options.registryPath.empty() ? RegistryStore::DefaultPath() : options.registryPath)) {}

CQelApp::~CQelApp() = default;

void CQelApp::FillCommandSets() {
    static const char kLetters[] = "JjLMmNSsWRV";
    static const char kSetB[] = "HhKOoQUuXYZ";
    commandSetA.clear();
    commandSetB.clear();
    for (std::size_t i = 0; kLetters[i] != '\0'; ++i) {
        commandSetA[kLetters[i]] = kLetters[i];
        commandSetB[kLetters[i]] = kSetB[i];
    }
}

int CQelApp::ResolveEffectivePort(int settingsPortCode) {
    if (registry.rs232cPort != -1) return registry.rs232cPort;
    registry_->SetDword(ProgramRegistryKey(), regname::kRs232cPort,
                        static_cast<std::uint32_t>(settingsPortCode));
    registry.rs232cPort = settingsPortCode;
    return settingsPortCode;
}

void CQelApp::ReadProgramSettings(const ProfileFile& settings) {
    using namespace ini;
    messageFlag = settings.ReadInt(kRs232c, kMessage, 0) != 0;
    undoSize = settings.ReadInt(kUndo, kSize, 1024);
    speedCode = SpeedCode(settings.ReadString(kRs232c, kSpeed, "4800"));
    dataBitsCode = DataBitsCode(settings.ReadString(kRs232c, kData, "8BIT"));
    parityCode = ParityCode(settings.ReadString(kRs232c, kParity, "NON"));
    stopBitsCode = StopBitsCode(settings.ReadString(kRs232c, kStop, "1BIT"));
    flowCode = FlowCode(settings.ReadString(kRs232c, kFlow, "YES"));
    portCode = PortCode(settings.ReadString(kRs232c, kPort, ""));
    portCode = ResolveEffectivePort(portCode);
    readTimeout = settings.ReadInt(kRs232c, kTimeout, 50);
    waitTime = settings.ReadInt(kRs232c, kWaitTime, 100);
    retryCount = settings.ReadInt(kRs232c, kRetry, 9);
    ecRetryCount = settings.ReadInt(kRs232c, kEcRetry, 4);
    formats.x = MakePrecisionFormat(settings.ReadInt(kPrecision, "X", 1));
    formats.y = MakePrecisionFormat(settings.ReadInt(kPrecision, "Y", 1));
    formats.z = MakePrecisionFormat(settings.ReadInt(kPrecision, "Z", 1));
    ApplyDisplayOptions(*this, LoadDisplayOptions(settings));
    printLeft = settings.ReadInt(kPrint, "LEFT", 0);
    printTop = settings.ReadInt(kPrint, "TOP", 0);
    printRight = settings.ReadInt(kPrint, "RIGHT", 0);
    printBottom = settings.ReadInt(kPrint, "BOTTOM", 0);
    printLine = settings.ReadInt(kPrint, "LINE", 0);
    defaultFolder = settings.ReadPath(kDirectory, kPath1, "");
}

namespace {

// The running program's own file, as the system knows it.
std::string ProgramPath() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    return length > 0 ? path.substr(0, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

bool CQelApp::SelectMachine(Host& host, const std::string& why) {
    switch (host.RunMachineSelect(*this)) {
    case MachineSelectResult::kExitProcess:
        exitCode = 0;
        return false;
    case MachineSelectResult::kUnavailable:
        host.Prompt().Message(why +
                                  "\nRun RV_Tune with a display once to choose the machine, or name its\n"
                                  "folder for one run in RV_TUNE_MACHINE.",
                              text::kProgramTitle, PromptIcon::kStop);
        exitCode = 2;
        return false;
    case MachineSelectResult::kClosed:
        break;
    }
    return true;
}

std::string CQelApp::MissingMachineFile() const {
    const std::string root = registry.installDirectory + "/";
    if (FindFileNoCase(JoinPath(root, registry.initializeFolder), exeName, ".INI").empty())
        return FormatText(text::kSettingsMissing, exeName.c_str());
    if (FindFileNoCase(JoinPath(root, registry.settingFolder), exeName, defname::kExtension).empty())
        return deftext::kSetupFileMissing;
    return "";
}

bool CQelApp::InitInstance(Host& host) {
    UserPrompt& prompt = host.Prompt();

    // Registry settings. A registry file that does not parse reads as
    // empty; say so, since the machine choice will be asked for again.
    registry.LoadRegistrySettings(*registry_);
    if (!registry_->ParseError().empty())
        prompt.Message(registry_->ParseError(), text::kProgramTitle, PromptIcon::kExclamation);

    // The installation: the recorded one while it still is one, else (run
    // from the package) the user's copy of the shipped machines. Derived at
    // each start and never written, so a record left by an uninstall or a
    // moved folder costs nothing once it is stale.
    registry.installDirectory = PrepareInstallFolder(
        ChooseInstallFolder(registry.installDirectory, programPath.empty() ? ProgramPath() : programPath, exeName,
                            UserInstallFolder()),
        prompt);

    // $RV_TUNE_MACHINE names the machine (its folder) for this run only, in
    // place of the recorded one; nothing is written.
    const char* code = std::getenv("RV_TUNE_MACHINE");
    const bool machineForRun = code != nullptr && *code != '\0';
    if (machineForRun) {
        const std::string listPath = JoinPath(registry.installDirectory + "/", "MCN_LIST.DAT");
        const auto entry = FindMachineByFolder(ReadMachineList(listPath), code);
        if (!entry) {
            prompt.Message(std::string("RV_TUNE_MACHINE: no machine \"") + code + "\" in " + listPath + ".",
                           text::kProgramTitle, PromptIcon::kStop);
            exitCode = 2;
            return false;
        }
        registry.machineName = entry->title;
        registry.machineFolder = registry.initializeFolder = registry.settingFolder = entry->folder;
        registry.readEcuNum = entry->readCount;
    }

    // No machine recorded: choose one. A recorded machine whose settings
    // file or definition is gone (uninstalled, or a machine the list names
    // but that was not installed) is chosen again too, once: the choice
    // starts afresh, and only what the user picks is written.
    if (!registry.HasMachine()) {
        if (!SelectMachine(host, "No target machine is recorded in " + registry_->Path() + ".")) return false;
    } else if (!machineForRun) {
        const std::string missing = MissingMachineFile();
        if (!missing.empty()) {
            const std::string why = missing + "\nThe machine \"" + registry.machineName + "\" recorded in " +
                                    registry_->Path() + " is not installed in " + registry.installDirectory + ".";
            registry.machineName.clear();
            registry.machineFolder.clear();
            registry.initializeFolder.clear();
            registry.settingFolder.clear();
            if (!SelectMachine(host, why)) return false;
        }
    }

    // The settings file, named after the executable.
    // Joined as written: an empty install directory names the root folder,
    // never the working folder, so empty registry values find nothing.
    std::string folder = JoinPath(registry.installDirectory + "/", registry.initializeFolder);
    std::string found = FindFileNoCase(folder, exeName, ".INI");
    if (found.empty()) {
        prompt.Message(FormatText(text::kSettingsMissing, exeName.c_str()), text::kProgramTitle, PromptIcon::kStop);
        exitCode = 0;
        return false;
    }

    // Settings path and command line.
    settingsFilePath = found;
    tempDefinitionPath.clear();
    firstPart.clear();
    secondPart.clear();
    openAtStart.clear();
    // Two arguments are the two file names as given: a path may hold blanks,
    // quotes or "$". One argument is one file name, blanks and all: split at
    // the blank, a double-clicked "x.qsd copy.qsd" would export x.qsd into
    // "copy.qsd" of the working folder. Any other command line is split at
    // its first blank.
    std::size_t blank = commandLine.find(' ');
    if (arguments.size() == 2) {
        firstPart = arguments[0];
        secondPart = arguments[1];
    } else if (arguments.size() == 1) {
        openAtStart = arguments[0];
    } else if (!commandLine.empty() && blank != std::string::npos) {
        firstPart = commandLine.substr(0, blank);
        secondPart = commandLine.substr(blank + 1);
    }

    // The image, zero-filled, allocated once for the whole run.
    if (!AllocateImage()) {
        prompt.Message("Not enough memory for the ECU image.", text::kProgramTitle,
                       PromptIcon::kStop);
        exitCode = 1;
        return false;
    }

    // The settings file.
    ReadProgramSettings(ProfileFile(settingsFilePath));

    // 9, 10. Command sets.
    FillCommandSets();
    commandSetSelector = kCommandSetB;
    openState = kOpenNone;

    // The machine definition; it reports its own failures.
    if (!LoadDefinition(registry, exeName, tempDefinitionPath, definitionLines, prompt)) {
        exitCode = 0;
        return false;
    }

    // 12-15. Document template and the hidden main frame.
    if (!host.CreateMainFrame(*this)) {
        exitCode = 1;
        return false;
    }
    if (!firstPart.empty() || !secondPart.empty()) host.PostBatchConversion(*this);
    return true;
}

int CQelApp::ExitInstance() {
    FreeImage();
    if (!tempDefinitionPath.empty() && FileExists(tempDefinitionPath))
        std::remove(tempDefinitionPath.c_str());
    return exitCode;
}
