#pragma once

#include "portal/portal_address.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QTcpSocket;

// The portal client `Winsock`: one TCP connection per post. The request is
// built and written when the connection is established, so its date and
// time are those of the connection. A new post abandons the previous
// connection, whether it is still connecting or waiting for the portal's
// answer. The answer is read and thrown away, a little at a time.
class PortalSender : public QObject
{
    Q_OBJECT
public:
    // How much of the portal's answer is held at once before it is dropped.
    static constexpr qint64 kReadBuffer = 4096;

    explicit PortalSender(QObject *parent = nullptr);
    ~PortalSender() override;

    // Closes the previous connection and connects to `address`; once
    // connected, `request()` gives the bytes to send.
    void post(const PortalAddress &address, std::function<QByteArray()> request);
    // Closes the connection without a word (program exit).
    void close();

    bool isBusy() const;

signals:
    // The whole request has been handed to the network.
    void sent(const QString &host);
    // The post could not be made: no connection, or it broke before the
    // request was out. A post abandoned for a newer one is no failure.
    void failed(const QString &host, const QString &reason);

private:
    void onConnected();
    void onBytesWritten(qint64 bytes);
    void onError();
    void drop();

    QPointer<QTcpSocket> m_socket;
    PortalAddress m_address;
    std::function<QByteArray()> m_request;
    qint64 m_pending = 0;
    bool m_written = false;
};
