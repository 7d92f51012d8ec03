#pragma once
// An event pump and link timer for tests: each DispatchOne() is one 100 ms
// link-timer tick (onDispatch usually calls SerialLink::OnTick), so waits are
// bounded by ticks, never by wall time. DispatchAll() handles nothing.
#include <functional>

#include "platform/EventPump.h"

class FakeEventPump : public EventPump, public LinkTimer {
public:
    int dispatchCount = 0;
    int dispatchAllCount = 0;
    std::function<void()> onDispatch;
    bool running = false;
    int startCount = 0;
    int stopCount = 0;

    void DispatchOne() override {
        ++dispatchCount;
        if (onDispatch) onDispatch();
    }
    void DispatchAll() override { ++dispatchAllCount; }
    void StartLinkTimer() override {
        running = true;
        ++startCount;
    }
    void StopLinkTimer() override {
        running = false;
        ++stopCount;
    }
    bool LinkTimerRunning() const override { return running; }
};
