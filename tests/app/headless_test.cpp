// The program as a service runs it: --headless, no display, one instance
// per settings file.
#include "monitor_sim.h"
#include "recording/database_creator.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>

namespace {

int rowCount(const QString &database)
{
    sqlite3 *db = nullptr;
    int rows = -1;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *count = nullptr;
        if (sqlite3_prepare_v2(db, "select count(*) from qmn_power", -1, &count, nullptr) == SQLITE_OK
            && sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
    }
    sqlite3_close(db);
    return rows;
}

struct Service
{
    QTemporaryDir dir;
    QString config = dir.filePath("QMNpilot.ini");
    QString database = dir.filePath("qmn4400.db");

    // A service manager's environment: no display at all, so a program that
    // wanted a window system would not start.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        return env;
    }
    void start(QProcess &p) const
    {
        p.setProcessEnvironment(environment());
        p.start(QMN_PILOT_BINARY, {"--headless", "--config", config, "--data-dir", dir.filePath("data")});
    }
};

} // namespace

TEST(Headless, StreamsIntoSqliteLogsStatusLinesAndEndsOnSigterm)
{
    Service s;
    MonitorSim sim;
    sim.setPeriodMs(100);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
    ASSERT_TRUE(createSqliteDatabase(s.database, &error)) << qPrintable(error);
    ASSERT_TRUE(writeText(s.config, "[ports]\n1=" + sim.devicePath()
                                        + "\n[startup]\nZigbeeVersion=8\nStartupComIsOn=True\nStartupRTLisOn=True\n"
                                          "dbtype=SQlite\nsqldbpath=" + s.database + "\n"));
    QProcess p;
    s.start(p);
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    ASSERT_TRUE(QTest::qWaitFor([&] { err += p.readAllStandardError(); return rowCount(s.database) >= 3; }, 20000))
        << err.data();
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    err += p.readAllStandardError();
    // What the main window's status list would have shown.
    EXPECT_TRUE(err.contains("main: Real-Time is ON\n")) << err.data();
    EXPECT_TRUE(err.contains("main: Real-Time was off. Now attempting to start real-time.\n")) << err.data();
    const QString text = readText(s.config);
    EXPECT_FALSE(text.contains("QMNCounter=0\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("QMNCounter=")) << qPrintable(text);
}

TEST(Headless, ASecondProgramOnTheSameSettingsIsRefusedUntilTheFirstIsGone)
{
    Service s;
    ASSERT_TRUE(writeText(s.config, "[startup]\nRate=0.15\n"));
    QProcess first;
    s.start(first);
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(s.dir.filePath("data")); }, 10000));

    QProcess second;
    s.start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    const QByteArray said = second.readAllStandardError();
    EXPECT_TRUE(said.contains("is in use by process " + QByteArray::number(first.processId()))) << said.data();
    EXPECT_FALSE(QFile::exists(s.dir.filePath("data/errorLog.txt")));

    // A crash leaves its lock behind; the next program takes it over.
    ::kill(pid_t(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(5000));
    QProcess third;
    s.start(third);
    ASSERT_TRUE(third.waitForStarted());
    EXPECT_FALSE(third.waitForFinished(1500)) << third.readAllStandardError().data();
    ::kill(pid_t(third.processId()), SIGTERM);
    ASSERT_TRUE(third.waitForFinished(10000));
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_TRUE(readText(s.config).contains("Rate=0.15\n"));
}
