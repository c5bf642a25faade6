#include "portal/portal_sender.h"

#include "link/abandon_socket.h"

#include <QTcpSocket>

PortalSender::PortalSender(QObject *parent)
    : QObject(parent)
{
}

PortalSender::~PortalSender()
{
    drop();
}

bool PortalSender::isBusy() const
{
    return m_socket && m_socket->state() != QAbstractSocket::UnconnectedState;
}

void PortalSender::drop()
{
    abandonSocket(m_socket, this);
}

void PortalSender::close()
{
    drop();
    m_request = {};
}

void PortalSender::post(const PortalAddress &address, std::function<QByteArray()> request)
{
    drop();
    m_address = address;
    m_request = std::move(request);
    m_pending = 0;
    m_written = false;

    auto *socket = new QTcpSocket(this);
    socket->setReadBufferSize(kReadBuffer);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, &PortalSender::onConnected);
    connect(socket, &QTcpSocket::bytesWritten, this, &PortalSender::onBytesWritten);
    connect(socket, &QTcpSocket::errorOccurred, this, &PortalSender::onError);
    connect(socket, &QTcpSocket::readyRead, this, [socket] { socket->skip(socket->bytesAvailable()); });
    socket->connectToHost(address.host, address.port);
}

void PortalSender::onConnected()
{
    const QByteArray bytes = m_request ? m_request() : QByteArray();
    m_pending = bytes.size();
    if (m_socket->write(bytes) != bytes.size())
        onError();
}

void PortalSender::onBytesWritten(qint64 bytes)
{
    m_pending -= bytes;
    if (m_pending > 0 || m_written)
        return;
    m_written = true;
    emit sent(m_address.text);
}

void PortalSender::onError()
{
    // Once the request is out, the portal closing the connection (or
    // anything after) does not concern the post.
    if (m_written || !m_socket)
        return;
    const QString reason = m_socket->errorString();
    const QString host = m_address.text;
    drop();
    emit failed(host, reason);
}
