#include "platform/EventPump.h"

#include <thread>

void HeadlessEventPump::StartLinkTimer() {
    // Starting a running timer restarts its period, as a window timer does.
    running_ = true;
    nextTick_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPeriodMs);
}

void HeadlessEventPump::DispatchOne() {
    std::this_thread::sleep_for(std::chrono::milliseconds(kSleepMs));
    FireWhenDue();
}

void HeadlessEventPump::DispatchAll() { FireWhenDue(); }

void HeadlessEventPump::FireWhenDue() {
    // A tick's handler may wait on the port and dispatch again; like a window
    // timer, the timer does not fire again inside its own handler.
    if (!running_ || firing_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextTick_) return;
    // Keep the average period; after a long stall start afresh rather than
    // firing a burst of ticks to catch up.
    nextTick_ += std::chrono::milliseconds(kPeriodMs);
    if (nextTick_ <= now) nextTick_ = now + std::chrono::milliseconds(kPeriodMs);
    firing_ = true;
    if (onTick) onTick();
    firing_ = false;
}
