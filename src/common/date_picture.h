#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Formats a date and time with a picture such as "dd:mm:yyyy", "hh:nn:ss" or
// "ddd,mmm,dd,yyyy". Letters are matched without regard to case:
//   d, dd, ddd, dddd   day, two-digit day, short and long weekday name
//   m, mm, mmm, mmmm   month, two-digit month, short and long month name
//   yy, yyyy           two- and four-digit year (a lone y counts as yy)
//   h, hh  n, nn  s, ss  24-hour hour, minute ("n", as "m" is the month),
//                        second; single letter without, double with a zero
// Any other character is copied, except that a colon between two time
// fields becomes the locale's time separator. Names come from locale. An invalid
// date-time gives an empty text.
QString formatDate(const QDateTime &dt, const QString &picture, const QLocale &locale = QLocale());
