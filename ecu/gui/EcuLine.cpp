#include "ecu/gui/EcuLine.h"

#include "ecu/EcuSession.h"
#include "ecu/Monitor.h"
#include "ecu/gui/ProgressWnd.h"
#include "model/Calibration.h"
#include "platform/SerialPort.h"

EcuLine::EcuLine(Calibration& calibration, MachineConfig& machine, const RegistryStore& registry, UserPrompt& prompt,
                 QWidget* owner)
    : port_(std::make_unique<PosixSerialPort>(&registry)),
      progress_(new CProgressWnd(owner)),
      session_(std::make_unique<EcuSession>(machine, calibration.definitionLines, *port_, pump_, linkTimer_, prompt,
                                            *progress_)),
      writeStop_(prompt) {
    linkTimer_.onTick = [this] { session_->OnTick(); };
    monitor_ = std::make_unique<Monitor>(calibration.diagItems, session_->Link(), session_->Protocol(), prompt);
    // A single write runs inside the command of a window; keys and clicks
    // that could close that window wait until it is over.
    session_->onWriteRunning = [this](bool running) {
        if (running) {
            inputHeldBeforeWrite_ = pump_.holdUserInput;
            pump_.holdUserInput = true;
            return;
        }
        pump_.holdUserInput = inputHeldBeforeWrite_;
        if (closeAfterWrite_) {
            closeAfterWrite_ = false;
            if (onCloseAfterWrite) onCloseAfterWrite();
        }
    };
}

EcuLine::~EcuLine() = default;

bool EcuLine::HoldClose() {
    if (session_->WriteRunning()) {
        closeAfterWrite_ = true;
        return true;
    }
    if (writeStop_.WriteRunning()) {
        writeStop_.HoldClose(BlockWriteStop::kFrame);
        return true;
    }
    return false;
}

void EcuLine::End() {
    monitor_.reset();
    session_->ClosePort();
    linkTimer_.onTick = nullptr;
}
