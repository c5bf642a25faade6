#include "portal/portal_address.h"

#include <algorithm>

namespace {

bool isHostChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-');
}

} // namespace

std::optional<PortalAddress> parsePortalAddress(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? text : text.left(colon);
    if (host.isEmpty() || host.size() > 253 || !std::all_of(host.begin(), host.end(), isHostChar))
        return std::nullopt;
    PortalAddress address{text, host, PortalAddress::kDefaultPort};
    if (colon >= 0) {
        const QString port = text.mid(colon + 1);
        // Digits only: toUInt alone would also take "+80" or " 80".
        if (port.isEmpty() || port.size() > 5
            || !std::all_of(port.begin(), port.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
            return std::nullopt;
        const uint number = port.toUInt();
        if (number < 1 || number > 65535)
            return std::nullopt;
        address.port = quint16(number);
    }
    return address;
}
