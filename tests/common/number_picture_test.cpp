#include "common/number_picture.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NumberPicture, PlaceholdersLiteralsAndRoundingInUsEnglish)
{
    const struct
    {
        double value;
        const char *picture;
        const char *expected;
    } cases[] = {
        {0.5, "###.0", ".5"},
        {0.0, "###", ""},
        {0.0, "###,##0", "0"},
        {1234, "###,##0", "1,234"},
        {1234567, "###,##0", "1,234,567"}, // more digits than the picture has
        {0.045, "##.000", ".045"},
        {12.3456, "##.000", "12.346"},
        {1234.567, "$ ####.00", "$ 1234.57"},
        {5, "###.#", "5."},
        {1.25, "0.0#", "1.25"},
        {229.96, "###.0 V", "230.0 V"},
        {999.6, "###,##0", "1,000"},      // carry into a new group
        {1.005, "0.00", "1.01"},          // the decimal value, not its binary neighbour
        {-2.5, "0", "-3"},                // half away from zero
        {-1234.5, "$#,##0", "-$1,235"},
        {-0.001, "0.00", "0.00"},         // no sign on a value shown as zero
        {std::numeric_limits<double>::quiet_NaN(), "###", ""},
    };
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with \"" << c.picture << '"');
        EXPECT_EQ(formatNumber(c.value, QString::fromUtf8(c.picture), us).toStdString(), c.expected);
    }
    EXPECT_EQ(formatNumber(1234567.891, "###,##0.00", QLocale(QLocale::German, QLocale::Germany)), "1.234.567,89");
}
