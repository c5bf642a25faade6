#include "common/number_text.h"

#include <algorithm>
#include <cmath>

QString plainDecimal(double value, int significantDigits)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0.0)
        return QStringLiteral("0");

    const int digitsWanted = std::clamp(significantDigits, 1, 17);
    // Scientific form rounds to exactly the wanted significant digits; the
    // digits are then placed around the point by hand.
    const QString sci = QString::number(std::fabs(value), 'e', digitsWanted - 1);
    const qsizetype ePos = sci.indexOf(QLatin1Char('e'));
    QString digits = sci.left(ePos).remove(QLatin1Char('.'));
    const int exponent = sci.mid(ePos + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    const int intLen = exponent + 1;
    QString text;
    if (intLen <= 0) {
        text = QStringLiteral("0.") + QString(-intLen, QLatin1Char('0')) + digits;
    } else if (intLen >= digits.size()) {
        text = digits + QString(intLen - digits.size(), QLatin1Char('0'));
    } else {
        text = digits.left(intLen) + QLatin1Char('.') + digits.mid(intLen);
    }
    return value < 0 ? QLatin1Char('-') + text : text;
}
