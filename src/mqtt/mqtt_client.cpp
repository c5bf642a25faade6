#include "mqtt/mqtt_client.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace {

void initLibrary()
{
    static const bool done = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

// The library's connect step, handed to a thread of its own: with TLS it
// looks the name up itself, and a resolver that does not answer would
// hold everything on this thread for as long as it takes. The thread owns
// the handle until it is done; whichever side comes last destroys a
// handle that is no longer wanted.
struct MqttClient::Attempt
{
    std::mutex lock;
    mosquitto *mosq = nullptr;
    bool done = false;
    bool abandoned = false;
    int rc = MOSQ_ERR_SUCCESS;
    int error = 0;
    QString logError; // written by the thread until done
};

MqttClient::MqttClient(QObject *parent)
    : QObject(parent)
{
    initLibrary();
    // Keep-alive pings and retries of unacknowledged messages.
    m_misc.setInterval(1000);
    connect(&m_misc, &QTimer::timeout, this, &MqttClient::pump);
}

MqttClient::~MqttClient()
{
    abort();
}

void MqttClient::connectTo(const Options &o)
{
    abort();
    m_mosq = mosquitto_new(o.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("out of memory")); });
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // The publisher bounds what waits for acknowledgement itself. The
    // library's own bound of 20 would hold the rest back unsent, and a
    // clean exit, which waits only for what is sent, would lose them.
    mosquitto_int_option(m_mosq, MOSQ_OPT_SEND_MAXIMUM, 65535);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
    mosquitto_log_callback_set(m_mosq, &MqttClient::onLog);
    if (!o.user.isEmpty())
        mosquitto_username_pw_set(m_mosq, o.user.toUtf8().constData(),
                                  o.password.isEmpty() ? nullptr : o.password.toUtf8().constData());
    if (!o.willTopic.isEmpty())
        mosquitto_will_set(m_mosq, o.willTopic.toUtf8().constData(), int(o.willPayload.size()),
                           o.willPayload.constData(), 1, true);
    int rc = MOSQ_ERR_SUCCESS;
    if (o.tls) {
        if (o.caFile.isEmpty())
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(m_mosq, o.caFile.toUtf8().constData(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        const QString reason = reasonFor(rc, errno);
        QTimer::singleShot(0, this, [this, reason] { fail(reason); });
        return;
    }
    auto attempt = std::make_shared<Attempt>();
    attempt->mosq = std::exchange(m_mosq, nullptr);
    mosquitto_user_data_set(attempt->mosq, attempt.get());
    mosquitto_log_callback_set(attempt->mosq, &MqttClient::onAttemptLog);
    m_attempt = attempt;
    std::thread([this, attempt, host = o.host.toUtf8(), port = o.port, before = m_beforeConnect] {
        if (before)
            before();
        errno = 0;
        const int rc = mosquitto_connect_async(attempt->mosq, host.constData(), port, kKeepAliveSeconds);
        const int error = errno;
        const std::lock_guard<std::mutex> hold(attempt->lock);
        attempt->rc = rc;
        attempt->error = error;
        attempt->done = true;
        if (attempt->abandoned) {
            mosquitto_destroy(attempt->mosq);
            return;
        }
        // Not abandoned yet, so the client is still there; were it to go
        // before this is delivered, its abort() destroys the handle.
        QMetaObject::invokeMethod(this, [this, attempt] { attemptDone(attempt); }, Qt::QueuedConnection);
    }).detach();
}

void MqttClient::attemptDone(const std::shared_ptr<Attempt> &attempt)
{
    if (attempt != m_attempt)
        return;
    m_attempt.reset();
    m_mosq = attempt->mosq;
    mosquitto_user_data_set(m_mosq, this);
    mosquitto_log_callback_set(m_mosq, &MqttClient::onLog);
    m_lastError = attempt->logError;
    if (attempt->rc != MOSQ_ERR_SUCCESS) {
        fail(reasonFor(attempt->rc, attempt->error));
        return;
    }
    watchSocket();
    m_misc.start();
    // The CONNECT may already be out; the answer comes through the notifier.
    pump();
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    if (!m_connected || !m_mosq)
        return false;
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        const QString reason = reasonFor(rc, errno);
        QTimer::singleShot(0, this, [this, reason] { fail(reason); });
        return false;
    }
    if (qos > 0)
        m_unacknowledged.insert(mid);
    if (m_write)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
    return true;
}

