#include "app/main_window.h"
#include "app/program.h"
#include "scripted_dialogs.h"
#include "sim_packet.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <qcoro/qcorotask.h>

namespace {

// A program on a settings file of its own, holding `settings` when given.
struct ProgramTest : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QString settingsPath = dir.filePath("QMNpilot.ini");
    std::optional<Program> program;

    Program &make(const QString &settings = {})
    {
        EXPECT_TRUE(settings.isEmpty() || writeText(settingsPath, settings));
        return program.emplace(settingsPath, dir.filePath("data"), dialogs);
    }
};

} // namespace

TEST_F(ProgramTest, StartUpShowsTheWindowClosedBeforeOpeningThePort)
{
    // Port 9 maps to a device that does not exist: the open fails with the
    // question, which must come after the window is up and showing closed.
    Program &program = make("[startup]\nStartupComIsOn=True\nComPort=9\n[ports]\n9=/dev/none\n");
    bool windowShown = false;
    bool shownWhenAsked = false;
    QString boxWhenAsked;
    dialogs.onAsk = [&](const QString &) {
        shownWhenAsked = windowShown;
        boxWhenAsked = program.serialBox().text();
    };
    program.startUp([&] { windowShown = true; });
    EXPECT_TRUE(shownWhenAsked);
    EXPECT_EQ(boxWhenAsked, "COM Port is Closed");
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].startsWith("Invalid COM port. Would you like to search for available ports?"));
    EXPECT_FALSE(program.serial().isOpen());
    EXPECT_EQ(program.realtimeBox().text(), "Real-Time Data Stopped");
    EXPECT_EQ(program.title(), "QMN-4400 Pilot Download and Real-Time Database Software Version 1.20");
}

