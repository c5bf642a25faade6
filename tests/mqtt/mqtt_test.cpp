// The program against a real mosquitto on 127.0.0.1, mosquitto_sub reading
// what arrives: a crash leaves the last will, a refused password or
// certificate is said once and plainly, nothing is left behind in the broker,
// a broker that drops the program at once is not stormed; and streamed from
// the simulated monitor, each state holds the row stored in SQLite.
#include "manual_clock.h"
#include "mqtt/broker.h"
#include "mqtt/mqtt_payloads.h"
#include "pilot_process.h"
#include "settings/settings_store.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QFile>
#include <QRegularExpression>

#include <cmath>
#include <future>

namespace {

const QString kState = QStringLiteral("qmnpilot/qmn4400/state");
const QString kAvailability = QStringLiteral("qmnpilot/qmn4400/availability");

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

struct MqttFlow : MqttProgramTest
{
    QString db = dir.filePath("qmn.db");
    Subscriber sub;
    MonitorSim sim;

    void SetUp() override
    {
        timeScale = 0.02;
        sim.setPeriodMs(40);
        sim.setStreamFromStart(true);
        sim.model().setConstant(1500, -600);
        sim.model().setVoltage(231.7);
        sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ASSERT_NO_FATAL_FAILURE(startBroker());
        ASSERT_NO_FATAL_FAILURE(listen(sub));
        ASSERT_TRUE(writeStreamingSettings(ini, sim, db, "[mqtt]\nHost=" + broker.address() + "\n"));
    }
    int rowCount() { return int(storedRows(db, "select count(*) from qmn_power").value(0).value(0)); }
};

// What each discovery config must say, in the order they are published.
const struct ConfigRow
{
    const char *key, *name, *deviceClass, *unit;
    int precision;
    bool live; // a measurement that expires; otherwise a total that only grows
} kConfigs[] = {
    {"power1", "CH1 power", "power", "W", 0, true},
    {"power2", "CH2 power", "power", "W", 0, true},
    {"power_total", "Total power", "power", "W", 0, true},
    {"grid_power", "Grid power", "power", "W", 0, true},
    {"solar_power", "Solar power", "power", "W", 0, true},
    {"load_power", "Load power", "power", "W", 0, true},
    {"voltage", "Voltage", "voltage", "V", 1, true},
    {"current1", "CH1 current", "current", "A", 2, true},
    {"current2", "CH2 current", "current", "A", 2, true},
    {"energy1", "CH1 energy", "energy", "kWh", 3, false},
    {"energy1_fed_back", "CH1 energy fed back", "energy", "kWh", 3, false},
    {"energy2", "CH2 energy", "energy", "kWh", 3, false},
    {"energy2_fed_back", "CH2 energy fed back", "energy", "kWh", 3, false},
    {"solar", "Solar generated", "energy", "kWh", 3, false},
    {"from_grid", "From grid", "energy", "kWh", 3, false},
    {"to_grid", "To grid", "energy", "kWh", 3, false},
    {"consumed", "Consumed", "energy", "kWh", 3, false},
};

} // namespace

TEST_F(MqttConnection, AKilledProgramLeavesOfflineAndThePasswordStaysOutOfItsWords)
{
    ASSERT_NO_FATAL_FAILURE(startBroker());
    Subscriber sub;
    ASSERT_NO_FATAL_FAILURE(listen(sub, {kAvailability}));
    ASSERT_TRUE(writeText(ini, "[mqtt]\nHost=" + broker.address() + "\nUser=bob\nPassword=pw-n0t-for-eyes\n"));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    PilotProcess p;
    p.launch({"--headless", "--config", ini, "--data-dir", dir.filePath("data")}, {"XDG_RUNTIME_DIR=" + dir.filePath("run")});
    // The journal's line follows the message by a turn of the event loop.
    ASSERT_TRUE(p.said("main: MQTT", 15000)) << p.err.data();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sub.on(kAvailability).isEmpty(); }, 15000));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.log().count("not authorised") >= 3; }, 20000))
        << qPrintable(broker.log());
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
    ASSERT_NO_FATAL_FAILURE(listen(sub, {kState}));
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
    ASSERT_NO_FATAL_FAILURE(listen(sub, {"homeassistant/sensor/#", kState}));
    startProgram({});
    ASSERT_TRUE(connected());
    program->dispatch().LogSample(program->sample());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 18; }, 5000)) << sub.messages.size();
    ASSERT_TRUE(publish("homeassistant/status", "online"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.messages.size() == 36; }, 5000)) << sub.messages.size();
    EXPECT_EQ(sub.on(kState).value(1).payload, sub.on(kState).value(0).payload);
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

