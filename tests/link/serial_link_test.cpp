#include "common/program_flags.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "coro_wait.h"
#include "link/port_map.h"
#include "link/serial_intake.h"
#include "link/serial_link.h"
#include "pseudo_terminal.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

TEST(SerialLink, OpenFailureAsksToSearchAndSaysWhichDevice)
{
    PortMap ports;
    StatusBox serialBox{"COM Port is Closed", StatusBox::Colour::Bad};
    StatusBox panelBox{"7", StatusBox::Colour::Bad};
    StatusList status;
    ScriptedDialogs dialogs;
    SerialLink link{ports, serialBox, panelBox, status, dialogs};
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
TEST(SerialIntake, StaleInputIsDroppedUnlessADialogueOwnsIt)
{
    for (bool dialogue : {false, true}) {
        PseudoTerminal pty;
        QString error;
        ASSERT_TRUE(pty.open(&error)) << qPrintable(error);
        PortMap ports;
        ports.setEntry(1, pty.slavePath());
        StatusBox serialBox{"COM Port is Closed", StatusBox::Colour::Bad};
        StatusBox panelBox{"1", StatusBox::Colour::Bad};
        StatusList status;
        ScriptedDialogs dialogs;
        SerialLink link{ports, serialBox, panelBox, status, dialogs};
        ASSERT_TRUE(link.openQuietly(&error)) << qPrintable(error);
        ASSERT_TRUE(QTest::qWaitFor([&] { return pty.clientOpen(); }, 5000));
        ASSERT_TRUE(pty.write(QByteArray(2000, '\x55')));
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.port().bytesAvailable() == 2000; }, 5000));

        ProgramFlags flags;
        flags.commandInProgress = dialogue;
        SerialIntake intake{link, flags, status};
        int received = 0;
        intake.setReceiver([&](quint8) { ++received; });
        ASSERT_TRUE(pty.write(QByteArray(1, '\x55')));
        if (dialogue) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return link.port().bytesAvailable() == 2001; }, 5000));
            EXPECT_TRUE(status.lines().isEmpty()) << qPrintable(status.lines().join('|'));
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !status.lines().isEmpty(); }, 5000));
            EXPECT_EQ(status.lines(), QStringList{"Real-time data fell behind: 2001 waiting bytes were dropped."});
            ASSERT_TRUE(pty.write(QByteArray(1, '\x55')));
            ASSERT_TRUE(QTest::qWaitFor([&] { return received == 1; }, 5000));
        }
        EXPECT_EQ(received, dialogue ? 0 : 1);
        link.port().close();
    }
}
