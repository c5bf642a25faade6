// The connection to a real mosquitto: a crash leaves the last will, a
// refused password or certificate is said once and plainly.
#include "app/program.h"
#include "manual_clock.h"
#include "line_log.h"
#include "mqtt/broker.h"
#include "pilot_process.h"
#include "scripted_dialogs.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>


using namespace std::chrono_literals;

namespace {

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A self-signed certificate for 127.0.0.1, good as its own CA file.
bool makeCertificate(const QString &key, const QString &cert)
{
    return run("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                           "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                           "subjectAltName=IP:127.0.0.1"});
}

struct MqttConnection : ::testing::Test
{
    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    Broker broker;
    ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<LineLog> lines;

    void startProgram(const QString &mqtt)
    {
        ASSERT_TRUE(writeText(ini, "[mqtt]\nHost=" + broker.address() + "\n" + mqtt));
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
        lines = std::make_unique<LineLog>(program->mainStatus());
        program->mqtt().setFirstRetry(10ms);
        program->startUp();
    }
    QStringList mqttLines() const { return lines->lines.filter("MQTT"); }
    int brokerSaid(const QString &text) const { return int(broker.log().count(text)); }
};

} // namespace

TEST_F(MqttConnection, AKilledProgramLeavesOfflineAndThePasswordStaysOutOfItsWords)
{
    QString error;
    ASSERT_TRUE(broker.start({}, &error)) << qPrintable(error);
    Subscriber sub;
    ASSERT_TRUE(sub.start(broker.port, {"qmnpilot/qmn4400/availability"}));
    ASSERT_TRUE(writeText(ini, "[mqtt]\nHost=" + broker.address() + "\nUser=bob\nPassword=pw-n0t-for-eyes\n"));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    PilotProcess p;
    p.launch({"--headless", "--config", ini, "--data-dir", dir.filePath("data")}, {"XDG_RUNTIME_DIR=" + dir.filePath("run")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sub.on("qmnpilot/qmn4400/availability").isEmpty(); }, 15000))
        << p.readAllStandardError().data();
    EXPECT_EQ(sub.messages.last().payload, "online");
    EXPECT_EQ(p.end(SIGKILL), -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 2; }, 10000));
    EXPECT_EQ(sub.messages.last().payload, "offline");

    const QString said = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(said.count("chmod 600 " + ini), 1) << qPrintable(said);
    EXPECT_TRUE(said.contains("main: MQTT: connected to " + broker.address())) << qPrintable(said);
    EXPECT_FALSE(said.contains("pw-n0t-for-eyes")) << qPrintable(said);
}

TEST_F(MqttConnection, AWrongPasswordIsReportedOnceAndTheRightOneIsSavedForTheOwnerOnly)
{
    const QString passwords = broker.dir.filePath("passwd");
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", "-c", passwords, "meter", "right-one"}));
    QString error;
    ASSERT_TRUE(broker.start("allow_anonymous false\npassword_file " + passwords, &error)) << qPrintable(error);
    startProgram("User=meter\nPassword=wrong-one\n");
    // Attempt after attempt is refused; the list hears of it once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return brokerSaid("not authorised") >= 3; }, 20000)) << qPrintable(broker.log());
    EXPECT_EQ(mqttLines(), QStringList{"MQTT: cannot connect to " + broker.address()
                                       + ": Connection Refused: not authorised."});
    EXPECT_EQ(program->mqtt().stateText(), "Not connected: Connection Refused: not authorised.");

    MqttSettings settings = program->mqtt().settings();
    settings.Password = "right-one";
    program->mqtt().apply(settings);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->mqtt().isConnected(); }, 10000)) << qPrintable(broker.log());
    EXPECT_EQ(program->mqtt().stateText(), "Connected to " + broker.address());
    EXPECT_EQ(mqttLines().last(), "MQTT: connected to " + broker.address());
    for (const QString &line : lines->lines)
        EXPECT_FALSE(line.contains("-one")) << qPrintable(line);
    // Only the changed key is written, and the file is the owner's alone.
    SettingsStore saved(ini);
    saved.load();
    EXPECT_EQ(saved.value("mqtt", "Password"), "right-one");
    EXPECT_EQ(saved.entries("mqtt").size(), 3);
    EXPECT_EQ(QFile::permissions(ini) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    program->exitSequence();
}

TEST_F(MqttConnection, TlsWithTheBrokersCertificateConnectsAndAStrangerIsRefusedPlainly)
{
    const QString key = dir.filePath("broker.key"), cert = dir.filePath("broker.pem");
    const QString otherKey = dir.filePath("other.key"), other = dir.filePath("other.pem");
    ASSERT_TRUE(makeCertificate(key, cert));
    ASSERT_TRUE(makeCertificate(otherKey, other));
    QString error;
    ASSERT_TRUE(broker.start("allow_anonymous true\ncertfile " + cert + "\nkeyfile " + key, &error))
        << qPrintable(error);
    startProgram("Tls=True\nCaFile=" + cert + "\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->mqtt().isConnected(); }, 10000)) << qPrintable(broker.log());
    EXPECT_EQ(program->mqtt().stateText(), "Connected to " + broker.address());

    MqttSettings settings = program->mqtt().settings();
    settings.CaFile = other;
    program->mqtt().apply(settings);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mqttLines().size() == 2; }, 10000)) << qPrintable(broker.log());
    EXPECT_TRUE(mqttLines()[1].startsWith("MQTT: cannot connect to " + broker.address() + ": "))
        << qPrintable(mqttLines()[1]);
    EXPECT_TRUE(mqttLines()[1].contains("certificate verify failed")) << qPrintable(mqttLines()[1]);
    EXPECT_FALSE(program->mqtt().isConnected());
    program->exitSequence();
}

TEST_F(MqttConnection, IntervalSpacesTheStatesOnTheProgramsClock)
{
    ManualClock clock{QDateTime(QDate(2026, 6, 21), QTime(12, 0, 0))};
    QString error;
    ASSERT_TRUE(broker.start({}, &error)) << qPrintable(error);
    Subscriber sub;
    ASSERT_TRUE(sub.start(broker.port, {"qmnpilot/qmn4400/state"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.log().contains("Sending SUBACK"); }, 10000));
    startProgram("Interval=10\n");
    program->setClock(&clock);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->mqtt().isConnected(); }, 10000));
    // A sample every 4 s: those at 0, 12 and 24 s are published.
    for (int i = 0; i < 7; ++i) {
        program->dispatch().LogSample(program->sample());
        clock.at = clock.at.addSecs(4);
    }
    program->exitSequence();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 3; }, 5000)) << sub.messages.size();
    const QDateTime noon(QDate(2026, 6, 21), QTime(12, 0, 0));
    for (int i = 0; i < 3; ++i) {
        const QDateTime at = noon.addSecs(12 * i);
        EXPECT_EQ(sub.messages[i].json()["time"].toString(), at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate));
    }
}
