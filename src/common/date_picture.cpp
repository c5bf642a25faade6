#include "common/date_picture.h"

#include <algorithm>

namespace {

QString number(int value, qsizetype run)
{
    return QString::number(value).rightJustified(run >= 2 ? 2 : 1, QLatin1Char('0'));
}

bool isTimeLetter(QChar c)
{
    c = c.toLower();
    return c == QLatin1Char('h') || c == QLatin1Char('n') || c == QLatin1Char('s');
}

// Qt names no time separator, but every locale's short time format puts it
// between the hour and the minutes ("HH:mm", "H.mm", "h:mm AP"). A format
// with words or several characters there keeps the colon.
QString timeSeparator(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype hour = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    const qsizetype minute = format.indexOf(QLatin1Char('m'), hour + 1);
    if (hour < 0 || minute < 0)
        return QStringLiteral(":");
    qsizetype from = hour;
    while (from < minute && format.at(from).toLower() == QLatin1Char('h'))
        ++from;
    const QString between = format.mid(from, minute - from);
    if (between.size() != 1 || between.at(0).isLetterOrNumber() || between.at(0) == QLatin1Char('\''))
        return QStringLiteral(":");
    return between;
}

} // namespace

QString formatDate(const QDateTime &dt, const QString &picture, const QLocale &locale)
{
    if (!dt.isValid())
        return {};
    const QDate date = dt.date();
    const QTime time = dt.time();

    const QString separator = timeSeparator(locale);
    QString out;
    for (qsizetype i = 0; i < picture.size();) {
        const QChar letter = picture.at(i).toLower();
        qsizetype run = 1;
        while (i + run < picture.size() && picture.at(i + run).toLower() == letter)
            ++run;
        const qsizetype taken = std::min<qsizetype>(run, 4);

        switch (letter.unicode()) {
        case 'd':
            out += taken == 4 ? locale.dayName(date.dayOfWeek(), QLocale::LongFormat)
                 : taken == 3 ? locale.dayName(date.dayOfWeek(), QLocale::ShortFormat)
                              : number(date.day(), taken);
            break;
        case 'm':
            out += taken == 4 ? locale.monthName(date.month(), QLocale::LongFormat)
                 : taken == 3 ? locale.monthName(date.month(), QLocale::ShortFormat)
                              : number(date.month(), taken);
            break;
        case 'y':
            out += taken >= 3 ? QString::number(date.year()).rightJustified(4, QLatin1Char('0'))
                              : QString::number(date.year() % 100).rightJustified(2, QLatin1Char('0'));
            break;
        case 'h':
        case 'n':
        case 's': {
            const qsizetype pair = std::min<qsizetype>(taken, 2);
            const int field = letter == QLatin1Char('h') ? time.hour()
                            : letter == QLatin1Char('n') ? time.minute()
                                                          : time.second();
            out += number(field, pair);
            i += pair;
            continue;
        }
        default:
            // A colon between two time fields is the locale's: a reader in
            // Finland reads 14.05.09. Between date fields it stays the picture's.
            if (picture.at(i) == QLatin1Char(':') && i > 0 && i + 1 < picture.size() && isTimeLetter(picture.at(i - 1))
                && isTimeLetter(picture.at(i + 1)))
                out += separator;
            else
                out += picture.at(i);
            i += 1;
            continue;
        }
        i += taken;
    }
    return out;
}
