#pragma once

#include "mqtt/mqtt_client.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/mqtt_state.h"

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
// back-off from one second doubling to a minute, which starts again only
// once a connection has held for a minute; one status line when the
// connection goes and one when it is back (and has held), so a broker that
// takes the connection and drops it at once is neither stormed nor
// reported over and over. A broker that is down, slow or refusing costs the
// sample nothing: while no message can go out only the newest state waits,
// as the totals make a missed one harmless.
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
    // A connection that lasts this long is a good one again.
    static constexpr std::chrono::milliseconds kHeld{60000};
    // After Home Assistant's "online", its sensors have subscribed to the
    // state by then.
    static constexpr std::chrono::milliseconds kStateAfterBirth{1000};
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

    // A clean exit: "offline" goes out, the connection is closed and the
    // totals are saved.
    void close();
    // Writes the totals to the settings file, with the counters' recovery
    // state.
    void saveState();
    // The monitor's firmware, once the program has read it.
    void setFirmware(const QString &firmware);

    // "Connected to host:port", "Not connected: reason" or "MQTT is off".
    QString stateText() const { return m_stateText; }
    bool isConnected() const { return m_client.isConnected(); }

    // Tests run the back-off and the minute of holding faster, all alike.
    void setTimeScale(double scale) { m_timeScale = scale; }
    void setBeforeConnect(std::function<void()> step) { m_client.setBeforeConnect(std::move(step)); }

signals:
    void stateTextChanged(const QString &text);

private:
    void connectNow();
    void startClient(const QString &host);
    void onConnected();
    void onLost(const QString &reason);
    void onHeld();
    void onReceived(const QString &topic, const QByteArray &payload, bool retained);
    void publishConfigs();
    // Empties the retained configs and availability left under another
    // node, prefix or topic, or with discovery now off.
    void clearLeftovers();
    std::chrono::milliseconds scaled(std::chrono::milliseconds delay) const;
    void sendPending();
    void setStateText(const QString &text);
    QString addressText() const;

    Parts m_parts;
    MqttSettings m_settings;
    QString m_problem; // why these settings cannot be used
    MqttClient m_client;
    QTimer m_retry;
    QTimer m_deadline;
    QTimer m_held;
    QTimer m_afterBirth;
    double m_timeScale = 1;
    std::chrono::milliseconds m_nextRetry = kFirstRetry;
    int m_attempt = 0; // a host lookup of an older attempt is ignored
    bool m_downReported = false; // the last line said the connection is gone
    bool m_upReported = false;   // the last line said it is there
    bool m_everConnected = false;
    bool m_closed = false;
    QString m_clientId;
    QString m_firmware;
    MqttState m_state;
    QByteArray m_pending;
    QByteArray m_latest; // the newest state, sent or not
    QDateTime m_lastState;
    QString m_stateText = QStringLiteral("MQTT is off");
};
