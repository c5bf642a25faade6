#include "device_fixture.h"
#include "line_log.h"

#include "app/main_window.h"
#include "device/utility_window.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

using Box = DeviceUtility::Box;

QStringList boxes(DeviceUtility &d)
{
    QStringList out;
    for (Box b : {Box::Ch1Type, Box::Ch1Range, Box::Ch2Type, Box::Ch2Range, Box::PtType, Box::PtRange, Box::Interval,
                  Box::Firmware, Box::DeviceId, Box::Address})
        out << d.box(b);
    return out;
}

} // namespace

TEST_F(DeviceTest, SettingsReadFillsEveryBox)
{
    DeviceSide::Settings &s = sim.device().settings();
    s = {167, 4, 175, 5, 2, 3, 15, 2210, 7, 258};
    run(device().readSettings());
    EXPECT_EQ(wire(), hex(kProbe + "SETRCV" + kProbe));
    EXPECT_EQ(boxes(device()), QStringList({"167", "4", "175", "5", "2", "3", "15", "2.21", "7", "258"}));
    EXPECT_EQ(lines(), QStringList({"Settings have been read successfuly"}));
}

class BlockLengthTest : public DeviceTest, public ::testing::WithParamInterface<int> {};

TEST_P(BlockLengthTest, AShortOrLongBlockLeavesTheBoxesEmpty)
{
    device().setBox(Box::Address, "12");
    device().setBox(Box::Ch1Type, "99");
    sim.device().setBlockLength(GetParam());
    run(device().readSettings());
    EXPECT_EQ(lines(), QStringList({"Could not read settings... Try again."}));
    EXPECT_EQ(boxes(device()), QStringList({"", "", "", "", "", "", "", "", "", "12"}));
    EXPECT_EQ(program->serial().port().bytesAvailable(), 0); // nothing of it is left for the receiver
}

INSTANTIATE_TEST_SUITE_P(Device, BlockLengthTest, ::testing::Values(32, 34));

TEST_F(DeviceTest, ASettingsReadLeavesRealTimeOffAfterOneStop)
{
    streaming();
    LineLog log(device().list());
    run(device().readSettings());
    EXPECT_EQ(wire(), hex(kProbe + "TOGOFF" + kProbe + "SETRCV" + kProbe));
    EXPECT_FALSE(sim.streaming());
    EXPECT_FALSE(flags().realtimeActive);
    EXPECT_EQ(program->realtimeBox().text(), "Real-Time Data Stopped");
    EXPECT_EQ(lines(), QStringList({"Settings have been read successfuly"}));
    EXPECT_FALSE(log.lines.contains("Realtime is ON...... Now turning it off."));
}

struct SerialCase
{
    const char *name;
    std::function<void(MonitorSim &)> monitor;
    QByteArray wire;
    QString shown;
    QString failure = {}; // the line after the pause's, empty when all went well
};

void PrintTo(const SerialCase &c, std::ostream *os) { *os << c.name; }

class SerialNumberTest : public DeviceTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialNumberTest, IsTheBytesInDecimalAfterAZeroOrAFailureLine)
{
    const SerialCase &c = GetParam();
    sim.device().setSerialNumber(QByteArray::fromHex("000ac807ff"));
    c.monitor(sim);
    run(device().readSerialNumber());
    EXPECT_EQ(wire(), hex(c.wire));
    EXPECT_EQ(device().box(Box::SerialNumber), c.shown);
    EXPECT_EQ(lines(), QStringList({"Realtime is OFF", c.failure}).filter(QRegularExpression(".")));
}

INSTANTIATE_TEST_SUITE_P(
    Device, SerialNumberTest,
    ::testing::Values(
        SerialCase{"Read", [](MonitorSim &) {}, kProbe + "SETSSRRNN", "00102007255"},
        SerialCase{"ProbesUnanswered", [](MonitorSim &m) { m.setProbeAnswer(MonitorSim::ProbeAnswer::Silent); },
                   kProbe + kProbe, "", "Did not receive ACK 1"},
        SerialCase{"SetUnanswered", [](MonitorSim &m) { m.setUnacknowledged({"SET"}); }, kProbe + "SET", "",
                   "Abort SET command"},
        SerialCase{"LetterUnanswered", [](MonitorSim &m) { m.setUnacknowledged({"RR"}); }, kProbe + "SETSSRR", "",
                   "Abort SRN command"},
        SerialCase{"ShortNumber", [](MonitorSim &m) { m.device().setSerialNumber(QByteArray::fromHex("0102")); },
                   kProbe + "SETSSRRNN", "", "Abort Read Serial Number command"},
        // A sixth byte where the acknowledgement belongs.
        SerialCase{"NoAckAfterTheNumber",
                   [](MonitorSim &m) { m.device().setSerialNumber(QByteArray::fromHex("000ac807ff01")); },
                   kProbe + "SETSSRRNN", "00102007255",
                   "Did not successfuly receive acknowled for serial number read."}),
    [](const auto &info) { return std::string(info.param.name); });

struct AckCase
{
    const char *name;
    MonitorSim::ProbeAnswer answer;
    QStringList lines;
    QString response;
};

void PrintTo(const AckCase &c, std::ostream *os) { *os << c.name; }

class AcknowledgeTest : public DeviceTest, public ::testing::WithParamInterface<AckCase> {};

