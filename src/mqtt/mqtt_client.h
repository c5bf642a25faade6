#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

struct mosquitto;
class QSocketNotifier;

// One connection to an MQTT broker through libmosquitto, driven by the Qt
// event loop: its socket under two notifiers (writing watched only while
// the library has bytes to send) and its housekeeping on a timer. No thread
// of its own, so the callbacks run on the Qt thread between events and
// never block it: connecting, TLS and writing are all non-blocking. The one
// step that may wait on the network, the library's own name lookup and
// connect, runs on a short-lived thread of its own.
class MqttClient : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString host; // an address, or the name a TLS certificate is checked against
        quint16 port = 1883;
        QString clientId;
        QString user;
        QString password;
        bool tls = false;
        QString caFile; // empty with tls: the system's CA store
        QString willTopic;
        QByteArray willPayload;
    };
    static constexpr int kKeepAliveSeconds = 30;
    static constexpr std::chrono::milliseconds kFlushOnExit{500};

    explicit MqttClient(QObject *parent = nullptr);
    ~MqttClient() override;

    // Starts an attempt; connected() or lost() follows, never within this call.
    void connectTo(const Options &options);
    bool isConnected() const { return m_connected; }
    // Queues a message; false when there is no connection to send it on.
    bool publish(const QString &topic, const QByteArray &payload, int qos, bool retain);
    // QoS 1 messages the broker has not acknowledged yet.
    int unacknowledged() const { return int(m_unacknowledged.size()); }
    // Ends the connection with a DISCONNECT, so the broker drops the will;
    // waits (at most kFlushOnExit) until the broker has taken what was sent.
    void disconnectCleanly();
    // Drops the connection or attempt without a word to anybody.
    void abort();
    // Asks for the messages of `topic`; false when not connected.
    bool subscribe(const QString &topic, int qos);

    // Tests make the connect step wait: this runs just before it, on the
    // thread that connects.
    void setBeforeConnect(std::function<void()> step) { m_beforeConnect = std::move(step); }

signals:
    void connected();
    // The attempt failed or the connection ended; why, in words.
    void lost(const QString &reason);
    void acknowledged();
    void received(const QString &topic, const QByteArray &payload, bool retained);

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onLog(mosquitto *, void *self, int level, const char *text);
    static void onMessage(mosquitto *, void *self, const struct mosquitto_message *message);
    struct Attempt;
    static void onAttemptLog(mosquitto *, void *attempt, int level, const char *text);
    // The connect step has ended on its thread; carries on here.
    void attemptDone(const std::shared_ptr<Attempt> &attempt);

    // Runs the library's loop once without waiting, then reports.
    void pump();
    void watchSocket();
    void dropSocket();
    void fail(const QString &reason);
    QString reasonFor(int rc, int error) const;

    mosquitto *m_mosq = nullptr;
    std::unique_ptr<QSocketNotifier> m_read;
    std::unique_ptr<QSocketNotifier> m_write;
    QTimer m_misc;
    bool m_connected = false;
    bool m_connectSeen = false;
    QString m_refusal;   // the broker's CONNACK answer when it said no
    QString m_lastError; // the library's last error line (TLS)
    QSet<int> m_unacknowledged;
    std::shared_ptr<Attempt> m_attempt; // the connect step under way
    std::function<void()> m_beforeConnect;
};
