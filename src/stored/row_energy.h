#pragma once

class PowerRowReader;

// The energy totals a row carries, kWh: KWh1, KWh1P, KWh2, KWh2P.
struct RowTotals
{
    double abs1 = 0, pol1 = 0, abs2 = 0, pol2 = 0;
    bool known = false; // all four are stored

    static RowTotals of(const PowerRowReader &row);
};

// What a channel used and fed back between two rows, kWh.
struct ChannelEnergy
{
    double used = 0, fed = 0;
};

// The energy between two consecutive rows, which belongs to the later row's
// interval. The absolute total counts both directions and the polarized one
// only the energy fed back, so what was used is their difference. A total
// that goes back (the monitor reset, the pre-reset values cleared, another
// file put in place) adds nothing to its channel: nothing is subtracted and
// nothing is invented for the step.
struct RowEnergy
{
    ChannelEnergy ch1, ch2;

    static RowEnergy between(const RowTotals &earlier, const RowTotals &later);
};

// Follows the rows in their stored order and hands out each step's energy.
class RowEnergyTracker
{
public:
    // A row read before the range, whose totals the first step starts from.
    void start(const RowTotals &totals) { m_last = totals; }
    // The energy from the previous row with known totals to this one.
    RowEnergy step(const RowTotals &totals);

private:
    RowTotals m_last;
};
