// Interval statistics on a clock the test sets, one sample a second unless
// a case says otherwise.
#include "listing_fixture.h"

#include <QSignalSpy>

#include <cmath>

namespace {

using Cells = QStringList;

class Statistics : public ListingFixture
{
};

TEST_F(Statistics, RunFromHalfMinuteClosesMinuteAndFiveMinuteAtTheBoundary)
{
    sample.Volt = 231.7;
    // CH1 rises 1000..1290 W; CH2 is always negative, -200..-229 W.
    run(at(10, 4, 30), 30, [](int i) { return std::pair(1000.0 + 10 * i, -200.0 - i); });
    EXPECT_EQ(tables.minute.rowCount(), 0);
    sampleAt(at(10, 5, 0), 5000, -5000);

    ASSERT_EQ(tables.minute.rowCount(), 1);
    ASSERT_EQ(tables.fiveMinute.rowCount(), 1);
    EXPECT_EQ(tables.hour.rowCount(), 0);
    EXPECT_EQ(tables.daily.rowCount(), 0);
    // The CH2 average -214.5 rounds to the even -214; its maximum stays 0.
    EXPECT_EQ(rowText(tables.minute),
              (Cells{"5", "07:03:2024", "10:05:00", "1290", "1000", "1145", "0", "-229", "-214", "231.7", ".000", ".000",
                     ".000"}));
    // Nothing has been folded into the five-minute record yet: no maximums.
    EXPECT_EQ(rowText(tables.fiveMinute),
              (Cells{"5", "07:03:2024", "10:05:00", "0", "1000", "1145", "0", "-200", "-214", "231.7", ".000", ".000",
                     ".000"}));
    // The closing minute folded into the new five-minute record, and the
    // second-0 sample counts in the new intervals.
    const IntervalStats &five = listing.stats(RealtimeListing::FiveMinuteRecord);
    EXPECT_EQ(five.ch1MaxW, 1290);
    EXPECT_EQ(five.ch2MinW, -229);
    EXPECT_EQ(five.sampleCount, 1);
    EXPECT_EQ(listing.stats(RealtimeListing::MinuteRecord).sampleCount, 1);
    EXPECT_EQ(listing.stats(RealtimeListing::MinuteRecord).ch1MaxW, 5000);
    EXPECT_EQ(tables.oneSecond.rowCount(), 31);
}

TEST_F(Statistics, MidnightWritesDayHourFiveMinuteAndMinuteInThatOrder)
{
    QStringList order;
    const std::pair<RowTableModel *, const char *> watched[] = {
        {&tables.minute, "minute"}, {&tables.fiveMinute, "five"}, {&tables.hour, "hour"}, {&tables.daily, "day"}};
    for (auto [table, name] : watched)
        QObject::connect(table, &QAbstractItemModel::rowsInserted, [&order, name = name] { order << name; });

    run(at(23, 59, 58), 3, [](int) { return std::pair(700.0, 300.0); });

    EXPECT_EQ(order, (QStringList{"day", "hour", "five", "minute"}));
    EXPECT_EQ(rowText(tables.daily).mid(0, 3), (Cells{"8", "08:03:2024", "00:00:00"}));
    EXPECT_EQ(rowText(tables.hour).mid(0, 4), (Cells{"0", "08:03:2024", "00:00:00", "0"}));
    EXPECT_EQ(tables.daily.text(0, 5), "700"); // average of the day's two samples
}

TEST_F(Statistics, SamplesThatNeverFallOnSecondZeroNeverClose)
{
    run(at(10, 0, 1), 300, [](int) { return std::pair(500.0, 100.0); }, 2);
    for (int page = ListingTables::Minute; page <= ListingTables::Daily; ++page)
        EXPECT_EQ(tables.table(page).rowCount(), 0) << page;
    EXPECT_EQ(listing.stats(RealtimeListing::MinuteRecord).sampleCount, 300);
    EXPECT_EQ(listing.stats(RealtimeListing::MinuteRecord).ch1SumW, 150000);
}

TEST_F(Statistics, ZeroWattsReseedsTheMinimumAndItCarriesOverIntervals)
{
    const IntervalStats &minute = listing.stats(RealtimeListing::MinuteRecord);
    sampleAt(at(10, 0, 57), 500);
    sampleAt(at(10, 0, 58), 0);
    EXPECT_EQ(minute.ch1MinW, 0);
    sampleAt(at(10, 0, 59), 700);
    EXPECT_EQ(minute.ch1MinW, 700);
    sampleAt(at(10, 1, 0), 900);
    EXPECT_EQ(tables.minute.text(0, 4), "700");
    // The minimum is not restarted with the new minute.
    sampleAt(at(10, 1, 1), 800);
    sampleAt(at(10, 2, 0), 800);
    EXPECT_EQ(tables.minute.text(0, 3), "900");
    EXPECT_EQ(tables.minute.text(0, 4), "700");
}

TEST_F(Statistics, TheRowPastTwelveHundredDropsTheOldest)
{
    run(at(10, 0, 1), 1201, [](int i) { return std::pair(double(i), 0.0); });
    for (RowTableModel *table : {&tables.oneSecond, &tables.renewable}) {
        ASSERT_EQ(table->rowCount(), 1200);
        EXPECT_EQ(table->value(0, 3), 1200);    // newest on top
        EXPECT_EQ(table->value(1199, 3), 1);    // the first sample is gone
    }
}

TEST_F(Statistics, EnergyOfAnIntervalRoundsToThousandths)
{
    sample.KWh1 = 10.0;
    sample.KWh2 = 1.0;
    sampleAt(at(10, 0, 59), 100);
    sample.KWh1 = 10.0451;
    sample.KWh2 = 13.3456;
    sampleAt(at(10, 1, 0), 100);
    EXPECT_EQ(rowText(tables.minute).mid(10), (Cells{".045", "12.346", "12.391"}));
}

TEST_F(Statistics, FirstSampleInSecondZeroLeavesAveragesEmptyAndTheRunGoesOn)
{
    sample.Volt = 120;
    sampleAt(at(10, 5, 0), 800, 200);
    ASSERT_EQ(tables.minute.rowCount(), 1);
    EXPECT_EQ(rowText(tables.minute), (Cells{"5", "07:03:2024", "10:05:00", "0", "800", "", "0", "200", "", "", ".000",
                                             ".000", ".000"}));
    EXPECT_EQ(tables.fiveMinute.text(0, 5), "");
    run(at(10, 5, 1), 60, [](int) { return std::pair(600.0, 100.0); });
    ASSERT_EQ(tables.minute.rowCount(), 2);
    EXPECT_EQ(rowText(tables.minute).mid(3, 7), (Cells{"800", "600", "603", "200", "100", "102", "120.0"}));
    EXPECT_EQ(laterSteps, 61);
}

// Readings that overflowed the old 16-bit averages and 32-bit sums, or that
// are no power at all: no stall, and the steps after the listing still run.
struct Extreme
{
    double watts;
    const char *average; // minute row's CH1 average; nullptr: nothing listed
};
void PrintTo(const Extreme &e, std::ostream *os)
{
    *os << e.watts << " W";
}
class ExtremeReadings : public ListingFixture, public ::testing::WithParamInterface<Extreme>
{
};

TEST_P(ExtremeReadings, NeitherStallNorStopTheDispatch)
{
    const Extreme e = GetParam();
    run(at(10, 0, 30), 150, [&](int) { return std::pair(e.watts, e.watts); });
    EXPECT_EQ(laterSteps, 150);
    if (!e.average) {
        EXPECT_EQ(tables.oneSecond.rowCount(), 0);
        return;
    }
    ASSERT_EQ(tables.minute.rowCount(), 2);
    EXPECT_EQ(tables.minute.text(0, 5), e.average);
    EXPECT_EQ(tables.minute.text(1, 5), e.average);
    EXPECT_FALSE(listing.stats(RealtimeListing::MinuteRecord).closePending);
    // 150 samples of 30 MW sum past 2^31 watts.
    EXPECT_EQ(listing.stats(RealtimeListing::DayRecord).ch1SumW, int64_t(150 * e.watts));
}

INSTANTIATE_TEST_SUITE_P(Listing, ExtremeReadings,
                         ::testing::Values(Extreme{40000, "40000"}, Extreme{3e7, "30000000"},
                                           Extreme{std::nan(""), nullptr}));

TEST_F(Statistics, NoticeUntilTheFirstListedSample)
{
    QSignalSpy visible(&listing, &RealtimeListing::noticeVisibleChanged);
    flags.realtimeActive = false;
    sampleAt(at(10, 0, 1), 100);
    EXPECT_EQ(listing.notices().lines(), QStringList{RealtimeListing::kNotice});
    EXPECT_TRUE(listing.noDataNoticeShown());
    EXPECT_EQ(tables.oneSecond.rowCount(), 0);
    EXPECT_TRUE(listing.noticeVisible());

    flags.realtimeActive = true;
    portOpen = false; // packets from the network bridge
    sampleAt(at(10, 0, 2), 100);
    EXPECT_EQ(tables.oneSecond.rowCount(), 1);
    EXPECT_FALSE(listing.noDataNoticeShown());
    EXPECT_FALSE(listing.noticeVisible());
    EXPECT_EQ(visible.count(), 1);

    listing.resetWindowContent();
    EXPECT_TRUE(listing.noticeVisible());
    EXPECT_TRUE(listing.notices().lines().isEmpty());
    EXPECT_EQ(tables.oneSecond.rowCount(), 0);
}

} // namespace
