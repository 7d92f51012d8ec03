#include "ecu/gui/BlockWriteStop.h"

#include "ecu/SafeWrite.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

BlockWriteStop::Running::Running(BlockWriteStop& stop) : stop_(stop) { ++stop_.running_; }

BlockWriteStop::Running::~Running() {
    if (--stop_.running_ > 0) return;
    stop_.closing_ |= stop_.held_;
    stop_.held_ = 0;
}

void BlockWriteStop::Attach(SafeWrite& write) {
    write.stopRequested = [this] { return StopHere(); };
}

int BlockWriteStop::TakeClosing() {
    const int closing = closing_;
    closing_ = 0;
    return closing;
}

bool BlockWriteStop::StopHere() {
    if (held_ == 0) return false;
    const int closers = held_;
    held_ = 0;
    // Asked once per close: the answer is spent whichever it is, so the
    // backup written back after a stop is not stopped by the same yes.
    if (prompt_.Ask(StopWriteQuestion(), Str(str::kCaptionWriteToEcu), PromptButtons::kYesNo, PromptIcon::kQuestion,
                    PromptAnswer::kNo) != PromptAnswer::kYes)
        return false;
    closing_ |= closers;
    return true;
}

std::string StopWriteQuestion() {
    return "A write to the ECU is running.\nStop it before the next record and close the window?\n\n"
           "The ECU may then hold part of the new data; a backup read before the write is offered back.";
}
