#include "common/status_box.h"
#include "common/status_list.h"
#include "coro_wait.h"
#include "link/port_map.h"
#include "link/serial_link.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

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
