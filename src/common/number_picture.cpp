#include "common/number_picture.h"

#include <algorithm>
#include <cmath>

namespace {

bool isPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// Decimal digits of |value| rounded half away from zero to fractionDigits.
// Working from the 15-significant-digit decimal form keeps binary noise out
// of the rounding: 1.005 is rounded as the 1.005 the user sees.
struct Digits
{
    QString integer;  // no leading zeros; empty for zero
    QString fraction; // exactly fractionDigits long
};

Digits roundedDigits(double magnitude, int fractionDigits)
{
    const QString sci = QString::number(magnitude, 'e', 14);
    const qsizetype ePos = sci.indexOf(QLatin1Char('e'));
    QString digits = sci.left(ePos).remove(QLatin1Char('.'));
    int point = sci.mid(ePos + 1).toInt() + 1; // digits before the point
    if (point < 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    }
    const int keep = point + fractionDigits;
    if (digits.size() < keep + 1)
        digits.append(QString(keep + 1 - digits.size(), QLatin1Char('0')));

    const bool roundUp = digits.at(keep) >= QLatin1Char('5');
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0 && digits.at(i) == QLatin1Char('9'); --i)
            digits[i] = QLatin1Char('0');
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            ++point;
        }
    }

    Digits result{digits.left(point), digits.mid(point)};
    qsizetype lead = 0;
    while (lead < result.integer.size() && result.integer.at(lead) == QLatin1Char('0'))
        ++lead;
    result.integer.remove(0, lead);
    return result;
}

} // namespace

QString formatNumber(double value, const QString &picture, const QLocale &locale)
{
    if (!std::isfinite(value))
        return {};

    const qsizetype pointAt = picture.indexOf(QLatin1Char('.'));
    const QString intPicture = pointAt < 0 ? picture : picture.left(pointAt);
    const QString fracPicture = pointAt < 0 ? QString() : picture.mid(pointAt + 1);

    int intSlots = 0;
    int minIntDigits = 0; // slots from the leftmost "0" to the point
    for (QChar c : intPicture) {
        if (isPlaceholder(c)) {
            ++intSlots;
            if (c == QLatin1Char('0') || minIntDigits > 0)
                ++minIntDigits;
        }
    }
    const bool grouping = intPicture.contains(QLatin1Char(','));
    const auto fracSlots = int(std::count_if(fracPicture.begin(), fracPicture.end(), isPlaceholder));

    const Digits d = roundedDigits(std::fabs(value), fracSlots);
    const int shownInt = std::max<int>(d.integer.size(), minIntDigits);
    const QString intDigits = QString(shownInt - d.integer.size(), QLatin1Char('0')) + d.integer;

    QString out;
    const auto emitIntDigit = [&](int fromRight) {
        out += intDigits.at(shownInt - 1 - fromRight);
        if (grouping && fromRight > 0 && fromRight % 3 == 0)
            out += locale.groupSeparator();
    };
    int slotFromRight = intSlots; // slots at and right of the current one
    for (QChar c : intPicture) {
        if (c == QLatin1Char(','))
            continue;
        if (!isPlaceholder(c)) {
            out += c;
            continue;
        }
        --slotFromRight;
        // The leftmost slot also carries the digits the picture has no room for.
        const int from = slotFromRight == intSlots - 1 ? shownInt - 1 : slotFromRight;
        for (int pos = from; pos >= slotFromRight; --pos)
            if (pos < shownInt)
                emitIntDigit(pos);
    }
    if (intSlots == 0) // a picture like ".00" still must not lose the integer
        for (int pos = shownInt - 1; pos >= 0; --pos)
            emitIntDigit(pos);

    if (pointAt >= 0) {
        out += locale.decimalPoint();
        // "#" drops trailing zeros, but never left of a "0" slot.
        int lastShown = -1;
        int slot = 0;
        for (QChar c : fracPicture) {
            if (!isPlaceholder(c))
                continue;
            if (c == QLatin1Char('0') || d.fraction.at(slot) != QLatin1Char('0'))
                lastShown = slot;
            ++slot;
        }
        slot = 0;
        for (QChar c : fracPicture) {
            if (c == QLatin1Char(','))
                continue;
            if (!isPlaceholder(c))
                out += c;
            else if (slot++ <= lastShown)
                out += d.fraction.at(slot - 1);
        }
    }

    const bool isZero = d.integer.isEmpty() && d.fraction.count(QLatin1Char('0')) == d.fraction.size();
    return value < 0 && !isZero ? QLatin1Char('-') + out : out;
}
