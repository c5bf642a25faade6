// Samples per second through the per-sample dispatch into an SQLite file,
// opening, inserting and closing for every sample as the program does; and
// what each stored sample costs the disk, written at once or every minute.
#include "common/dialogs.h"
#include "realtime/realtime_sample.h"
#include "recording/database_creator.h"
#include "recording/database_logger.h"
#include "recording/error_log.h"
#include "realtime/sample_dispatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <unistd.h>

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
    DatabaseLogger logger([&] { return settings; }, errorLog, dialogs, [&] { ++exits; });
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

// Every sync SQLite asks of the file system passes through this shim, which
// counts it and hands it on to the platform's own file system.
std::atomic<long> g_syncs{0};
sqlite3_vfs g_countingVfs;
sqlite3_io_methods g_countingMethods;
const sqlite3_io_methods *g_realMethods = nullptr;

int countingSync(sqlite3_file *file, int flags)
{
    ++g_syncs;
    return g_realMethods->xSync(file, flags);
}

int countingOpen(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *real = static_cast<sqlite3_vfs *>(vfs->pAppData);
    const int rc = real->xOpen(real, name, file, flags, outFlags);
    if (rc == SQLITE_OK && file->pMethods) {
        if (!g_realMethods || g_realMethods == file->pMethods) {
            g_realMethods = file->pMethods;
            g_countingMethods = *file->pMethods;
            g_countingMethods.xSync = countingSync;
            file->pMethods = &g_countingMethods;
        }
    }
    return rc;
}

void installCountingVfs()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    sqlite3_vfs *real = sqlite3_vfs_find(nullptr);
    g_countingVfs = *real;
    g_countingVfs.zName = "counting";
    g_countingVfs.pAppData = real;
    g_countingVfs.xOpen = countingOpen;
    sqlite3_vfs_register(&g_countingVfs, 1);
}

long long writeBytes()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("write_bytes:"))
            return line.mid(12).trimmed().toLongLong();
    }
    return -1;
}

// 10,000 samples at one a second: state.range(0) is CommitSeconds, the
// commit timer ticking every that many samples. The database sits on the
// build machine's disk (not a RAM disk), so the kernel counts what would
// reach a memory card. Reports bytes and syncs per stored sample.
void DiskWritesPerSample(benchmark::State &state)
{
    installCountingVfs();
    constexpr int kSamples = 10000;
    const int commitSeconds = int(state.range(0));
    for (auto _ : state) {
        QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-disk-XXXXXX"));
        const QString file = dir.filePath(QStringLiteral("bench.db"));
        if (!createSqliteDatabase(file, nullptr)) {
            state.SkipWithError("no database");
            return;
        }
        HeadlessDialogs dialogs;
        ErrorLog errorLog(dir.path(), dialogs, {});
        RealtimeSample sample;
        const DatabaseSettings settings{QStringLiteral("SQlite"), {}, file, commitSeconds};
        DatabaseLogger logger([&] { return settings; }, errorLog, dialogs, {});
        SampleDispatch dispatch;
        logger.installInto(dispatch);
        ::sync();
        const long long bytesBefore = writeBytes();
        const long syncsBefore = g_syncs;
        for (int i = 1; i <= kSamples; ++i) {
            sample.p1 = i;
            sample.E1A += 1500;
            sample.KWh1 = sample.E1A / 3600 * 0.001;
            dispatch.LogSample(sample);
            if (commitSeconds > 0 && i % commitSeconds == 0)
                logger.commitPending();
        }
        logger.commitPending();
        const long long bytes = writeBytes() - bytesBefore;
        state.counters["bytes_per_sample"] = double(bytes) / kSamples;
        state.counters["syncs_per_sample"] = double(g_syncs - syncsBefore) / kSamples;
        if (QFile::exists(errorLog.filePath()))
            state.SkipWithError("inserts failed, see errorLog.txt");
    }
}

BENCHMARK(DiskWritesPerSample)->ArgName("CommitSeconds")->Arg(0)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(LogSampleIntoSqlite)->ArgName("journal")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
