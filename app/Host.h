#pragma once
// What start-up needs from the program that runs it. The Qt shell shows the
// Machine Select dialog and a real main frame; the headless host serves batch
// conversion, rvtune and the tests, where nobody can answer a dialog.
#include "platform/UserPrompt.h"

class CQelApp;

enum class MachineSelectResult {
    kClosed,        // OK or Cancel: the dialog closed, start-up goes on
    kExitProcess,   // the user gave up: end the program with exit code 0
    kUnavailable,   // no dialog can be shown here (headless)
};

struct Host {
    virtual ~Host() = default;
    virtual UserPrompt& Prompt() = 0;
    // Runs the Machine Select dialog modally.
    virtual MachineSelectResult RunMachineSelect(CQelApp& app) = 0;
    // Creates the document template and the main frame, hidden, with the
    // machine name on its dialog bar; false when the frame cannot be created.
    virtual bool CreateMainFrame(CQelApp& app) = 0;
    // Queues the batch conversion: it runs once start-up has finished.
    virtual void PostBatchConversion(CQelApp& app) = 0;
};
