#include "history/period_figures.h"

#include "history/history_cache.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

void BarFigures::add(const HourFigures &hour)
{
    for (int ch = 0; ch < 2; ++ch) {
        used[ch] += hour.used[ch];
        fed[ch] += hour.fed[ch];
        if (hour.powerCount[ch] > 0 && (powerCount[ch] == 0 || hour.maxPower[ch] > maxPower[ch])) {
            maxPower[ch] = hour.maxPower[ch];
            maxTime[ch] = QString::fromStdString(hour.maxTime[ch]);
        }
        powerSum[ch] += hour.powerSum[ch];
        powerCount[ch] += hour.powerCount[ch];
    }
    samples += hour.samples;
    ++hours;
    incomplete = incomplete || hour.gap;
}

namespace HistoryPeriod {

qint64 midnightUtc(const QDate &day)
{
    return QDateTime(day, QTime(0, 0)).toSecsSinceEpoch();
}

QDate start(PeriodKind kind, const QDate &anchor)
{
    switch (kind) {
    case PeriodKind::Day:
        return anchor;
    case PeriodKind::Week:
        return anchor.addDays(-((anchor.dayOfWeek() - int(QLocale().firstDayOfWeek()) + 7) % 7));
    case PeriodKind::Month:
        return QDate(anchor.year(), anchor.month(), 1);
    case PeriodKind::Year:
        return QDate(anchor.year(), 1, 1);
    case PeriodKind::All:
        return QDate(1970, 1, 1);
    }
    return anchor;
}

QDate end(PeriodKind kind, const QDate &anchor)
{
    const QDate first = start(kind, anchor);
    switch (kind) {
    case PeriodKind::Day:
        return first.addDays(1);
    case PeriodKind::Week:
        return first.addDays(7);
    case PeriodKind::Month:
        return first.addMonths(1);
    case PeriodKind::Year:
        return first.addYears(1);
    case PeriodKind::All:
        return QDate(9999, 1, 1);
    }
    return first;
}

QDate step(PeriodKind kind, const QDate &anchor, int steps)
{
    switch (kind) {
    case PeriodKind::Day:
        return anchor.addDays(steps);
    case PeriodKind::Week:
        return anchor.addDays(7 * steps);
    case PeriodKind::Month:
        return anchor.addMonths(steps);
    case PeriodKind::Year:
        return anchor.addYears(steps);
    case PeriodKind::All:
        return anchor;
    }
    return anchor;
}

PeriodKind below(PeriodKind kind)
{
    switch (kind) {
    case PeriodKind::All:
        return PeriodKind::Year;
    case PeriodKind::Year:
        return PeriodKind::Month;
    default:
        return PeriodKind::Day;
    }
}

QString name(PeriodKind kind)
{
    static const char *const names[] = {"Day", "Week", "Month", "Year", "All"};
    return QString::fromLatin1(names[int(kind)]);
}

namespace {

// The hour bars of a day: 23, 24 or 25 of them. The hour the clocks go back
// over comes twice, each time labelled with its zone.
QList<BarFigures> hourBars(const QDate &day)
{
    QList<BarFigures> bars;
    const qint64 until = midnightUtc(day.addDays(1));
    for (qint64 t = midnightUtc(day); t < until; t += 3600) {
        BarFigures bar;
        bar.startUtc = t;
        bar.endUtc = t + 3600;
        bar.firstDay = day;
        bar.label = QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("HH:00"));
        bars << bar;
    }
    for (qsizetype i = 1; i < bars.size(); ++i) {
        if (bars[i].label != bars[i - 1].label)
            continue;
        for (qsizetype j : {i - 1, i}) {
            const QDateTime at = QDateTime::fromSecsSinceEpoch(bars[j].startUtc);
            QString zone = at.timeZoneAbbreviation();
            if (zone.isEmpty() || zone == QDateTime::fromSecsSinceEpoch(bars[i + i - 1 - j].startUtc).timeZoneAbbreviation())
                zone = QStringLiteral("UTC%1%2")
                           .arg(at.offsetFromUtc() < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                           .arg(QTime(0, 0).addSecs(std::abs(at.offsetFromUtc())).toString(QStringLiteral("HH:mm")));
            bars[j].label += QLatin1Char(' ') + zone;
        }
    }
    return bars;
}

BarFigures dayBar(const QDate &from, const QDate &until, const QString &label)
{
    BarFigures bar;
    bar.label = label;
    bar.firstDay = from;
    bar.startUtc = midnightUtc(from);
    bar.endUtc = midnightUtc(until);
    return bar;
}

QList<BarFigures> emptyBars(PeriodKind kind, const QDate &anchor, int firstYear, int lastYear)
{
    QList<BarFigures> bars;
    const QDate first = start(kind, anchor);
    const QLocale locale;
    switch (kind) {
    case PeriodKind::Day:
        return hourBars(anchor);
    case PeriodKind::Week:
    case PeriodKind::Month:
        for (QDate d = first; d < end(kind, anchor); d = d.addDays(1))
            bars << dayBar(d, d.addDays(1),
                           kind == PeriodKind::Week ? locale.toString(d, QStringLiteral("ddd d")) : QString::number(d.day()));
        return bars;
    case PeriodKind::Year:
        for (QDate d = first; d < end(kind, anchor); d = d.addMonths(1))
            bars << dayBar(d, d.addMonths(1), locale.standaloneMonthName(d.month(), QLocale::ShortFormat));
        return bars;
    case PeriodKind::All:
        for (int y = firstYear; y <= lastYear; ++y)
            bars << dayBar(QDate(y, 1, 1), QDate(y + 1, 1, 1), QString::number(y));
        return bars;
    }
    return bars;
}

QString title(PeriodKind kind, const QDate &anchor)
{
    const QLocale locale;
    const QDate first = start(kind, anchor);
    switch (kind) {
    case PeriodKind::Day:
        return locale.toString(anchor, QLocale::LongFormat);
    case PeriodKind::Week:
        return locale.toString(first, QLocale::ShortFormat) + QStringLiteral(" – ")
               + locale.toString(first.addDays(6), QLocale::ShortFormat);
    case PeriodKind::Month:
        return locale.standaloneMonthName(anchor.month()) + QLatin1Char(' ') + QString::number(anchor.year());
    case PeriodKind::Year:
        return QString::number(anchor.year());
    case PeriodKind::All:
        return QStringLiteral("All years");
    }
    return {};
}

// Sums the hours into the bars, which are in time order, and marks a bar
// whose stored span lacks hours.
void fill(QList<BarFigures> &bars, const std::vector<HourFigures> &hours, qint64 firstHour, qint64 lastHour)
{
    auto bar = bars.begin();
    for (const HourFigures &h : hours) {
        while (bar != bars.end() && bar->endUtc <= h.startUtc)
            ++bar;
        if (bar == bars.end())
            break;
        if (h.startUtc >= bar->startUtc)
            bar->add(h);
    }
    for (BarFigures &b : bars) {
        const qint64 from = std::max(b.startUtc, firstHour), until = std::min(b.endUtc, lastHour + 3600);
        if (until > from && b.hours < (until - from + 1800) / 3600)
            b.incomplete = true;
    }
}

} // namespace

PeriodFigures compute(PeriodKind kind, const QDate &anchor, HistoryCache &cache)
{
    PeriodFigures figures;
    figures.kind = kind;
    figures.anchor = anchor;
    figures.title = title(kind, anchor);
    qint64 firstHour = 0, lastHour = -1;
    const bool any = cache.span(&firstHour, &lastHour);
    const int firstYear = any ? QDateTime::fromSecsSinceEpoch(firstHour).date().year() : anchor.year();
    const int lastYear = any ? QDateTime::fromSecsSinceEpoch(lastHour).date().year() : anchor.year();
    figures.bars = emptyBars(kind, anchor, firstYear, lastYear);
    if (figures.bars.isEmpty())
        return figures;
    const qint64 from = figures.bars.front().startUtc, until = figures.bars.back().endUtc;
    if (any)
        fill(figures.bars, cache.hours(from, until), firstHour, lastHour);
    figures.total.label = QStringLiteral("Total");
    figures.total.startUtc = from;
    figures.total.endUtc = until;
    for (const BarFigures &b : figures.bars) {
        for (int ch = 0; ch < 2; ++ch) {
            figures.total.used[ch] += b.used[ch];
            figures.total.fed[ch] += b.fed[ch];
            if (b.powerCount[ch] > 0 && (figures.total.powerCount[ch] == 0 || b.maxPower[ch] > figures.total.maxPower[ch])) {
                figures.total.maxPower[ch] = b.maxPower[ch];
                figures.total.maxTime[ch] = b.maxTime[ch];
            }
            figures.total.powerSum[ch] += b.powerSum[ch];
            figures.total.powerCount[ch] += b.powerCount[ch];
        }
        figures.total.samples += b.samples;
        figures.total.hours += b.hours;
        figures.total.incomplete = figures.total.incomplete || b.incomplete;
    }
    if (kind != PeriodKind::All && any) {
        const QDate before = step(kind, anchor, -1);
        QList<BarFigures> previous{dayBar(start(kind, before), end(kind, before), QString())};
        fill(previous, cache.hours(previous.front().startUtc, previous.front().endUtc), firstHour, lastHour);
        figures.previous = previous.front();
        figures.hasPrevious = figures.previous.hasData();
    }
    return figures;
}

} // namespace HistoryPeriod
