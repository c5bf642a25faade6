#pragma once

#include <cstdint>

// Running figures of one summary interval (a minute, five minutes, an hour,
// a day). Sums and extremes are 64-bit and the voltage sum a double, so a
// day of one-second samples at any power the monitor can report fits.
struct IntervalStats
{
    int64_t ch1MaxW = 0;      // 0 = none yet
    int64_t ch1MinW = 0;      // 0 = not seeded
    int64_t ch1SumW = 0;
    int64_t ch2MaxW = 0;
    int64_t ch2MinW = 0;
    int64_t ch2SumW = 0;
    double ch1StartKwh = 0.0; // 0.0 = not seeded
    double ch2StartKwh = 0.0;
    double voltSum = 0.0;
    int64_t sampleCount = 0;
    bool closePending = false;
};
