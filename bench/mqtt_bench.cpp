// The cost of the MQTT step per sample beside the rest of the dispatch:
// the whole dispatch (no database, listing, dashboard, portal off) with MQTT
// off and with MQTT publishing to a real mosquitto on 127.0.0.1, the
// broker's acknowledgements read as they come.
#include "app/program.h"
#include "common/dialogs.h"
#include "mqtt/broker.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cmath>

namespace {

struct Rig
{
    explicit Rig(const QString &host)
    {
        writeText(dir.filePath("QMNpilot.ini"), host.isEmpty() ? QString() : "[mqtt]\nHost=" + host + "\n");
        program.flags().realtimeActive = true;
        program.startUp();
        QTest::qWaitFor([&] { return host.isEmpty() || program.mqtt().isConnected(); }, 10000);
    }
    // A house that moves, counters counting up.
    void sample()
    {
        RealtimeSample &s = program.sample();
        ++i;
        s.p1 = std::floor(1900 + 1600 * std::sin(i / 37.0));
        s.p2 = std::floor(400 * std::cos(i / 23.0));
        s.PP2 = -s.p2;
        s.Volt = 120 + 2 * std::sin(i / 11.0);
        s.Amp1 = float(s.p1 / s.Volt);
        s.Amp2 = float(std::abs(s.p2) / s.Volt);
        s.KWh1 += s.p1 / 3.6e6;
        s.KWh2 += std::abs(s.p2) / 3.6e6;
        program.dispatch().LogSample(program.sample());
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir;
    HeadlessDialogs dialogs;
    Program program{dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs};
    int i = 0;
};

void run(benchmark::State &state, Rig &rig)
{
    for (int warm = 0; warm < 400; ++warm)
        rig.sample();
    for (auto _ : state)
        rig.sample();
    state.SetItemsProcessed(state.iterations());
}

void dispatchMqttOff(benchmark::State &state)
{
    Rig rig({});
    run(state, rig);
}

void dispatchMqttOn(benchmark::State &state)
{
    Broker broker;
    if (!broker.start()) {
        state.SkipWithError("mosquitto did not start");
        return;
    }
    Rig rig(broker.address());
    if (!rig.program.mqtt().isConnected()) {
        state.SkipWithError("no connection to mosquitto");
        return;
    }
    run(state, rig);
    rig.program.exitSequence();
}

} // namespace

BENCHMARK(dispatchMqttOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(dispatchMqttOn)->Unit(benchmark::kMicrosecond);
