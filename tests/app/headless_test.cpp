// The program as a service runs it: --headless, no display, one instance
// per settings file.
#include "monitor_sim.h"
#include "link/bridge_client.h"
#include "recording/database_creator.h"
#include "pilot_process.h"
#include "stored_rows.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstring>

namespace {

int rowCount(const QString &database)
{
    const QString n = storedText(database, "select count(*) from qmn_power");
    return n.isEmpty() ? -1 : n.toInt();
}

// A service manager's environment: no display at all, so a program that
// wanted a window system would not start.
struct Service
{
    QTemporaryDir dir;
    QString config = dir.filePath("QMNpilot.ini");
    QString database = dir.filePath("qmn4400.db");

    bool start(PilotProcess &p, const QStringList &more = {}) const
    {
        p.launch(QStringList{"--headless", "--config", config, "--data-dir", dir.filePath("data")} + more,
                 {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir.filePath("run")});
        return p.waitForStarted();
    }
};

// The service recording on the simulated monitor, with the console echo so
// the test knows every sample the program took: one echo line each, written
// after the sample's database step. `startup` adds to [startup].
struct RecordingService : Service
{
    MonitorSim sim;
    PilotProcess process;
    QByteArray echoed;
    int sent = 0;

    void start(int commitSeconds, const QString &startup = {})
    {
        sim.setPeriodMs(50);
        sim.model().setConstant(1500, 600);
        sim.model().setVoltage(120.0);
        QObject::connect(&sim, &MonitorSim::packetSent, [this] { ++sent; });
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ASSERT_TRUE(createSqliteDatabase(database, &error)) << qPrintable(error);
        ASSERT_TRUE(writeText(config, QStringLiteral("[ports]\n1=%1\n[startup]\nZigbeeVersion=8\nStartupComIsOn=True\n"
                                                     "StartupRTLisOn=True\ndbtype=SQlite\nsqldbpath=%2\n%3"
                                                     "[recording]\nCommitSeconds=%4\n")
                                          .arg(sim.devicePath(), database, startup)
                                          .arg(commitSeconds)));
        launch();
    }
    void launch()
    {
        ASSERT_TRUE(Service::start(process, {"--echo-samples"}));
    }
    int samples()
    {
        echoed += process.readAllStandardOutput();
        return int(echoed.count('\n'));
    }
};

} // namespace

TEST(Headless, StreamsIntoSqliteTellsTheJournalWhatTheWindowsWouldShowAndEndsOnSigterm)
{
    RecordingService s;
    const QByteArray port = QByteArray::number(freePort());
    ASSERT_NO_FATAL_FAILURE(s.start(0, "StartupNetDockIsOn=True\nnetdockPort=" + port + "\n"));
    PilotProcess &p = s.process;
    QByteArray &err = p.err;
    ASSERT_TRUE(QTest::qWaitFor([&] { err += p.readAllStandardError(); return rowCount(s.database) >= 3; }, 20000))
        << err.data();
    // A bridge comes and goes while the monitor streams, then the stream stops.
    QTcpSocket bridge;
    ASSERT_TRUE(p.said("bridge: Listening on port " + port + "\n")) << err.data();
    bridge.connectToHost(QHostAddress::LocalHost, quint16(port.toUInt()));
    ASSERT_TRUE(bridge.waitForConnected(10000));
    const QByteArray peer = "127.0.0.1 port " + QByteArray::number(bridge.localPort());
    ASSERT_TRUE(p.said("bridge: connected from " + peer + "\n")) << err.data();
    bridge.disconnectFromHost();
    ASSERT_TRUE(p.said("bridge: " + peer + " went away; Listening on port " + port + "\n")) << err.data();
    s.sim.setStreaming(false);
    ASSERT_TRUE(p.said("main: Real-Time Data Stopped\n")) << err.data();
    EXPECT_EQ(p.end(SIGTERM), 0);
    // The status list's lines, and each change of a box or of the listener
    // once, not again while it stays.
    for (const QByteArray &line :
         {QByteArray("main: Real-Time is ON\n"), QByteArray("main: Real-Time was off. Now attempting to start real-time.\n"),
          QByteArray("main: COM Port is Open"), QByteArray("main: Real-Time Data Active"),
          QByteArray("main: Real-Time Data Stopped"), "bridge: Listening on port " + port,
          "bridge: connected from " + peer})
        EXPECT_EQ(err.count(line), 1) << line.data() << err.data();
}

