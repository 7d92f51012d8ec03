#pragma once
// ecusim --ride: the engine of a bike on a ride that loops about once a
// minute: idle, a pull through the gears, a cruise, the throttle closed,
// back to idle. A pure function of the simulator's clock, so a value can be
// checked for any moment.
#include <cstdint>

struct RideState {
    double rpm = 0;
    double throttlePercent = 0;
    int gear = 0;                 // 0: neutral
    double speedKmh = 0;
    double coolantC = 0;
    double intakeC = 0;
    double batteryV = 0;
    double injectionMs = 0;
    double advanceDeg = 0;
    double o2V = 0;
};

constexpr double kRideLoopSeconds = 60.0;

// The state seconds after the simulator started. The loop repeats; the
// coolant keeps warming over the first loops.
RideState RideAt(double seconds);

// The raw answer of a monitor request in the ride, scaled as the machines'
// definitions scale their items: 01 engine speed (rpm), 02 throttle (0.5 %),
// 03 coolant and 04 intake air (degC + 40), 05 battery (0.1 V), 06
// injection time (0.004 ms), 07 ignition advance (0.5 deg from -10), 08
// gear, 09 speed (km/h), 0A O2 sensor (0.005 V). false for any other
// request. The value fits the answer's length (1 or 2 bytes).
bool RideRaw(std::uint8_t request, int length, double seconds, unsigned& raw);