TEST_P(AcknowledgeTest, ReportsTheAnswer)
{
    sim.setProbeAnswer(GetParam().answer);
    run(device().sendAcknowledge());
    EXPECT_EQ(wire(), hex(kProbe));
    EXPECT_EQ(lines(), GetParam().lines);
    EXPECT_EQ(device().box(Box::Response), GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(
    Device, AcknowledgeTest,
    ::testing::Values(AckCase{"Normal", MonitorSim::ProbeAnswer::Normal, {"252", "Successful response."}, "Acknowledged"},
                      AckCase{"PacketStart", MonitorSim::ProbeAnswer::PacketByte, {"254", "Improper response."}, "Error"},
                      AckCase{"Silent", MonitorSim::ProbeAnswer::Silent, {"No response was received."}, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DeviceTest, APolarityToggleWaitsForARunningRead)
{
    dialogs.answers = {true};
    bool read = false;
    bool toggled = false;
    detail::markDone(device().readSettings(), &read);
    detail::markDone(device().togglePolarity(1), &toggled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return read && toggled; }, 20000));
    EXPECT_EQ(wire(), hex(kProbe + "SETRCV" + kProbe + kProbe + "SETNG1"));
    EXPECT_TRUE(sim.model().polarityInverted(1));
    EXPECT_FALSE(sim.model().polarityInverted(2));
    EXPECT_EQ(lines(), QStringList({"Settings have been read successfuly"}));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.messages.join('|'));
}

TEST_F(DeviceTest, APolarityToggleNobodyAnswersFails)
{
    sim.setProbeAnswer(MonitorSim::ProbeAnswer::Silent);
    sim.setUnacknowledged({"SET", "NG2"});
    ASSERT_TRUE(awaitTask(program->serial().OpenPort()).value_or(false));
    dialogs.answers = {true};
    run(device().togglePolarity(2));
    EXPECT_EQ(wire(), hex(kProbe + "SETNG2"));
    EXPECT_EQ(dialogs.messages, QStringList({"Toggle operation failed. Try again"}));
}

// The program ends while a read waits for the monitor: nothing of the read
// may run on afterwards.
TEST_F(DeviceTest, AReadNeverResumesIntoTheGoneProgram)
{
    bool done = false;
    detail::markDone(device().readSettings(), &done);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.received().contains("SET"); }, 10000));
    program.reset();
    // Longer than the block's time limit: a read that ran on would finish.
    EXPECT_FALSE(QTest::qWaitFor([&] { return done; }, 2500));
}

// The utility window on the program's own utility.
TEST_F(DeviceTest, TheMenuOpensTheUtilityShowingTheMonitorsSettings)
{
    MainWindow main(*program);
    QAction *entry = main.action("QMN-4400 Utility");
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    QPointer<UtilityWindow> window = main.findChild<UtilityWindow *>();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Energy Consumption Monitor / Logger SETUP");

    sim.device().settings() = {175, 5, 167, 4, 1, 2, 30, 2300, 9, 513};
    window->button("Read QMN-4400 Settings")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->boxEdit(Box::DeviceId)->text() == "9"; }, 10000));
    const QStringList shown = {window->boxEdit(Box::Ch1Type)->text(), window->boxEdit(Box::Ch2Range)->text(),
                               window->boxEdit(Box::Interval)->text(), window->boxEdit(Box::Firmware)->text(),
                               window->boxEdit(Box::Address)->text()};
    EXPECT_EQ(shown, QStringList({"175", "4", "30", "2.3", "513"}));

    // A preset fills both channels; what a screen reader or a voice
    // control puts into a box is what goes to the monitor.
    window->presetOption(3)->click();
    EXPECT_EQ(window->boxEdit(Box::Ch2Type)->text(), "167");
    QAccessibleInterface *type = QAccessible::queryAccessibleInterface(window->boxEdit(Box::Ch1Type));
    ASSERT_TRUE(type && type->editableTextInterface());
    type->editableTextInterface()->replaceText(0, type->textInterface()->characterCount(), "175");
    window->boxEdit(Box::Ch1Range)->setText("6");
    sim.clearReceived();
    window->button("Accept Changes", "CH 1 ")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines().contains("Completed Modifying CH1 CT Type and Range"); }, 10000));
    EXPECT_EQ(wire(), hex(kProbe + "SETCT1TYP" + bytes("af") + "RNG" + bytes("06")));
}

TEST_F(DeviceTest, TheAddressSaveWaitsForAnEditAndLoadBoxesShowTheMask)
{
    program->settings().LoadStatus = 10;
    program->sample().deviceAddress = 77;
    UtilityWindow window(device());
    EXPECT_EQ(window.boxEdit(Box::Address)->text(), "77");
    QPushButton *save = window.button("Save", "Device Address");
    ASSERT_TRUE(save);
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(window.boxEdit(Box::Address), "1");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_EQ(device().box(Box::Address), "771");

    const QList<bool> shown = {window.loadBox(0)->isChecked(), window.loadBox(1)->isChecked(),
                               window.loadBox(2)->isChecked(), window.loadBox(3)->isChecked()};
    EXPECT_EQ(shown, QList<bool>({false, true, false, true}));
    window.button("Reset Loads")->click();
    EXPECT_FALSE(window.loadBox(3)->isChecked());
    EXPECT_FALSE(window.button("connect")->isEnabled());
}

TEST_F(DeviceTest, AReadOutlivesItsClosedWindow)
{
    auto *window = new UtilityWindow(device());
    window->show();
    window->button("Read QMN-4400 Settings")->click();
    window->close(); // deleted later, while the read waits for the monitor
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines() == QStringList({"Settings have been read successfuly"}); }, 10000));
    EXPECT_EQ(device().box(Box::Firmware), "2.21");
}
