#include "stored/row_energy.h"

#include "stored/power_row_reader.h"

namespace {

// Value positions in the row.
constexpr int kKWh1 = 5, kKWh1P = 6, kKWh2 = 7, kKWh2P = 8;

ChannelEnergy channelStep(double absBefore, double polBefore, double absAfter, double polAfter)
{
    const double abs = absAfter - absBefore, pol = polAfter - polBefore;
    if (abs < 0 || pol < 0)
        return {};
    return {abs - pol, pol};
}

} // namespace

RowTotals RowTotals::of(const PowerRowReader &row)
{
    RowTotals t;
    t.known = !row.isNull(kKWh1) && !row.isNull(kKWh1P) && !row.isNull(kKWh2) && !row.isNull(kKWh2P);
    if (t.known) {
        t.abs1 = row.value(kKWh1);
        t.pol1 = row.value(kKWh1P);
        t.abs2 = row.value(kKWh2);
        t.pol2 = row.value(kKWh2P);
    }
    return t;
}

RowEnergy RowEnergy::between(const RowTotals &earlier, const RowTotals &later)
{
    if (!earlier.known || !later.known)
        return {};
    return {channelStep(earlier.abs1, earlier.pol1, later.abs1, later.pol1),
            channelStep(earlier.abs2, earlier.pol2, later.abs2, later.pol2)};
}

RowEnergy RowEnergyTracker::step(const RowTotals &totals)
{
    const RowEnergy energy = RowEnergy::between(m_last, totals);
    if (totals.known)
        m_last = totals;
    return energy;
}
