#include "link/bridge_client.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

// The real program, as a service manager or a shell runs it.
// Ctrl-C in the shell; a service manager's SIGTERM goes the same way (the tests below).
TEST(CommandLine, FirstRunThenCtrlCWritesTheDefaultsAndEndsWithStatusZero)
{
    QTemporaryDir dir;
    const QString config = dir.filePath("conf/QMNpilot.ini");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QMN_PILOT_BINARY, {"--config", config, "--data-dir", dir.filePath("data")});
    ASSERT_TRUE(p.waitForStarted());
    // Up when its data folder exists (made at start).
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(dir.filePath("data")); }, 10000));
    QTest::qWait(300);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QString text = readText(config);
    for (const char *line : {"[startup]\n", "Rate=0.126\n", "WptThres1=60\n", "WptThres2=60\n", "StartupRTLisOn=False\n",
                             "WptWriteEnable=False\n"})
        EXPECT_TRUE(text.contains(line)) << line << qPrintable(text);
}

namespace {

// Start-up opens a port whose device is missing: the "Invalid COM port"
// question comes up. The bridge listener starts after it.
QString settingsWithAMissingPort(const QString &netdockPort)
{
    return "[startup]\nStartupComIsOn=True\nStartupRTLisOn=True\nZigbeeVersion=8\nComPort=9\nQMNCounter=4242\n"
           "StartupNetDockIsOn=True\nnetdockPort=" + netdockPort + "\n[ports]\n9=/dev/qmn-none\n";
}

// An X display of the test's own, so that a real box can be up.
class XDisplay
{
public:
    XDisplay()
    {
        m_server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        if (!m_server.waitForStarted(5000))
            return;
        [[maybe_unused]] const bool line = QTest::qWaitFor([&] { return m_server.canReadLine(); }, 10000);
        const QByteArray number = m_server.readLine().trimmed();
        if (!number.isEmpty())
            m_name = ":" + QString::fromLatin1(number);
    }
    ~XDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString name() const { return m_name; }
    // The names of the top-level windows on the display.
    QString windowTree() const
    {
        QProcess info;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_name);
        info.setProcessEnvironment(env);
        info.start("xwininfo", {"-root", "-tree"});
        info.waitForFinished(5000);
        return QString::fromUtf8(info.readAllStandardOutput());
    }

private:
    QProcess m_server;
    QString m_name;
};

} // namespace

TEST(CommandLine, WithoutADisplayBoxesGoToStderrAnsweredNoAndStartUpGoesOn)
{
    QTemporaryDir dir;
    const QString config = dir.filePath("QMNpilot.ini");
    const QString netdock = QString::number(freePort());
    ASSERT_TRUE(writeText(config, settingsWithAMissingPort(netdock)));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QMN_PILOT_BINARY, {"--config", config, "--data-dir", dir.filePath("data")});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    const QByteArray line = "qmnpilot: Invalid COM port. Would you like to search for available ports? (answered No)\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { err += p.readAllStandardError(); return err.contains(line); }, 10000)) << err.data();
    // The bridge listener, the step after the question, is up.
    QTcpSocket bridge;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        if (bridge.state() == QAbstractSocket::ConnectedState)
            return true;
        bridge.abort();
        bridge.connectToHost(QHostAddress::LocalHost, quint16(netdock.toUInt()));
        return bridge.waitForConnected(200);
    }, 10000));
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    err += p.readAllStandardError();
    EXPECT_EQ(err.count("Invalid COM port"), 1) << err.data();
}

TEST(CommandLine, SigtermEndsTheProgramWhileABoxIsUpOnARealDisplay)
{
    XDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
    QTemporaryDir dir;
    const QString config = dir.filePath("QMNpilot.ini");
    ASSERT_TRUE(writeText(config, settingsWithAMissingPort(QString::number(freePort()))));
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display.name());
    env.insert("QT_QPA_PLATFORM", "xcb");
    p.setProcessEnvironment(env);
    p.start(QMN_PILOT_BINARY, {"--config", config, "--data-dir", dir.filePath("data")});
    ASSERT_TRUE(p.waitForStarted());
    // The question's box is titled with the program's name alone (the
    // client leader window of the same name has no class).
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.windowTree().contains("\"QMN-4400 Pilot\": (\"qmnpilot\""); }, 15000))
        << qPrintable(display.windowTree());
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QString text = readText(config);
    for (const char *written : {"QMNCounter=4242\n", "StartupComIsOn=True\n", "WptUser=****\n", "9=/dev/qmn-none\n"})
        EXPECT_TRUE(text.contains(written)) << written << qPrintable(text);
}

// A file named on the command line that is not a data file gets one line
// saying so (no display: the box's text goes to stderr) and the program runs
// on. Listing a real one is Program::openDataFile, tested with the main list.
TEST(CommandLine, FileThatIsNotADataFileIsReportedAndTheProgramRunsOn)
{
    QTemporaryDir dir;
    const QString notQmn = dir.filePath("notes.txt");
    ASSERT_TRUE(writeText(notQmn, "hello"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QMN_PILOT_BINARY, {"--config", dir.filePath("QMNpilot.ini"), "--data-dir", dir.filePath("data"), notQmn});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray errors;
    ASSERT_TRUE(QTest::qWaitFor([&] { errors += p.readAllStandardError(); return errors.contains("notes.txt"); },
                                10000));
    EXPECT_TRUE(errors.contains("is not a QMN-4400 data file (.QMN) that can be read."));
    EXPECT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
}
