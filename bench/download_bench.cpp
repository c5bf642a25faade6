// Opening a saved download of 65,000 records in the main list: the time
// from the file to a listed first screen, and how much resident memory the
// listed file holds.
#include "download/qmn_file.h"
#include "link/flood_source.h"
#include "download/main_list.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kRecords = 65000;

QByteArray loggerDownload()
{
    QByteArray data;
    data.reserve(kRecords * 5);
    for (int i = 0; i < kRecords; ++i) {
        const int ch1 = 300 + (i * 37) % 3000;
        const int ch2 = 150 + (i * 11) % 900;
        for (char b : {char(ch1 & 0xFF), char(ch1 >> 8), char(ch2 & 0xFF), char(ch2 >> 8), char(118 + i % 5)})
            data += b;
    }
    return data;
}

void openQmn(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DAY.QMN");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QmnFile::header("03012024000000", 5) + QmnFile::records(loggerDownload(), [](const QString &) {
                    return true;
                }));
    }
    qint64 grownKiB = 0;
    for (auto _ : state) {
        const qint64 before = residentKiB();
        MainList list;
        list.Openfile(path);
        // The first screen of rows, as a view asks for it.
        for (int r = 0; r < 40; ++r)
            for (int c = 0; c < list.columnCount(); ++c)
                benchmark::DoNotOptimize(list.data(list.index(r, c)));
        grownKiB = qMax(grownKiB, residentKiB() - before);
        if (list.rowCount() != kRecords)
            state.SkipWithError("not every record was listed");
    }
    state.SetItemsProcessed(qint64(state.iterations()) * kRecords);
    state.counters["rss_growth_KiB"] = double(grownKiB);
}

} // namespace

BENCHMARK(openQmn)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
