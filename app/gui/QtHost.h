#pragma once
// The host of the windowed program: real dialogs and the main frame.
#include <memory>

#include "app/Host.h"
#include "app/gui/QtUserPrompt.h"

class CMainFrame;

class QtHost : public Host {
public:
    QtHost();
    ~QtHost() override;

    UserPrompt& Prompt() override { return prompt_; }
    MachineSelectResult RunMachineSelect(CQelApp& app) override;
    bool CreateMainFrame(CQelApp& app) override;
    void PostBatchConversion(CQelApp& app) override;

    CMainFrame* mainFrame() const { return frame_.get(); }
    bool batchPosted = false;

private:
    QtUserPrompt prompt_;
    std::unique_ptr<CMainFrame> frame_;
};
