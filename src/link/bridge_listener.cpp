#include "link/bridge_listener.h"

#include "link/abandon_socket.h"
#include "settings/settings.h"
#include "common/dialogs.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
const char kListeningTitle[] = "Listening";
const char kClosedTitle[] = "NetDock Server Closed";
} // namespace

BridgeListener::BridgeListener(Settings &settings, SaveKeys saveKeys, Dialogs &dialogs, Sink sink,
                               QTimer &watchdogTimer, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saveKeys(std::move(saveKeys))
    , m_dialogs(dialogs)
    , m_sink(std::move(sink))
    , m_watchdogTimer(watchdogTimer)
{
    connect(&m_server, &QTcpServer::newConnection, this, &BridgeListener::onNewConnection);
}

BridgeListener::~BridgeListener()
{
    dropSocket();
}

int BridgeListener::state() const
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        return Connected;
    if (m_server.isListening())
        return Listening;
    return Closed;
}

BridgeListener::ConnectResult BridgeListener::netDockConnect(const QString &portText)
{
    bool ok = false;
    const int port = portText.trimmed().toInt(&ok);
    if (!ok || port < kFirstPort || port > kLastPort) {
        m_dialogs.message(kRangeMessage);
        return ConnectResult::Refused;
    }
    m_settings.netdockPort = int16_t(port);
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("netdockPort")});

    closeAll();
    m_listenError.clear();
    if (!m_server.listen(QHostAddress::Any, quint16(port))) {
        m_listenError = m_server.errorString();
        notifyState();
        return ConnectResult::NotListening;
    }
    notifyState();
    emit panelTitleChanged(kListeningTitle);
    return ConnectResult::Listening;
}

void BridgeListener::netDockDisconnect()
{
    const int now = state();
    if (now != Connected && now != Listening)
        return;
    closeAll();
    emit panelTitleChanged(kClosedTitle);
}

void BridgeListener::close()
{
    closeAll();
}

void BridgeListener::closeAll()
{
    dropSocket();
    m_server.close();
    notifyState();
}

int BridgeListener::listeningPort() const
{
    return m_server.isListening() ? m_server.serverPort() : 0;
}

void BridgeListener::dropSocket()
{
    // The per-sample path below a data handler can end the program.
    abandonSocket(m_socket, this);
    m_peer.clear();
}

void BridgeListener::onNewConnection()
{
    // The newest connection is the one served: a bridge that reconnects
    // after a reboot or a network fault replaces its dead connection. The
    // listening goes on, so that it always can.
    while (QTcpSocket *incoming = m_server.nextPendingConnection()) {
        dropSocket();
        m_socket = incoming;
        incoming->setReadBufferSize(kMaxBlock);
        connect(incoming, &QTcpSocket::readyRead, this, &BridgeListener::onData);
        connect(incoming, &QTcpSocket::disconnected, this, &BridgeListener::onDisconnected);
        // Listening on every interface, an IPv4 bridge arrives as an
        // IPv4-mapped IPv6 address; people know it by its IPv4 form.
        QHostAddress address = incoming->peerAddress();
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        if (isV4)
            address = QHostAddress(v4);
        m_peer = QStringLiteral("%1 port %2").arg(address.toString()).arg(incoming->peerPort());
        emit bridgeAccepted(m_peer);
    }
    notifyState();
}

void BridgeListener::onData()
{
    QTcpSocket *socket = m_socket;
    if (!socket)
        return;
    // At most kMaxBlock bytes wait in the socket: each arrival is handled
    // whole and nothing is carried over.
    const QByteArray block = socket->readAll();
    m_bytesReceived += block.size();
    if (!m_firstDataSeen)
        m_firstDataSeen = true; // the first arrival of the run is dropped
    else if (m_sink)
        m_sink(block);
    if (!m_watchdogTimer.isActive())
        m_watchdogTimer.start();
}

void BridgeListener::onDisconnected()
{
    if (m_socket && m_socket->bytesAvailable() > 0)
        onData();
    dropSocket();
    notifyState();
}

void BridgeListener::notifyState()
{
    const int now = state();
    if (now == m_lastState)
        return;
    m_lastState = now;
    emit stateChanged(now);
}
