#pragma once

#include "common/status_list.h"
#include "listing/interval_stats.h"
#include "listing/listing_tables.h"

#include <QDateTime>
#include <QObject>

#include <array>
#include <functional>

class Clock;
class SampleDispatch;
struct ProgramFlags;
struct RealtimeSample;
struct Settings;

// The real-time listing's figures: one row a second, the minute,
// five-minute, hour and day summaries and the solar/grid rows. It runs from
// the first sample on, whether or not the listing window is open; the window
// only shows these tables.
class RealtimeListing : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        const ProgramFlags &flags;
        const Settings &settings;
        std::function<bool()> portOpen;
        const Clock &clock;
    };
    // Closing order of the records; each folds its extremes into the next.
    enum Record { MinuteRecord, FiveMinuteRecord, HourRecord, DayRecord, RecordCount };

    static constexpr const char *kNotice = "Not receiving data. Make sure real-time is turned ON";

    explicit RealtimeListing(const Parts &parts, QObject *parent = nullptr);

    // Adds `DoList` as the next step of the per-sample dispatch.
    void installInto(SampleDispatch &dispatch);

    // Lists the current sample. Never throws: a failure here must not keep
    // the dashboard and the portal from their sample.
    void DoList(const RealtimeSample &sample) noexcept;

    const IntervalStats &stats(Record record) const { return m_stats.at(record); }
    bool noDataNoticeShown() const { return m_noDataNoticeShown; }

    ListingTables &tables() { return m_tables; }
    // The notice list `notifyList` and whether it is shown.
    StatusList &notices() { return m_notices; }
    bool noticeVisible() const { return m_noticeVisible; }

    // The window was closed for good: its rows go, and a window opened later
    // starts as a new one would, notice list showing. The statistics stay.
    void resetWindowContent();

signals:
    void noticeVisibleChanged(bool visible);

private:
    void putUpNotice();
    void listSample(const RealtimeSample &s);
    void CloseInterval(Record record, const QDateTime &now, const RealtimeSample &s);
    // Where the interval of `record` that holds `now` begins and ends.
    struct Bounds
    {
        QDateTime start;
        QDateTime end;
    };
    static Bounds boundsAround(Record record, const QDateTime &now);
    void seedMinimums(IntervalStats &r, int64_t p1, int64_t p2);
    void setNoticeVisible(bool visible);
    RowTableModel &tableOf(Record record);

    Parts m_parts;
    std::array<IntervalStats, RecordCount> m_stats{};
    // Each record's current interval, as instants: its row is due on the
    // first sample outside it, whichever second that falls on.
    std::array<Bounds, RecordCount> m_bounds{};
    bool m_noDataNoticeShown = false;
    ListingTables m_tables;
    StatusList m_notices;
    bool m_noticeVisible = true;
};
