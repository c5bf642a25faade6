#pragma once

#include <QString>

#include <optional>

// Where the portal's posts go: the `PortalHost` text, "host" or "host:port".
// The text is used as it stands in the request line and the Host header, so
// only host-name characters and a port are accepted: anything else could
// break or add lines of the request.
struct PortalAddress
{
    static constexpr quint16 kDefaultPort = 80;

    QString text; // as configured, for the URL and the Host header
    QString host;
    quint16 port = kDefaultPort;
};

// The address in `text`, or nothing when it is empty or not a host name
// (letters, digits, '.' and '-') with an optional ":port" from 1 to 65535.
std::optional<PortalAddress> parsePortalAddress(const QString &text);
