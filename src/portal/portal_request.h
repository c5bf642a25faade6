#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct RealtimeSample;

// `PortalRequest`: the bytes of one post to the web portal, an HTTP/1.1 GET
// in absolute form whose query carries both channels' power, energy and
// current, the date and time `now`, the voltage, the user and the load mask,
// followed by the five header lines and the empty line that ends the header.
// `host` is the configured portal address ("host" or "host:port") and goes
// into the URL and the Host header as it stands.
QByteArray PortalRequest(const RealtimeSample &sample, const QDateTime &now, const QString &host,
                         const QString &user, int load);
