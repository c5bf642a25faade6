// --export-csv over a month of one-second rows (2.6 million) beside the
// sqlite3 shell's own -csv output of the same rows, in the same run; and the
// export's peak resident memory for the month and for three days of it.
#include "recording/database_creator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr int kRows = 30 * 86400 + 3 * 3600; // March 2026 in London, a bit over 2.6 million seconds

struct Month
{
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-export-XXXXXX")};
    QString database = dir.filePath(QStringLiteral("month.db"));
    QString config = dir.filePath(QStringLiteral("QMNpilot.ini"));
    bool made = false;

    Month()
    {
        if (!createSqliteDatabase(database, nullptr))
            return;
        QFile ini(config);
        if (!ini.open(QIODevice::WriteOnly))
            return;
        ini.write("[startup]\ndbtype=SQlite\nsqldbpath=" + database.toUtf8() + "\n");
        ini.close();
        sqlite3 *db = nullptr;
        sqlite3_open(database.toUtf8().constData(), &db);
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db,
                           "insert into qmn_power values (datetime(?1, 'unixepoch', 'localtime'),?2,?3,?2,?3,"
                           "231.4,?4,0.125,?5,1.5,?6,?7,?8,?9,450,5400,?8,?9,450,5400)",
                           -1, &insert, nullptr);
        const qint64 start = 1772323200; // 2026-03-01 00:00 UTC
        double e1 = 36000000, e2 = 7200000;
        for (int i = 0; i < kRows; ++i) {
            const double p1 = 300 + (i % 600), p2 = 120 + (i % 97);
            e1 += p1;
            e2 += p2;
            sqlite3_bind_int64(insert, 1, start + i);
            sqlite3_bind_double(insert, 2, p1);
            sqlite3_bind_double(insert, 3, p2);
            sqlite3_bind_double(insert, 4, e1 / 3600 * 0.001);
            sqlite3_bind_double(insert, 5, e2 / 3600 * 0.001);
            sqlite3_bind_double(insert, 6, p1 / 231.4);
            sqlite3_bind_double(insert, 7, p2 / 231.4);
            sqlite3_bind_double(insert, 8, e1);
            sqlite3_bind_double(insert, 9, e2);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        made = true;
    }
};

Month &month()
{
    static Month m;
    return m;
}

// Runs a program with its output into a file; the seconds it took and its
// peak resident memory in KiB.
bool runTimed(const QString &program, const QStringList &arguments, const QString &output, double *seconds,
              long *peakKiB)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/London"));
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    p.start(program, arguments);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    *seconds = double(clock.nsecsElapsed()) / 1e9;
    // The finished child is reaped by QProcess; its peak is the largest of
    // all children so far, so the runs go smallest first.
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    *peakKiB = usage.ru_maxrss;
    return true;
}

void report(benchmark::State &state, const QString &program, const QStringList &arguments, double rows)
{
    Month &m = month();
    if (!m.made) {
        state.SkipWithError("the month's database could not be made");
        return;
    }
    for (auto _ : state) {
        double seconds = 0;
        long peak = 0;
        if (!runTimed(program, arguments, m.dir.filePath(QStringLiteral("out.csv")), &seconds, &peak)) {
            state.SkipWithError("the export failed");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["rows_per_s"] = rows / seconds;
        state.counters["peak_rss_KiB"] = double(peak);
    }
}

void ExportThreeDays(benchmark::State &state)
{
    report(state, QStringLiteral(QMN_PILOT_BINARY),
           {QStringLiteral("--config"), month().config, QStringLiteral("--export-csv"), QStringLiteral("-"),
            QStringLiteral("--from"), QStringLiteral("2026-03-10"), QStringLiteral("--to"), QStringLiteral("2026-03-12")},
           3 * 86400);
}

void ExportMonth(benchmark::State &state)
{
    report(state, QStringLiteral(QMN_PILOT_BINARY),
           {QStringLiteral("--config"), month().config, QStringLiteral("--export-csv"), QStringLiteral("-")}, kRows);
}

void SqliteShellMonth(benchmark::State &state)
{
    report(state, QStringLiteral("sqlite3"),
           {QStringLiteral("-csv"), QStringLiteral("-header"), month().database,
            QStringLiteral("select * from qmn_power order by rowid")},
           kRows);
}

} // namespace

BENCHMARK(ExportThreeDays)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExportMonth)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteShellMonth)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
