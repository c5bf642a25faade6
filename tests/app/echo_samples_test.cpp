// The console echo as a person (or a service's log) sees it: the real
// program, started from the command line, on the simulated monitor.
#include "monitor_sim.h"
#include "pilot_process.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

TEST(EchoSamples, PrintsOneLinePerSampleWithPowersAndVoltage)
{
    QTemporaryDir dir;
    MonitorSim sim; // silent until the program asks for real-time data
    sim.setPeriodMs(200);
    sim.model().setConstant(1500, 600);
    sim.model().setVoltage(120.0);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
    int sent = 0;
    QObject::connect(&sim, &MonitorSim::packetSent, [&] { ++sent; });

    const QString ini = dir.filePath("QMNpilot.ini");
    ASSERT_TRUE(writeText(ini, "[ports]\n1=" + sim.devicePath()
                                   + "\n[startup]\nZigbeeVersion=8\nStartupComIsOn=True\nStartupRTLisOn=True\n"));

    PilotProcess program;
    program.launch({"--config", ini, "--data-dir", dir.filePath("data"), "--echo-samples"});
    ASSERT_TRUE(program.waitForStarted());
    QStringList lines;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            while (program.canReadLine())
                lines << QString::fromUtf8(program.readLine()).trimmed();
            return lines.size() >= 4;
        },
        20000))
        << qPrintable(lines.join('\n'));
    EXPECT_EQ(program.end(SIGTERM), 0);
    lines << QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);

    // The first sample averages over the counter's whole life; from the
    // second on the power is the simulated one.
    static const QRegularExpression shape(R"(^\d\d:\d\d:\d\d  CH1 -?\d+ W  CH2 -?\d+ W  TOT -?\d+ W  \d+\.\d V$)");
    for (const QString &line : lines)
        EXPECT_TRUE(shape.match(line).hasMatch()) << qPrintable(line);
    for (int i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].mid(8), "  CH1 1500 W  CH2 600 W  TOT 2100 W  120.0 V");
    EXPECT_LE(lines.size(), sent);
}