void MqttClient::disconnectCleanly()
{
    const QDeadlineTimer until(kFlushOnExit);
    // The library closes the socket as soon as the DISCONNECT is written,
    // and a socket closed with acknowledgements still unread is reset: the
    // broker may lose the DISCONNECT and send the last will after a clean
    // exit. So every acknowledgement is read first, within the same bound.
    while (m_mosq && m_connected && !m_unacknowledged.isEmpty() && !until.hasExpired()
           && mosquitto_socket(m_mosq) >= 0) {
        if (mosquitto_loop(m_mosq, int(std::min<qint64>(50, until.remainingTime())), 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    if (m_mosq && m_connected && mosquitto_socket(m_mosq) >= 0 && mosquitto_disconnect(m_mosq) == MOSQ_ERR_SUCCESS) {
        // The last messages and the DISCONNECT are out only once the broker
        // has read them; this lasts a round trip, and never longer than the
        // bound.
        while (!until.hasExpired() && mosquitto_socket(m_mosq) >= 0) {
            if (mosquitto_loop(m_mosq, int(std::min<qint64>(50, until.remainingTime())), 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    abort();
}

bool MqttClient::subscribe(const QString &topic, int qos)
{
    if (!m_connected || !m_mosq)
        return false;
    const bool sent = mosquitto_subscribe(m_mosq, nullptr, topic.toUtf8().constData(), qos) == MOSQ_ERR_SUCCESS;
    if (m_write)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
    return sent;
}

void MqttClient::abort()
{
    if (m_attempt) {
        const std::lock_guard<std::mutex> hold(m_attempt->lock);
        m_attempt->abandoned = true;
        if (m_attempt->done)
            mosquitto_destroy(m_attempt->mosq);
    }
    m_attempt.reset();
    m_misc.stop();
    dropSocket();
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_connected = false;
    m_connectSeen = false;
    m_refusal.clear();
    m_lastError.clear();
    m_unacknowledged.clear();
}

void MqttClient::watchSocket()
{
    dropSocket();
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0)
        return;
    m_read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    m_write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_read.get(), &QSocketNotifier::activated, this, &MqttClient::pump);
    connect(m_write.get(), &QSocketNotifier::activated, this, &MqttClient::pump);
    m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttClient::dropSocket()
{
    // Before the library's descriptor number can be handed out again.
    if (m_read)
        m_read->setEnabled(false);
    if (m_write)
        m_write->setEnabled(false);
    m_read.reset();
    m_write.reset();
}

void MqttClient::pump()
{
    if (!m_mosq)
        return;
    errno = 0;
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    const int error = errno;
    if (!m_mosq)
        return;
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_mosq) < 0) {
        fail(reasonFor(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc, error));
        return;
    }
    if (m_write)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
    if (m_connectSeen && !m_connected) {
        m_connected = true;
        emit connected();
    }
}

void MqttClient::fail(const QString &reason)
{
    const bool wasActive = m_mosq != nullptr || m_attempt;
    abort();
    if (wasActive)
        emit lost(reason);
}

QString MqttClient::reasonFor(int rc, int error) const
{
    if (!m_refusal.isEmpty())
        return m_refusal;
    if (!m_lastError.isEmpty())
        return m_lastError;
    if (rc == MOSQ_ERR_ERRNO && error != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

void MqttClient::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    if (rc == 0)
        client->m_connectSeen = true;
    else
        client->m_refusal = QString::fromUtf8(mosquitto_connack_string(rc));
}

void MqttClient::onDisconnect(mosquitto *, void *, int)
{
    // The loop's return code says the same; pump() reports it.
}

void MqttClient::onPublish(mosquitto *, void *self, int mid)
{
    auto *client = static_cast<MqttClient *>(self);
    if (client->m_unacknowledged.remove(mid))
        QTimer::singleShot(0, client, &MqttClient::acknowledged);
}

void MqttClient::onLog(mosquitto *, void *self, int level, const char *text)
{
    auto *client = static_cast<MqttClient *>(self);
    if (level == MOSQ_LOG_ERR && client->m_lastError.isEmpty())
        client->m_lastError = QString::fromUtf8(text);
}

void MqttClient::onAttemptLog(mosquitto *, void *attempt, int level, const char *text)
{
    auto *a = static_cast<Attempt *>(attempt);
    if (level == MOSQ_LOG_ERR && a->logError.isEmpty())
        a->logError = QString::fromUtf8(text);
}

void MqttClient::onMessage(mosquitto *, void *self, const struct mosquitto_message *message)
{
    auto *client = static_cast<MqttClient *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    const bool retained = message->retain;
    // Out of the library's loop before anybody acts on it.
    QTimer::singleShot(0, client, [client, topic, payload, retained] { emit client->received(topic, payload, retained); });
}
