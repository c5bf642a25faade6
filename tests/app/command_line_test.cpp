#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The real program, as a service manager or a shell runs it.
TEST(CommandLine, FirstRunThenSigtermWritesTheDefaultsAndEndsWithStatusZero)
{
    for (int sig : {SIGTERM, SIGINT}) {
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
        ::kill(pid_t(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        QFile f(config);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        for (const char *line : {"[startup]\n", "Rate=0.126\n", "WptThresT=60\n", "WptThres1=60\n", "WptThres2=60\n",
                                 "WptUser=****\n", "StartupComIsOn=False\n", "StartupRTLisOn=False\n",
                                 "ZigbeeVersion=0\n", "WptWriteEnable=False\n"})
            EXPECT_TRUE(text.contains(line)) << line << qPrintable(text);
    }
}
