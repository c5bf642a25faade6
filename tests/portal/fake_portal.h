#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

// A web portal on 127.0.0.1: keeps each request header it receives and
// answers it, leaving the connection open as a keep-alive server does.
class FakePortal : public QObject
{
public:
    FakePortal()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    m_buffers[socket] += socket->readAll();
                    QByteArray &buffer = m_buffers[socket];
                    qsizetype end;
                    while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
                        requests << buffer.left(end + 4);
                        buffer.remove(0, end + 4);
                        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK");
                    }
                });
            }
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    void close() { m_server.close(); }

    QList<QByteArray> requests;

private:
    QTcpServer m_server;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};

// The query of a request line as key → value, values as sent.
inline QMap<QByteArray, QByteArray> queryOf(const QByteArray &request)
{
    QMap<QByteArray, QByteArray> values;
    const QByteArray line = request.left(request.indexOf("\r\n"));
    const qsizetype q = line.indexOf('?');
    const QByteArray query = line.mid(q + 1, line.lastIndexOf(' ') - q - 1);
    for (const QByteArray &pair : query.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq > 0)
            values.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return values;
}
