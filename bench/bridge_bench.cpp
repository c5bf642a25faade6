// A bridge flooding the listener with 50 MB of noise and packets over
// 127.0.0.1: throughput, and how much the program's resident memory grew.

#include "app/program.h"
#include "common/dialogs.h"
#include "link/bridge_client.h"
#include "link/flood_source.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr qint64 kFlood = 50 << 20;
constexpr qint64 kChunk = 64 * 1024;

void bridgeFlood(benchmark::State &state)
{
    QTemporaryDir dir;
    HeadlessDialogs dialogs;
    Program program(dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs);
    qint64 samples = 0;
    program.dispatch().addStep("count", [&samples](const RealtimeSample &) { ++samples; });
    program.startUp();
    const int port = listenOnFreePort(program.bridge());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (port == 0 || !client.waitForConnected(5000)) {
        state.SkipWithError("no bridge connection");
        return;
    }
    client.write("dropped");
    if (!QTest::qWaitFor([&] { return program.bridge().firstDataSeen(); }, 5000)) {
        state.SkipWithError("the first block did not arrive");
        return;
    }

    FloodSource source(0);
    const auto topUp = [&] {
        while (client.bytesToWrite() < 4 * kChunk && !source.done())
            client.write(source.next(kChunk));
    };
    QObject::connect(&client, &QTcpSocket::bytesWritten, topUp);

    qint64 grownKiB = 0;
    for (auto _ : state) {
        const qint64 before = residentKiB();
        const qint64 start = program.bridge().bytesReceived() - source.bytesMade();
        source.extend(kFlood);
        topUp();
        // QTest::qWaitFor sleeps between looks, which would be measured too;
        // the loop looks every millisecond instead.
        QEventLoop loop;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (source.done() && program.bridge().bytesReceived() - start >= source.bytesMade())
                loop.quit();
        });
        look.start(1);
        QTimer::singleShot(600000, &loop, [&] { loop.exit(1); });
        if (loop.exec() != 0) {
            state.SkipWithError("the flood did not get through");
            return;
        }
        grownKiB = qMax(grownKiB, residentKiB() - before);
    }
    if (samples != source.framablePackets())
        state.SkipWithError("packets were lost");
    state.SetBytesProcessed(qint64(state.iterations()) * kFlood);
    state.counters["packets"] = double(samples);
    state.counters["rss_growth_KiB"] = double(grownKiB);
}

} // namespace

BENCHMARK(bridgeFlood)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
