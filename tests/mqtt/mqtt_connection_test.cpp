// The connection to a real mosquitto: a crash leaves the last will, a
// refused password or certificate is said once and plainly, nothing is
// left behind in the broker, and a broker that drops the program at once
// is not stormed.
#include "manual_clock.h"
#include "mqtt/broker.h"
#include "mqtt/mqtt_payloads.h"
#include "pilot_process.h"
#include "settings/settings_store.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// A self-signed certificate for 127.0.0.1, good as its own CA file.
bool makeCertificate(const QString &key, const QString &cert)
{
    return runTool("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                               "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                               "subjectAltName=IP:127.0.0.1"});
}

struct MqttConnection : MqttProgramTest
{
    void startProgram(const QString &mqtt, bool writeIni = true)
    {
        if (writeIni) {
            ASSERT_TRUE(writeText(ini, "[mqtt]\nHost=" + broker.address() + "\n" + mqtt));
        }
        MqttProgramTest::startProgram();
    }
};

} // namespace

TEST_F(MqttConnection, AKilledProgramLeavesOfflineAndThePasswordStaysOutOfItsWords)
{
    ASSERT_NO_FATAL_FAILURE(startBroker());
    Subscriber sub;
    ASSERT_NO_FATAL_FAILURE(listen(sub, {"qmnpilot/qmn4400/availability"}));
    ASSERT_TRUE(writeText(ini, "[mqtt]\nHost=" + broker.address() + "\nUser=bob\nPassword=pw-n0t-for-eyes\n"));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    PilotProcess p;
    p.launch({"--headless", "--config", ini, "--data-dir", dir.filePath("data")}, {"XDG_RUNTIME_DIR=" + dir.filePath("run")});
    // The journal's line follows the message by a turn of the event loop.
    ASSERT_TRUE(p.said("main: MQTT", 15000)) << p.err.data();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sub.on("qmnpilot/qmn4400/availability").isEmpty(); }, 15000));
    EXPECT_EQ(sub.messages.last().payload, "online");
    EXPECT_EQ(p.end(SIGKILL), -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 2; }, 10000));
    EXPECT_EQ(sub.messages.last().payload, "offline");

    const QString said = QString::fromUtf8(p.err + p.readAllStandardError());
    EXPECT_EQ(said.count("chmod 600 " + ini), 1) << qPrintable(said);
    EXPECT_TRUE(said.contains("main: MQTT: connected to " + broker.address())) << qPrintable(said);
    EXPECT_FALSE(said.contains("pw-n0t-for-eyes")) << qPrintable(said);
}

TEST_F(MqttConnection, AWrongPasswordIsReportedOnceAndTheRightOneIsSavedForTheOwnerOnly)
{
    const QString passwords = broker.dir.filePath("passwd");
    ASSERT_TRUE(runTool("mosquitto_passwd", {"-b", "-c", passwords, "meter", "right-one"}));
    ASSERT_NO_FATAL_FAILURE(startBroker("allow_anonymous false\npassword_file " + passwords));
    startProgram("User=meter\nPassword=wrong-one\n");
    // Attempt after attempt is refused; the list hears of it once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.log().count("not authorised") >= 3; }, 20000)) << qPrintable(broker.log());
    EXPECT_EQ(mqttLines(), QStringList{"MQTT: cannot connect to " + broker.address()
                                       + ": Connection Refused: not authorised."});
    EXPECT_EQ(program->mqtt().stateText(), "Not connected: Connection Refused: not authorised.");

    MqttSettings settings = program->mqtt().settings();
    settings.Password = "right-one";
    program->mqtt().apply(settings);
    ASSERT_TRUE(connected()) << qPrintable(broker.log());
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
}

