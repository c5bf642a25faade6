#include "sim_program.h"
#include "coro_wait.h"

#include <QSerialPort>
#include <QSignalSpy>

#include <algorithm>
#include <functional>

namespace {

const QByteArray kProbe("\xFC");
const char kStartFailed[] =
    "An error occured while attempting to start Real-Time data. Please verify your COM port or connection";
const char kNoMethod[] = "A communication method has not been selected. Select method before proceeding.";

struct ControlTest : SimProgramTest
{
    RealtimeControl &control() { return program->realtime(); }
    ProgramFlags &flags() { return program->flags(); }
    QStringList lines() { return program->mainStatus().lines(); }
    QSerialPort &port() { return program->serial().port(); }

    // Counts the samples the receiver accepted, and remembers the seconds
    // counter of the packet the sim sent last.
    void countSamples()
    {
        program->dispatch().addStep("count", [this](const RealtimeSample &) { ++samples; });
        QObject::connect(&sim, &MonitorSim::packetSent, &sim,
                         [this](const SimPacket &packet) { lastSentSeconds = qint64(packet.seconds); });
    }
    // The sample in hand is the packet the sim sent last.
    bool sampleIsLatestPacket() { return samples > 0 && program->sample().secondsCounter == lastSentSeconds; }
    int samples = 0;
    qint64 lastSentSeconds = -1;

    void run(QCoro::Task<> task) { ASSERT_TRUE(awaitTask(std::move(task))); }

    // The monitor is already streaming, as after an earlier run of the program.
    void streaming()
    {
        sim.setStreaming(true);
        flags().realtimeActive = true;
    }

    // Settings that open the monitor's port and start real-time at start-up.
    bool startUpSettings(int method = 8)
    {
        return writeText(dir.filePath("QMNpilot.ini"), "[startup]\nStartupComIsOn=True\nStartupRTLisOn=True\nZigbeeVersion="
                         + QString::number(method) + "\nComPort=1\n[ports]\n1=" + sim.devicePath() + "\n");
    }
};

struct Failure
{
    const char *name;
    bool stop; // a stop of a running stream, else a start
    std::function<void(MonitorSim &)> configure;
    QByteArray wire;
    QString line;
};


struct FailureTest : ControlTest, ::testing::WithParamInterface<Failure> {};

auto unacknowledged(const QString &command)
{
    return [command](MonitorSim &s) { s.setUnacknowledged({command}); };
}

const auto kSilent = [](MonitorSim &s) { s.setProbeAnswer(MonitorSim::ProbeAnswer::Silent); };

} // namespace

// A failed start also says so in a box and shows the stream stopped.
TEST_P(FailureTest, NamesTheFailingStepAndGivesThePortBack)
{
    const Failure &f = GetParam();
    if (f.stop)
        streaming();
    f.configure(sim);
    run(f.stop ? control().MnuStopRTL_Click() : control().MnuStartRTL_Click());
    EXPECT_EQ(sim.received().toHex(' '), f.wire.toHex(' '));
    EXPECT_EQ(lines(), QStringList({f.line}));
    EXPECT_EQ(dialogs.messages, f.stop ? QStringList() : QStringList({kStartFailed}));
    EXPECT_FALSE(flags().commandInProgress);
    if (!f.stop) {
        EXPECT_FALSE(flags().realtimeActive);
        EXPECT_EQ(program->realtimeBox().text(), "Real-Time Data Stopped");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Control, FailureTest,
    ::testing::Values(
        Failure{"StartProbeUnanswered", false, kSilent, kProbe, "No response from Acknowledge command"},
        Failure{"StartToggleUnacknowledged", false, unacknowledged("TOG"), kProbe + "TOG", "No response from Request command"},
        Failure{"StartPolarUnacknowledged", false, unacknowledged("PLR"), kProbe + "TOGPLR", "Error turning Real-Time ON"},
        Failure{"StopProbeFailsTwice", true, kSilent, kProbe + kProbe,
                "Unsuccessful in receiving response from QMN-4400. Try again."},
        Failure{"StopToggleUnacknowledged", true, unacknowledged("TOG"), kProbe + "TOG",
                "No response from \"Toggle\" command. Click \"Start\" to try again."},
        Failure{"StopOffUnacknowledged", true, unacknowledged("OFF"), kProbe + "TOGOFF",
                "No response from \"OFF\" command. Click \"Start\" to try again."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ControlTest, AfterAStopTheMonitorsInputIsLeftAloneAndBounded)
{
    streaming();
    program->realtimeBox().show("Real-Time Data Active", StatusBox::Colour::Good);
    run(control().MnuStopRTL_Click());
    EXPECT_EQ(program->realtimeBox().text(), "Real-Time Data Stopped");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Nothing takes what the monitor sends now until real-time starts again.
    countSamples();
    SimPacket packet;
    packet.seconds = 77;
    const QByteArray late = encodePacket(packet);
    sim.sendRaw(late);
    ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() >= late.size(); }, 2000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return port().bytesAvailable() < late.size() || samples > 0; }, 300));

    // A monitor that goes on sending (another program started it again).
    qint64 most = 0;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return sim.sendRaw(QByteArray(4096, '\x55')); }, 2000));
        most = std::max(most, port().bytesAvailable());
    }
    [[maybe_unused]] const bool never = QTest::qWaitFor([&] { most = std::max(most, port().bytesAvailable()); return false; }, 300);
    EXPECT_LE(most, SerialIntake::kMaxUnreadInput + 4096);
    EXPECT_EQ(samples, 0);
}

