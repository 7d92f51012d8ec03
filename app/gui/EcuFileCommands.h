#pragma once
// File > Read from ECU... and File > Write to ECU...: the whole calibration
// to and from the ECU in one step, beside the Data Exchange window, over the
// same exchange core, logbook and safe write.
#include <string>

class CalibrationController;
class CMainFrame;
class CQelApp;
struct UserPrompt;

class EcuFileCommands {
public:
    EcuFileCommands(CQelApp& app, CMainFrame& frame, CalibrationController& life, UserPrompt& prompt);

    // The ECU's data read and opened on the machine's standard data file,
    // changed and without a file of its own, so that a save asks where. A
    // read that fails or does not hold the calibration's data leaves the
    // open calibration as it was. true when the calibration was opened.
    bool ReadFromEcu();
    // The edited calibration sent through the safe write (backup, write,
    // read back and compare). true only when the ECU holds it.
    bool WriteToEcu();

private:
    void Report(const std::string& text, bool ok);

    CQelApp& app_;
    CMainFrame& frame_;
    CalibrationController& life_;
    UserPrompt& prompt_;
};
