// The download against the simulated monitor, through the real serial port
// on a pseudo-terminal.
#include "coro_wait.h"
#include "download/download_saver.h"
#include "sim_program.h"

namespace {

const QByteArray kAck("\xFC");

struct DownloadTest : SimProgramTest
{
    LoggerDownload *download = nullptr;

    void SetUp() override
    {
        SimProgramTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
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
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", "Download Complete", "SUCCESS"}));
    EXPECT_EQ(download->data(), sim.logger().records() + "\xFE\xFE");
    // The first byte of the marker counts as data, as the monitor's own software has it.
    EXPECT_EQ(download->progressValue(), 300 * 5 + 1);
    EXPECT_EQ(download->savedFileName(), dir.filePath("DAY.QMN"));
    EXPECT_EQ(program->settings().Interval, 5);
    expectPortHandedBack();
}

namespace {

const QStringList kAborted{"Aborted Successfuly", "Closing COM Port", "Re-opened COM Port"};

struct Interrupted
{
    const char *name;
    std::function<void(DownloadTest &)> configure;
    // "Abort" is pressed once this many data bytes are in, or, when set,
    // as the monitor receives this command.
    qint64 abortAfter;
    const char *abortOn = nullptr;
    QStringList errors = {}; // lines of the abort before its own
};
struct AbortTest : DownloadTest, ::testing::WithParamInterface<Interrupted> {};

} // namespace

TEST_P(AbortTest, AbortEndsTheDownloadOnTheMonitorAndResetsThePort)
{
    const Interrupted &c = GetParam();
    c.configure(*this);
    if (c.abortOn) {
        QObject::connect(&sim, &MonitorSim::commandReceived, download, [this, &c](const QString &command) {
            if (command == QLatin1String(c.abortOn))
                download->abort();
        });
    } else {
        QObject::connect(download, &LoggerDownload::progressChanged, download, [this, &c](int value) {
            if (value >= c.abortAfter)
                download->abort();
        });
    }
    ASSERT_TRUE(run());
    const QStringList ending = c.errors + kAborted;
    EXPECT_EQ(lines().mid(lines().indexOf(kAborted.first()) - c.errors.size(), ending.size()), ending)
        << qPrintable(lines().join('|'));
    EXPECT_FALSE(lines().contains("Download Complete"));
    EXPECT_TRUE(sim.received().contains("CALFIN"));
    EXPECT_TRUE(sim.logger().idle());
    EXPECT_TRUE(program->serial().isOpen());
    EXPECT_GE(download->stream().byteCount(), c.abortAfter);
    EXPECT_LT(download->stream().byteCount(), sim.logger().records().size());
    EXPECT_EQ(program->mainList().rowCount(), 0);
    expectPortHandedBack();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbortTest,
    ::testing::Values(Interrupted{"MidStream", [](DownloadTest &t) { t.sim.logger().fillDay(3000); t.sim.logger().setChunkBytes(1); }, 100},
                      Interrupted{"CalUnanswered", [](DownloadTest &t) { t.sim.setUnacknowledged({"CAL"}); }, 0, "DNL", {"Err 2"}},
                      Interrupted{"FinUnanswered", [](DownloadTest &t) { t.sim.setUnacknowledged({"FIN"}); }, 0, "DNL", {"Err 3"}},
                      // Pressed in the first seconds: while "DNL" goes unanswered,
                      // while real-time data is being stopped.
                      Interrupted{"DuringUnitInfo", [](DownloadTest &t) { t.sim.logger().setSilentAfterDnl(true); }, 0, "DNL"},
                      Interrupted{"WhileRealTimeStops",
                                  [](DownloadTest &t) {
                                      ASSERT_TRUE(awaitTask(t.program->realtime().MnuStartRTL_Click()));
                                      t.sim.clearReceived();
                                  },
                                  0, "OFF"}),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

struct UnitInfoCase
{
    const char *name;
    std::function<void(SimLogger &)> configure;
    QStringList boxes; // message boxes, in order
    QStringList lines;
};
struct UnitInfoTest : DownloadTest, ::testing::WithParamInterface<UnitInfoCase> {};

// The monitor's abort walks through what it had left to send: the rest of
// the unit information and its stream, until a probe meets its tail.
const QStringList kWalkedAbort = QStringList{"Err 1"} + kAborted;

} // namespace

TEST_P(UnitInfoTest, AFailedUnitInfoReadLeavesNothingWaiting)
{
    GetParam().configure(sim.logger());
    ASSERT_TRUE(run());
    EXPECT_EQ(dialogs.messages, GetParam().boxes);
    EXPECT_EQ(lines(), GetParam().lines);
    // Nothing on the monitor waits for the 0xFC that would start its stream.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.logger().idle(); }, 2000));
    expectPortHandedBack();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitInfoTest,
    ::testing::Values(
        UnitInfoCase{"ShortBlock", [](SimLogger &l) { l.setAnswerLength(SimLogger::Answer::Info, 20); }, {},
                     QStringList{"Realtime is OFF", "Could not retreive unit info. Try again."} + kWalkedAbort},
        UnitInfoCase{"ShortInterval", [](SimLogger &l) { l.setAnswerLength(SimLogger::Answer::Interval, 1); },
                     {"333", "error = 0"}, QStringList{"Realtime is OFF"} + kWalkedAbort},
        UnitInfoCase{"ShortPointer", [](SimLogger &l) { l.setAnswerLength(SimLogger::Answer::Pointer, 2); },
                     {"222", "error = 0"}, QStringList{"Realtime is OFF"} + kWalkedAbort},
        UnitInfoCase{"StrayByteAfterPointer", [](SimLogger &l) { l.setAnswerLength(SimLogger::Answer::Pointer, 4); },
                     {}, QStringList{"Realtime is OFF", " erro 111"} + kWalkedAbort},
        UnitInfoCase{"DnlUnanswered", [](SimLogger &l) { l.setSilentAfterDnl(true); }, {},
                     {"No response from QMN. Verify connection and try again"}},
        // Reported, and the download goes on.
        UnitInfoCase{"HighPointerByte", [](SimLogger &l) { l.setFillPointer(5 * 65536 + 112 + 1500); },
                     {"Improper value for Hi Pointer"}, {"Realtime is OFF", "Download Complete", "SUCCESS"}}),
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
