// --export-csv over a month of one-second rows (2.6 million) beside the
// sqlite3 shell's own -csv output of the same rows, in the same run; the
// export's peak resident memory for the month and for three days of it; and,
// with the test cluster of scripts/pg-test-cluster (QMN_TEST_PG_ODBC), the
// same over a million rows of PostgreSQL read through psqlODBC.
#include "month_rows.h"
#include "stored/odbc_execution.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>


namespace {

constexpr int kRows = kMonthRows;

struct Month
{
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-export-XXXXXX")};
    QString database = dir.filePath(QStringLiteral("month.db"));
    QString config = dir.filePath(QStringLiteral("QMNpilot.ini"));
    bool made = false;

    Month()
    {
        QFile ini(config);
        if (!ini.open(QIODevice::WriteOnly))
            return;
        ini.write("[startup]\ndbtype=SQlite\nsqldbpath=" + database.toUtf8() + "\n");
        ini.close();
        made = writeMonthOfRows(database);
    }
};

Month &month()
{
    static Month m;
    return m;
}

// Runs a program with its output into a file; the seconds it took and its
// own peak resident memory in KiB, as /usr/bin/time reads it.
bool runTimed(const QString &program, const QStringList &arguments, const QString &output, double *seconds,
              long *peakKiB)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/London"));
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(output);
    const QString peakFile = output + QStringLiteral(".peak");
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral("/usr/bin/time"),
            QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), peakFile, program}
                + arguments);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    *seconds = double(clock.nsecsElapsed()) / 1e9;
    QFile peak(peakFile);
    *peakKiB = peak.open(QIODevice::ReadOnly) ? peak.readAll().trimmed().toLong() : 0;
    return true;
}

void report(benchmark::State &state, const QString &program, const QStringList &arguments, double rows,
            const QString &output = {})
{
    Month &m = month();
    if (!m.made) {
        state.SkipWithError("the month's database could not be made");
        return;
    }
    for (auto _ : state) {
        double seconds = 0;
        long peak = 0;
        if (!runTimed(program, arguments, output.isEmpty() ? m.dir.filePath(QStringLiteral("out.csv")) : output,
                      &seconds, &peak)) {
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

// A million one-second rows of 2029 in the test cluster, no index on _time,
// removed again afterwards.
void ExportPostgresMillion(benchmark::State &state)
{
    constexpr int kPgRows = 1000000;
    const QString odbc = qEnvironmentVariable("QMN_TEST_PG_ODBC");
    if (odbc.isEmpty()) {
        state.SkipWithError("QMN_TEST_PG_ODBC is not set: start scripts/pg-test-cluster");
        return;
    }
    const QString clear = QStringLiteral("delete from qmn_power where _time >= '2029-01-01' and _time < '2030-01-01'");
    if (!executeOdbcStatement(odbc, clear, 600).ok
        || !executeOdbcStatement(
                odbc,
                QStringLiteral("insert into qmn_power select timestamp '2029-03-01' + make_interval(secs => i), "
                               "300 + i % 600, 120 + i % 97, 300, 120, 231.4, i * 0.0001, 0.125, i * 0.00003, 1.5, "
                               "1.2, 0.5, 36000000 + i, 7200000 + i, 450, 5400, 36000000 + i, 7200000 + i, 450, "
                               "5400 from generate_series(0, %1) as i")
                    .arg(kPgRows - 1),
                600)
                .ok) {
        state.SkipWithError("the rows could not be stored");
        return;
    }
    const QString config = month().dir.filePath(QStringLiteral("pg.ini"));
    QFile ini(config);
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[startup]\ndbtype=Access\nadbpath=" + odbc.toUtf8() + "\n");
    ini.close();
    report(state, QStringLiteral(QMN_PILOT_BINARY),
           {QStringLiteral("--config"), config, QStringLiteral("--export-csv"), QStringLiteral("-"),
            QStringLiteral("--from"), QStringLiteral("2029-01-01"), QStringLiteral("--to"),
            QStringLiteral("2029-12-31")},
           kPgRows, month().dir.filePath(QStringLiteral("pg.csv")));
    executeOdbcStatement(odbc, clear, 600);
}

} // namespace

BENCHMARK(ExportPostgresMillion)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExportThreeDays)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExportMonth)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteShellMonth)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
