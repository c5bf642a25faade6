// The figures' text of the listing's tables in the user's locale.
#include "listing_fixture.h"

#include <QTimeZone>

namespace {

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
class FiguresInLocale : public ListingFixture, public ::testing::WithParamInterface<LocaleCase>
{
};

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
