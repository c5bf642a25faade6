#include "mqtt/mqtt_publisher.h"

#include "common/clock.h"
#include "common/status_list.h"
#include "mqtt/mqtt_payloads.h"
#include "settings/settings_store.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>

MqttPublisher::MqttPublisher(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    // Machines started from one image share process ids, and a broker
    // drops the older of two clients of one id.
    , m_clientId(QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0'))
{
    m_retry.setSingleShot(true);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kConnectDeadline);
    m_held.setSingleShot(true);
    m_afterBirth.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttPublisher::connectNow);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_client.abort();
        onLost(QStringLiteral("no answer from the broker"));
    });
    connect(&m_held, &QTimer::timeout, this, &MqttPublisher::onHeld);
    connect(&m_afterBirth, &QTimer::timeout, this, [this] {
        // A state older than its expiry would show a stopped monitor's
        // last watts as current.
        const bool fresh = m_lastState.isValid()
            && m_lastState.secsTo(m_parts.clock.now()) < MqttPayloads::expireAfterSeconds(m_settings);
        if (fresh && !m_latest.isEmpty() && m_pending.isEmpty())
            m_client.publish(MqttPayloads::stateTopic(m_settings), m_latest, 1, false);
    });
    connect(&m_client, &MqttClient::connected, this, &MqttPublisher::onConnected);
    connect(&m_client, &MqttClient::lost, this, &MqttPublisher::onLost);
    connect(&m_client, &MqttClient::acknowledged, this, &MqttPublisher::sendPending);
    connect(&m_client, &MqttClient::received, this, &MqttPublisher::onReceived);
}

std::chrono::milliseconds MqttPublisher::scaled(std::chrono::milliseconds delay) const
{
    return std::chrono::milliseconds(std::llround(double(delay.count()) * m_timeScale));
}

void MqttPublisher::start(const SettingsStore &store)
{
    m_settings = MqttSettings::read(store);
    m_state = MqttState::read(store);
    const QString exposure = passwordExposure(store.path(), m_settings);
    if (!exposure.isEmpty())
        std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(exposure));
    m_problem = mqttSettingsProblem(m_settings);
    if (!m_problem.isEmpty())
        std::fprintf(stderr, "qmnpilot: [mqtt] %s; nothing is published\n", qUtf8Printable(m_problem));
    m_closed = false;
    m_nextRetry = scaled(kFirstRetry);
    connectNow();
}

void MqttPublisher::apply(const MqttSettings &settings)
{
    const MqttSettings before = m_settings;
    if (m_parts.editStore) {
        m_parts.editStore([&](SettingsStore &store) {
            // A password written here is for the owner's eyes only, from
            // the moment the file holds it.
            if (!settings.Password.isEmpty())
                store.keepPrivate();
            settings.writeChanged(store, before);
        });
    }
    close();
    m_settings = settings;
    m_problem = mqttSettingsProblem(m_settings);
    m_closed = false;
    m_downReported = false;
    m_upReported = false;
    m_everConnected = false;
    m_nextRetry = scaled(kFirstRetry);
    connectNow();
}

QString MqttPublisher::addressText() const
{
    const auto address = parseMqttAddress(m_settings.Host);
    return address ? address->text() : m_settings.Host;
}

void MqttPublisher::connectNow()
{
    m_retry.stop();
    ++m_attempt;
    if (m_closed || m_settings.Host.isEmpty()) {
        setStateText(QStringLiteral("MQTT is off"));
        return;
    }
    if (!m_problem.isEmpty()) {
        setStateText(QStringLiteral("Not connected: ") + m_problem);
        return;
    }
    if (!m_everConnected && !m_downReported)
        setStateText(QStringLiteral("Not connected: connecting to %1").arg(addressText()));
    m_deadline.start();
    const MqttAddress address = *parseMqttAddress(m_settings.Host);
    // A name lookup may wait on the network: it runs beside the event loop.
    // TLS checks the certificate against the name, so it connects by name
    // once the lookup has shown that the name resolves.
    if (!QHostAddress(address.host).isNull()) {
        startClient(address.host);
        return;
    }
    const int attempt = m_attempt;
    QHostInfo::lookupHost(address.host, this, [this, attempt](const QHostInfo &info) {
        if (attempt != m_attempt)
            return;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            m_deadline.stop();
            onLost(info.errorString());
            return;
        }
        startClient(m_settings.Tls ? info.hostName() : info.addresses().constFirst().toString());
    });
}

void MqttPublisher::startClient(const QString &host)
{
    MqttClient::Options o;
    o.host = host;
    o.port = parseMqttAddress(m_settings.Host)->port;
    o.clientId = QStringLiteral("qmn-%1-%2").arg(m_settings.Node, m_clientId);
    o.user = m_settings.User;
    o.password = m_settings.Password;
    o.tls = m_settings.Tls;
    o.caFile = m_settings.CaFile;
    o.willTopic = MqttPayloads::availabilityTopic(m_settings);
    o.willPayload = QByteArrayLiteral("offline");
    m_client.connectTo(o);
}

void MqttPublisher::onConnected()
{
    m_deadline.stop();
    m_everConnected = true;
    // After a loss has been reported, the way back is reported once the
    // connection has held.
    if (!m_downReported && !m_upReported) {
        m_parts.status.add(QStringLiteral("MQTT: connected to %1").arg(addressText()));
        m_upReported = true;
    }
    m_held.start(scaled(kHeld));
    setStateText(QStringLiteral("Connected to %1").arg(addressText()));
    m_client.publish(MqttPayloads::availabilityTopic(m_settings), QByteArrayLiteral("online"), 1, true);
    clearLeftovers();
    if (m_settings.Discovery) {
        m_client.subscribe(MqttPayloads::statusTopic(m_settings), 1);
        publishConfigs();
    }
    sendPending();
}