TEST_F(ControlTest, WithoutAMethodNeitherStartNorStopTouchesThePort)
{
    program->settings().ZigbeeVersion = 0;
    QSignalSpy panel(&control(), &RealtimeControl::communicationPanelRequested);
    run(control().MnuStartRTL_Click());
    run(control().MnuStopRTL_Click());
    EXPECT_EQ(dialogs.messages, QStringList({kNoMethod, kNoMethod}));
    EXPECT_EQ(panel.count(), 2);
    EXPECT_FALSE(program->serial().isOpen());
    EXPECT_TRUE(sim.received().isEmpty());
    EXPECT_FALSE(flags().nodeDiscovered);
}

TEST_F(ControlTest, PauseWhileOffHoldsTheMonitorUntilRestore)
{
    StatusList window;
    ASSERT_TRUE(awaitTask(control().PauseRealtime(window)).value_or(false));
    EXPECT_EQ(window.lines(), QStringList({"Realtime is OFF"}));
    EXPECT_TRUE(flags().commandInProgress);
    EXPECT_TRUE(program->serial().isOpen());
    EXPECT_TRUE(program->mainStatus().lines().isEmpty());

    // A start asked for meanwhile waits for the window's exchange to end.
    bool started = false;
    detail::markDone(control().MnuStartRTL_Click(), &started);
    EXPECT_FALSE(QTest::qWaitFor([&] { return !sim.received().isEmpty() || started; }, 2000));

    run(control().RestoreRealtime(window));
    EXPECT_EQ(window.lines(), QStringList({"Realtime is OFF"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started; }, 10000));
    EXPECT_EQ(sim.received(), kProbe + "TOGPLR");
    EXPECT_FALSE(flags().commandInProgress);
}

TEST_F(ControlTest, PauseWhileOnStopsAndRestoreStartsAgain)
{
    streaming();
    StatusList window;
    ASSERT_TRUE(awaitTask(control().PauseRealtime(window)).value_or(false));
    EXPECT_EQ(window.lines(), QStringList({"Realtime is ON..... now turning OFF", "Realtime is OFF"}));
    EXPECT_EQ(sim.received(), kProbe + "TOGOFF");
    EXPECT_FALSE(sim.streaming());

    sim.clearReceived();
    run(control().RestoreRealtime(window));
    EXPECT_EQ(window.lines(), QStringList({"Realtime is ON..... now turning OFF", "Realtime is OFF",
                                           "Restoring Real-Time back to its ON state."}));
    EXPECT_EQ(sim.received(), kProbe + "TOGPLR");
    EXPECT_TRUE(sim.streaming());
    EXPECT_TRUE(flags().realtimeActive);
    EXPECT_FALSE(flags().commandInProgress);
}

TEST_F(ControlTest, StartClickedDuringAStopWaitsForIt)
{
    streaming();
    bool stopped = false;
    bool started = false;
    detail::markDone(control().MnuStopRTL_Click(), &stopped);
    detail::markDone(control().MnuStartRTL_Click(), &started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped && started; }, 15000));
    EXPECT_EQ(sim.received(), kProbe + "TOGOFF" + kProbe + "TOGPLR");
    EXPECT_EQ(lines(), QStringList({"Real-Time is ON"}));
    EXPECT_TRUE(sim.streaming());
}

struct StartUpMethod
{
    int method;
    const char *search; // what the dongle hears before the probe
};

class StartUpTest : public ControlTest, public ::testing::WithParamInterface<StartUpMethod> {};

