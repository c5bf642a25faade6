// The simulated monitor streams through the program's real serial port into
// SQLite and the listing, on a clock that turns one second per packet.
#include "common/number_picture.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QTest>

namespace {

// The monitor's seconds counter as the computer's clock: the first sample
// listed falls on 10:00:30, and each packet is one second later.
class PacketClock : public Clock
{
public:
    explicit PacketClock(const RealtimeSample &sample) : m_sample(sample) {}
    QDateTime now() const override
    {
        if (!m_first)
            m_first = m_sample.secondsCounter;
        return QDateTime(QDate(2024, 6, 21), QTime(10, 0, 30)).addSecs(m_sample.secondsCounter - *m_first);
    }

private:
    const RealtimeSample &m_sample;
    mutable std::optional<int32_t> m_first;
};

using ListingFlow = StreamingProgramTest;

TEST_F(ListingFlow, ListedRowsAgreeWithTheDatabase)
{
    // Morning to afternoon of a solar house: importing first, then exporting on CH2.
    sim.model().setSolar(3000, 800, 3000);
    sim.model().setDayStartHour(6.5);
    sim.model().setVoltage(121.3);
    sim.model().setSecondsStart(5000);
    sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
    ASSERT_NO_FATAL_FAILURE(make(10));
    PacketClock clock(program->sample());
    program->setClock(&clock);
    // Packets flow from the start; the listing need not wait for the watchdog to notice.
    program->flags().realtimeActive = true;
    ListingTables &tables = program->listing().tables();
    program->startUp();
    // Rows at 10:01:00 and 10:02:00: 91 samples.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tables.minute.rowCount() >= 2; }, 20000));
    program->serial().ClosePort();
    program->exitSequence();

    const auto table = storedSamples(db, "p1,p2,pp2,volt,kwh1,kwh2,kwh2p");
    const int n = int(table.size());
    ASSERT_EQ(tables.oneSecond.rowCount(), n);
    bool exported = false, imported = false;
    for (int i = 0; i < n; ++i) {
        const auto &d = table[i];
        const int r = n - 1 - i; // newest row on top
        EXPECT_EQ(tables.oneSecond.value(r, 3), d["p1"]) << i;
        EXPECT_EQ(tables.oneSecond.value(r, 4), d["p2"]) << i;
        EXPECT_DOUBLE_EQ(tables.oneSecond.value(r, 6), d["volt"]) << i;
        EXPECT_NEAR(tables.oneSecond.value(r, 7), d["kwh1"], 1e-9) << i;
        EXPECT_EQ(tables.renewable.value(r, 4), d["pp2"]) << i;
        EXPECT_NEAR(tables.renewable.value(r, 8), d["kwh2"] - d["kwh2p"], 1e-9) << i;
        EXPECT_NEAR(tables.renewable.value(r, 9), d["kwh2p"], 1e-9) << i;
        exported |= d["pp2"] < 0;
        imported |= d["pp2"] > 0;
    }
    EXPECT_TRUE(exported && imported);

    // Database row 30 is the sample at 10:01:00, row 90 the one at 10:02:00.
    ASSERT_GT(n, 90);
    const int last = tables.minute.rowCount() - 1;
    EXPECT_EQ(tables.minute.text(last, 2), "10:01:00");
    EXPECT_EQ(tables.minute.text(last - 1, 2), "10:02:00");
    const double ch1 = table[90]["kwh1"] - table[30]["kwh1"];
    const double ch2 = table[90]["kwh2"] - table[30]["kwh2"];
    EXPECT_NEAR(tables.minute.value(last - 1, 10), ch1, 1e-9);
    EXPECT_NEAR(tables.minute.value(last - 1, 11), ch2, 1e-9);
    EXPECT_EQ(tables.minute.text(last - 1, 12), formatNumber(ch1 + ch2, "##.000"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

} // namespace
