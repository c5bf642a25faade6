// The download against the simulated monitor, through the real serial port
// on a pseudo-terminal.
#include "app/program.h"
#include "coro_wait.h"
#include "download/download_saver.h"
#include "monitor_sim.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

const QByteArray kAck("\xFC");

struct DownloadTest : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    MonitorSim sim;
    std::unique_ptr<Program> program;
    LoggerDownload *download = nullptr;

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        program = std::make_unique<Program>(dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs);
        program->portMap().setEntry(1, sim.devicePath());
        program->settings().ZigbeeVersion = 8;
        download = &program->download();
        sim.logger().fillDay(300);
        // The save dialog, answered at once: a start and a name.
        QObject::connect(download, &LoggerDownload::saveRequested, download, [this] {
            dialogs.nextFileName = dir.filePath("day");
            DownloadSaver saver(dialogs, dir.path());
            QString saved;
            saver.save(download->data(), download->interval(), "03012024", "0000", &saved);
            download->finishSave(saved);
        });
    }

    bool run() { return awaitTask(download->Start(), 60000); }
    QStringList lines() const { return download->messages().lines(); }
    void expectPortHandedBack()
    {
        EXPECT_FALSE(program->flags().downloadMode);
        EXPECT_FALSE(program->flags().commandInProgress);
        EXPECT_FALSE(sim.logger().streaming());
    }
};

} // namespace

TEST_F(DownloadTest, CompleteDownloadIsSavedAndListed)
{
    ASSERT_TRUE(run());
    // Probe, unit information, start, then the marker, the end of the
    // data, the byte after the marker and the tail: four answers.
    const QByteArray wire = kAck + "DNLDNL" + kAck.repeated(3) + kAck.repeated(4);
    (void)QTest::qWaitFor([&] { return sim.received().size() >= wire.size(); }, 2000);
    EXPECT_EQ(sim.received().toHex(' ').toStdString(), wire.toHex(' ').toStdString());
    EXPECT_EQ(download->deviceId(), "074523009900");
    EXPECT_EQ(download->intervalText(), "5 Minute");
    EXPECT_EQ(download->recordsText(), "300");
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", "Download Complete", "SUCCESS"}));
    EXPECT_EQ(download->data(), sim.logger().records() + "\xFE\xFE");
    // The first byte of the marker counts as data, as the monitor's own software has it.
    EXPECT_EQ(download->progressValue(), 300 * 5 + 1);
    EXPECT_EQ(download->progressMaximum(), 300 * 5 + 5);
    EXPECT_EQ(download->savedFileName(), dir.filePath("DAY.QMN"));
    EXPECT_EQ(program->mainList().rowCount(), 300);
    EXPECT_EQ(program->settings().Interval, 5);
    expectPortHandedBack();
}

namespace {

struct Interrupted
{
    const char *name;
    std::function<void(SimLogger &)> configure;
    qint64 abortAfter; // data bytes received before "Abort" is pressed
};
void PrintTo(const Interrupted &c, std::ostream *os) { *os << c.name; }
struct AbortTest : DownloadTest, ::testing::WithParamInterface<Interrupted> {};

} // namespace

TEST_P(AbortTest, AbortEndsTheDownloadOnTheMonitorAndResetsThePort)
{
    GetParam().configure(sim.logger());
    const qint64 after = GetParam().abortAfter;
    QObject::connect(download, &LoggerDownload::progressChanged, download, [this, after](int value) {
        if (value >= after)
            download->abort();
    });
    ASSERT_TRUE(run());
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", "Aborted Successfuly", "Closing COM Port", "Re-opened COM Port"}));
    EXPECT_TRUE(sim.received().contains("CALFIN"));
    EXPECT_TRUE(program->serial().isOpen());
    EXPECT_GE(download->stream().byteCount(), after);
    EXPECT_LT(download->stream().byteCount(), sim.logger().records().size());
    EXPECT_EQ(program->mainList().rowCount(), 0);
    expectPortHandedBack();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbortTest,
    ::testing::Values(Interrupted{"MidStream", [](SimLogger &l) { l.fillDay(3000); l.setChunkBytes(1); }, 100},
                      // The monitor stops sending; the user gives up.
                      Interrupted{"MonitorStopsMidStream", [](SimLogger &l) { l.setStopAfter(700); }, 700}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DownloadTest, MoreDataThanPromisedIsKeptAndTheBarStaysInRange)
{
    const QByteArray promised = sim.logger().records();
    sim.logger().setFillPointer(112 + 5 * 10);
    int highest = 0;
    QObject::connect(download, &LoggerDownload::progressChanged, download, [&](int value, int maximum) {
        EXPECT_LE(value, maximum);
        highest = std::max(highest, value);
    });
    ASSERT_TRUE(run());
    EXPECT_EQ(download->recordsText(), "10");
    EXPECT_EQ(download->data(), promised + "\xFE\xFE");
    EXPECT_EQ(highest, 10 * 5 + 5);
    EXPECT_EQ(program->mainList().rowCount(), 300);
}

TEST_F(DownloadTest, StrayMarkerInTheDataEndsTheDownloadThere)
{
    sim.logger().setStrayMarkerAt(50);
    ASSERT_TRUE(run());
    EXPECT_EQ(download->data(), sim.logger().records().left(50) + "\xFE\xFE");
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", "Download Complete"}));
    EXPECT_EQ(program->mainList().rowCount(), 10);
    EXPECT_FALSE(program->flags().downloadMode);
}

TEST_F(DownloadTest, SilentUnitInfoIsTriedThreeTimes)
{
    sim.logger().setSilentAfterDnl(true);
    ASSERT_TRUE(run());
    EXPECT_EQ(sim.received().count("DNL"), LoggerDownload::kUnitInfoTries);
    EXPECT_EQ(lines(), QStringList({"No response from QMN. Verify connection and try again"}));
    EXPECT_TRUE(download->recordsText().isEmpty());
    EXPECT_EQ(program->mainList().rowCount(), 0);
    expectPortHandedBack();
}

TEST_F(DownloadTest, MoreDataThanAnyLoggerHoldsIsAborted)
{
    sim.logger().setExtraBytes(QByteArray(DownloadStream::kMaxBytes, '\x01'));
    sim.logger().setChunkBytes(8192);
    // A logger gone wrong: no end marker in sight.
    sim.logger().setStopAfter(DownloadStream::kMaxBytes + 2000);
    ASSERT_TRUE(run());
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", "More data than the monitor's memory can hold: the download stops.",
                                    "Aborted Successfuly", "Closing COM Port", "Re-opened COM Port"}));
    EXPECT_EQ(download->stream().byteCount(), DownloadStream::kMaxBytes);
    EXPECT_EQ(program->mainList().rowCount(), 0);
    expectPortHandedBack();
}
