#include "link/bridge_client.h"
#include "pilot_process.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTcpSocket>

// The real program, as a service manager or a shell runs it.
namespace {

struct CommandLine : ::testing::Test
{
    QTemporaryDir dir;
    QString config = dir.filePath("QMNpilot.ini");
    PilotProcess p;

    void launch(const QStringList &more = {}, const QStringList &env = {"QT_QPA_PLATFORM=offscreen"})
    {
        p.launch(QStringList{"--config", config, "--data-dir", dir.filePath("data")} + more, env);
        ASSERT_TRUE(p.waitForStarted());
    }
    void expectWritten(const std::vector<const char *> &lines)
    {
        const QString text = readText(config);
        for (const char *line : lines)
            EXPECT_TRUE(text.contains(line)) << line << qPrintable(text);
    }
};

// Start-up opens a port whose device is missing: the "Invalid COM port"
// question comes up. The bridge listener starts after it.
QString settingsWithAMissingPort(quint16 netdockPort)
{
    return "[startup]\nStartupComIsOn=True\nStartupRTLisOn=True\nZigbeeVersion=8\nComPort=9\nQMNCounter=4242\n"
           "StartupNetDockIsOn=True\nnetdockPort=" + QString::number(netdockPort) + "\n[ports]\n9=/dev/qmn-none\n";
}

// An X display of the test's own, so that a real box can be up.
struct XDisplay
{
    QProcess server;
    QString name;

    XDisplay()
    {
        server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        if (server.waitForStarted(5000) && QTest::qWaitFor([&] { return server.canReadLine(); }, 10000))
            name = ":" + QString::fromLatin1(server.readLine().trimmed());
    }
    ~XDisplay()
    {
        server.terminate();
        server.waitForFinished(5000);
    }
    // The names of the top-level windows on the display.
    QString windowTree() const
    {
        QProcess info;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name);
        info.setProcessEnvironment(env);
        info.start("xwininfo", {"-root", "-tree"});
        info.waitForFinished(5000);
        return QString::fromUtf8(info.readAllStandardOutput());
    }
};

} // namespace

// Ctrl-C in the shell; a service manager's SIGTERM goes the same way (the tests below).
TEST_F(CommandLine, FirstRunThenCtrlCWritesTheDefaultsAndEndsWithStatusZero)
{
    config = dir.filePath("conf/QMNpilot.ini");
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.catches(SIGINT); }, 10000));
    EXPECT_EQ(p.end(SIGINT), 0);
    expectWritten({"[startup]\n", "Rate=0.126\n", "WptThres1=60\n", "WptThres2=60\n", "StartupRTLisOn=False\n",
                   "WptWriteEnable=False\n"});
}

TEST_F(CommandLine, WithoutADisplayBoxesGoToStderrAnsweredNoAndStartUpGoesOn)
{
    const auto netdock = quint16(freePort());
    ASSERT_TRUE(writeText(config, settingsWithAMissingPort(netdock)));
    ASSERT_NO_FATAL_FAILURE(launch());
    EXPECT_TRUE(p.said("qmnpilot: Invalid COM port. Would you like to search for available ports? (answered No)\n"))
        << p.err.data();
    // The bridge listener, the step after the question, is up.
    QTcpSocket bridge;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        if (bridge.state() == QAbstractSocket::ConnectedState)
            return true;
        bridge.abort();
        bridge.connectToHost(QHostAddress::LocalHost, netdock);
        return bridge.waitForConnected(200);
    }, 10000));
    EXPECT_EQ(p.end(SIGTERM), 0);
    EXPECT_EQ(p.err.count("Invalid COM port"), 1) << p.err.data();
}

TEST_F(CommandLine, SigtermEndsTheProgramWhileABoxIsUpOnARealDisplay)
{
    XDisplay display;
    ASSERT_FALSE(display.name.isEmpty()) << "Xvfb did not start";
    ASSERT_TRUE(writeText(config, settingsWithAMissingPort(quint16(freePort()))));
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // As an X session starts it: a display, and no platform named.
    ASSERT_NO_FATAL_FAILURE(launch({}, {"DISPLAY=" + display.name, "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"}));
    // The question's box is titled with the program's name alone (the
    // client leader window of the same name has no class).
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.windowTree().contains("\"QMN-4400 Pilot\": (\"qmnpilot\""); }, 15000))
        << qPrintable(display.windowTree());
    EXPECT_EQ(p.end(SIGTERM), 0);
    expectWritten({"QMNCounter=4242\n", "StartupComIsOn=True\n", "WptUser=****\n", "9=/dev/qmn-none\n"});
}

// A file named on the command line that is not a data file gets one line
// saying so (no display: the box's text goes to stderr) and the program runs
// on. Listing a real one is Program::openDataFile, tested with the main list.
TEST_F(CommandLine, FileThatIsNotADataFileIsReportedAndTheProgramRunsOn)
{
    const QString notQmn = dir.filePath("notes.txt");
    ASSERT_TRUE(writeText(notQmn, "hello"));
    ASSERT_NO_FATAL_FAILURE(launch({notQmn}));
    ASSERT_TRUE(p.said("notes.txt is not a QMN-4400 data file (.QMN) that can be read.")) << p.err.data();
    EXPECT_EQ(p.state(), QProcess::Running);
    EXPECT_EQ(p.end(SIGTERM), 0);
}
