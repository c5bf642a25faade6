#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A pseudo-terminal whose slave side stands in for the monitor's serial port.
//
// The sim keeps its own slave descriptor open so that the pty never hangs up
// while a client closes and reopens the port. Clients are counted through
// inotify open/close events on the slave device: the keep-alive descriptor is
// opened before the watch exists, so it is never counted. Nothing is written
// while no client holds the port, and what is still unread when the last
// client closes is flushed, so a client never reads stale bytes after reopening.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool open(QString *error);
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    bool clientOpen();
    // Queues the bytes for the client; false (and nothing queued) while no
    // client holds the port or when the client has stopped reading.
    bool write(const QByteArray &data);

signals:
    void dataReceived(const QByteArray &data);
    void clientOpenChanged(bool open);

private:
    void readMaster();
    void writePending();
    void readClientEvents();

    static constexpr qsizetype kMaxPending = 64 * 1024;

    int m_master = -1;
    int m_keepAlive = -1;
    int m_inotify = -1;
    int m_clients = 0;
    QString m_slavePath;
    QByteArray m_pending;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QSocketNotifier *m_eventNotifier = nullptr;
};
