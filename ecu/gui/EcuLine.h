#pragma once
// The line to the ECU of the windowed program, one for the whole run: the
// port ("COM<n>" through RV_TUNE_COM<n> or the registry), the Qt event pump
// its waits dispatch, timer 1 (the 100 ms link timer), the progress window,
// the session with its protocol and single writes, and the live monitor
// polled on the timer. The main frame holds one and shares its parts with
// the windows and dialogs that talk to the ECU.
#include <functional>
#include <memory>

#include "ecu/gui/BlockWriteStop.h"
#include "ecu/gui/QtEventPump.h"

class CProgressWnd;
class EcuSession;
class Monitor;
class PosixSerialPort;
class QWidget;
class RegistryStore;
struct Calibration;
struct MachineConfig;
struct UserPrompt;

class EcuLine {
public:
    // owner: the window the progress window belongs to.
    EcuLine(Calibration& calibration, MachineConfig& machine, const RegistryStore& registry, UserPrompt& prompt,
            QWidget* owner);
    ~EcuLine();
    EcuLine(const EcuLine&) = delete;
    EcuLine& operator=(const EcuLine&) = delete;

    EcuSession& Session() { return *session_; }
    CProgressWnd& ProgressWindow() { return *progress_; }
    Monitor& LiveMonitor() { return *monitor_; }
    QtEventPump& Pump() { return pump_; }
    QtLinkTimer& Timer() { return linkTimer_; }
    // The block write running in a window's command, for the closes during it.
    BlockWriteStop& WriteStop() { return writeStop_; }

    // A close of the main window asked while a write runs inside a window's
    // command: true when it has to wait. A single write's close is done by
    // onCloseAfterWrite once the write is over (keys and clicks are held
    // until then); a block write asks at its next record boundary.
    bool HoldClose();
    std::function<void()> onCloseAfterWrite;

    // The end of the run: the monitor goes (its window must be gone by
    // then), the port closes and the timer's ticks reach nothing more.
    void End();

private:
    QtEventPump pump_;
    QtLinkTimer linkTimer_;
    std::unique_ptr<PosixSerialPort> port_;
    CProgressWnd* progress_;
    std::unique_ptr<EcuSession> session_;
    std::unique_ptr<Monitor> monitor_;
    BlockWriteStop writeStop_;
    bool inputHeldBeforeWrite_ = false;
    bool closeAfterWrite_ = false;
};
