#pragma once

#include "app/program.h"
#include "line_log.h"
#include "scripted_dialogs.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// A real mosquitto on 127.0.0.1 with a throwaway configuration; `extra`
// follows its first, plain listener.
class Broker
{
public:
    ~Broker() { stop(); }

    bool start(const QString &extra = {}, QString *error = nullptr)
    {
        if (!port) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            port = probe.serverPort();
        }
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

inline bool runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The program on a settings file of its own, beside a real mosquitto; a
// minute of its waiting runs 1/timeScale times faster.
struct MqttProgramTest : ::testing::Test
{
    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    Broker broker;
    ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<LineLog> lines;
    QStringList pastLines; // of the programs that ended
    double timeScale = 0.01;

    // Before the peers a derived fixture adds go.
    void TearDown() override
    {
        if (program)
            program->exitSequence();
        program.reset();
    }

    void startBroker(const QString &extra = {})
    {
        QString error;
        ASSERT_TRUE(broker.start(extra, &error)) << qPrintable(error);
    }
    // Returns once the broker has taken the subscription on.
    void listen(Subscriber &sub, const QStringList &topics = {"#"})
    {
        const qsizetype before = broker.log().count("Sending SUBACK");
        ASSERT_TRUE(sub.start(broker.port, topics));
        ASSERT_TRUE(QTest::qWaitFor([&] { return broker.log().count("Sending SUBACK") > before; }, 10000));
    }
    void startProgram(std::function<void()> beforeConnect = {})
    {
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
        lines = std::make_unique<LineLog>(program->mainStatus());
        program->mqtt().setTimeScale(timeScale);
        program->mqtt().setBeforeConnect(std::move(beforeConnect));
        program->startUp();
    }
    void endProgram()
    {
        program->exitSequence();
        pastLines += lines->lines;
        lines.reset();
        program.reset();
    }
    QStringList mqttLines() const { return (pastLines + (lines ? lines->lines : QStringList())).filter("MQTT"); }
    bool connected() { return QTest::qWaitFor([&] { return program->mqtt().isConnected(); }, 10000); }
    // An empty payload clears the topic's retained message.
    bool publish(const QString &topic, const QString &payload)
    {
        const QStringList message = payload.isEmpty() ? QStringList{"-r", "-n"} : QStringList{"-m", payload};
        return runTool("mosquitto_pub", QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port), "-q", "1",
                                                    "-t", topic} + message);
    }
    // What the broker keeps now: retained topic and payload.
    QMap<QString, QByteArray> retainedNow()
    {
        Subscriber late;
        late.start(broker.port);
        // The first one that comes is sent after the retained ones.
        EXPECT_TRUE(QTest::qWaitFor([&] { return publish("test/end", "x") && !late.on("test/end").isEmpty(); },
                                    5000));
        QMap<QString, QByteArray> kept;
        for (const Subscriber::Message &m : late.messages)
            if (m.retained)
                kept.insert(m.topic, m.payload);
        return kept;
    }
};