// With a radio dongle no node has been found when the program starts: the
// start at start-up searches for it as a start by hand does.
TEST_P(StartUpTest, StartsRealTimeWithoutAClick)
{
    const StartUpMethod m = GetParam();
    sim.setDongle(2);
    ASSERT_TRUE(startUpSettings(m.method));
    countSamples();
    program->startUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples >= 2 && sampleIsLatestPacket(); }, 15000))
        << qPrintable(dialogs.messages.join('|'));
    EXPECT_EQ(sim.received(), m.search + kProbe + "TOGPLR");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return lines() == QStringList({"Real-Time was off. Now attempting to start real-time."}); }, 5000));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(program->autoStartTimer().isActive());
    EXPECT_EQ(program->realtimeBox().text(), "Real-Time Data Active");
    program->exitSequence();
}

INSTANTIATE_TEST_SUITE_P(Method, StartUpTest,
                         ::testing::Values(StartUpMethod{8, ""}, StartUpMethod{2, "+++ATDNE2\r"}),
                         [](const auto &info) { return info.param.method == 8 ? "Cable" : "RadioE2"; });

TEST_F(ControlTest, AStartByHandWhileTheStartUpOneIsPendingStartsOnce)
{
    ASSERT_TRUE(startUpSettings());
    program->startUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->autoStartTimer().isActive(); }, 5000));
    program->autoStartTimer().setInterval(200); // its tick comes while the start by hand runs
    run(control().MnuStartRTL_Click());
    // A second start sequence would re-open the port and toggle the stream off.
    EXPECT_FALSE(QTest::qWaitFor([&] { return sim.received() != kProbe + "TOGPLR"; }, 1000));
    EXPECT_TRUE(sim.streaming());
    EXPECT_FALSE(program->autoStartTimer().isActive());

    // A start while the stream runs sends nothing either.
    run(control().MnuStartRTL_Click());
    EXPECT_EQ(sim.received(), kProbe + "TOGPLR");
}

TEST_F(ControlTest, APanelSearchSparesTheSearchAtStartUntilTheMethodChanges)
{
    program->settings().ZigbeeVersion = 2;
    sim.setDongle(2);
    StatusList panelList;
    run(program->radio().FindZigbeeMonitor(2, panelList));
    sim.clearReceived();
    run(control().MnuStartRTL_Click());
    EXPECT_EQ(sim.received(), kProbe + "TOGPLR");

    // Another dongle generation must be set up before it is used.
    program->comPanel().chooseMethod(3);
    EXPECT_FALSE(flags().nodeDiscovered);
    flags().nodeDiscovered = true;
    program->comPanel().chooseMethod(3); // the same choice again changes nothing
    EXPECT_TRUE(flags().nodeDiscovered);
}

TEST_F(ControlTest, ThePortSearchWaitsForARunningDialogue)
{
    streaming();
    bool stopped = false;
    detail::markDone(control().MnuStopRTL_Click(), &stopped);
    // Clicked while the stop talks to the monitor: closing the port now
    // would cut the stop short.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sim.received().isEmpty(); }, 5000));
    run(program->comPanel().listAvailablePorts());
    EXPECT_TRUE(stopped);
    EXPECT_EQ(sim.received(), kProbe + "TOGOFF");
    EXPECT_FALSE(sim.streaming());
    EXPECT_TRUE(lines().contains("Real Time has been disabled successfully.")) << qPrintable(lines().join('|'));
}

TEST_F(ControlTest, AFailedReopenShowsThePortClosed)
{
    ASSERT_TRUE(awaitTask(program->serial().OpenPort()).value_or(false));
    EXPECT_EQ(program->serialBox().text(), "COM Port is Open");
    program->portMap().setEntry(1, dir.filePath("gone"));
    EXPECT_FALSE(awaitTask(program->serial().OpenPort()).value_or(true));
    EXPECT_FALSE(program->serial().isOpen());
    EXPECT_EQ(program->serialBox().text(), "COM Port is Closed");
    EXPECT_EQ(program->serialBox().colour(), StatusBox::Colour::Bad);
    EXPECT_EQ(program->panelPortBox().colour(), StatusBox::Colour::Bad);
}

// A port that stops working (a USB adapter pulled) while it settles after an
// open or while it is read: the status line says so once, and the step that
// was running shows its own box rather than offering a search for ports.
struct PortBreak
{
    const char *name;
    QCoro::Task<bool> (*run)(Program &); // true: the step succeeded
    const char *box;
};

QCoro::Task<bool> menuOpen(Program &p) { co_return co_await p.openPortFromMenu(); }
QCoro::Task<bool> panelOpen(Program &p) { co_return co_await p.comPanel().openPort(); }
QCoro::Task<bool> readChunk(Program &p)
{
    static const bool never = false;
    const QByteArray chunk = co_await p.serial().ReadPortChunk(never);
    co_return !chunk.isEmpty();
}

