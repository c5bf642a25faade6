#include "common/number_picture.h"
#include "common/date_picture.h"
#include "common/rounding.h"
#include "common/number_text.h"
#include "common/box_number.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <limits>
#include <optional>

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

TEST(DatePicture, FieldsNamesAndLiterals)
{
    const QDateTime newYear(QDate(2009, 1, 1), QTime(7, 5, 9));
    const QDateTime yearEnd(QDate(2009, 12, 31), QTime(23, 59, 58));
    const struct
    {
        QDateTime when;
        const char *picture;
        const char *expected;
        const char *locale = "en_US";
    } cases[] = {
        {newYear, "dd:mm:yyyy", "01:01:2009"},
        {newYear, "mm,dd,yyyy hh:nn", "01,01,2009 07:05"},
        {newYear, "ddd,mmm,dd,yyyy", "Thu,Jan,01,2009"},
        {newYear, "dddd mmmm", "Thursday January"},
        {newYear, "d/m/yy h:n:s", "1/1/09 7:5:9"},
        {yearEnd, "yyyy-mm-dd hh:nn:ss", "2009-12-31 23:59:58"},
        {QDateTime(), "dd:mm:yyyy", ""},
        // Time fields take the locale's separator, date fields keep the picture's.
        {yearEnd, "dd:mm:yyyy hh:nn:ss", "31:12:2009 23.59.58", "fi_FI"},
        {newYear, "hh:nn:ss", "07:05:09", "C"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(formatDate(c.when, QString::fromUtf8(c.picture), QLocale(QString::fromLatin1(c.locale))).toStdString(),
                  c.expected);
    }
}

TEST(Rounding, HalfToEvenAndRefusesWhatDoesNotFit)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        double value;
        std::optional<int16_t> expected;
    } cases16[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {2.5000001, 3}, {-7.6, -8},
        {32767.4, 32767}, {32767.5, std::nullopt}, {-32768.5, -32768}, {-32768.6, std::nullopt}, {kNaN, std::nullopt},
    };
    for (const auto &c : cases16)
        EXPECT_EQ(toInt16HalfEven(c.value), c.expected) << c.value;
    const struct
    {
        double value;
        std::optional<int32_t> expected;
    } cases32[] = {
        {40000.5, 40000}, {40001.5, 40002}, {2147483646.5, 2147483646}, {2147483647.5, std::nullopt},
        {-2147483648.5, -2147483647 - 1}, {kNaN, std::nullopt},
    };
    for (const auto &c : cases32)
        EXPECT_EQ(toInt32HalfEven(c.value), c.expected) << c.value;
}

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

TEST(BoxNumber, LeadingNumberRoundedHalfToEven)
{
    const struct
    {
        const char *text;
        std::optional<qint64> value;
        bool numeric;
    } cases[] = {
        {"12abc", 12, false},  {"", 0, false},         {"abc", 0, false},     {"0.4", 0, true},
        {"2.5", 2, true},      {"3.5", 4, true},       {"-2.5", -2, true},    {"-0.5", 0, true},
        {" 1 2 ", 12, true},   {"65535", 65535, true}, {"65536", 65536, true}, {"-1", -1, true},
        {"1e3", 1000, true},   {"1E", 1, false},       {"2D2", 200, true},    {".5", 0, true},
        {"1.5.5", 2, false},   {"+7", 7, true},        {".", 0, false},       {"-", 0, false},
        {"255.5", 256, true},  {"1e400", std::nullopt, true}, {"-1e400", std::nullopt, true},
        {"99999999999999999999", std::nullopt, true}, {"٣", 0, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(boxInteger(QString::fromUtf8(c.text)), c.value) << c.text;
        EXPECT_EQ(isNumericText(QString::fromUtf8(c.text)), c.numeric) << c.text;
    }
    EXPECT_DOUBLE_EQ(leadingNumber("2.75kW"), 2.75);
}
