#pragma once

#include <QLocale>
#include <QString>

// Formats a number with a picture such as "###,##0", "###.0" or "$ ####.00":
//   0  a digit always shown
//   #  a digit shown only when significant (no leading zero, no trailing
//      zero in the fraction)
//   ,  anywhere in the integer part: group the integer digits
//   .  the decimal point (the first one; always shown when present)
// Any other character is copied where it stands. The value is rounded half
// away from zero to the fraction digits of the picture; integer digits beyond
// the picture's placeholders are all shown. Negative values get a leading "-"
// unless they round to zero. Group and decimal characters come from locale.
// NaN and infinities give an empty text.
QString formatNumber(double value, const QString &picture, const QLocale &locale = QLocale());
