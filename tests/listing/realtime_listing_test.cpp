// Interval statistics on a clock the test sets, one sample a second unless
// a case says otherwise.
#include "listing_fixture.h"

#include <QSignalSpy>
#include <QTimeZone>

#include <gmock/gmock.h>

#include <cmath>
#include <functional>
#include <map>
#include <optional>

namespace {

using Statistics = ListingFixture;

// Runs of samples and the summary rows they must leave. Energy grows 1 kWh
// on CH1 and 0.25 kWh on CH2 per real hour between samples (none when the
// clock goes back), so a row's energy is how long its interval really lasted.
struct SampleRun
{
    const char *from; // wall-clock time in the case's zone
    int count;
    int stepSeconds;
};
struct IntervalCase
{
    const char *name;
    const char *zone; // nullptr: the computer's own
    std::vector<SampleRun> runs;
    std::function<std::pair<double, double>(QTime)> power; // CH1, CH2 at a wall-clock time
    std::array<int, 4> rows;                               // minute, five-minute, hour, day
    std::vector<std::pair<int, const char *>> shown;       // page, a whole row, cells joined by blanks
};
class Intervals : public ListingFixture, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(Intervals, CloseOnceOnTheFirstSampleOfALaterInterval)
{
    const IntervalCase &c = GetParam();
    const QTimeZone zone = c.zone ? QTimeZone(c.zone) : QTimeZone::systemTimeZone();
    ASSERT_TRUE(zone.isValid()) << c.zone;
    sample.Volt = 230;
    std::optional<QDateTime> previous;
    double hours = 0;
    for (const SampleRun &run : c.runs) {
        const QDateTime from = QDateTime::fromString(run.from, "yyyy-MM-dd hh:mm:ss");
        const QDateTime start(from.date(), from.time(), zone);
        for (int i = 0; i < run.count; ++i) {
            const QDateTime when = start.addSecs(qint64(i) * run.stepSeconds);
            hours += std::max<qint64>(0, previous.value_or(when).secsTo(when)) / 3600.0;
            previous = when;
            sample.KWh1 = 1000 + hours;
            sample.KWh2 = 500 + hours / 4;
            const auto [p1, p2] = c.power(when.time());
            sampleAt(when, p1, p2);
        }
    }
    const int pages[] = {ListingTables::Minute, ListingTables::FiveMinute, ListingTables::Hour, ListingTables::Daily};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tables.table(pages[i]).rowCount(), c.rows[i]) << "page " << pages[i];
    for (const auto &[page, row] : c.shown) {
        std::vector<std::string> rows;
        for (int r = 0; r < tables.table(page).rowCount(); ++r)
            rows.push_back(rowText(tables.table(page), r).join(' ').toStdString());
        EXPECT_THAT(rows, ::testing::Contains(std::string(row))) << "page " << page;
    }
}

// 1000 W on CH1 and -500 W on CH2, but at the given moments.
std::function<std::pair<double, double>(QTime)> steadyBut(std::map<QTime, std::pair<double, double>> events = {})
{
    return [events](QTime t) {
        const auto it = events.find(t);
        return it == events.end() ? std::pair(1000.0, -500.0) : it->second;
    };
}

