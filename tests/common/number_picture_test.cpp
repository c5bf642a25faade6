#include "common/number_picture.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct PictureCase
{
    double value;
    const char *picture;
    const char *expected;
};

void expectAll(const QLocale &locale, std::initializer_list<PictureCase> cases)
{
    for (const PictureCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with \"" << c.picture << '"');
        EXPECT_EQ(formatNumber(c.value, QString::fromUtf8(c.picture), locale).toStdString(), c.expected);
    }
}

} // namespace

TEST(NumberPicture, PlaceholdersLiteralsAndRoundingInUsEnglish)
{
    expectAll(QLocale(QLocale::English, QLocale::UnitedStates), {
        {0.5, "###.0", ".5"},
        {0.0, "###", ""},
        {0.0, "###,##0", "0"},
        {0.0, "###.0", ".0"},
        {1234, "###,##0", "1,234"},
        {1234567, "###,##0", "1,234,567"},   // more digits than the picture has
        {123456, "##", "123456"},
        {0.045, "##.000", ".045"},
        {12.3456, "##.000", "12.346"},
        {1234.567, "$ ####.00", "$ 1234.57"},
        {0.127 * 100, "$##0.00", "$12.70"},
        {42, "0 W", "42 W"},
        {3, "00", "03"},
        {5, "###.#", "5."},
        {1.5, "#.##", "1.5"},
        {1.5, "0.0#", "1.5"},
        {1.25, "0.0#", "1.25"},
        {1.5, "0.00", "1.50"},
        {1234.5, "#####.000", "1234.500"},
        {229.96, "###.0 V", "230.0 V"},
        {999.6, "###,##0", "1,000"},           // carry into a new group
        {9.995, "0.00", "10.00"},
        {1.005, "0.00", "1.01"},               // the decimal value, not its binary neighbour
        {2.5, "0", "3"},                        // half away from zero
        {-2.5, "0", "-3"},
        {-1234.5, "###,##0.0", "-1,234.5"},
        {-1234.5, "$#,##0", "-$1,235"},
        {-0.001, "0.00", "0.00"},               // no sign on a value shown as zero
        {std::numeric_limits<double>::quiet_NaN(), "###", ""},
    });
}

TEST(NumberPicture, GermanLocaleSwapsGroupAndDecimalCharacters)
{
    expectAll(QLocale(QLocale::German, QLocale::Germany), {
        {1234567.891, "###,##0.00", "1.234.567,89"},
        {0.5, "###.0", ",5"},
        {1234.5, "####.0", "1234,5"},
    });
}
