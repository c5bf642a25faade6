#include "listing/realtime_listing.h"

#include "common/clock.h"
#include "common/program_flags.h"
#include "common/rounding.h"
#include "realtime/realtime_sample.h"
#include "realtime/renewable_figures.h"
#include "realtime/sample_dispatch.h"
#include "settings/settings.h"

#include <QLoggingCategory>
#include <QTimeZone>

#include <cmath>
#include <optional>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcListing, "qmn.listing")

namespace {

// Powers are whole watts; anything else cannot be summed exactly and would
// poison every later row of the interval.
int64_t wholeWatts(double watts)
{
    if (!std::isfinite(watts) || std::fabs(watts) > 1e15)
        throw std::range_error("power out of range");
    return int64_t(watts);
}

// The first moment of a day on the clock `like` is read from: 01:00 where the
// clock goes forward at midnight, the first of two midnights where it goes
// back, so each day is listed once and as long as it really was (23 or 25
// hours on a change of clock).
QDateTime firstMomentOf(QDate date, const QDateTime &like)
{
    QDateTime hi = like.timeSpec() == Qt::TimeZone ? date.startOfDay(like.timeZone())
                                                   : date.startOfDay(like.timeSpec(), like.offsetFromUtc());
    // Qt may pick the second of two midnights; no clock change is 3 hours.
    QDateTime lo = hi.addSecs(-3 * 3600);
    if (lo.date() >= date)
        return hi;
    while (lo.secsTo(hi) > 1) {
        const QDateTime mid = lo.addSecs(lo.secsTo(hi) / 2);
        (mid.date() < date ? lo : hi) = mid;
    }
    return hi;
}

std::optional<double> average(int64_t sum, int64_t count)
{
    if (count == 0)
        return std::nullopt;
    return roundHalfEven(double(sum) / double(count));
}

} // namespace

