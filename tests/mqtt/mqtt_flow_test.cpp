// The program streams from the simulated monitor into SQLite and publishes
// to a real mosquitto broker on 127.0.0.1; mosquitto_sub reads what arrives.
#include "app/program.h"
#include "line_log.h"
#include "monitor_sim.h"
#include "mqtt/broker.h"
#include "scripted_dialogs.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QString kState = QStringLiteral("qmnpilot/qmn4400/state");
const QString kAvailability = QStringLiteral("qmnpilot/qmn4400/availability");

struct MqttFlow : ::testing::Test
{
    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    QString db = dir.filePath("qmn.db");
    Broker broker;
    Subscriber sub;
    MonitorSim sim;
    ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<LineLog> lines;
    QStringList pastLines; // of the programs that ended

    void SetUp() override
    {
        sim.setPeriodMs(40);
        sim.setStreamFromStart(true);
        sim.model().setConstant(1500, -600);
        sim.model().setVoltage(231.7);
        sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ASSERT_TRUE(broker.start({}, &error)) << qPrintable(error);
        ASSERT_TRUE(sub.start(broker.port));
        ASSERT_TRUE(QTest::qWaitFor([&] { return broker.log().contains("Sending SUBACK"); }, 10000));
        ASSERT_TRUE(writeStreamingSettings(ini, sim, db, "[mqtt]\nHost=" + broker.address() + "\n"));
    }
    void startProgram()
    {
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
        lines = std::make_unique<LineLog>(program->mainStatus());
        program->mqtt().setFirstRetry(20ms);
        program->startUp();
    }
    void endProgram()
    {
        program->exitSequence();
        pastLines += lines->lines;
        lines.reset();
        program.reset();
    }
    int rowCount() { return int(storedRows(db, "select count(*) from qmn_power").value(0).value(0)); }
    QStringList mqttLines() const { return (pastLines + (lines ? lines->lines : QStringList())).filter("MQTT"); }
    // Every energy total of every state published so far, in order.
    void expectTotalsNeverFall() const
    {
        QJsonObject before;
        for (const Subscriber::Message &m : sub.on(kState)) {
            const QJsonObject now = m.json();
            for (const char *key : {"energy1", "energy1_fed_back", "energy2", "energy2_fed_back", "solar",
                                    "from_grid", "to_grid", "consumed"})
                EXPECT_GE(now[key].toDouble(), before[key].toDouble()) << key << ' ' << m.payload.data();
            before = now;
        }
    }
};

} // namespace

TEST_F(MqttFlow, EachStateHoldsTheStoredRowAndDiscoveryDescribesIt)
{
    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= 8; }, 15000)) << qPrintable(broker.log());
    endProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kAvailability).size() == 2; }, 5000));

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
        EXPECT_DOUBLE_EQ(s["current1"].toDouble(), r[3]);
        EXPECT_DOUBLE_EQ(s["current2"].toDouble(), r[4]);
        EXPECT_DOUBLE_EQ(s["energy1"].toDouble(), r[5]);
        EXPECT_DOUBLE_EQ(s["energy1_fed_back"].toDouble(), r[6]);
        EXPECT_DOUBLE_EQ(s["energy2"].toDouble(), r[7]);
        EXPECT_DOUBLE_EQ(s["energy2_fed_back"].toDouble(), r[8]);
        EXPECT_DOUBLE_EQ(s["solar"].toDouble(), r[5]);
        EXPECT_NEAR(s["from_grid"].toDouble(), r[7] - r[8], 1e-9);
        EXPECT_NEAR(s["to_grid"].toDouble(), r[8], 1e-9);
        EXPECT_NEAR(s["consumed"].toDouble(), (r[7] - r[8]) + r[5] - r[8], 1e-9) << "from grid + solar - to grid";
    }
    EXPECT_EQ(states.last().json()["power2"].toDouble(), 600) << "absolute CH2 power";
    // Online while connected, offline (retained) after a clean exit.
    const QList<Subscriber::Message> availability = sub.on(kAvailability);
    ASSERT_EQ(availability.size(), 2);
    EXPECT_EQ(availability[0].payload, "online");
    EXPECT_EQ(availability[1].payload, "offline");
    // Kept by the broker for whoever subscribes later.
    Subscriber late;
    ASSERT_TRUE(late.start(broker.port, {"homeassistant/#", kAvailability}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return late.messages.size() == 15; }, 5000)) << late.messages.size();
    for (const Subscriber::Message &m : late.messages)
        EXPECT_TRUE(m.retained) << qPrintable(m.topic);
    EXPECT_EQ(late.on(kAvailability).value(0).payload, "offline");

    QStringList ids;
    for (const Subscriber::Message &m : sub.messages) {
        if (!m.topic.startsWith("homeassistant/"))
            continue;
        const QJsonObject c = m.json();
        ASSERT_FALSE(c.isEmpty()) << m.payload.data();
        const QString key = c["value_template"].toString().section('.', 1).section(' ', 0, 0);
        EXPECT_EQ(m.topic, "homeassistant/sensor/" + c["unique_id"].toString() + "/config");
        EXPECT_TRUE(states.first().json().contains(key)) << qPrintable(key);
        EXPECT_EQ(c["state_topic"].toString(), kState);
        EXPECT_EQ(c["availability_topic"].toString(), kAvailability);
        EXPECT_EQ(c["device"].toObject()["name"].toString(), "QMN-4400 qmn4400");
        EXPECT_EQ(c["device"].toObject()["sw_version"].toString(), "1.20");
        ids << c["unique_id"].toString();
    }
    ASSERT_EQ(ids.size(), 14);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 14) << "unique ids";
    EXPECT_EQ(mqttLines(), QStringList{"MQTT: connected to " + broker.address()});
}

TEST_F(MqttFlow, TotalsNeverFallAcrossAMonitorResetOrARestartAndIdsStayTheSame)
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

    startProgram();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.clientOpen(); }, 5000));
    sim.setStreaming(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.on(kState).size() >= firstLife + 4; }, 15000))
        << qPrintable(lines->lines.join('\n')) << rowCount() << qPrintable(broker.log());
    endProgram();
    expectTotalsNeverFall();
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

    QString error;
    ASSERT_TRUE(broker.start({}, &error)) << qPrintable(error);
    Subscriber again;
    ASSERT_TRUE(again.start(broker.port, {kState}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.on(kState).size() >= 2; }, 20000)) << qPrintable(broker.log());
    EXPECT_EQ(mqttLines(), (QStringList{"MQTT: connected to " + broker.address(),
                                        mqttLines()[1], "MQTT: connected to " + broker.address()}));
    EXPECT_EQ(program->mqtt().stateText(), "Connected to " + broker.address());
    endProgram();
}
