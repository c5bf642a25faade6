#pragma once

#include "realtime/realtime_sample.h"

// The sample read as a solar installation: CH1 the inverter, CH2 the grid
// connection. The listing's renewable rows, the options window's totals and
// the MQTT state all carry these, so they cannot drift apart.
struct RenewableFigures
{
    double solarW = 0;      // CH1 power
    double gridW = 0;       // CH2 net power: negative while sending to the grid
    double loadW = 0;
    double solarKWh = 0;    // CH1 energy
    double fromGridKWh = 0;
    double toGridKWh = 0;   // CH2 energy fed back
    // What the loads used: from the grid plus generated, less what was sent
    // back (that share of the generated energy never reached a load).
    double consumedKWh = 0;

    static RenewableFigures of(const RealtimeSample &s)
    {
        const double fromGrid = s.KWh2 - s.KWh2P;
        return {s.p1, s.PP2, s.p1 + s.PP2, s.KWh1, fromGrid, s.KWh2P, fromGrid + s.KWh1 - s.KWh2P};
    }
};
