// A day of one-second samples through DoList on a clock that turns one
// second per sample, with the six table models filling as they do in the
// program: time for the day, and how much resident memory grew once the
// one-second tables had reached their caps, and over the last three hours,
// when the minute table is capped too.
#include "common/clock.h"
#include "common/program_flags.h"
#include "listing/realtime_listing.h"
#include "link/flood_source.h"
#include "realtime/realtime_sample.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

class DayClock : public Clock
{
public:
    QDateTime now() const override { return at; }
    QDateTime at;
};

constexpr int kDay = 86400;

void listingDay(benchmark::State &state)
{
    qint64 grownKiB = 0;
    qint64 grownLateKiB = 0;
    qint64 rows = 0;
    for (auto _ : state) {
        DayClock clock;
        ProgramFlags flags;
        flags.realtimeActive = true;
        Settings settings;
        RealtimeSample sample;
        sample.Volt = 120.5;
        RealtimeListing listing({flags, settings, [] { return true; }, clock});
        // What a view connected to the models would cost in signals.
        qint64 changes = 0;
        for (int page = 0; page < ListingTables::PageCount; ++page) {
            RowTableModel &t = listing.tables().table(page);
            QObject::connect(&t, &QAbstractItemModel::rowsInserted, [&changes] { ++changes; });
            QObject::connect(&t, &QAbstractItemModel::rowsRemoved, [&changes] { ++changes; });
        }
        const QDateTime midnight(QDate(2024, 6, 21), QTime(0, 0, 1));
        qint64 afterCaps = 0;
        qint64 late = 0;
        for (int i = 0; i < kDay; ++i) {
            clock.at = midnight.addSecs(i);
            sample.p1 = 900 + (i * 7) % 2400;
            sample.p2 = -300 + (i * 13) % 900;
            sample.PP2 = -sample.p2;
            sample.KWh1 += sample.p1 / 3.6e6;
            sample.KWh2 += std::abs(sample.p2) / 3.6e6;
            sample.Amp1 = float(sample.p1 / 120.5);
            listing.DoList(sample);
            if (i == 2 * RowTableModel::kDefaultCap)
                afterCaps = residentKiB();
            if (i == 21 * 3600)
                late = residentKiB();
        }
        const qint64 end = residentKiB();
        grownKiB = qMax(grownKiB, end - afterCaps);
        grownLateKiB = qMax(grownLateKiB, end - late);
        rows = 0;
        for (int page = 0; page < ListingTables::PageCount; ++page)
            rows += listing.tables().table(page).rowCount();
        benchmark::DoNotOptimize(changes);
    }
    state.SetItemsProcessed(qint64(state.iterations()) * kDay);
    state.counters["rows_at_end"] = double(rows);
    state.counters["rss_growth_after_caps_KiB"] = double(grownKiB);
    state.counters["rss_growth_last_3h_KiB"] = double(grownLateKiB);
}

} // namespace

BENCHMARK(listingDay)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
