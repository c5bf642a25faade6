#pragma once

#include "history/hour_figures.h"

#include <QDate>
#include <QList>
#include <QString>

// The figures of one bar: one hour, day, month or year of hours.
struct BarFigures
{
    QString label;
    QDate firstDay; // the day the bar starts on, to open it one level down
    qint64 startUtc = 0, endUtc = 0;
    double used[2] = {}, fed[2] = {};
    double maxPower[2] = {};
    QString maxTime[2];
    double powerSum[2] = {};
    qint64 powerCount[2] = {};
    qint64 samples = 0;
    int hours = 0;           // hours with rows
    bool incomplete = false; // rows are missing in it
    bool hasData() const { return hours > 0; }
    double energy(int ch) const { return used[ch] + fed[ch]; }
    void add(const HourFigures &hour);
};

// The periods the window shows, each a bar per period one level down.
enum class PeriodKind { Day, Week, Month, Year, All };

struct PeriodFigures
{
    PeriodKind kind = PeriodKind::Day;
    QDate anchor;
    QString title;
    QList<BarFigures> bars;
    BarFigures total;
    bool hasPrevious = false;
    BarFigures previous; // the period of the same kind before it
};

class HistoryCache;

// The calendar of the periods in local time, and their figures summed from
// the cache's hours.
namespace HistoryPeriod {

QDate start(PeriodKind kind, const QDate &anchor);
// The day after the period.
QDate end(PeriodKind kind, const QDate &anchor);
// The same kind of period `steps` periods later (earlier when negative).
QDate step(PeriodKind kind, const QDate &anchor, int steps);
// The kind a bar of `kind` opens; Day opens nothing and stays Day.
PeriodKind below(PeriodKind kind);
QString name(PeriodKind kind);
// Seconds since 1970 at the local midnight starting `day`.
qint64 midnightUtc(const QDate &day);

// The bars of the period with their figures. Hours stored between the
// first and the last stored hour but missing mark their bar incomplete.
PeriodFigures compute(PeriodKind kind, const QDate &anchor, HistoryCache &cache);

} // namespace HistoryPeriod
