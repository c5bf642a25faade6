#pragma once

#include "manual_clock.h"
#include "common/program_flags.h"
#include "listing/realtime_listing.h"
#include "realtime/realtime_sample.h"
#include "realtime/sample_dispatch.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

// The listing wired into a dispatch as the program wires it, with a later
// step that counts the samples it reached, on a clock the test sets.
class ListingFixture : public ::testing::Test
{
protected:
    ListingFixture()
    {
        flags.realtimeActive = true;
        listing.installInto(dispatch);
        dispatch.addStep(QStringLiteral("DoDash"), [this](const RealtimeSample &) { ++laterSteps; });
    }

    static QDateTime at(int h, int m, int s, QDate date = QDate(2024, 3, 7)) { return QDateTime(date, QTime(h, m, s)); }

    void sampleAt(const QDateTime &when, double p1, double p2 = 0)
    {
        clock.at = when;
        sample.p1 = p1;
        sample.p2 = p2;
        sample.PP2 = p2;
        dispatch.LogSample(sample);
    }
    // `count` samples `stepSeconds` apart from `from`; power(i) gives CH1 and CH2.
    template<typename Power>
    void run(const QDateTime &from, int count, Power power, int stepSeconds = 1)
    {
        for (int i = 0; i < count; ++i) {
            const auto [p1, p2] = power(i);
            sampleAt(from.addSecs(qint64(i) * stepSeconds), p1, p2);
        }
    }
    QStringList rowText(RowTableModel &table, int row = 0)
    {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c)
            cells << table.text(row, c);
        return cells;
    }

    ManualClock clock;
    ProgramFlags flags;
    Settings settings;
    RealtimeSample sample;
    bool portOpen = true;
    int laterSteps = 0;
    SampleDispatch dispatch;
    RealtimeListing listing{{flags, settings, [this] { return portOpen; }, clock}};
    ListingTables &tables = listing.tables();
};
