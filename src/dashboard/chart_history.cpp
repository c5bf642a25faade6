#include "dashboard/chart_history.h"

#include <algorithm>
#include <limits>

void ChartHistory::shiftAndAppend(const Values &latest)
{
    for (int c = 0; c < ChartCount; ++c) {
        auto &v = m_values[c];
        m_shiftedOut[c] = v[0];
        std::copy(v.begin() + 1, v.begin() + kPointCount + 1, v.begin());
        const auto [lo, hi] = std::minmax_element(v.begin(), v.begin() + kPointCount);
        // Power minima start from the largest value, so no power ever fails
        // to become the minimum; only the voltage keeps its 1000 V start.
        m_min[c] = std::min(*lo, c == Voltage ? 1000.0 : std::numeric_limits<double>::max());
        m_max[c] = std::max(*hi, 0.0);
        v[kPointCount] = latest[c];
    }
}

void ChartHistory::clear()
{
    *this = ChartHistory();
}