RealtimeListing::RealtimeListing(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
{
}

void RealtimeListing::installInto(SampleDispatch &dispatch)
{
    dispatch.addStep(QStringLiteral("DoList"), [this](const RealtimeSample &s) { DoList(s); });
}

void RealtimeListing::DoList(const RealtimeSample &sample) noexcept
{
    try {
        if (!m_noDataNoticeShown && !m_parts.portOpen())
            putUpNotice();
        if (!m_parts.flags.realtimeActive) {
            putUpNotice();
            return;
        }
        m_noDataNoticeShown = false;
        listSample(sample);
    } catch (const std::exception &e) {
        qCDebug(lcListing) << "sample not listed:" << e.what();
    } catch (...) {
        qCDebug(lcListing) << "sample not listed";
    }
}

void RealtimeListing::putUpNotice()
{
    m_noDataNoticeShown = true;
    m_notices.clear();
    m_notices.add(QString::fromLatin1(kNotice));
}

void RealtimeListing::seedMinimums(IntervalStats &r, int64_t p1, int64_t p2)
{
    if (r.ch1MinW == 0)
        r.ch1MinW = p1;
    if (r.ch2MinW == 0)
        r.ch2MinW = p2;
}

void RealtimeListing::listSample(const RealtimeSample &s)
{
    const int64_t p1 = wholeWatts(s.p1);
    const int64_t p2 = wholeWatts(s.p2);
    // One reading of the clock, so the close test and the rows' date and
    // time agree even when a second turns meanwhile.
    const QDateTime now = m_parts.clock.now();
    const QTime t = now.time();

    IntervalStats &minute = m_stats[MinuteRecord];
    IntervalStats &five = m_stats[FiveMinuteRecord];
    IntervalStats &hour = m_stats[HourRecord];
    IntervalStats &day = m_stats[DayRecord];

    // A lost packet or a change of clock must not keep an interval open: the
    // first sample outside it closes it, whatever second it falls on, also
    // when the clock was set back.
    for (int r = 0; r < RecordCount; ++r) {
        Bounds &bounds = m_bounds[r];
        if (!bounds.end.isValid())
            bounds = boundsAround(Record(r), now);
        else if (now >= bounds.end || now < bounds.start)
            m_stats[r].closePending = true;
    }

    for (IntervalStats &r : {std::ref(minute), std::ref(five), std::ref(hour), std::ref(day)})
        seedMinimums(r, p1, p2);
    for (IntervalStats &r : m_stats) {
        if (r.ch1StartKwh == 0.0)
            r.ch1StartKwh = s.KWh1;
        if (r.ch2StartKwh == 0.0)
            r.ch2StartKwh = s.KWh2;
    }

    // Larger intervals first, so the closing sample counts in the new
    // interval of every record and the closing minute folds into the new
    // five-minute record.
    for (Record r : {DayRecord, HourRecord, FiveMinuteRecord, MinuteRecord})
        if (m_stats[r].closePending)
            CloseInterval(r, now, s);

    for (IntervalStats &r : {std::ref(day), std::ref(hour), std::ref(five)}) {
        r.ch1SumW += p1;
        r.ch2SumW += p2;
        r.voltSum += s.Volt;
        r.sampleCount += 1;
    }
    for (IntervalStats &r : {std::ref(five), std::ref(hour), std::ref(day)})
        seedMinimums(r, p1, p2);

    // Only the minute tracks extremes sample by sample; the larger records
    // get theirs when a smaller one closes into them.
    minute.ch1MaxW = std::max(minute.ch1MaxW, p1);
    minute.ch1MinW = std::min(minute.ch1MinW, p1);
    minute.ch1SumW += p1;
    minute.ch2MaxW = std::max(minute.ch2MaxW, p2);
    minute.ch2MinW = std::min(minute.ch2MinW, p2);
    minute.ch2SumW += p2;
    minute.voltSum += s.Volt;

    const double cost = (s.KWh1 + s.KWh2) * m_parts.settings.Rate;
    const float totalAmp = s.Amp1 + s.Amp2;
    m_tables.oneSecond.addRow(m_tables.oneSecond.makeRow(
        now, {t.second(), s.p1, s.p2, s.p1 + s.p2, s.Volt, s.KWh1, s.KWh2, s.KWh1 + s.KWh2, cost, s.Amp1, s.Amp2,
              totalAmp}));
    const RenewableFigures r = RenewableFigures::of(s);
    m_tables.renewable.addRow(m_tables.renewable.makeRow(
        now, {t.second(), r.solarW, r.gridW, r.loadW, s.Volt, r.solarKWh, r.fromGridKWh, r.toGridKWh,
              r.consumedKWh}));

    minute.sampleCount += 1;
    setNoticeVisible(false);
}

RowTableModel &RealtimeListing::tableOf(Record record)
{
    switch (record) {
    case MinuteRecord:
        return m_tables.minute;
    case FiveMinuteRecord:
        return m_tables.fiveMinute;
    case HourRecord:
        return m_tables.hour;
    default:
        return m_tables.daily;
    }
}

void RealtimeListing::CloseInterval(Record record, const QDateTime &now, const RealtimeSample &s)
{
    IntervalStats &r = m_stats[record];
    if (record != DayRecord) {
        IntervalStats &next = m_stats[record + 1];
        next.ch1MinW = std::min(next.ch1MinW, r.ch1MinW);
        next.ch2MinW = std::min(next.ch2MinW, r.ch2MinW);
        next.ch1MaxW = std::max(next.ch1MaxW, r.ch1MaxW);
        next.ch2MaxW = std::max(next.ch2MaxW, r.ch2MaxW);
    }

    // An interval without samples would have no averages: those cells stay
    // empty rather than divide by zero.
    const std::optional<double> avg1 = average(r.ch1SumW, r.sampleCount);
    const std::optional<double> avg2 = average(r.ch2SumW, r.sampleCount);
    const std::optional<double> volt =
        r.sampleCount ? std::optional<double>(r.voltSum / double(r.sampleCount)) : std::nullopt;

    const double kwh1 = s.KWh1 - r.ch1StartKwh;
    const double kwh2 = s.KWh2 - r.ch2StartKwh;
    // The row is dated when its interval ended, the start of the next one,
    // however late the sample that closes it came.
    const QDateTime end = m_bounds[record].end;
    const QTime t = end.time();
    const int label = record == DayRecord ? end.date().day() : record == HourRecord ? t.hour() : t.minute();
    RowTableModel &table = tableOf(record);
    table.addRow(table.makeRow(end, {label, double(r.ch1MaxW), double(r.ch1MinW), avg1, double(r.ch2MaxW),
                                     double(r.ch2MinW), avg2, volt, kwh1, kwh2, kwh2 + kwh1}));

    // The minimum is not restarted: it carries over and only falls.
    r.ch1MaxW = 0;
    r.ch2MaxW = 0;
    r.ch1SumW = 0;
    r.ch2SumW = 0;
    r.voltSum = 0.0;
    r.ch1StartKwh = s.KWh1;
    r.ch2StartKwh = s.KWh2;
    r.closePending = false;
    r.sampleCount = 0;
    m_bounds[record] = boundsAround(record, now);
}

RealtimeListing::Bounds RealtimeListing::boundsAround(Record record, const QDateTime &now)
{
    if (record == DayRecord)
        return {firstMomentOf(now.date(), now), firstMomentOf(now.date().addDays(1), now)};
    // Clocks change on the hour, so the wall-clock time since the start of a
    // minute, five minutes or an hour is real time, and the next one begins
    // that many real seconds later, whichever hour it is called.
    const int minutes = record == HourRecord ? 60 : record == FiveMinuteRecord ? 5 : 1;
    const QTime t = now.time();
    const QDateTime start = now.addMSecs(-((qint64(t.minute() % minutes) * 60 + t.second()) * 1000 + t.msec()));
    return {start, start.addSecs(minutes * 60)};
}

void RealtimeListing::setNoticeVisible(bool visible)
{
    if (visible == m_noticeVisible)
        return;
    m_noticeVisible = visible;
    emit noticeVisibleChanged(visible);
}

void RealtimeListing::resetWindowContent()
{
    m_tables.clearAll();
    m_notices.clear();
    setNoticeVisible(true);
}
