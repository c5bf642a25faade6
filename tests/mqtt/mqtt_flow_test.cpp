// The program streams from the simulated monitor into SQLite and publishes
// to a real mosquitto broker on 127.0.0.1; mosquitto_sub reads what arrives.
#include "mqtt/broker.h"
#include "settings/settings_store.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <cmath>
#include <future>

namespace {

const QString kState = QStringLiteral("qmnpilot/qmn4400/state");
const QString kAvailability = QStringLiteral("qmnpilot/qmn4400/availability");

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
        for (const char *key : {"energy1", "energy1_fed_back", "energy2", "energy2_fed_back", "solar", "from_grid",
                                "to_grid", "consumed"})
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
