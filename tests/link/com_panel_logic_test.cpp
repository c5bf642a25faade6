// The communication panel's logic: method choice, port box, opening and
// closing, and the port search over simulated monitors.
#include "coro_wait.h"
#include "link/panel_fixture.h"

#include <QSignalSpy>

namespace {

struct MethodCase
{
    int option;
    int zigbeeVersion;
    bool find[3];
};

class MethodOptions : public PanelFixture, public ::testing::WithParamInterface<MethodCase> {};

struct PortBoxCase
{
    const char *typed;
    int port;          // ComPort afterwards (3 before)
    bool refusedAloud; // a message says why the number was not taken
};

class PortBox : public PanelFixture, public ::testing::WithParamInterface<PortBoxCase> {};

const char kNoPortSelected[] = "No COM port selected. Try \"Find COM Port\" utility";

} // namespace

TEST_P(MethodOptions, ChoiceSetsTheVersionAndEnablesOnlyItsFindButton)
{
    const MethodCase c = GetParam();
    startProgram({});
    panel().load();
    QSignalSpy found(&panel(), &ComPanelLogic::findRequested);
    panel().chooseMethod(c.option);
    EXPECT_EQ(program->settings().ZigbeeVersion, c.zigbeeVersion);
    for (int z = 1; z <= 3; ++z) {
        EXPECT_EQ(panel().findEnabled(z), c.find[z - 1]) << "Find E" << z;
        panel().find(z);
    }
    ASSERT_EQ(found.count(), c.option == 0 ? 0 : 1);
    if (c.option != 0) {
        EXPECT_EQ(found[0][0].toInt(), c.zigbeeVersion);
    }

    // The choice is saved when the panel loads again, which selects it.
    EXPECT_EQ(saved("ZigbeeVersion"), "0");
    panel().chooseMethod((c.option + 1) % 4);
    program->settings().ZigbeeVersion = uint8_t(c.zigbeeVersion);
    panel().load();
    EXPECT_EQ(saved("ZigbeeVersion"), QString::number(c.zigbeeVersion));
    EXPECT_EQ(panel().methodOption(), c.option);
}

INSTANTIATE_TEST_SUITE_P(Panel, MethodOptions,
                         ::testing::Values(MethodCase{0, 8, {false, false, false}},
                                           MethodCase{1, 1, {true, false, false}},
                                           MethodCase{2, 2, {false, true, false}},
                                           MethodCase{3, 3, {false, false, true}}));

TEST_P(PortBox, LeavingTheBoxSetsThePortForTheNextOpenWithoutSaving)
{
    const PortBoxCase c = GetParam();
    startProgram({}, "ComPort=3\n");
    panel().load();
    panel().portBoxLeft(QString::fromLatin1(c.typed));
    EXPECT_EQ(program->settings().ComPort, c.port);
    EXPECT_EQ(program->serial().portNumber(), c.port);
    EXPECT_EQ(panel().portBox().text(), QString::number(c.port));
    EXPECT_EQ(saved("ComPort"), "3");
    EXPECT_EQ(dialogs.messages.size(), c.refusedAloud ? 1 : 0);
    if (c.refusedAloud) {
        EXPECT_TRUE(dialogs.messages[0].contains("1 to 64")) << qPrintable(dialogs.messages[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(Panel, PortBox,
                         ::testing::Values(PortBoxCase{" 12 ", 12, false}, PortBoxCase{"6.5", 6, false},
                                           PortBoxCase{"7.5", 8, false}, PortBoxCase{"", 3, false},
                                           PortBoxCase{"7a", 3, false}, PortBoxCase{"0", 3, true},
                                           PortBoxCase{"65", 3, true}));

TEST_F(PanelFixture, OpenPortOutsideOneToSixtyFourOpensNothing)
{
    const QString sim = monitorPath();
    for (int port : {0, 65}) {
        dialogs.messages.clear();
        startProgram({{1, sim}}, QStringLiteral("ComPort=%1\n").arg(port));
        EXPECT_EQ(awaitTask(panel().openPort()), false);
        EXPECT_EQ(dialogs.messages, QStringList{kNoPortSelected});
        EXPECT_TRUE(dialogs.questions.isEmpty());
        EXPECT_FALSE(program->serial().isOpen());
        EXPECT_FALSE(sims[0]->clientOpen());
    }
}

TEST_F(PanelFixture, SearchListsTheMonitorsThatOpenWithTheirDevices)
{
    const QString a = monitorPath(), b = monitorPath(), c = monitorPath();
    startProgram({{3, a}, {9, b}, {40, c}}, "ComPort=9\n");
    ASSERT_EQ(awaitTask(program->serial().OpenPort()), true); // the search closes it
    panel().messages().add("an older line");

    ASSERT_TRUE(awaitTask(panel().listAvailablePorts()));
    EXPECT_EQ(panel().portList(), QList<int>({3, 9, 40}));
    EXPECT_EQ(panel().portRows().stringList(),
              QStringList({"3   " + a, "9   " + b, "40   " + c}));
    EXPECT_EQ(panel().messages().lines(), QStringList{"Click the port number to select"});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(program->serial().isOpen());

    // Picking a row saves the port and says so.
    panel().portListClicked(0);
    EXPECT_EQ(program->settings().ComPort, 3);
    EXPECT_EQ(saved("ComPort"), "3");
    EXPECT_EQ(panel().portBox().text(), "3");
    EXPECT_EQ(dialogs.messages, QStringList{"Set to COM 3"});
    ASSERT_EQ(awaitTask(panel().openPort()), true);
    EXPECT_EQ("/dev/" + program->serial().port().portName(), a);
}

TEST_F(PanelFixture, SearchWithNothingToOpenSaysSoAndKeepsTheMessages)
{
    startProgram({});
    panel().messages().add("an older line");
    ASSERT_TRUE(awaitTask(panel().listAvailablePorts()));
    EXPECT_EQ(dialogs.messages, QStringList{"No COM Port Found"});
    EXPECT_EQ(panel().portCount(), 0);
    EXPECT_EQ(panel().portRows().rowCount(), 0);
    EXPECT_EQ(panel().messages().lines(), QStringList{"an older line"});
}
