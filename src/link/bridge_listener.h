#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <functional>

class Dialogs;
class QTcpSocket;
class QTimer;
struct Settings;

// `NetDock`: the TCP port a network bridge connects to. The bridge only ever
// sends real-time packets; nothing is written back. One bridge at a time:
// the listening goes on while a bridge is connected, and a new connection
// takes the place of the current one.
class BridgeListener : public QObject
{
    Q_OBJECT
public:
    // The socket states the rest of the program asks about, by their old numbers.
    enum State { Closed = 0, Listening = 2, Connected = 7 };
    enum class ConnectResult { Refused, NotListening, Listening };

    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 32767;
    // Upper bound of one data arrival: a flooding bridge is held back by TCP
    // instead of piling up in memory.
    static constexpr qint64 kMaxBlock = 64 * 1024;

    static constexpr const char *kRangeMessage = "The NetDock port must be a whole number from 1 to 32767.";

    using SaveKeys = std::function<void(const QStringList &keys)>;
    // Where the bridge's bytes go, in order: the receiver's bridge road.
    using Sink = std::function<void(QByteArrayView data)>;

    BridgeListener(Settings &settings, SaveKeys saveKeys, Dialogs &dialogs, Sink sink, QTimer &watchdogTimer,
                   QObject *parent = nullptr);
    ~BridgeListener() override;

    int state() const;

    // "NetDock Connect" with the text of the panel's port box: a text that is
    // not a whole number from 1 to 32767 is refused with a message and the
    // port kept; otherwise the port is stored, saved and listened on.
    ConnectResult netDockConnect(const QString &portText);
    // "NetDock Disconnect": closes a listening or connected socket; does
    // nothing when closed.
    void netDockDisconnect();
    // Closes without a word, for the program's exit.
    void close();

    // Why the latest listen failed (port in use, no permission for ports
    // below 1024).
    QString listenError() const { return m_listenError; }
    bool firstDataSeen() const { return m_firstDataSeen; }
    // The port listened on; 0 when not listening.
    int listeningPort() const;
    // Where the bridge served now connected from ("192.168.1.40 port 50123");
    // empty when none is.
    QString peer() const { return m_peer; }
    // Every byte read from bridges this run, the dropped first block included.
    qint64 bytesReceived() const { return m_bytesReceived; }

signals:
    void stateChanged(int state);
    // A bridge connected, also one that takes the place of another.
    void bridgeAccepted(const QString &peer);
    // The communication panel shows the listener's state in its title.
    void panelTitleChanged(const QString &title);

private:
    void onNewConnection();
    void onData();
    void onDisconnected();
    void dropSocket();
    void closeAll();
    void notifyState();

    Settings &m_settings;
    SaveKeys m_saveKeys;
    Dialogs &m_dialogs;
    Sink m_sink;
    QTimer &m_watchdogTimer;

    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    bool m_firstDataSeen = false; // spans the whole run, across connections
    qint64 m_bytesReceived = 0;
    QString m_listenError;
    QString m_peer;
    int m_lastState = Closed;
};
