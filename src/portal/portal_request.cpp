#include "portal/portal_request.h"

#include "common/date_picture.h"
#include "common/number_picture.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "realtime/realtime_sample.h"

#include <QUrl>

namespace {

// The portal's own limit: a reading this high is a fault, not a load.
constexpr double kMaxPortalWatts = 35000;

// The portal reads a point as the decimal mark and no grouping, whatever
// the user's locale.
const QLocale &portalLocale()
{
    static const QLocale c = QLocale::c();
    return c;
}

QString powerText(double watts)
{
    return watts >= kMaxPortalWatts ? QString() : plainDecimal(roundHalfEven(watts));
}

QString watthourText(double wattSeconds)
{
    return formatNumber(wattSeconds / 3600.0, QStringLiteral("##########"), portalLocale());
}

QString ampText(double amps)
{
    return formatNumber(roundHalfEven(amps), QStringLiteral("###"), portalLocale());
}

} // namespace

QByteArray PortalRequest(const RealtimeSample &sample, const QDateTime &now, const QString &host,
                         const QString &user, int load)
{
    const QLocale &c = portalLocale();
    // A raw space, '&' or line break in the name would break the request
    // line, split the query or start a header of its own.
    const QByteArray name = QUrl::toPercentEncoding(user);

    QByteArray url = "http://" + host.toLatin1() + "/Monitor/sendData.php?";
    url += "&ch1_power=" + powerText(sample.p1).toLatin1();
    url += "&ch2_power=" + powerText(sample.p2).toLatin1();
    url += "&ch1_kwh=" + watthourText(sample.ch1Total()).toLatin1();
    url += "&ch2_kwh=" + watthourText(sample.ch2Total()).toLatin1();
    url += "&ch1_amps=" + ampText(sample.Amp1).toLatin1();
    url += "&ch2_amps=" + ampText(sample.Amp2).toLatin1();
    url += "&ch1_extra=" + formatNumber(1, QStringLiteral("######"), c).toLatin1();
    url += "&ch2_extra=" + formatNumber(1, QStringLiteral("######"), c).toLatin1();
    url += "&date=" + formatDate(now, QStringLiteral("yyyy/mm/dd"), c).toLatin1();
    url += "&time=" + formatDate(now, QStringLiteral("hh:nn:ss"), c).toLatin1();
    url += "&voltage=" + plainDecimal(sample.Volt).toLatin1();
    url += "&username=" + name;
    url += "&load=" + QByteArray::number(load);

    QByteArray request = "GET " + url + " HTTP/1.1\r\n";
    request += "Host: " + host.toLatin1() + "\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: 0\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "\r\n";
    return request;
}