void MqttPublisher::onHeld()
{
    m_nextRetry = scaled(kFirstRetry);
    if (m_downReported) {
        m_downReported = false;
        m_upReported = true;
        m_parts.status.add(QStringLiteral("MQTT: connected to %1").arg(addressText()));
    }
}

void MqttPublisher::setFirmware(const QString &firmware)
{
    if (firmware == m_firmware)
        return;
    m_firmware = firmware;
    if (m_client.isConnected() && m_settings.Discovery)
        publishConfigs();
}

void MqttPublisher::publishConfigs()
{
    for (const MqttPayloads::Message &m : MqttPayloads::discovery(m_settings, m_parts.version, m_firmware))
        m_client.publish(m.topic, m.payload, 1, true);
}

void MqttPublisher::clearLeftovers()
{
    const QString availability = MqttPayloads::availabilityTopic(m_settings);
    const QString prefix = m_settings.Discovery ? m_settings.DiscoveryPrefix : QString();
    const QString node = m_settings.Discovery ? m_settings.Node : QString();
    if (!m_state.availabilityTopic.isEmpty() && m_state.availabilityTopic != availability)
        m_client.publish(m_state.availabilityTopic, {}, 1, true);
    if (!m_state.configsNode.isEmpty() && (m_state.configsPrefix != prefix || m_state.configsNode != node)) {
        for (const QString &topic : MqttPayloads::configTopics(m_state.configsPrefix, m_state.configsNode))
            m_client.publish(topic, {}, 1, true);
    }
    if (m_state.availabilityTopic == availability && m_state.configsPrefix == prefix && m_state.configsNode == node)
        return;
    m_state.availabilityTopic = availability;
    m_state.configsPrefix = prefix;
    m_state.configsNode = node;
    // Now, as a crash before the next save would leave them unknown; but
    // after the lines and messages of this connect, which wait for no disk.
    QTimer::singleShot(0, this, [this] {
        if (m_parts.editStore)
            m_parts.editStore([this](SettingsStore &store) { m_state.writeTopics(store); });
    });
}

void MqttPublisher::onReceived(const QString &topic, const QByteArray &payload, bool retained)
{
    // A retained "online" is an old one, and the configs have just gone out.
    if (retained || payload != "online" || topic != MqttPayloads::statusTopic(m_settings) || !m_settings.Discovery)
        return;
    publishConfigs();
    m_afterBirth.start(kStateAfterBirth);
}

void MqttPublisher::onLost(const QString &reason)
{
    m_deadline.stop();
    m_held.stop();
    m_afterBirth.stop();
    if (m_closed)
        return;
    if (!m_downReported) {
        m_downReported = true;
        m_upReported = false;
        m_parts.status.add(m_everConnected
                               ? QStringLiteral("MQTT: connection to %1 lost: %2").arg(addressText(), reason)
                               : QStringLiteral("MQTT: cannot connect to %1: %2").arg(addressText(), reason));
    }
    setStateText(QStringLiteral("Not connected: ") + reason);
    m_retry.start(m_nextRetry);
    m_nextRetry = std::min(m_nextRetry * 2, scaled(kLastRetry));
}

void MqttPublisher::publish(const RealtimeSample &sample)
{
    if (m_closed || m_settings.Host.isEmpty() || !m_problem.isEmpty())
        return;
    // Every sample counts towards the totals, published or not.
    m_state.take(MqttPayloads::monitorTotals(sample));
    const QDateTime now = m_parts.clock.now();
    if (m_settings.Interval > 0 && m_lastState.isValid()
        && m_lastState.msecsTo(now) < std::llround(m_settings.Interval * 1000))
        return;
    m_lastState = now;
    m_pending = m_latest = MqttPayloads::state(sample, now, m_state.published);
    sendPending();
}

void MqttPublisher::sendPending()
{
    if (m_pending.isEmpty() || !m_client.isConnected() || m_client.unacknowledged() >= kMaxUnacknowledged)
        return;
    if (m_client.publish(MqttPayloads::stateTopic(m_settings), m_pending, 1, false))
        m_pending.clear();
}

void MqttPublisher::saveState()
{
    if (!m_parts.editStore || (!m_state.counting && m_state.availabilityTopic.isEmpty()))
        return;
    m_parts.editStore([this](SettingsStore &store) {
        m_state.writeTotals(store);
        if (!m_state.availabilityTopic.isEmpty())
            m_state.writeTopics(store);
    });
}

void MqttPublisher::close()
{
    saveState();
    m_closed = true;
    ++m_attempt;
    m_retry.stop();
    m_deadline.stop();
    m_held.stop();
    m_afterBirth.stop();
    if (m_client.isConnected()) {
        // The last sample goes out even past the bound: nothing comes after it.
        if (!m_pending.isEmpty())
            m_client.publish(MqttPayloads::stateTopic(m_settings), m_pending, 1, false);
        m_client.publish(MqttPayloads::availabilityTopic(m_settings), QByteArrayLiteral("offline"), 1, true);
    }
    m_client.disconnectCleanly();
    m_pending.clear();
    setStateText(QStringLiteral("MQTT is off"));
}

void MqttPublisher::setStateText(const QString &text)
{
    if (text == m_stateText)
        return;
    m_stateText = text;
    emit stateTextChanged(text);
}
