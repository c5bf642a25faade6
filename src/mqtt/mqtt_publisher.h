#pragma once

#include "mqtt/mqtt_client.h"
#include "mqtt/mqtt_settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class Clock;
class SettingsStore;
class StatusList;
struct RealtimeSample;

// Publishes every sample (or one per `Interval`) to an MQTT broker, with
// Home Assistant discovery, and keeps the connection: reconnecting with a
// back-off from one second doubling to a minute, one status line when the
// connection goes and one when it is back. A broker that is down, slow or
// refusing costs the sample nothing: while no message can go out only the
// newest state waits, as the totals make a missed one harmless.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    using EditStore = std::function<void(const std::function<void(SettingsStore &)> &edit)>;
    struct Parts
    {
        const Clock &clock;
        StatusList &status;
        QString version;
        // Changes the settings file as it is on disk.
        EditStore editStore;
    };
    static constexpr std::chrono::milliseconds kFirstRetry{1000};
    static constexpr std::chrono::milliseconds kLastRetry{60000};
    static constexpr std::chrono::milliseconds kConnectDeadline{15000};
    // With this many messages unacknowledged (the discovery burst on
    // connect stays below it) a state waits, the newest only.
    static constexpr int kMaxUnacknowledged = 32;

    explicit MqttPublisher(const Parts &parts, QObject *parent = nullptr);

    // Takes the [mqtt] section and connects when a host is set.
    void start(const SettingsStore &store);
    // Settings from the window: the changed keys are saved, the connection
    // starts afresh.
    void apply(const MqttSettings &settings);
    const MqttSettings &settings() const { return m_settings; }

    // The dispatch step.
    void publish(const RealtimeSample &sample);

    // A clean exit: "offline" goes out and the connection is closed.
    void close();

    // "Connected to host:port", "Not connected: reason" or "MQTT is off".
    QString stateText() const { return m_stateText; }
    bool isConnected() const { return m_client.isConnected(); }

    // Tests wait less for a broker to come back; the doubling stays.
    void setFirstRetry(std::chrono::milliseconds delay) { m_firstRetry = delay; }

signals:
    void stateTextChanged(const QString &text);

private:
    void connectNow();
    void startClient(const QString &host);
    void onConnected();
    void onLost(const QString &reason);
    void sendPending();
    void setStateText(const QString &text);
    QString addressText() const;

    Parts m_parts;
    MqttSettings m_settings;
    QString m_problem; // why these settings cannot be used
    MqttClient m_client;
    QTimer m_retry;
    QTimer m_deadline;
    std::chrono::milliseconds m_firstRetry = kFirstRetry;
    std::chrono::milliseconds m_nextRetry = kFirstRetry;
    int m_attempt = 0; // a host lookup of an older attempt is ignored
    bool m_downReported = false;
    bool m_everConnected = false;
    bool m_closed = false;
    QByteArray m_pending;
    QDateTime m_lastState;
    QString m_stateText = QStringLiteral("MQTT is off");
};
