// The program's real serial port on the simulated monitor: packets in,
// samples out, rows in the database, recovery state at exit.
#include "sim_program.h"
#include "stored_rows.h"

#include <QFile>
#include <QTest>

// A period between commits longer than the test: every row reaches the file
// through a pause or the exit alone.
using Streaming = StreamingProgramTest;

TEST_F(Streaming, PacketsBecomeSamplesRowsAndRecoveryState)
{
    sim.model().setConstant(1500, -600);
    sim.model().setVoltage(231.7);
    sim.model().setSecondsStart(5000);
    sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
    QList<SimPacket> sent;
    QObject::connect(&sim, &MonitorSim::packetSent, [&](const SimPacket &p) { sent << p; });
    ASSERT_NO_FATAL_FAILURE(make(20, "[recording]\nCommitSeconds=60\n"));
    QList<RealtimeSample> seen;
    program->dispatch().addStep("record", [&](const RealtimeSample &) { seen << program->sample(); });
    program->startUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 12; }, 15000)) << seen.size();
    program->serial().ClosePort();
    QCoreApplication::processEvents();
    EXPECT_TRUE(storedRows(db, "select p1 from qmn_power").isEmpty()); // nothing written yet: the card is spared
    // A dialogue about to stop the stream has every row written first;
    // the exit after it writes none twice.
    emit program->realtime().pausing();
    EXPECT_EQ(storedRows(db, "select p1 from qmn_power").size(), seen.size());
    program->exitSequence();
    program.reset();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.questions.isEmpty());

    // Every packet the monitor sent while the port was open became one sample.
    ASSERT_GE(sent.size(), seen.size());
    const int n = int(seen.size());
    for (int i = 1; i < n; ++i) {
        const RealtimeSample &s = seen[i];
        const SimPacket &p = sent[i];
        EXPECT_EQ(s.secondsCounter, int32_t(p.seconds));
        EXPECT_EQ(s.E1A, double(p.energy1));
        EXPECT_EQ(s.E2AP, double(p.polarized2));
        EXPECT_EQ(s.p1, 1500);
        EXPECT_EQ(s.p2, 600);
        EXPECT_EQ(s.PP2, -600); // exported on CH2
        EXPECT_DOUBLE_EQ(s.Volt, 231.7);
        EXPECT_DOUBLE_EQ(s.KWh1, double(p.energy1) / 3600 * 0.001);
    }
    // The first sample measures over all the time since the counter began.
    EXPECT_EQ(seen[0].p1, std::floor(double(sent[0].energy1) / sent[0].seconds));

    // One row per sample, negative net power with its minus sign.
    const auto table = storedRows(db, "select p1,p2,pp1,pp2,volt,e1a,e2ap,e1b,e2bp from qmn_power order by rowid");
    ASSERT_EQ(table.size(), n);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(table[i][0], seen[i].p1);
        EXPECT_EQ(table[i][3], seen[i].PP2);
        EXPECT_EQ(table[i][5], seen[i].E1A);
        EXPECT_EQ(table[i][7], seen[i].E1A); // E1B repeats E1A at insert time
    }

    // The recovery state written at exit is the last packet's.
    const SimPacket &last = sent[n - 1];
    const QString text = readText(ini);
    EXPECT_TRUE(text.contains(QStringLiteral("E1B=%1\n").arg(last.energy1))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("E2BP=%1\n").arg(last.polarized2)));
    EXPECT_TRUE(text.contains(QStringLiteral("QMNCounter=%1\n").arg(last.seconds)));
    EXPECT_TRUE(text.contains(QStringLiteral("QMNresetCount=%1\n").arg(last.resetCount())));
    EXPECT_TRUE(text.contains("PreResetVal1=0\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath("data/errorLog.txt")));
}
