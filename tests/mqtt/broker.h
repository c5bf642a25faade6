#pragma once

#include "text_file.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// A real mosquitto on 127.0.0.1 with a throwaway configuration. `listeners`
// is the configuration's text after the first plain listener.
class Broker
{
public:
    ~Broker() { stop(); }

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

    bool start(const QString &extra = {}, QString *error = nullptr)
    {
        if (!port)
            port = freePort();
        const QString conf = dir.filePath("mosquitto.conf");
        // Run by root, mosquitto would become its own user and could not
        // read this folder.
        writeText(conf, QStringLiteral("user root\nper_listener_settings true\nlog_dest file %3\n"
                                       "log_type all\npersistence false\nlistener %1 127.0.0.1\n%2\n")
                            .arg(port)
                            .arg(extra.isEmpty() ? QStringLiteral("allow_anonymous true") : extra,
                                 dir.filePath("mosquitto.log")));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/mosquitto"), {"-c", conf});
        const bool up = m_process.waitForStarted(5000) && QTest::qWaitFor([this] { return accepts(); }, 10000);
        if (!up && error)
            *error = QStringLiteral("mosquitto did not start: ") + log() + m_process.readAll();
        return up;
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    bool accepts() const
    {
        if (m_process.state() != QProcess::Running)
            return false;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(200);
    }

    // What the broker logged, every run on this port.
    QString log() const { return readText(dir.filePath("mosquitto.log")); }

    QTemporaryDir dir;
    quint16 port = 0;

private:
    QProcess m_process;
};

// mosquitto_sub on every topic: each message as topic, retain flag and
// payload.
class Subscriber
{
public:
    struct Message
    {
        QString topic;
        bool retained = false;
        QByteArray payload;
        QJsonObject json() const { return QJsonDocument::fromJson(payload).object(); }
    };

    bool start(quint16 port, const QStringList &topics = {"#"})
    {
        QStringList args{"-h", "127.0.0.1", "-p", QString::number(port), "-F", "%t\t%r\t%p", "-q", "1"};
        for (const QString &t : topics)
            args << "-t" << t;
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { take(); });
        m_process.start(QStringLiteral("mosquitto_sub"), args);
        return m_process.waitForStarted(5000);
    }
    ~Subscriber()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QList<Message> on(const QString &topic) const
    {
        QList<Message> found;
        for (const Message &m : messages)
            if (m.topic == topic)
                found << m;
        return found;
    }

    QList<Message> messages;

private:
    void take()
    {
        m_buffer += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) >= 0) {
            const QList<QByteArray> parts = m_buffer.left(end).split('\t');
            m_buffer.remove(0, end + 1);
            if (parts.size() == 3)
                messages.append({QString::fromUtf8(parts[0]), parts[1] == "1", parts[2]});
        }
    }
    QProcess m_process;
    QByteArray m_buffer;
};