class PortBreakTest : public ControlTest, public ::testing::WithParamInterface<PortBreak> {};

TEST_P(PortBreakTest, ShowsTheStepsBoxAndTheStatusLineOnce)
{
    const PortBreak &b = GetParam();
    if (b.run == readChunk) {
        ASSERT_TRUE(awaitTask(program->serial().OpenPort()).value_or(false));
    }
    std::optional<bool> succeeded;
    detail::storeResult(b.run(*program), &succeeded);
    ASSERT_TRUE(program->serial().isOpen());
    sim.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return succeeded.has_value(); }, 5000));
    EXPECT_FALSE(*succeeded);
    EXPECT_EQ(dialogs.messages.join('|'), b.box);
    EXPECT_EQ(dialogs.questions.join('|'), "");
    EXPECT_FALSE(program->serial().isOpen());
    EXPECT_EQ(lines().filter(" stopped working and was closed: ").size(), 1) << qPrintable(lines().join('|'));
}

INSTANTIATE_TEST_SUITE_P(
    Port, PortBreakTest,
    ::testing::Values(
        PortBreak{"MenuOpen", menuOpen, "Could not open the port. Click \"COM Port Setup\" and check settings."},
        PortBreak{"PanelOpen", panelOpen, "Com error"}, PortBreak{"Read", readChunk, "ReadBufferError"}),
    [](const auto &info) { return std::string(info.param.name); });

// The program ends (Exit, SIGTERM) while a dialogue with the monitor is
// suspended in one of its waits: nothing of it may run on afterwards.
struct Suspended
{
    const char *name;
    int afterMs; // how far into the dialogue the program goes away
};

class DestroyedWhileSuspended : public ControlTest, public ::testing::WithParamInterface<Suspended> {};

TEST_P(DestroyedWhileSuspended, NeverResumesIntoTheGoneProgram)
{
    const QString what = GetParam().name;
    ASSERT_TRUE(startUpSettings());
    bool finished = false;
    if (what == "StartUp") {
        detail::markDone(program->startUp(), &finished);
    } else if (what == "Start") {
        detail::markDone(control().MnuStartRTL_Click(), &finished);
    } else {
        streaming();
        detail::markDone(control().MnuStopRTL_Click(), &finished);
    }
    QTest::qWait(GetParam().afterMs);
    ASSERT_FALSE(finished);
    program.reset();
    // Longer than any pause, delay or acknowledgement wait of the dialogue:
    // a dialogue that ran on would finish, if it did not crash first.
    QTest::qWait(3500);
    EXPECT_FALSE(finished);
}

INSTANTIATE_TEST_SUITE_P(Dialogues, DestroyedWhileSuspended,
                         ::testing::Values(Suspended{"StartUp", 100}, Suspended{"Start", 100},
                                           Suspended{"Start", 1200}, Suspended{"Stop", 100}),
                         [](const auto &info) {
                             return std::string(info.param.name) + "After" + std::to_string(info.param.afterMs);
                         });

TEST_F(ControlTest, WatchdogStopsOnTheThirdTickWithoutPacketBytes)
{
    // The test ticks the watchdog itself, so no tick depends on the machine's speed.
    QTimer &watchdog = program->watchdogTimer();
    ASSERT_FALSE(watchdog.isActive());
    const auto tick = [&] { ASSERT_TRUE(QMetaObject::invokeMethod(&watchdog, "timeout", Qt::DirectConnection)); };
    SimPacket packet;
    const auto packetArrives = [&] {
        ++packet.seconds;
        for (char b : encodePacket(packet))
            program->receiver().serialByte(quint8(b));
    };
    // What the box and the flag show after the given number of ticks without packet bytes.
    const auto expectShown = [&](bool active, int ticks) {
        EXPECT_EQ(program->realtimeBox().text().toStdString(),
                  active ? "Real-Time Data Active" : "Real-Time Data Stopped") << ticks << " ticks";
        EXPECT_EQ(program->realtimeBox().isGood(), active) << ticks << " ticks";
        EXPECT_EQ(flags().realtimeActive, active) << ticks << " ticks";
    };

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first packet" : "packets again after the stop");
        packetArrives();
        const bool activeAfter[] = {true, true, false, false}; // 1, 2, 3, 4 ticks
        for (int ticks = 1; ticks <= 4; ++ticks) {
            tick();
            expectShown(activeAfter[ticks - 1], ticks);
        }
    }

    // A program left without data for days never lets the count run over.
    flags().watchdogCount = 29999;
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_LE(flags().watchdogCount, 30000);
    EXPECT_FALSE(flags().realtimeActive);
}
