#pragma once
// The windowed program's event pump and link timer. A wait on the serial
// port dispatches pending Qt events between one-byte reads, so windows keep
// painting and the 100 ms link timer keeps ticking (it moves the silence
// countdown and runs the monitor's poll step).
#include <QTimer>
#include <functional>

#include "platform/EventPump.h"

class QtEventPump : public EventPump {
public:
    // An idle dispatch waits this long before the next read, so that a wait
    // loop on a quiet line does not spin.
    static constexpr int kIdleSleepMs = 2;

    // Handles what is pending; with nothing pending, pauses a moment.
    void DispatchOne() override;
    // Handles what is pending, without waiting.
    void DispatchAll() override;

    // While set, keys and mouse clicks stay queued until the waits are over
    // (they are delivered afterwards, not dropped). Painting and timers go on.
    bool holdUserInput = false;

private:
    int Flags() const;
};

// Timer 1 of the main frame: one tick every 100 ms while it runs. A tick
// whose handler waits on the port (and so dispatches events) is not entered
// again by the next tick; that tick simply comes later.
class QtLinkTimer : public LinkTimer {
public:
    QtLinkTimer();

    std::function<void()> onTick;

    void StartLinkTimer() override;
    void StopLinkTimer() override;
    bool LinkTimerRunning() const override { return timer_.isActive(); }

    // Ticks handled since construction.
    long TickCount() const { return ticks_; }

private:
    void Fire();

    QTimer timer_;
    bool firing_ = false;
    long ticks_ = 0;
};
