#include "exchange_fixture.h"
#include "link/serial_intake.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct LinkTest : ::testing::Test, ExchangeParts {};
struct IntakeTest : ::testing::TestWithParam<bool>, ExchangeParts {};

} // namespace

TEST_F(LinkTest, OpenFailureAsksToSearchAndSaysWhichDevice)
{
    ports.setEntry(7, "/dev/qmn-no-such-device");
    link.setPortNumber(7);
    for (bool yes : {false, true}) {
        dialogs.questions.clear();
        dialogs.answers = {yes};
        QSignalSpy search(&link, &SerialLink::portSearchRequested);
        EXPECT_EQ(awaitTask(link.OpenPort()), std::optional<bool>(false));
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_EQ(dialogs.questions[0], "Invalid COM port. Would you like to search for available ports?");
        EXPECT_EQ(search.count(), yes ? 1 : 0);
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(serialBox.text(), "COM Port is Closed");
        EXPECT_TRUE(status.lines().last().contains("/dev/qmn-no-such-device")) << qPrintable(status.lines().last());
    }
}

// Real-time input that piled up while the program was busy is dropped in one
// piece, not decoded late; input a running dialogue reads itself is left to it.
TEST_P(IntakeTest, StaleInputIsDroppedUnlessADialogueOwnsIt)
{
    const bool dialogue = GetParam();
    start();
    open();
    ASSERT_TRUE(sim.sendRaw(QByteArray(2000, '\x55')));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() == 2000; }, 5000));

    flags.commandInProgress = dialogue;
    SerialIntake intake{link, flags, status};
    int received = 0;
    intake.setReceiver([&](quint8) { ++received; });
    ASSERT_TRUE(sim.sendRaw(QByteArray(1, '\x55')));
    if (dialogue) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() == 2001; }, 5000));
        EXPECT_TRUE(status.lines().isEmpty()) << qPrintable(status.lines().join('|'));
    } else {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !status.lines().isEmpty(); }, 5000));
        EXPECT_EQ(status.lines(), QStringList{"Real-time data fell behind: 2001 waiting bytes were dropped."});
        ASSERT_TRUE(sim.sendRaw(QByteArray(1, '\x55')));
        ASSERT_TRUE(QTest::qWaitFor([&] { return received == 1; }, 5000));
    }
    EXPECT_EQ(received, dialogue ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Intake, IntakeTest, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "DialogueOwnsThePort" : "RealTime"; });
