#pragma once

#include "history/hour_figures.h"
#include "stored/local_time_stamp.h"
#include "stored/row_energy.h"

#include <functional>
#include <optional>

struct PowerPoint;

// Sums stored rows, in their stored order, into hours. The energy between
// two rows is RowEnergy's, and belongs to the later row's hour, as the daily
// export counts it; so a day of hours is that day of the export. Where the
// rows stop for longer than kGapSeconds both hours at the edges of the gap
// are marked, and the step across it stays whole in the later row's hour:
// nothing is spread over hours without rows.
class HourAccumulator
{
public:
    static constexpr qint64 kGapSeconds = 300;

    // Where a later reading carries on: the last row's totals, time and
    // offset, and the hour it was in.
    struct State
    {
        RowTotals totals;
        qint64 lastUtc = 0;
        bool hasLast = false;
        std::string lastTime;
        long lastOffset = 0;
        std::optional<HourFigures> open;
    };

    explicit HourAccumulator(std::function<void(const HourFigures &)> finished) : m_finished(std::move(finished)) {}

    void resume(const State &state);
    void add(const PowerPoint &row);
    // Hands out the hour being filled, which later rows may still change.
    void flushOpen();
    const State &state() const { return m_state; }

private:
    std::function<void(const HourFigures &)> m_finished;
    LocalTimeStamp m_stamp;
    RowEnergyTracker m_energy;
    State m_state;
    std::string m_scratch;
    std::string m_minute; // "YYYY-MM-DD HH:MM" of m_offset
    long m_offset = 0;
    bool m_valid = false;
};
