#include "recording/insert_statement.h"

#include "common/number_text.h"
#include "realtime/realtime_sample.h"

#include <QStringList>

#include <cmath>

namespace {

// A value that is not a number has no literal; NULL keeps the row honest
// instead of failing the statement or storing a made-up figure.
QString literal(double v, int significant = 15)
{
    return std::isfinite(v) ? plainDecimal(v, significant) : QStringLiteral("NULL");
}

} // namespace

QString valueLiterals(const RealtimeSample &s)
{
    const double values[] = {s.p1, s.p2, s.PP1, s.PP2, s.Volt, s.KWh1, s.KWh1P, s.KWh2, s.KWh2P};
    const double counters[] = {s.E1A, s.E2A, s.E1AP, s.E2AP, s.E1B, s.E2B, s.E1BP, s.E2BP};
    QStringList parts;
    for (double v : values)
        parts << literal(v);
    parts << literal(s.Amp1, 7) << literal(s.Amp2, 7);
    for (double v : counters)
        parts << literal(v);
    return parts.join(QLatin1Char(','));
}

QString accessInsertStatement(const RealtimeSample &sample, const QString &localTime)
{
    // The ODBC escape for a timestamp, which every driver turns into its
    // server's own literal.
    return QStringLiteral("Insert into qmn_power (_time,p1,p2,PP1,PP2,Volt,KWh1,KWh1P,KWh2,KWh2P,Amp1,Amp2,"
                          "E1A,E2A,E1AP,E2AP,E1B,E2B,E1BP,E2BP)values  ({ts '")
        + localTime + QStringLiteral("'},") + valueLiterals(sample) + QLatin1Char(')');
}

QString sqliteInsertHead()
{
    return QStringLiteral("insert into qmn_power (_time,p1,p2,pp1,pp2,volt,kwh1,kwh1p,kwh2,kwh2p,amp1,amp2,"
                          "e1a,e2a,e1ap,e2ap,e1b,e2b,e1bp,e2bp)values  (");
}

QString sqliteInsertStatement(const QString &literals)
{
    return sqliteInsertHead() + QStringLiteral("datetime('now','localtime'),") + literals + QLatin1Char(')');
}

QString sqliteInsertStatement(const QString &literals, const QString &time)
{
    QString quoted = time;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return sqliteInsertHead() + QLatin1Char('\'') + quoted + QStringLiteral("',") + literals + QLatin1Char(')');
}

QString sqliteInsertStatement(const RealtimeSample &sample)
{
    return sqliteInsertStatement(valueLiterals(sample));
}
