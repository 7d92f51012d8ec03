#pragma once
// The host for runs without a display: batch conversion, rvtune and tests.
// Messages go to stderr; there is no dialog to choose a machine with, so a
// missing machine is a configuration error.
#include "app/Host.h"

class HeadlessHost : public Host {
public:
    HeadlessHost() = default;
    explicit HeadlessHost(UserPrompt& prompt) : prompt_(&prompt) {}

    UserPrompt& Prompt() override { return prompt_ ? *prompt_ : stderrPrompt_; }
    MachineSelectResult RunMachineSelect(CQelApp&) override {
        return MachineSelectResult::kUnavailable;
    }
    bool CreateMainFrame(CQelApp&) override { return true; }
    void PostBatchConversion(CQelApp&) override { batchPosted = true; }

    bool batchPosted = false;

private:
    UserPrompt* prompt_ = nullptr;
    HeadlessPrompt stderrPrompt_;
};