TEST_F(ProgramTest, ExitWritesTheExitKeysAndRateEditedByHandSurvives)
{
    Program &program = make("[startup]\nRATE=0.15\nStartupRTLisOn=True\n");
    program.startUp();
    EXPECT_TRUE(program.autoStartTimer().isActive()); // waits for an open port
    EXPECT_DOUBLE_EQ(program.settings().Rate, 0.15);
    program.sample().E1B = 1234567;
    program.sample().secondsCounter = 4242;
    program.sample().QMNresetCount = 3;
    QSignalSpy exiting(&program, &Program::exitRequested);
    program.exitSequence();
    program.exitSequence();
    EXPECT_EQ(exiting.count(), 1);
    this->program.reset(); // what the program writes as it goes is in the file too
    const QString text = readText(settingsPath);
    for (const char *line : {"Rate=0.15\n", "E1B=1234567\n", "QMNCounter=4242\n", "QMNresetCount=3\n",
                             "StartupRTLisOn=True\n", "StartupComIsOn=False\n", "WptUser=****\n",
                             "WptThresT=60\n", "ZigbeeVersion=0\n", "Interval=0\n"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << qPrintable(text);
    EXPECT_FALSE(text.contains("RATE"));
    // Keys the exit does not write stay out of the file.
    EXPECT_FALSE(text.contains("dbtype"));
}

// What changed since start-up, and the tick of the save timer that writes
// the recovery state: the periodic save comes every 101 ticks, a new reset
// count or new pre-reset values (the utility's reset of them) at the next.
struct RecoveryChange
{
    const char *name;
    void (*change)(RealtimeSample &);
    int ticks;
    const char *line;
};

class RecoverySave : public ProgramTest, public ::testing::WithParamInterface<RecoveryChange> {};

TEST_P(RecoverySave, WritesTheRecoveryStateAtItsTick)
{
    Program &program = make();
    program.startUp();
    program.saveTimer().setInterval(1);
    program.sample().secondsCounter = 777;
    GetParam().change(program.sample());
    int ticks = 0;
    QObject::connect(&program.saveTimer(), &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(settingsPath); }, 5000));
    EXPECT_EQ(ticks, GetParam().ticks);
    const QString text = readText(settingsPath);
    for (const char *line : {GetParam().line, "QMNCounter=777\n", "WptWriteEnable=False\n"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << qPrintable(text);
    EXPECT_FALSE(text.contains("Rate=")); // not a recovery key
    program.exitSequence();
    // The exit writes the same state the save did.
    EXPECT_TRUE(readText(settingsPath).contains(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, RecoverySave,
    ::testing::Values(RecoveryChange{"Periodic", [](RealtimeSample &) {}, 101, "QMNresetCount=0\n"},
                      RecoveryChange{"ResetCount", [](RealtimeSample &s) { s.QMNresetCount = 5; }, 1,
                                     "QMNresetCount=5\n"},
                      RecoveryChange{"PreResetValues", [](RealtimeSample &s) { s.PreResetVal1 = 36000000; }, 1,
                                     "PreResetVal1=36000000\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ProgramTest, HandEditsMadeWhileRunningSurviveEverySave)
{
    Program &program = make("[startup]\nRate=0.15\ndbtype=none\n");
    program.startUp();
    // The user follows the README while the program runs.
    ASSERT_TRUE(writeText(settingsPath, "[startup]\nRate=0.15\ndbtype=SQlite\nsqldbpath=/srv/qmn.db\n"
                                          "[ports]\n3=/dev/ttyUSB7\n"));
    program.SaveRecoveryState();
    program.saveKeys({"ComPort"}); // as the panel does
    program.exitSequence();
    const QString text = readText(settingsPath);
    for (const char *line : {"dbtype=SQlite\n", "sqldbpath=/srv/qmn.db\n", "3=/dev/ttyUSB7\n", "ComPort=1\n"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << qPrintable(text);
    EXPECT_FALSE(text.contains("dbtype=none"));
}

TEST_F(ProgramTest, AStreamOfRejectedPacketsKeepsTheNewest1000StatusLines)
{
    Program &program = make();
    program.startUp();
    SimPacket packet;
    QByteArray bad = encodePacket(packet);
    bad[20] = char(bad[20] ^ 0x01); // each one adds 41 lines
    for (int i = 0; i < 30; ++i)
        program.receiver().processBridgeData(bad);
    const QStringList lines = program.mainStatus().lines();
    ASSERT_EQ(lines.size(), 1000);
    EXPECT_TRUE(lines.contains("Checksum Error # 30"));
    EXPECT_FALSE(lines.contains("Checksum Error # 6")); // the oldest went first
    EXPECT_TRUE(lines.last().startsWith("Byte #40 ")) << qPrintable(lines.last());
    program.exitSequence();
}

TEST_F(ProgramTest, MenusCarryTheirCaptionsAndExitRunsTheExitSequence)
{
    Program &program = make();
    program.startUp();
    MainWindow window(program);
    EXPECT_EQ(window.menuCaptions(),
              QStringList({"Files", "Files/Save", "Files/Download Data", "Files/Exit", "Edit", "Edit/Copy All",
                           "Edit/Copy Selected", "Communication", "Communication/Communication Panel",
                           "Communication/Open COM Port", "Communication/Close COM Port",
                           "Communication/Start Real-Time Data", "Communication/Stop Real-Time Data",
                           "Real-Time Data", "Real-Time Data/Real-Time Data Panel",
                           "Real-Time Data/Real-Time Data Listing", "Real-Time Data/History", "Write To Web", "Options",
                           "QMN-4400 Utility",
                           "Help", "Help/About", "Help/QMN-4400 support website"}));
    // The support page without an address is shown but cannot be chosen.
    EXPECT_FALSE(window.action("Help/QMN-4400 support website")->isEnabled());
    for (const char *path : {"Files/Save", "Files/Download Data", "Edit/Copy Selected"})
        EXPECT_TRUE(window.action(path)->isEnabled()) << path;
    window.action("Help/About")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(
        "QMN-4400 Pilot Software version 1.20 . This software requires firmware version 2.200 or higher. "));

    window.action("Files/Exit")->trigger();
    EXPECT_TRUE(program.hasExited());
    EXPECT_TRUE(QFile::exists(settingsPath));
}
