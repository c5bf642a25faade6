#include "history/hour_accumulator.h"

#include "stored/sqlite_rows_after.h"

#include <ctime>

namespace {

int digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// The wall-clock hour read as if it were UTC.
qint64 wallHour(const char *t)
{
    tm w = {};
    w.tm_year = digits(t, 4) - 1900;
    w.tm_mon = digits(t + 5, 2) - 1;
    w.tm_mday = digits(t + 8, 2);
    w.tm_hour = digits(t + 11, 2);
    return qint64(timegm(&w));
}

} // namespace

void HourAccumulator::resume(const State &state)
{
    m_state = state;
    m_energy.start(state.totals);
    if (state.hasLast)
        m_stamp.resumeAfter(state.lastTime.data(), state.lastTime.size(), state.lastOffset);
}

void HourAccumulator::add(const PowerPoint &row)
{
    const char *t = row.time.data();
    // The offset is found once a minute: within one minute the rows cannot
    // step back into the repeated hour.
    if (row.time.size() < 16 || m_minute.size() != 16 || row.time.compare(0, 16, m_minute) != 0) {
        m_scratch.clear();
        m_offset = m_stamp.append(m_scratch, t, row.time.size());
        m_valid = m_scratch.size() >= 25;
        m_minute.assign(t, row.time.size() < 16 ? row.time.size() : 16);
    }
    const long offset = m_offset;
    const RowEnergy energy = m_energy.step(row.totals);
    if (row.totals.known)
        m_state.totals = row.totals;
    // A time that is no time (a hand-edited row) has no hour to go in.
    if (!m_valid)
        return;
    const size_t seconds = row.time.size() >= 19 ? size_t(digits(t + 17, 2)) : 0;
    std::optional<HourFigures> &hour = m_state.open;
    if (!hour || hour->offset != offset || hour->local.compare(0, 13, t, 13) != 0) {
        HourFigures next;
        next.local.assign(t, 13);
        next.offset = offset;
        next.startUtc = wallHour(t) - offset;
        const qint64 utc = next.startUtc + digits(t + 14, 2) * 60 + qint64(seconds);
        if (!m_state.hasLast ? utc - next.startUtc > kGapSeconds : utc - m_state.lastUtc > kGapSeconds) {
            next.gap = true;
            if (hour)
                hour->gap = true;
        }
        if (hour)
            m_finished(*hour);
        hour = std::move(next);
    }
    const qint64 utc = hour->startUtc + digits(t + 14, 2) * 60 + qint64(seconds);
    if (m_state.hasLast && utc - m_state.lastUtc > kGapSeconds)
        hour->gap = true;
    m_state.hasLast = true;
    m_state.lastUtc = utc;
    m_state.lastTime = row.time;
    m_state.lastOffset = offset;

    hour->used[0] += energy.ch1.used;
    hour->fed[0] += energy.ch1.fed;
    hour->used[1] += energy.ch2.used;
    hour->fed[1] += energy.ch2.fed;
    const std::optional<double> power[2] = {row.p1, row.p2};
    for (int ch = 0; ch < 2; ++ch) {
        if (!power[ch])
            continue;
        if (hour->powerCount[ch] == 0 || *power[ch] > hour->maxPower[ch]) {
            hour->maxPower[ch] = *power[ch];
            // To the second, as every row is shown: a server's NOW() adds
            // microseconds.
            hour->maxTime[ch].assign(row.time, 0, 19);
        }
        hour->powerSum[ch] += *power[ch];
        ++hour->powerCount[ch];
    }
    ++hour->samples;
}

void HourAccumulator::flushOpen()
{
    if (m_state.open)
        m_finished(*m_state.open);
}
