#include "common/number_text.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <limits>

TEST(NumberText, PlainDecimalWithoutExponentOrLocale)
{
    // A locale with "," as decimal point must not leak into the text.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct
    {
        double value;
        int digits;
        const char *expected;
    } cases[] = {
        {0.126, 15, "0.126"},
        {0.1 + 0.2, 15, "0.3"},
        {1e-20, 15, "0.00000000000000000001"},
        {12.3400001525879, 7, "12.34"},
        {1234567890123456789.0, 15, "1234567890123460000"},
        {1.0 / 3.0, 15, "0.333333333333333"},
        {-0.000123, 15, "-0.000123"},
        {99.99, 3, "100"},
        {0.5, 0, "0.5"},  // fewer than one digit is taken as one
        {-0.0, 15, "0"},
        {std::numeric_limits<double>::quiet_NaN(), 15, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " to " << c.digits << " digits");
        EXPECT_EQ(plainDecimal(c.value, c.digits).toStdString(), c.expected);
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}