TEST_F(MqttConnection, TlsWithTheBrokersCertificateConnectsAndAStrangerIsRefusedPlainly)
{
    const QString key = dir.filePath("broker.key"), cert = dir.filePath("broker.pem");
    const QString otherKey = dir.filePath("other.key"), other = dir.filePath("other.pem");
    ASSERT_TRUE(makeCertificate(key, cert));
    ASSERT_TRUE(makeCertificate(otherKey, other));
    ASSERT_NO_FATAL_FAILURE(startBroker("allow_anonymous true\ncertfile " + cert + "\nkeyfile " + key));
    startProgram("Tls=True\nCaFile=" + cert + "\n");
    ASSERT_TRUE(connected()) << qPrintable(broker.log());
    EXPECT_EQ(program->mqtt().stateText(), "Connected to " + broker.address());

    MqttSettings settings = program->mqtt().settings();
    settings.CaFile = other;
    program->mqtt().apply(settings);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mqttLines().size() == 2; }, 10000)) << qPrintable(broker.log());
    EXPECT_TRUE(mqttLines()[1].startsWith("MQTT: cannot connect to " + broker.address() + ": "))
        << qPrintable(mqttLines()[1]);
    EXPECT_TRUE(mqttLines()[1].contains("certificate verify failed")) << qPrintable(mqttLines()[1]);
    EXPECT_FALSE(program->mqtt().isConnected());
}

TEST_F(MqttConnection, IntervalSpacesTheStatesOnTheProgramsClock)
{
    ManualClock clock{QDateTime(QDate(2026, 6, 21), QTime(12, 0, 0))};
    ASSERT_NO_FATAL_FAILURE(startBroker());
    Subscriber sub;
    ASSERT_NO_FATAL_FAILURE(listen(sub, {"qmnpilot/qmn4400/state"}));
    startProgram("Interval=10\n");
    program->setClock(&clock);
    ASSERT_TRUE(connected());
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

TEST_F(MqttConnection, APasswordFromTheWindowGoesIntoAFileForTheOwnerOnlyAndComesBackAsTyped)
{
    for (const QString password : {"plain", "  blanks around ", "\"in quotes\""}) {
        SCOPED_TRACE(password.toStdString());
        ini = dir.filePath(QString::number(qHash(password)) + ".ini");
        ASSERT_FALSE(QFile::exists(ini));
        startProgram({}, false);
        MqttSettings settings = program->mqtt().settings();
        settings.Password = password;
        program->mqtt().apply(settings);
        EXPECT_EQ(QFile::permissions(ini) & ~(QFile::ReadUser | QFile::WriteUser),
                  QFile::ReadOwner | QFile::WriteOwner);
        SettingsStore saved(ini);
        saved.load();
        EXPECT_EQ(MqttSettings::read(saved).Password, password);
        program->exitSequence();
    }
}

TEST_F(MqttConnection, ConfigsThatNoLongerApplyAreTakenOutOfTheBroker)
{
    ASSERT_NO_FATAL_FAILURE(startBroker());
    const struct
    {
        const char *change;
        void (*edit)(MqttSettings &);
        bool restart; // the file edited while the program was not running
        QString availability, configs;
    } rows[] = {
        {"node renamed", [](MqttSettings &s) { s.Node = "loft"; }, false, "qmnpilot/loft", "homeassistant/sensor/loft_"},
        {"node renamed in the file", [](MqttSettings &s) { s.Node = "loft"; }, true, "qmnpilot/loft",
         "homeassistant/sensor/loft_"},
        {"prefix moved", [](MqttSettings &s) { s.DiscoveryPrefix = "ha"; }, false, "qmnpilot/qmn4400",
         "ha/sensor/qmn4400_"},
        {"topic moved", [](MqttSettings &s) { s.Topic = "house"; }, false, "house/qmn4400",
         "homeassistant/sensor/qmn4400_"},
        {"discovery off", [](MqttSettings &s) { s.Discovery = false; }, false, "qmnpilot/qmn4400", {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.change);
        startProgram({});
        ASSERT_TRUE(connected());
        MqttSettings settings = program->mqtt().settings();
        row.edit(settings);
        if (row.restart) {
            program->exitSequence();
            SettingsStore store(ini);
            store.load();
            settings.writeChanged(store, program->mqtt().settings());
            store.save();
            startProgram({}, false);
        } else {
            program->mqtt().apply(settings);
        }
        ASSERT_TRUE(connected());
        const QMap<QString, QByteArray> kept = retainedNow();
        QStringList expected{row.availability + "/availability"};
        if (!row.configs.isEmpty())
            for (const QString &key : MqttPayloads::sensorKeys())
                expected << row.configs + key + "/config";
        expected.sort();
        EXPECT_EQ(kept.keys().join('\n').toStdString(), expected.join('\n').toStdString());
        EXPECT_EQ(kept.value(row.availability + "/availability"), "online");
        // Clean for the next row.
        program->exitSequence();
        for (const QString &topic : kept.keys())
            publish(topic, {});
        QFile::remove(ini);
    }
}

TEST_F(MqttConnection, HomeAssistantBackOnlineOrANewFirmwareGetsTheConfigsAgainAndTheLatestStateAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(startBroker());
    Subscriber sub;
    ASSERT_NO_FATAL_FAILURE(listen(sub, {"homeassistant/sensor/#", "qmnpilot/qmn4400/state"}));
    startProgram({});
    ASSERT_TRUE(connected());
    program->dispatch().LogSample(program->sample());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 18; }, 5000)) << sub.messages.size();
    ASSERT_TRUE(publish("homeassistant/status", "online"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 36; }, 5000)) << sub.messages.size();
    EXPECT_EQ(sub.on("qmnpilot/qmn4400/state").value(1).payload, sub.on("qmnpilot/qmn4400/state").value(0).payload);
    // The monitor's firmware, once read, is the device's software version.
    program->device().setBox(DeviceUtility::Firmware, "2.21");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 53; }, 5000)) << sub.messages.size();
    EXPECT_EQ(sub.messages.last().json()["device"].toObject()["sw_version"].toString(), "2.21");
    // Past its expiry the last state stays unsent: the samples have stopped.
    ManualClock later{QDateTime::currentDateTime().addSecs(31)};
    program->setClock(&later);
    ASSERT_TRUE(publish("homeassistant/status", "online"));
    EXPECT_FALSE(QTest::qWaitFor([&] { return sub.messages.size() > 70; }, 2000)) << qPrintable(sub.messages.last().topic);
    EXPECT_EQ(sub.messages.size(), 70);
}

