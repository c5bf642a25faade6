#pragma once

#include <QString>

#include <optional>

// Reading a number out of a text box the way the monitor's utility always
// has: the leading numeric part of the text counts ("12abc" is 12, "" and
// "abc" are 0), blanks anywhere are ignored, a decimal point and an exponent
// are allowed.
double leadingNumber(const QString &text);

// The box's leading number rounded to a whole number, halves to even
// ("2.5" is 2, "3.5" is 4). Nothing when the number is too large to be any
// setting at all, so a caller's range check refuses it instead of a wrap.
std::optional<qint64> boxInteger(const QString &text);

// True when the whole text (blanks aside) is one number: "12" and " -3.5 "
// are, "", "12abc" and "." are not.
bool isNumericText(const QString &text);