using L = ListingTables;
INSTANTIATE_TEST_SUITE_P(
    Listing, Intervals,
    ::testing::Values(
        // CH1 rises 1000..1290 W, CH2 falls -200..-229 W; nothing has been
        // folded into the first five-minute row, so it shows no maximums.
        IntervalCase{"FromHalfAMinute", nullptr, {{"2024-03-07 10:04:30", 31, 1}},
                     [](QTime t) {
                         const int i = t.second() - 30;
                         return t.minute() == 5 ? std::pair(5000.0, -5000.0) : std::pair(1000.0 + 10 * i, -200.0 - i);
                     },
                     {1, 1, 0, 0},
                     {{L::Minute, "5 07:03:2024 10:05:00 1290 1000 1145 0 -229 -214 230.0 .008 .002 .010"},
                      {L::FiveMinute, "5 07:03:2024 10:05:00 0 1000 1145 0 -200 -214 230.0 .008 .002 .010"}}},
        // 10:05:00 and 10:06:00 lost, then nothing until 10:08:02: each row
        // still covers one minute and is labelled with the minute it ended.
        IntervalCase{"LostSecondZero", nullptr,
                     {{"2024-03-07 10:04:57", 3, 1}, {"2024-03-07 10:05:01", 2, 29}, {"2024-03-07 10:08:02", 1, 1}},
                     [](QTime t) { return std::pair(100.0 * t.second(), 0.0); }, {2, 1, 0, 0},
                     {{L::Minute, "5 07:03:2024 10:05:00 5900 5700 5800 0 0 0 230.0 .001 .000 .001"},
                      {L::Minute, "6 07:03:2024 10:06:00 3000 100 1550 0 0 0 230.0 .050 .013 .063"}}},
        // A 0 W reading re-seeds the lowest power from the next sample; the
        // lowest power then carries over into the next minute.
        IntervalCase{"ZeroWattsReseedsTheMinimum", nullptr,
                     {{"2024-03-07 10:00:57", 5, 1}, {"2024-03-07 10:02:00", 1, 1}},
                     steadyBut({{QTime(10, 0, 57), {500, -500}}, {QTime(10, 0, 58), {0, -500}},
                                {QTime(10, 0, 59), {700, -500}}, {QTime(10, 1, 0), {900, -500}},
                                {QTime(10, 1, 1), {800, -500}}}),
                     {2, 0, 0, 0},
                     {{L::Minute, "1 07:03:2024 10:01:00 700 700 400 0 -500 -500 230.0 .001 .000 .001"},
                      {L::Minute, "2 07:03:2024 10:02:00 900 700 850 0 -500 -500 230.0 .017 .004 .021"}}},
        // The first sample opens its intervals without closing any; a second
        // sample in the same second 0 closes nothing more.
        IntervalCase{"TwoSamplesInOneSecondZero", nullptr,
                     {{"2024-03-07 10:05:00", 61, 1}, {"2024-03-07 10:06:00", 2, 1}}, steadyBut(), {1, 0, 0, 0},
                     {{L::Minute, "6 07:03:2024 10:06:00 1000 1000 1000 0 -500 -500 230.0 .017 .004 .021"}}},
        // Spikes and dips on both channels, CH2 once above zero; a minute
        // closing on a five-minute boundary folds into the next five minutes.
        IntervalCase{"FoldIntoHoursAndTheDay", nullptr, {{"2024-03-07 22:00:00", 721, 10}},
                     steadyBut({{QTime(22, 4, 30), {4000, -500}}, {QTime(22, 12, 20), {1000, 800}},
                                {QTime(23, 17, 40), {2500, -500}}, {QTime(23, 20, 0), {1000, 600}},
                                {QTime(23, 31, 0), {300, -500}}, {QTime(23, 44, 10), {1000, -2000}}}),
                     {120, 24, 2, 1},
                     {{L::FiveMinute, "5 07:03:2024 22:05:00 1000 1000 1100 0 -500 -500 230.0 .083 .021 .104"},
                      {L::FiveMinute, "10 07:03:2024 22:10:00 4000 1000 1000 0 -500 -500 230.0 .083 .021 .104"},
                      {L::FiveMinute, "15 07:03:2024 22:15:00 1000 1000 1000 800 -500 -457 230.0 .083 .021 .104"},
                      {L::Hour, "23 07:03:2024 23:00:00 4000 1000 1008 800 -500 -496 230.0 1.000 .250 1.250"},
                      {L::Hour, "0 08:03:2024 00:00:00 2500 300 1002 600 -2000 -501 230.0 1.000 .250 1.250"},
                      {L::Daily, "8 08:03:2024 00:00:00 4000 1000 1005 800 -500 -499 230.0 2.000 .500 2.500"}}},
        // The clock set back an hour closes every interval but the day's,
        // each row labelled with the end of the interval it covers.
        IntervalCase{"ClockSetBack", nullptr, {{"2024-03-07 10:30:50", 5, 1}, {"2024-03-07 09:30:10", 60, 1}},
                     steadyBut(), {2, 1, 1, 0},
                     {{L::Minute, "31 07:03:2024 10:31:00 1000 1000 1000 0 -500 -500 230.0 .001 .000 .001"},
                      {L::Minute, "31 07:03:2024 09:31:00 1000 1000 1000 0 -500 -500 230.0 .014 .003 .017"},
                      {L::FiveMinute, "35 07:03:2024 10:35:00 0 1000 1000 0 -500 -500 230.0 .001 .000 .001"},
                      {L::Hour, "11 07:03:2024 11:00:00 0 1000 1000 0 -500 -500 230.0 .001 .000 .001"}}},
        // Clocks go from 00:00 to 01:00 on 8 September 2024: a day of 23 hours.
        IntervalCase{"ClockForwardAtMidnight", "America/Santiago", {{"2024-09-07 00:00:00", 189, 900}}, steadyBut(),
                     {188, 188, 47, 2},
                     {{L::Daily, "8 08:09:2024 01:00:00 1000 1000 1000 0 -500 -500 230.0 24.000 6.000 30.000"},
                      {L::Daily, "9 09:09:2024 00:00:00 1000 1000 1000 0 -500 -500 230.0 23.000 5.750 28.750"}}},
        // Clocks go from 01:00 back to 00:00 on 3 November 2024: midnight twice in a day of 25 hours.
        IntervalCase{"ClockBackToMidnight", "America/Havana", {{"2024-11-02 00:00:00", 197, 900}}, steadyBut(),
                     {196, 196, 49, 2},
                     {{L::Daily, "3 03:11:2024 00:00:00 1000 1000 1000 0 -500 -500 230.0 24.000 6.000 30.000"},
                      {L::Daily, "4 04:11:2024 00:00:00 1000 1000 1000 0 -500 -500 230.0 25.000 6.250 31.250"}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Statistics, TheRowPastTwelveHundredDropsTheOldest)
{
    run(at(10, 0, 1), 1201, [](int i) { return std::pair(double(i), 0.0); });
    for (RowTableModel *table : {&tables.oneSecond, &tables.renewable}) {
        ASSERT_EQ(table->rowCount(), 1200);
        EXPECT_EQ(table->value(0, 3), 1200);    // newest on top
        EXPECT_EQ(table->value(1199, 3), 1);    // the first sample is gone
    }
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
class ExtremeReadings : public ListingFixture, public ::testing::WithParamInterface<Extreme> {};

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
    // 150 samples of 30 MW sum past 2^31 watts.
    EXPECT_EQ(listing.stats(RealtimeListing::DayRecord).ch1SumW, int64_t(150 * e.watts));
}

INSTANTIATE_TEST_SUITE_P(Listing, ExtremeReadings,
                         ::testing::Values(Extreme{3e7, "30000000"},
                                           Extreme{std::nan(""), nullptr}));

TEST_F(Statistics, NoticeUntilTheFirstListedSample)
{
    QSignalSpy visible(&listing, &RealtimeListing::noticeVisibleChanged);
    flags.realtimeActive = false;
    sampleAt(at(10, 0, 1), 100);
    EXPECT_EQ(listing.notices().lines(), QStringList{RealtimeListing::kNotice});
    EXPECT_EQ(tables.oneSecond.rowCount(), 0);
    EXPECT_TRUE(listing.noticeVisible());

    flags.realtimeActive = true;
    portOpen = false; // packets from the network bridge
    sampleAt(at(10, 0, 2), 100);
    EXPECT_EQ(tables.oneSecond.rowCount(), 1);
    EXPECT_FALSE(listing.noticeVisible());
    EXPECT_EQ(visible.count(), 1);

    listing.resetWindowContent();
    EXPECT_TRUE(listing.noticeVisible());
    EXPECT_TRUE(listing.notices().lines().isEmpty());
    EXPECT_EQ(tables.oneSecond.rowCount(), 0);
}

// The figures' text of the listing's tables in the user's locale.
struct LocaleCase
{
    QLocale locale;
    QDateTime when;       // a sample came one second before
    QStringList stamps;   // columns 1 to 3 of the sample and of the one before
    QStringList oneSecond; // columns 4 to 14
    QStringList renewable; // columns 4 to 11
};
void PrintTo(const LocaleCase &c, std::ostream *os)
{
    *os << c.locale.name().toStdString();
}
class FiguresInLocale : public ListingFixture, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(FiguresInLocale, DatesTimesAndFiguresFollowTheLocaleAndTheWallClock)
{
    settings.Rate = 0.126;
    sample.Volt = 231.74;
    sample.KWh1 = 1234.5678;
    sample.KWh2 = 10;
    sample.KWh2P = 4;
    sample.Amp1 = 6.5f;
    sample.Amp2 = 0.25f;
    sample.p1 = 1500;
    sample.p2 = 600;
    sample.PP2 = -600; // exported on CH2
    for (const QDateTime &when : {GetParam().when.addSecs(-1), GetParam().when}) {
        clock.at = when;
        dispatch.LogSample(sample);
    }
    tables.oneSecond.setLocale(GetParam().locale);
    tables.renewable.setLocale(GetParam().locale);
    EXPECT_EQ((QStringList{rowText(tables.oneSecond, 0).mid(0, 3).join(' '), rowText(tables.oneSecond, 1).mid(0, 3).join(' ')}),
              GetParam().stamps);
    EXPECT_EQ(rowText(tables.oneSecond).mid(3), GetParam().oneSecond);
    EXPECT_EQ(rowText(tables.renewable).mid(3), GetParam().renewable);
}

INSTANTIATE_TEST_SUITE_P(
    Listing, FiguresInLocale,
    ::testing::Values(
        LocaleCase{QLocale(QLocale::English, QLocale::UnitedStates), QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)),
                   {"9 07:03:2024 14:05:09", "8 07:03:2024 14:05:08"},
                   {"1,500", "600", "2,100", "231.7", "1,234.568", "10.000", "1,244.568", "$ 156.82", "6.5", ".3", "6.8"},
                   {"1,500", "-600", "900", "231.7", "1,234.568", "6.000", "4.000", "1,236.568"}},
        // Midnight never happens where the clocks go forward at midnight.
        LocaleCase{QLocale(QLocale::German, QLocale::Germany),
                   QDateTime(QDate(2024, 9, 8), QTime(1, 0, 0), QTimeZone("America/Santiago")),
                   {"0 08:09:2024 01:00:00", "59 07:09:2024 23:59:59"},
                   {"1.500", "600", "2.100", "231,7", "1.234,568", "10,000", "1.244,568", "$ 156,82", "6,5", ",3", "6,8"},
                   {"1.500", "-600", "900", "231,7", "1.234,568", "6,000", "4,000", "1.236,568"}},
        LocaleCase{QLocale(QLocale::Finnish, QLocale::Finland),
                   QDateTime(QDate(2024, 3, 31), QTime(4, 0, 0), QTimeZone("Europe/Helsinki")),
                   {"0 31:03:2024 04.00.00", "59 31:03:2024 02.59.59"},
                   {"1\u00a0500", "600", "2\u00a0100", "231,7", "1\u00a0234,568", "10,000", "1\u00a0244,568", "$ 156,82", "6,5",
                    ",3", "6,8"},
                   {"1\u00a0500", "-600", "900", "231,7", "1\u00a0234,568", "6,000", "4,000", "1\u00a0236,568"}}));

} // namespace
