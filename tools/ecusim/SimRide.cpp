#include "tools/ecusim/SimRide.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The loop's phases, in seconds from its start.
constexpr double kPullStart = 8.0;
constexpr double kCruiseStart = 33.0;
constexpr double kCloseStart = 47.0;
constexpr double kIdleStart = 53.0;

constexpr double kIdleRpm = 1250.0;
// km/h per 1000 rpm in each gear (index 0 unused), and the speed at which
// the pull shifts out of each gear (9000 rpm).
constexpr double kGearRatio[] = {0, 7.5, 10.0, 12.5, 14.5, 16.5, 18.0};
constexpr double kShiftRpm = 9000.0;
// The pull: speed approaches kPullTop with a time constant of kPullTau.
constexpr double kPullTop = 150.0;
constexpr double kPullTau = 9.0;
constexpr double kCruiseKmh = 110.0;

double PullSpeed(double inPull) { return kPullTop * (1.0 - std::exp(-inPull / kPullTau)); }

// The time into the pull at which it reaches speed.
double PullTimeAt(double speed) { return -kPullTau * std::log(1.0 - speed / kPullTop); }

// The gear a rider holds at speed when slowing down.
int GearForSlowing(double speed) {
    if (speed < 3) return 0;
    if (speed < 25) return 1;
    if (speed < 45) return 2;
    if (speed < 65) return 3;
    if (speed < 85) return 4;
    return 5;
}

double Wobble(double seconds, double period) { return std::sin(2.0 * kPi * seconds / period); }

unsigned Raw(double value, double factor, double offset, int length) {
    const double raw = std::round((value - offset) / factor);
    const double top = length == 2 ? 65535.0 : 255.0;
    return static_cast<unsigned>(std::clamp(raw, 0.0, top));
}

}  // namespace

RideState RideAt(double seconds) {
    seconds = std::max(0.0, seconds);
    const double t = std::fmod(seconds, kRideLoopSeconds);
    RideState state;
    if (t < kPullStart || t >= kIdleStart) {
        // Idle in neutral; the bike rolls to a stop after the closed throttle.
        const double speedAtIdle = kCruiseKmh * std::exp(-(kIdleStart - kCloseStart) / 3.0);
        state.speedKmh = t >= kIdleStart ? speedAtIdle * std::exp(-(t - kIdleStart) / 0.8) : 0.0;
        state.gear = 0;
        state.throttlePercent = 1.0;
        state.rpm = kIdleRpm + 40.0 * Wobble(t, 1.3);
    } else if (t < kCruiseStart) {
        const double inPull = t - kPullStart;
        state.speedKmh = PullSpeed(inPull);
        int gear = 1;
        while (gear < 5 && state.speedKmh >= kShiftRpm * kGearRatio[gear] / 1000.0) ++gear;
        state.gear = gear;
        state.rpm = std::max(state.speedKmh * 1000.0 / kGearRatio[gear], 2200.0);
        state.throttlePercent = 85.0;
        // A quarter of a second off the throttle at each shift.
        if (gear > 1 && inPull - PullTimeAt(kShiftRpm * kGearRatio[gear - 1] / 1000.0) < 0.25)
            state.throttlePercent = 15.0;
    } else if (t < kCloseStart) {
        const double atCruise = PullSpeed(kCruiseStart - kPullStart);
        state.speedKmh = kCruiseKmh + (atCruise - kCruiseKmh) * std::exp(-(t - kCruiseStart) / 2.0);
        state.gear = 6;
        state.rpm = state.speedKmh * 1000.0 / kGearRatio[6];
        state.throttlePercent = 22.0 + 3.0 * Wobble(t, 4.0);
    } else {
        state.speedKmh = kCruiseKmh * std::exp(-(t - kCloseStart) / 3.0);
        state.gear = std::max(1, GearForSlowing(state.speedKmh));
        state.rpm = std::max(state.speedKmh * 1000.0 / kGearRatio[state.gear], kIdleRpm + 150.0);
        state.throttlePercent = 0.0;
    }

    const double load = state.throttlePercent / 100.0;
    state.coolantC = 70.0 + 22.0 * (1.0 - std::exp(-seconds / 120.0)) + 3.0 * load;
    state.intakeC = 30.0 - 4.0 * state.speedKmh / 160.0 + 0.5 * Wobble(seconds, 17.0);
    state.batteryV = state.rpm < 1500.0 ? 13.2 : 14.1 + 0.1 * Wobble(seconds, 7.0);
    const bool fuelCut = state.throttlePercent == 0.0 && state.rpm > 2000.0;
    state.injectionMs = fuelCut ? 0.0 : 1.4 + 6.6 * load * (0.6 + 0.4 * state.rpm / 10000.0);
    state.advanceDeg = 8.0 + 27.0 * state.rpm / 10000.0 * (1.0 - 0.4 * load);
    if (fuelCut) state.o2V = 0.05;
    else if (load > 0.7) state.o2V = 0.85;
    else state.o2V = 0.45 + 0.4 * Wobble(seconds, 0.6);
    return state;
}

bool RideRaw(std::uint8_t request, int length, double seconds, unsigned& raw) {
    const RideState s = RideAt(seconds);
    switch (request) {
    case 0x01: raw = Raw(s.rpm, 1, 0, length); return true;
    case 0x02: raw = Raw(s.throttlePercent, 0.5, 0, length); return true;
    case 0x03: raw = Raw(s.coolantC, 1, -40, length); return true;
    case 0x04: raw = Raw(s.intakeC, 1, -40, length); return true;
    case 0x05: raw = Raw(s.batteryV, 0.1, 0, length); return true;
    case 0x06: raw = Raw(s.injectionMs, 0.004, 0, length); return true;
    case 0x07: raw = Raw(s.advanceDeg, 0.5, -10, length); return true;
    case 0x08: raw = Raw(s.gear, 1, 0, length); return true;
    case 0x09: raw = Raw(s.speedKmh, 1, 0, length); return true;
    case 0x0A: raw = Raw(s.o2V, 0.005, 0, length); return true;
    default: return false;
    }
}
