// The clipboard text of the listing's tables, and the figures' text in the
// user's locale.
#include "listing/list_copy_text.h"
#include "listing_fixture.h"

namespace {

class CopyText : public ListingFixture
{
protected:
    // Two minute rows: 10:01:00 over three samples, 10:02:00 over one.
    void twoMinutes()
    {
        sample.Volt = 120;
        sampleAt(at(10, 0, 58), 1000, 500);
        sampleAt(at(10, 0, 59), 1200, 400);
        sampleAt(at(10, 1, 0), 900, 300);
        sampleAt(at(10, 2, 0), 900, 300);
    }
};

TEST_F(CopyText, ColumnRangeAlwaysStartsRowsWithTheFirstColumn)
{
    twoMinutes();
    // Headers of columns 3 to 5; rows give column 1, then columns 4 and 5.
    EXPECT_EQ(listCopyText(tables.minute, true, 3, 5, true).text,
              "Time\tCH1max W\tCH1min W\t\r\n2\t900\t900\r\n1\t1200\t1000\r\n");
}

struct LocaleCase
{
    QLocale locale;
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

TEST_P(FiguresInLocale, GroupingAndDecimalMarksFollowTheLocale)
{
    settings.Rate = 0.126;
    sample.Volt = 231.74;
    sample.KWh1 = 1234.5678;
    sample.KWh2 = 10;
    sample.KWh2P = 4;
    sample.Amp1 = 6.5f;
    sample.Amp2 = 0.25f;
    clock.at = at(14, 5, 9);
    sample.p1 = 1500;
    sample.p2 = 600;
    sample.PP2 = -600; // exported on CH2
    dispatch.LogSample();
    tables.oneSecond.setLocale(GetParam().locale);
    tables.renewable.setLocale(GetParam().locale);
    EXPECT_EQ(rowText(tables.oneSecond).mid(0, 3), (QStringList{"9", "07:03:2024", "14:05:09"}));
    EXPECT_EQ(rowText(tables.oneSecond).mid(3), GetParam().oneSecond);
    EXPECT_EQ(rowText(tables.renewable).mid(3), GetParam().renewable);
}

INSTANTIATE_TEST_SUITE_P(
    Listing, FiguresInLocale,
    ::testing::Values(
        LocaleCase{QLocale(QLocale::English, QLocale::UnitedStates),
                   {"1,500", "600", "2,100", "231.7", "1,234.568", "10.000", "1,244.568", "$ 156.82", "6.5", ".3", "6.8"},
                   {"1,500", "-600", "900", "231.7", "1,234.568", "6.000", "4.000", "1,240.568"}},
        LocaleCase{QLocale(QLocale::German, QLocale::Germany),
                   {"1.500", "600", "2.100", "231,7", "1.234,568", "10,000", "1.244,568", "$ 156,82", "6,5", ",3", "6,8"},
                   {"1.500", "-600", "900", "231,7", "1.234,568", "6,000", "4,000", "1.240,568"}}));

} // namespace