TEST_F(MqttFlow, EachStateHoldsTheStoredRowAndDiscoveryDescribesIt)
{
    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= 8; }, 15000)) << qPrintable(broker.log());
    endProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kAvailability).size() == 2; }, 5000)) << qPrintable(broker.log());

    const auto rows = storedRows(db, "select p1,p2,volt,amp1,amp2,kwh1,kwh1p,kwh2,kwh2p from qmn_power "
                                     "order by rowid");
    const QList<Subscriber::Message> states = sub.on(kState);
    ASSERT_EQ(states.size(), rows.size()) << "a state per stored sample";
    for (int i = 0; i < rows.size(); ++i) {
        const QList<double> &r = rows[i];
        const QJsonObject s = states[i].json();
        EXPECT_FALSE(states[i].retained);
        EXPECT_EQ(s["power1"].toDouble(), r[0]);
        EXPECT_EQ(s["power2"].toDouble(), r[1]);
        EXPECT_EQ(s["power_total"].toDouble(), r[0] + r[1]);
        EXPECT_DOUBLE_EQ(s["voltage"].toDouble(), r[2]);
        EXPECT_NEAR(s["current1"].toDouble(), r[3], 0.005);
        EXPECT_NEAR(s["current2"].toDouble(), r[4], 0.005);
        // The energies to the watt-hour.
        const double kWh[] = {r[5], r[6], r[7], r[8], r[5], r[7] - r[8], r[8], r[7] - r[8] + r[5] - r[8]}; // consumed: from grid + solar - to grid
        for (int k = 0; k < 8; ++k) {
            const double v = s[kConfigs[9 + k].key].toDouble();
            EXPECT_NEAR(v, kWh[k], 0.00051) << kConfigs[9 + k].key;
            EXPECT_EQ(std::round(v * 1000) / 1000, v) << states[i].payload.data();
        }
    }
    // CH2 is the grid connection, sending 600 W out.
    const QJsonObject last = states.last().json();
    EXPECT_EQ(last["power2"].toDouble(), 600) << "absolute CH2 power";
    EXPECT_EQ(last["grid_power"].toDouble(), -600);
    EXPECT_EQ(last["solar_power"].toDouble(), 1500);
    EXPECT_EQ(last["load_power"].toDouble(), 900);
    // Online while connected, offline (retained) after a clean exit.
    const QList<Subscriber::Message> availability = sub.on(kAvailability);
    ASSERT_EQ(availability.size(), 2);
    EXPECT_EQ(availability[0].payload, "online");
    EXPECT_EQ(availability[1].payload, "offline");
    // Kept by the broker for whoever subscribes later.
    const QMap<QString, QByteArray> kept = retainedNow();
    EXPECT_EQ(kept.size(), 18) << qPrintable(kept.keys().join(' '));
    EXPECT_EQ(kept.value(kAvailability), "offline");

    QList<Subscriber::Message> configs;
    for (const Subscriber::Message &m : sub.messages)
        if (m.topic.startsWith("homeassistant/"))
            configs << m;
    ASSERT_EQ(configs.size(), std::size(kConfigs));
    for (int i = 0; i < configs.size(); ++i) {
        const ConfigRow &row = kConfigs[i];
        SCOPED_TRACE(row.key);
        const QJsonObject c = configs[i].json();
        const QString id = QStringLiteral("qmn4400_") + row.key;
        EXPECT_EQ(configs[i].topic, "homeassistant/sensor/" + id + "/config");
        EXPECT_EQ(c["name"].toString(), row.name);
        EXPECT_EQ(c["unique_id"].toString(), id);
        EXPECT_EQ(c["default_entity_id"].toString(), "sensor." + id);
        EXPECT_EQ(c["value_template"].toString(), QStringLiteral("{{ value_json.%1 }}").arg(row.key));
        EXPECT_EQ(c["device_class"].toString(), row.deviceClass);
        EXPECT_EQ(c["state_class"].toString(), row.live ? "measurement" : "total_increasing");
        EXPECT_EQ(c["unit_of_measurement"].toString(), row.unit);
        EXPECT_EQ(c["suggested_display_precision"], row.precision);
        EXPECT_EQ(c["expire_after"], row.live ? QJsonValue(30) : QJsonValue(QJsonValue::Undefined));
        EXPECT_EQ(c["state_topic"].toString(), kState);
        EXPECT_EQ(c["availability_topic"].toString(), kAvailability);
        EXPECT_EQ(c["device"].toObject()["name"].toString(), "QMN-4400 qmn4400");
        EXPECT_FALSE(c["device"].toObject().contains("sw_version")) << "the monitor's firmware is not known";
        EXPECT_EQ(c["origin"].toObject(), (QJsonObject{{"name", "QMN-4400 Pilot"}, {"sw_version", "1.20"}}));
    }
    EXPECT_EQ(mqttLines(), QStringList{"MQTT: connected to " + broker.address()});
}

