#include "common/box_number.h"

#include "common/rounding.h"

#include <cmath>

namespace {

constexpr double kLargestBoxInteger = 9007199254740992.0; // 2^53: every whole double below is exact

// Blanks, tabs and line feeds are skipped wherever they stand.
QByteArray withoutBlanks(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        // Anything outside Latin-1 ends the number: it cannot be part of one.
        out.append(c.unicode() < 0x80 ? char(c.unicode()) : '\x01');
    }
    return out;
}

// Length of the numeric prefix of s: sign, digits, point, digits, exponent.
qsizetype numericPrefix(const QByteArray &s, bool *hasDigits)
{
    qsizetype i = 0;
    const auto digitsFrom = [&](qsizetype at) {
        qsizetype j = at;
        while (j < s.size() && s.at(j) >= '0' && s.at(j) <= '9')
            ++j;
        return j;
    };
    if (i < s.size() && (s.at(i) == '+' || s.at(i) == '-'))
        ++i;
    qsizetype j = digitsFrom(i);
    bool digits = j > i;
    i = j;
    if (i < s.size() && s.at(i) == '.') {
        j = digitsFrom(i + 1);
        digits = digits || j > i + 1;
        i = j;
    }
    *hasDigits = digits;
    if (!digits)
        return 0;
    if (i < s.size() && (s.at(i) == 'e' || s.at(i) == 'E' || s.at(i) == 'd' || s.at(i) == 'D')) {
        qsizetype k = i + 1;
        if (k < s.size() && (s.at(k) == '+' || s.at(k) == '-'))
            ++k;
        const qsizetype end = digitsFrom(k);
        if (end > k)
            i = end; // an exponent without digits is not part of the number
    }
    return i;
}

double parsePrefix(QByteArray s, qsizetype length)
{
    s.truncate(length);
    // The exponent letter D is old notation for E.
    s.replace('d', 'e').replace('D', 'e');
    bool ok = false;
    const double value = s.toDouble(&ok);
    if (ok)
        return value;
    // toDouble refuses what overflows; the sign survives as infinity.
    return s.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
}

} // namespace

double leadingNumber(const QString &text)
{
    const QByteArray s = withoutBlanks(text);
    bool digits = false;
    const qsizetype length = numericPrefix(s, &digits);
    return digits ? parsePrefix(s, length) : 0.0;
}

std::optional<qint64> boxInteger(const QString &text)
{
    const double rounded = roundHalfEven(leadingNumber(text));
    if (!std::isfinite(rounded) || std::abs(rounded) > kLargestBoxInteger)
        return std::nullopt;
    return qint64(rounded);
}

bool isNumericText(const QString &text)
{
    const QByteArray s = withoutBlanks(text);
    bool digits = false;
    return numericPrefix(s, &digits) == s.size() && digits;
}
