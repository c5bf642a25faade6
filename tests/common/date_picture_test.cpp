#include "common/date_picture.h"

#include <gtest/gtest.h>

namespace {

struct DateCase
{
    QDateTime when;
    const char *picture;
    const char *expected;
};

} // namespace

TEST(DatePicture, FieldsNamesAndLiterals)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDateTime newYear(QDate(2009, 1, 1), QTime(7, 5, 9));
    const QDateTime yearEnd(QDate(2009, 12, 31), QTime(23, 59, 58));
    const DateCase cases[] = {
        {newYear, "dd:mm:yyyy", "01:01:2009"},
        {newYear, "mm,dd,yyyy hh:nn", "01,01,2009 07:05"},
        {newYear, "hh:nn:ss", "07:05:09"},
        {newYear, "ddd,mmm,dd,yyyy", "Thu,Jan,01,2009"},
        {newYear, "dddd mmmm", "Thursday January"},
        {newYear, "d/m/yy h:n:s", "1/1/09 7:5:9"},
        {newYear, "DD.MM.YYYY HH:NN", "01.01.2009 07:05"},
        {yearEnd, "yyyy-mm-dd hh:nn:ss", "2009-12-31 23:59:58"},
        {yearEnd, "mm,dd,yyyy hh:nn", "12,31,2009 23:59"},
        {QDateTime(), "dd:mm:yyyy", ""},
    };
    for (const DateCase &c : cases) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(formatDate(c.when, QString::fromUtf8(c.picture), us).toStdString(), c.expected);
    }
}

TEST(DatePicture, NamesFollowTheLocale)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDateTime may(QDate(2010, 5, 3), QTime(12, 0, 0));
    EXPECT_EQ(formatDate(may, QStringLiteral("dddd, dd. mmmm yyyy"), german),
              QStringLiteral("Montag, 03. Mai 2010"));
}
