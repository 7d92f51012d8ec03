// ecusim --ride: over whole loops every item stays inside what its answer
// can carry and what a bike does, the loop goes idle, pull, cruise, closed
// throttle, idle, and comes round again after a minute.
#include "tools/ecusim/SimRide.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SimRide, EveryItemStaysInItsRangeOverTwoLoops) {
    struct Range {
        std::uint8_t request;
        int length;
        unsigned low, high;   // raw
    };
    const Range ranges[] = {
        {0x01, 2, 1100, 10000},   // rpm
        {0x02, 1, 0, 200},        // 0..100 %
        {0x03, 1, 100, 140},      // 60..100 degC
        {0x04, 1, 60, 80},        // 20..40 degC
        {0x05, 1, 120, 150},      // 12..15 V
        {0x06, 2, 0, 2500},       // 0..10 ms
        {0x07, 1, 20, 120},       // 0..50 deg
        {0x08, 1, 0, 6},
        {0x09, 1, 0, 200},        // km/h
        {0x0A, 1, 0, 200},        // 0..1 V
    };
    for (double t = 0; t < 2 * kRideLoopSeconds; t += 0.05) {
        for (const Range& r : ranges) {
            unsigned raw = 0;
            ASSERT_TRUE(RideRaw(r.request, r.length, t, raw));
            EXPECT_GE(raw, r.low) << "item " << int(r.request) << " at " << t;
            EXPECT_LE(raw, r.high) << "item " << int(r.request) << " at " << t;
        }
    }
    unsigned raw = 0;
    EXPECT_FALSE(RideRaw(0x0B, 1, 1, raw));
    ASSERT_TRUE(RideRaw(0x01, 1, 20, raw));   // a one-byte answer is held to a byte
    EXPECT_EQ(raw, 255u);
}

TEST(SimRide, TheLoopGoesIdlePullCruiseClosedIdleAndComesRound) {
    struct Moment {
        double t;
        int gear;
        double minThrottle, maxThrottle;
        double minRpm, maxRpm;
    };
    const Moment moments[] = {
        {3, 0, 0, 2, 1150, 1350},        // idle in neutral
        {9, 1, 80, 90, 2000, 9100},      // the pull: first gear
        {30, 5, 80, 90, 7000, 9100},     // ... fifth
        {40, 6, 15, 30, 5500, 7000},     // cruise
        {47.2, 5, 0, 0, 1400, 7000},     // throttle closed
        {57, 0, 0, 2, 1150, 1350},       // idle again
    };
    for (const Moment& m : moments) {
        const RideState s = RideAt(m.t);
        EXPECT_EQ(s.gear, m.gear) << m.t;
        EXPECT_GE(s.throttlePercent, m.minThrottle) << m.t;
        EXPECT_LE(s.throttlePercent, m.maxThrottle) << m.t;
        EXPECT_GE(s.rpm, m.minRpm) << m.t;
        EXPECT_LE(s.rpm, m.maxRpm) << m.t;
    }
    // The gears of the pull come in order, one at a time.
    int gear = 1;
    for (double t = 8; t < 33; t += 0.05) {
        const int now = RideAt(t).gear;
        EXPECT_TRUE(now == gear || now == gear + 1) << t;
        gear = now;
    }
    EXPECT_EQ(gear, 5);
    // The next loop rides the same, but for the engine warming up.
    const RideState first = RideAt(20), second = RideAt(20 + kRideLoopSeconds);
    EXPECT_EQ(first.rpm, second.rpm);
    EXPECT_EQ(first.gear, second.gear);
    EXPECT_LT(first.coolantC, second.coolantC);
}

}  // namespace
