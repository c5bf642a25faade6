#pragma once

#include <cstdint>

// The latest accepted packet's derived values, overwritten in place for each
// sample. Every consumer (database, listing, dashboard, portal) reads it.
struct RealtimeSample
{
    double Volt = 0;                              // V
    double E1A = 0, E2A = 0, E1AP = 0, E2AP = 0;  // counters of the latest packet, W·s
    double E1B = 0, E2B = 0, E1BP = 0, E2BP = 0;  // counters of the previous packet, W·s
    double PreResetVal1 = 0, PreResetVal2 = 0;    // energy carried across monitor resets, W·s
    double PreResetValP1 = 0, PreResetValP2 = 0;
    double p1 = 0, p2 = 0;                        // channel power, W (whole numbers)
    double PP1 = 0, PP2 = 0;                      // net power, W
    double KWh1 = 0, KWh1P = 0, KWh2 = 0, KWh2P = 0;
    float Amp1 = 0, Amp2 = 0;                     // A
    int32_t deviceAddress = 0;
    int32_t secondsCounter = 0;                   // persisted as QMNCounter
    int32_t lastSecondsCounter = 0;
    int32_t deltaSeconds = 0;
    double QMNresetCount = 0;                     // last reset counter seen (0-7)
    // The reset counter moved: the monitor's energy counters started again
    // from zero, so the next power is measured from zero, not from E1B..E2BP.
    bool countersRestarted = false;
    int nearWrapFlag = 0;

    // Running sums for the portal upload, W·s.
    double ch1Total() const { return E1A + PreResetVal1; }
    double ch2Total() const { return E2A + PreResetVal2; }
};
