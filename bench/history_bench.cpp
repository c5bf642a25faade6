// The History window's looks over a month of one-second rows (2.6 million):
// the first look, which reads every row into the hourly cache, and later
// looks at a day, the month and the year, which read the cache only; and the
// cache's size, scaled to a year of hours.
#include "common/clock.h"
#include "history/history_logic.h"
#include "month_rows.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <sys/resource.h>

namespace {

const bool kLondon = (qputenv("TZ", "Europe/London"), tzset(), true);
constexpr int kRows = kMonthRows;

struct Month
{
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-history-XXXXXX")};
    QString database = dir.filePath(QStringLiteral("month.db"));
    Settings settings;
    Clock clock;
    bool made = false;

    Month()
    {
        settings.dbtype = QStringLiteral("SQlite");
        settings.sqldbpath = database;
        made = writeMonthOfRows(database);
    }
};

Month &month()
{
    static Month m;
    return m;
}

// Processor seconds of the whole process, every thread.
double processorSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Seconds from asking for the period to its figures.
double look(HistoryLogic &logic, PeriodKind kind, const QDate &day)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&logic, &HistoryLogic::figuresChanged, &loop, &QEventLoop::quit);
    logic.show(kind, day);
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e9;
}

void HistoryFirstLookAtMonth(benchmark::State &state)
{
    Month &m = month();
    if (!m.made)
        return state.SkipWithError("the month's database could not be made");
    for (auto _ : state) {
        QTemporaryDir data;
        HistoryLogic logic({m.settings, data.path(), m.clock});
        const double cpu = processorSeconds();
        const double seconds = look(logic, PeriodKind::Month, QDate(2026, 3, 15));
        state.counters["first_look_cpu_s"] = processorSeconds() - cpu;
        state.SetIterationTime(seconds);
        state.counters["rows_per_s"] = kRows / seconds;
        state.counters["year_first_look_s"] = 365.0 * 86400 / (kRows / seconds);
        const double hours = kRows / 3600.0;
        // The cache's own size, its write-ahead log folded in.
        sqlite3 *cache = nullptr;
        sqlite3_open(logic.cachePath().toUtf8().constData(), &cache);
        sqlite3_exec(cache, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_close(cache);
        const double bytes = double(QFileInfo(logic.cachePath()).size());
        state.counters["cache_KiB_per_year"] = bytes / 1024 / hours * 8766;
        state.counters["later_day_s"] = look(logic, PeriodKind::Day, QDate(2026, 3, 29));
        state.counters["later_month_s"] = look(logic, PeriodKind::Month, QDate(2026, 3, 1));
        state.counters["later_year_s"] = look(logic, PeriodKind::Year, QDate(2026, 3, 1));
        state.counters["later_all_s"] = look(logic, PeriodKind::All, QDate(2026, 3, 1));
    }
}

} // namespace

BENCHMARK(HistoryFirstLookAtMonth)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