TEST_F(MqttFlow, TotalsNeverFallAcrossAMonitorResetALostRecoveryStateOrARestartAndIdsStayTheSame)
{
    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= 4; }, 15000));
    sim.injectFault(MonitorSim::Fault::MonitorReset);
    const qint64 resetAt = sim.packetsSent();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.packetsSent() > resetAt + 3; }, 15000));
    const QByteArray firstConfig = sub.on("homeassistant/sensor/qmn4400_energy1/config").value(0).payload;
    // The monitor goes quiet while no program holds its port.
    sim.setStreaming(false);
    endProgram();
    const qsizetype firstLife = sub.on(kState).size();
    // The energy carried across the reset is lost: the monitor's totals
    // fall back to its own counters.
    SettingsStore store(ini);
    ASSERT_TRUE(store.load());
    ASSERT_NE(store.value("startup", "PreResetVal1"), "0");
    for (const char *key : {"PreResetVal1", "PreResetVal2", "PreResetValP1", "PreResetValP2"})
        store.setValue("startup", key, "0");
    ASSERT_TRUE(store.save());

    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.clientOpen(); }, 5000));
    sim.setStreaming(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= firstLife + 4; }, 15000))
        << qPrintable(lines->lines.join('\n')) << rowCount() << qPrintable(broker.log());
    endProgram();
    // Every energy total of every state published, in order.
    QJsonObject before;
    for (const Subscriber::Message &m : sub.on(kState)) {
        const QJsonObject now = m.json();
        for (const char *key : {"energy1", "energy1_fed_back", "energy2", "energy2_fed_back", "solar",
                                "from_grid", "to_grid", "consumed"})
            EXPECT_GE(now[key].toDouble(), before[key].toDouble()) << key << ' ' << m.payload.data();
        before = now;
    }
    EXPECT_EQ(sub.on("homeassistant/sensor/qmn4400_energy1/config").value(1).payload, firstConfig);
    // The totals went on from where they were, not from the monitor's zero.
    EXPECT_GT(sub.on(kState).last().json()["energy1"].toDouble(), 2.0);
}

TEST_F(MqttFlow, ABrokerThatGoesAwayIsReportedOnceAndTheSamplesGoOnIntoTheDatabase)
{
    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= 2; }, 15000));
    broker.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return mqttLines().size() == 2; }, 10000));
    // Several attempts fail meanwhile; the rows keep coming.
    const int rowsWhenLost = rowCount();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowCount() >= rowsWhenLost + 10; }, 15000));
    EXPECT_EQ(mqttLines().size(), 2);
    EXPECT_TRUE(mqttLines()[1].startsWith("MQTT: connection to " + broker.address() + " lost: "))
        << qPrintable(mqttLines()[1]);
    EXPECT_TRUE(program->mqtt().stateText().startsWith("Not connected: ")) << qPrintable(program->mqtt().stateText());

    ASSERT_NO_FATAL_FAILURE(startBroker());
    Subscriber again;
    ASSERT_TRUE(again.start(broker.port, {kState}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.on(kState).size() >= 2; }, 20000)) << qPrintable(broker.log());
    // Said once the connection has held (a minute, here run fifty times faster).
    EXPECT_TRUE(QTest::qWaitFor([&] { return mqttLines().size() == 3; }, 5000));
    EXPECT_EQ(mqttLines().join('\n'), QStringList({"MQTT: connected to " + broker.address(), mqttLines()[1],
                                                   "MQTT: connected to " + broker.address()})
                                          .join('\n'));
    EXPECT_EQ(program->mqtt().stateText(), "Connected to " + broker.address());
}

TEST_F(MqttFlow, AConnectThatWaitsOnTheNetworkHoldsNoSampleUp)
{
    // A resolver that takes its time, as one that answered Qt's lookup and
    // then times out on the library's.
    std::promise<void> answer;
    const std::shared_future<void> answered = answer.get_future().share();
    std::atomic<bool> timedOut = false;
    startProgram([answered, &timedOut] {
        if (answered.wait_for(std::chrono::seconds(10)) == std::future_status::timeout)
            timedOut = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowCount() >= 10; }, 20000));
    answer.set_value();
    EXPECT_FALSE(timedOut) << "the samples waited for the connect";
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= 2; }, 15000)) << qPrintable(broker.log());
}
