#pragma once
// The commands that run one dialog over the calibration or the machine's
// settings and return: Constants list, Title, Directory, MachineSelect,
// Tool box and About.
#include <functional>
#include <vector>

#include "ecu/EcuSession.h"

class CQelApp;
class FrameDialogs;
class QWidget;
struct UserPrompt;

class DialogCommands {
public:
    // writeToEcu: the single writes of the constants list's Shift+Enter;
    // refreshActive: the active window repainted from the image.
    DialogCommands(CQelApp& app, FrameDialogs& dialogs, UserPrompt& prompt, QWidget* parent,
                   std::function<int(const std::vector<EcuByteWrite>&)> writeToEcu,
                   std::function<void()> refreshActive);

    // Set > Constants list... (and the Menu dialog's button).
    void ConstantsList();
    // Set > Title...
    void Titles();
    void Directory();
    void MachineSelect();
    void ToolBox();
    void About();

private:
    CQelApp& app_;
    FrameDialogs& dialogs_;
    UserPrompt& prompt_;
    QWidget* parent_;
    std::function<int(const std::vector<EcuByteWrite>&)> writeToEcu_;
    std::function<void()> refreshActive_;
};
