#pragma once
// Waiting without stopping the world: every wait on the serial port
// dispatches pending events between one-byte reads, so the 100 ms link timer
// keeps ticking (it moves the silence countdown and the monitor). The Qt
// pump processes window events; the headless pump below fires the link timer
// off a steady clock.
#include <chrono>
#include <functional>

struct EventPump {
    virtual ~EventPump() = default;
    // Waits briefly for one pending event and handles it.
    virtual void DispatchOne() = 0;
    // Handles every event that is already pending, without waiting.
    virtual void DispatchAll() = 0;
};

// The 100 ms link timer of the serial link (timer 1 of the main frame). The
// link starts it when it opens the port for a continuous activity and stops it
// when it closes the port; the owner calls the link's OnTick on every tick.
struct LinkTimer {
    static constexpr int kPeriodMs = 100;
    virtual ~LinkTimer() = default;
    virtual void StartLinkTimer() = 0;
    virtual void StopLinkTimer() = 0;
    virtual bool LinkTimerRunning() const = 0;
};

// For rvtune and the other programs without windows: there are no events,
// only the link timer. DispatchOne sleeps a few milliseconds; both dispatch
// calls fire onTick when a period has passed since the last tick.
class HeadlessEventPump : public EventPump, public LinkTimer {
public:
    static constexpr int kSleepMs = 2;

    std::function<void()> onTick;

    void DispatchOne() override;
    void DispatchAll() override;
    void StartLinkTimer() override;
    void StopLinkTimer() override { running_ = false; }
    bool LinkTimerRunning() const override { return running_; }

private:
    void FireWhenDue();

    bool running_ = false;
    bool firing_ = false;
    std::chrono::steady_clock::time_point nextTick_{};
};
