#pragma once

#include <QString>

// Locale-independent decimal text for settings values and SQL literals:
// never an exponent, "." as decimal point, at most significantDigits
// significant digits (clamped to 1..17), no trailing zeros or point, and
// "0" for negative zero. NaN and infinities have no such text: the result is
// empty, which no reader takes for a number.
QString plainDecimal(double value, int significantDigits = 15);