TEST(Headless, ASecondProgramOnTheSameSettingsIsRefusedUntilTheFirstIsGone)
{
    Service s;
    ASSERT_TRUE(writeText(s.config, "[startup]\nRate=0.15\n"));
    PilotProcess first;
    ASSERT_TRUE(s.start(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(s.dir.filePath("data")); }, 10000));

    PilotProcess second;
    ASSERT_TRUE(s.start(second));
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    const QByteArray said = second.readAllStandardError();
    EXPECT_TRUE(said.contains("is in use by process " + QByteArray::number(first.processId()))) << said.data();
    EXPECT_FALSE(QFile::exists(s.dir.filePath("data/errorLog.txt")));

    // A crash leaves its lock behind; the next program takes it over.
    EXPECT_EQ(first.end(SIGKILL), -1);
    PilotProcess third;
    ASSERT_TRUE(s.start(third));
    EXPECT_FALSE(third.waitForFinished(1500)) << third.readAllStandardError().data();
    EXPECT_EQ(third.end(SIGTERM), 0);
    EXPECT_TRUE(readText(s.config).contains("Rate=0.15\n"));
}


// A service manager's SIGTERM, and the hangup of a closed terminal or a
// dropped SSH session. SIGINT takes the same way out (the command line's
// first-run test).
class HeadlessEnd : public ::testing::TestWithParam<int> {};

TEST_P(HeadlessEnd, KeepsEveryRowWaitingForItsCommitAndTheRecoveryState)
{
    RecordingService s;
    ASSERT_NO_FATAL_FAILURE(s.start(60));
    ASSERT_TRUE(QTest::qWaitFor([&] { s.process.err += s.process.readAllStandardError(); return s.samples() >= 20; },
                                20000)) << s.process.err.data();
    EXPECT_EQ(s.process.end(GetParam()), 0);
    EXPECT_EQ(rowCount(s.database), s.samples());
    EXPECT_EQ(storedText(s.database, "pragma integrity_check"), "ok");
    const QString text = readText(s.config);
    EXPECT_FALSE(text.contains("QMNCounter=0\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("QMNCounter=")) << qPrintable(text);
    // The echo as a person (or the journal) reads it: the first sample
    // averages over the counter's whole life, from the second on the power is
    // the simulated one.
    const QList<QByteArray> lines = s.echoed.trimmed().split('\n');
    static const QRegularExpression shape(R"(^\d\d:\d\d:\d\d  CH1 -?\d+ W  CH2 -?\d+ W  TOT -?\d+ W  \d+\.\d V$)");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(shape.match(QString::fromUtf8(lines[i])).hasMatch()) << lines[i].data();
        if (i > 0)
            EXPECT_EQ(lines[i].mid(8).toStdString(), "  CH1 1500 W  CH2 600 W  TOT 2100 W  120.0 V");
    }
    EXPECT_LE(lines.size(), s.sent);
}

INSTANTIATE_TEST_SUITE_P(Signals, HeadlessEnd, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto &info) { return std::string(sigabbrev_np(info.param)); });

TEST(Headless, AKilledServiceLosesAtMostTheLastPeriodAndLeavesTheDatabaseWhole)
{
    RecordingService s;
    ASSERT_NO_FATAL_FAILURE(s.start(1));
    // Killed once a few commits are in and more rows wait for the next.
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowCount(s.database) >= 40 && s.samples() > rowCount(s.database); },
                                30000)) << s.process.readAllStandardError().data();
    s.process.end(SIGKILL);
    EXPECT_EQ(storedText(s.database, "pragma integrity_check"), "ok");
    const int kept = rowCount(s.database);
    EXPECT_LE(kept, s.samples());
    // One period is 20 samples at 50 ms; a busy machine may stretch the wait
    // for the timer by a period.
    EXPECT_GE(kept, s.samples() - 2 * 20) << kept << " of " << s.samples();
}

// The monitor resets itself, and a power cut (SIGKILL) comes before the
// periodic save. Started again, the program counts on from the totals.
TEST(Headless, APowerCutSoonAfterAMonitorResetKeepsTheEnergyCountedBefore)
{
    RecordingService s;
    ASSERT_NO_FATAL_FAILURE(s.start(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowCount(s.database) >= 5; }, 20000))
        << s.process.readAllStandardError().data();
    s.sim.injectFault(MonitorSim::Fault::MonitorReset);
    const char *afterReset =
        "select count(*) from qmn_power where rowid > (select rowid from qmn_power order by e1a desc limit 1)";
    ASSERT_TRUE(QTest::qWaitFor([&] { return storedText(s.database, afterReset).toInt() > 0; }, 20000));
    s.process.end(SIGKILL);
    ASSERT_EQ(s.process.state(), QProcess::NotRunning);
    const double total = storedText(s.database, "select max(kwh1) from qmn_power").toDouble();
    const int before = rowCount(s.database);
    ASSERT_NO_FATAL_FAILURE(s.launch());
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowCount(s.database) >= before + 3; }, 20000))
        << s.process.readAllStandardError().data();
    EXPECT_EQ(s.process.end(SIGTERM), 0);
    const QString query = QStringLiteral("select min(kwh1) from qmn_power where rowid > %1").arg(before);
    EXPECT_GE(storedText(s.database, qPrintable(query)).toDouble(), total) << qPrintable(readText(s.config));
}
