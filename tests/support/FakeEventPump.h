#pragma once
// An event pump and link timer for tests: each DispatchOne() is one 100 ms
// link-timer tick (onDispatch usually calls SerialLink::OnTick), so waits are
// bounded by ticks, never by wall time. DispatchAll() handles nothing.
//
// A wait whose countdown never ends would spin here for ever; past tickCap
// ticks (far beyond any wait of the protocol) the pump fails the test and
// throws, so GoogleTest reports it and goes on with the next test.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "platform/EventPump.h"

class FakeEventPump : public EventPump, public LinkTimer {
public:
    int dispatchCount = 0;
    int dispatchAllCount = 0;
    std::function<void()> onDispatch;
    bool running = false;
    int startCount = 0;
    int stopCount = 0;
    int tickCap = 100000;   // 10 000 s of link time

    void DispatchOne() override {
        if (++dispatchCount > tickCap) {
            ADD_FAILURE() << "a wait went on past " << tickCap << " link-timer ticks";
            throw std::runtime_error("tick cap reached");
        }
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
