#include "common/date_picture.h"

#include <gtest/gtest.h>

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
