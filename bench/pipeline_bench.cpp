// The whole per-packet road with everything on, beside what the database
// alone costs: a recorded day of packets replayed through the receiver, the
// derivation and every dispatch step of the program, on a clock that moves
// one second per packet.
#include "app/program.h"
#include "common/dialogs.h"
#include "recording/database_creator.h"
#include "sim_packet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <unistd.h>

namespace {

constexpr int kDay = 86400;
constexpr int kSunrise = 6 * 3600;

// A sunny day: CH1 solar up to 3 kW at noon, CH2 the grid, exporting at
// midday. Encoded once, so the replay measures the program alone.
QList<QByteArray> recordedDay(int packets)
{
    QList<QByteArray> day;
    day.reserve(packets);
    SimPacket p;
    p.seconds = 1000;
    double e1 = 0, e2 = 0, p2export = 0;
    for (int i = 0; i < packets; ++i) {
        const int second = (i + kSunrise) % kDay; // from sunrise, when the power moves
        const double sun = std::max(0.0, std::sin((second - 6 * 3600) * M_PI / (12 * 3600)));
        const double solar = 3000 * sun;
        // The house: 800 W, and a 2 kW kettle for two minutes in every five.
        const double house = 800 + ((second / 60) % 5 < 2 ? 2000 : 0);
        const double grid = house - solar;
        e1 += solar;
        e2 += std::abs(grid);
        if (grid < 0)
            p2export += -grid;
        p.energy1 = quint64(e1);
        p.energy2 = quint64(e2);
        p.polarized2 = quint64(p2export);
        p.current1Raw = quint16(solar / 1.2);
        p.current2Raw = quint16(std::abs(grid) / 1.2);
        p.seconds = (p.seconds + 1) & 0xFFFFFF;
        day << encodePacket(p);
    }
    return day;
}

struct StepClock : Clock
{
    QDateTime time{QDate(2026, 6, 21), QTime(6, 0)};
    QDateTime now() const override { return time; }
};

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// The web portal: takes every connection, reads the request and closes.
struct LocalPortal
{
    QTcpServer server;
    int requests = 0;
    bool listen()
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (socket->readAll().contains("\r\n\r\n"))
                        ++requests;
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return server.listen(QHostAddress::LocalHost);
    }
};

// The program with SQLite logging and the portal upload on; every other step
// it installs (listing, dashboard) runs too.
struct Pipeline
{
    // The memory figure runs 100,000 samples: on a RAM disk, where there is
    // one, so that it takes seconds and not the disk's syncs.
    explicit Pipeline(bool ramDisk = false)
        : dir(ramDisk && QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/qmnpilot-XXXXXX")
                                                                            : QDir::tempPath() + "/qmnpilot-XXXXXX")
    {
    }
    QTemporaryDir dir;
    HeadlessDialogs dialogs;
    StepClock clock;
    LocalPortal portal;
    std::unique_ptr<Program> program;

    bool start(QString *error)
    {
        const QString db = dir.filePath(QStringLiteral("day.db"));
        if (!createSqliteDatabase(db, error))
            return false;
        program = std::make_unique<Program>(dir.filePath(QStringLiteral("QMNpilot.ini")),
                                            dir.filePath(QStringLiteral("data")), dialogs);
        program->setClock(&clock);
        program->settings().dbtype = QStringLiteral("SQlite");
        program->settings().sqldbpath = db;
        if (!portal.listen()) {
            *error = portal.server.errorString();
            return false;
        }
        program->settings().PortalHost = QStringLiteral("127.0.0.1:%1").arg(portal.server.serverPort());
        program->settings().WptWriteEnable = true;
        return true;
    }
    void feed(const QByteArray &packet)
    {
        clock.time = clock.time.addSecs(1);
        program->receiver().processBridgeData(packet);
        // The event loop's turn, as between two packets of the monitor: the
        // posts connect, send and close.
        QCoreApplication::processEvents();
    }
    bool logged() const { return !QFile::exists(dir.filePath(QStringLiteral("data/errorLog.txt"))); }
};

void WholePipeline(benchmark::State &state)
{
    static const QList<QByteArray> day = recordedDay(100000);
    Pipeline pipeline;
    QString error;
    if (!pipeline.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    qsizetype next = 0;
    for (auto _ : state)
        pipeline.feed(day[next++ % day.size()]);
    state.SetItemsProcessed(state.iterations());
    state.counters["portal_posts"] = pipeline.portal.requests;
    if (!pipeline.logged())
        state.SkipWithError("inserts failed, see errorLog.txt");
}

// What the SQLite file alone allows: open, insert one row, close.
void BareSqliteLoop(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bare.db"));
    QString error;
    if (!createSqliteDatabase(file, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const QByteArray path = file.toUtf8();
    qint64 n = 0;
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const QByteArray insert = "insert into qmn_power (p1, p2, volt) values (" + QByteArray::number(++n)
                                  + ", 300, 120.5)";
        sqlite3_exec(db, insert.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations());
}

// Resident memory after 100,000 samples minus after the first 1,000: every
// table is capped, so it should stay small.
void MemoryGrowth(benchmark::State &state)
{
    static const QList<QByteArray> day = recordedDay(100000);
    for (auto _ : state) {
        Pipeline pipeline(true);
        QString error;
        if (!pipeline.start(&error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        qint64 after1000 = 0;
        for (int i = 0; i < 100000; ++i) {
            pipeline.feed(day[i % day.size()]);
            if (i == 999)
                after1000 = residentBytes();
        }
        state.counters["growth_KiB"] = double(residentBytes() - after1000) / 1024;
    }
}

} // namespace

// Both on the same disk, measured on the wall clock: the syncs of the
// database are most of a sample's time.
BENCHMARK(WholePipeline)->Unit(benchmark::kMicrosecond)->MinTime(5)->UseRealTime();
BENCHMARK(BareSqliteLoop)->Unit(benchmark::kMicrosecond)->MinTime(5)->UseRealTime();
BENCHMARK(MemoryGrowth)->Unit(benchmark::kSecond)->Iterations(1);
