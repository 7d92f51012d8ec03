#pragma once
// The ECU commands in the windows: Data Exchange with its safe write, the
// Logbook, the monitor (its window, Start, Stop, the item set and the list
// kept in the settings file) and the RS232C parameters. The line itself
// (port, pump, link timer, session, monitor) is the frame's for the whole
// run; this controller takes the parts it uses.
#include <memory>
#include <string>

#include "ecu/DataExchange.h"

class BlockWriteStop;
class CMonitorWnd;
class DatalogRecorder;
class QTimer;
class DataExchange;
class EcuDialogs;
class EcuSession;
class Logbook;
class Monitor;
class QWidget;
class RegistryStore;
class SafeWrite;
struct Calibration;
struct LogEntry;
struct MachineConfig;
struct UserPrompt;

// What the ECU commands ask of the frame around them.
struct EcuWindows {
    virtual ~EcuWindows() = default;
    // The progress window's phase line ("" clears it).
    virtual void SetPhase(const std::string& phase) = 0;
    // Every view of the document redraws from the image.
    virtual void RefreshViews() = 0;
    virtual void UpdateCommandUi() = 0;
    // The main window closes once the command running now is over.
    virtual void RequestClose() = 0;
    // The Logbook window's Restore (into the ECU) and Open (into the edited
    // calibration) of an entry; true when the work was done.
    virtual bool RestoreEntry(Logbook& book, const LogEntry& entry) = 0;
    virtual bool OpenEntry(const LogEntry& entry) = 0;
    // The frame's keys (Ctrl+Z, Ctrl+Y, F1, ...) also reach it from window.
    virtual void ShareFrameKeys(QWidget* window) = 0;
};

// The parts of the program the ECU commands use.
struct EcuParts {
    Calibration& calibration;
    MachineConfig& machine;
    RegistryStore& registryStore;
    const std::string& settingsFilePath;   // the machine's settings file
    const std::string& defaultFolder;      // where the file dialogs start
    EcuSession& session;
    Monitor& monitor;
    BlockWriteStop& writeStop;
};

class EcuController {
public:
    EcuController(const EcuParts& parts, EcuWindows& windows, EcuDialogs& dialogs, UserPrompt& prompt,
                  QWidget* parent);
    ~EcuController();

    // Set > Data Exchange...
    void Exchange();
    // A safe write for an exchange, with the window's questions, the
    // progress window's phases and the stop a close during it may ask for.
    std::unique_ptr<SafeWrite> MakeSafeWrite(Logbook& book, DataExchange& exchange);
    // Set > Logbook...
    void ShowLogbook();

    // Monitor > Monitor... (and its key and button): the window shown, or
    // closed when it is shown.
    void ToggleMonitor();
    void StartMonitor();
    void StopMonitor();
    // Window > Monitor Dialog.
    void MonitorToFront();
    // Monitor > Record (and the window's Record button): a new log in the
    // machine's LOGS folder with the values of the monitor's list at line
    // speed, or the recording ended.
    void ToggleRecord();
    bool Recording() const;
    // The monitor window's status line.
    const std::string& RecordStatus() const { return recordStatus_; }
    // Monitor > Item set...
    void ItemSet();
    // Set > RS232C...
    void Rs232c();

    CMonitorWnd* MonitorWindow() const { return monitorWnd_; }
    bool MonitorWindowShown() const;
    // Given to the exchange window's verify (the frame sets it).
    DifferenceListing differenceListing;
    // The monitor window's values after a command.
    void RefreshMonitorWindow();
    // The monitor's list from the settings file after a data file load, and
    // back into it when the calibration goes.
    void LoadMonitorItems();
    void SaveMonitorItems();
    // The calibration goes: its list kept, the window closed (hidden when
    // the program ends) and the polling stopped.
    void EndMonitor(bool programEnds);

private:
    EcuParts parts_;
    EcuWindows& windows_;
    EcuDialogs& dialogs_;
    UserPrompt& prompt_;
    QWidget* parent_;
    void StartRecord();
    // The recording is over (asked, or ended by the monitor or the file):
    // the log is closed, or removed when no item ever answered.
    void FinishRecord(bool writeFailed);
    void ShowRecordStatus(const std::string& text);
    void RecordSteps();

    CMonitorWnd* monitorWnd_ = nullptr;
    std::unique_ptr<DatalogRecorder> recorder_;
    QTimer* recordTimer_ = nullptr;
    std::string recordStatus_;
};
