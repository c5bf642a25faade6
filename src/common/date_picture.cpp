#include "common/date_picture.h"

#include <algorithm>

namespace {

QString number(int value, qsizetype run)
{
    return QString::number(value).rightJustified(run >= 2 ? 2 : 1, QLatin1Char('0'));
}

} // namespace

QString formatDate(const QDateTime &dt, const QString &picture, const QLocale &locale)
{
    if (!dt.isValid())
        return {};
    const QDate date = dt.date();
    const QTime time = dt.time();

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
            out += picture.at(i);
            i += 1;
            continue;
        }
        i += taken;
    }
    return out;
}