TEST_F(MqttConnection, ABrokerThatDropsEachConnectionAtOnceIsNeitherStormedNorReportedOverAndOver)
{
    // Takes the connection, says yes, and closes it as soon as the program
    // has anything to say: as a broker does with two clients of one id.
    QTcpServer standIn;
    ASSERT_TRUE(standIn.listen(QHostAddress::LocalHost));
    int attempts = 0;
    QObject::connect(&standIn, &QTcpServer::newConnection, [&] {
        QTcpSocket *client = standIn.nextPendingConnection();
        ++attempts;
        QObject::connect(client, &QTcpSocket::readyRead, client, [client, answered = false]() mutable {
            client->readAll();
            if (answered)
                client->abort();
            else
                client->write(QByteArray::fromHex("20020000"));
            answered = true;
        });
    });
    ASSERT_TRUE(writeText(ini, QStringLiteral("[mqtt]\nHost=127.0.0.1:%1\n").arg(standIn.serverPort())));
    startProgram({}, false);
    // A minute, run a hundred times faster.
    ASSERT_TRUE(QTest::qWaitFor([&] { return attempts > 0; }, 5000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return attempts > 8 || mqttLines().size() > 2; }, 600))
        << attempts << " attempts\n" << qPrintable(mqttLines().join('\n'));
    EXPECT_GE(attempts, 3);
}

TEST_F(MqttConnection, TwoProgramsOfOneNodeInOneProcessConnectAsTwoClients)
{
    ASSERT_NO_FATAL_FAILURE(startBroker());
    startProgram({});
    ASSERT_TRUE(connected());
    ScriptedDialogs otherDialogs;
    Program other(ini, dir.filePath("other"), otherDialogs);
    other.startUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.mqtt().isConnected(); }, 10000));
    static const QRegularExpression id(QStringLiteral("New client connected from \\S+ as (\\S+)"));
    QSet<QString> ids;
    for (auto m = id.globalMatch(broker.log()); m.hasNext();)
        ids.insert(m.next().captured(1));
    EXPECT_EQ(ids.size(), 2) << qPrintable(broker.log());
    other.exitSequence();
}
