#include "mqtt/mqtt_publisher.h"

#include "common/clock.h"
#include "common/status_list.h"
#include "mqtt/mqtt_payloads.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

MqttPublisher::MqttPublisher(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
{
    m_retry.setSingleShot(true);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kConnectDeadline);
    connect(&m_retry, &QTimer::timeout, this, &MqttPublisher::connectNow);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_client.abort();
        onLost(QStringLiteral("no answer from the broker"));
    });
    connect(&m_client, &MqttClient::connected, this, &MqttPublisher::onConnected);
    connect(&m_client, &MqttClient::lost, this, &MqttPublisher::onLost);
    connect(&m_client, &MqttClient::acknowledged, this, &MqttPublisher::sendPending);
}

void MqttPublisher::start(const SettingsStore &store)
{
    m_settings = MqttSettings::read(store);
    const QString exposure = passwordExposure(store.path(), m_settings);
    if (!exposure.isEmpty())
        std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(exposure));
    m_problem = mqttSettingsProblem(m_settings);
    if (!m_problem.isEmpty())
        std::fprintf(stderr, "qmnpilot: [mqtt] %s; nothing is published\n", qUtf8Printable(m_problem));
    m_closed = false;
    connectNow();
}

void MqttPublisher::apply(const MqttSettings &settings)
{
    const MqttSettings before = m_settings;
    if (m_parts.editStore) {
        m_parts.editStore([&](SettingsStore &store) {
            settings.writeChanged(store, before);
            // A password written here is for the owner's eyes only.
            if (!settings.Password.isEmpty())
                QFile::setPermissions(store.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        });
    }
    close();
    m_settings = settings;
    m_problem = mqttSettingsProblem(m_settings);
    m_closed = false;
    m_downReported = false;
    m_everConnected = false;
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
    o.clientId = QStringLiteral("qmnpilot-%1-%2").arg(m_settings.Node).arg(QCoreApplication::applicationPid());
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
    m_nextRetry = m_firstRetry;
    m_parts.status.add(QStringLiteral("MQTT: connected to %1").arg(addressText()));
    m_downReported = false;
    m_everConnected = true;
    setStateText(QStringLiteral("Connected to %1").arg(addressText()));
    m_client.publish(MqttPayloads::availabilityTopic(m_settings), QByteArrayLiteral("online"), 1, true);
    if (m_settings.Discovery) {
        for (const MqttPayloads::Message &m : MqttPayloads::discovery(m_settings, m_parts.version))
            m_client.publish(m.topic, m.payload, 1, true);
    }
    sendPending();
}

void MqttPublisher::onLost(const QString &reason)
{
    m_deadline.stop();
    if (m_closed)
        return;
    if (!m_downReported) {
        m_downReported = true;
        m_parts.status.add(m_everConnected
                               ? QStringLiteral("MQTT: connection to %1 lost: %2").arg(addressText(), reason)
                               : QStringLiteral("MQTT: cannot connect to %1: %2").arg(addressText(), reason));
    }
    setStateText(QStringLiteral("Not connected: ") + reason);
    m_retry.start(m_nextRetry);
    m_nextRetry = std::min(m_nextRetry * 2, kLastRetry);
}

void MqttPublisher::publish(const RealtimeSample &sample)
{
    if (m_closed || m_settings.Host.isEmpty() || !m_problem.isEmpty())
        return;
    const QDateTime now = m_parts.clock.now();
    if (m_settings.Interval > 0 && m_lastState.isValid()
        && m_lastState.msecsTo(now) < std::llround(m_settings.Interval * 1000))
        return;
    m_lastState = now;
    m_pending = MqttPayloads::state(sample, now);
    sendPending();
}

void MqttPublisher::sendPending()
{
    if (m_pending.isEmpty() || !m_client.isConnected() || m_client.unacknowledged() >= kMaxUnacknowledged)
        return;
    if (m_client.publish(MqttPayloads::stateTopic(m_settings), m_pending, 1, false))
        m_pending.clear();
}

void MqttPublisher::close()
{
    m_closed = true;
    ++m_attempt;
    m_retry.stop();
    m_deadline.stop();
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
