// Samples per second through the per-sample dispatch into an SQLite file,
// opening, inserting and closing for every sample as the program does.
#include "common/dialogs.h"
#include "realtime/realtime_sample.h"
#include "recording/database_creator.h"
#include "recording/database_logger.h"
#include "recording/error_log.h"
#include "recording/sample_dispatch.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

// state.range(0): 0 = the journal mode of a file made by createSqliteDatabase,
// 1 = rollback journal (DELETE) forced, 2 = write-ahead log (WAL) forced.
void LogSampleIntoSqlite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.db"));
    QString error;
    if (!createSqliteDatabase(file, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    if (state.range(0) != 0) {
        sqlite3 *db = nullptr;
        sqlite3_open(file.toUtf8().constData(), &db);
        sqlite3_exec(db, state.range(0) == 1 ? "pragma journal_mode=delete" : "pragma journal_mode=wal", nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
    }

    HeadlessDialogs dialogs;
    int exits = 0;
    ErrorLog errorLog(dir.path(), dialogs, [&] { ++exits; });
    RealtimeSample sample;
    const DatabaseSettings settings{QStringLiteral("SQlite"), {}, file};
    DatabaseLogger logger([&] { return settings; }, sample, errorLog, dialogs, [&] { ++exits; });
    SampleDispatch dispatch;
    logger.installInto(dispatch);

    for (auto _ : state) {
        sample.p1 += 1;
        sample.E1A += 1500;
        sample.KWh1 = sample.E1A / 3600 * 0.001;
        dispatch.LogSample(sample);
    }
    state.SetItemsProcessed(state.iterations());
    if (QFile::exists(errorLog.filePath()))
        state.SkipWithError("inserts failed, see errorLog.txt");
}

} // namespace

BENCHMARK(LogSampleIntoSqlite)->ArgName("journal")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
