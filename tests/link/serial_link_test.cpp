#include "common/program_flags.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "link/port_map.h"
#include "link/serial_link.h"
#include "monitor_sim.h"
#include "coro_wait.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcorotask.h>

namespace {

template <typename T>
T await(QCoro::Task<T> task)
{
    auto result = awaitTask(std::move(task));
    EXPECT_TRUE(result.has_value());
    return result.value_or(T{});
}

struct LinkFixture : ::testing::Test
{
    MonitorSim sim;
    PortMap ports;
    StatusBox serialBox{"COM Port is Closed", StatusBox::Colour::Bad};
    StatusBox panelBox{"1", StatusBox::Colour::Bad};
    StatusList status;
    ScriptedDialogs dialogs;
    SerialLink link{ports, serialBox, panelBox, status, dialogs};

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ports.setEntry(3, sim.devicePath());
        link.setPortNumber(3);
    }
};

} // namespace

TEST_F(LinkFixture, OpensThroughThePortMapAndShowsTheState)
{
    ASSERT_TRUE(await(link.OpenPort()));
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ("/dev/" + link.port().portName(), sim.devicePath());
    EXPECT_EQ(link.port().baudRate(), 19200);
    EXPECT_EQ(serialBox.text(), "COM Port is Open");
    EXPECT_TRUE(serialBox.isGood());
    EXPECT_TRUE(panelBox.isGood());
    EXPECT_TRUE(dialogs.questions.isEmpty()); // no modem lines on a pty: not a failure

    // Opening an open port closes and reopens it.
    QSignalSpy closed(&link, &SerialLink::closed);
    ASSERT_TRUE(await(link.OpenPort()));
    EXPECT_TRUE(link.isOpen());

    // The menu's close turns the boxes red and leaves the text.
    link.closeFromMenu();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(serialBox.text(), "COM Port is Open");
    EXPECT_FALSE(serialBox.isGood());
    EXPECT_FALSE(panelBox.isGood());
    link.ClosePort();
    EXPECT_EQ(serialBox.text(), "COM Port is Closed");
}

TEST_F(LinkFixture, OpenFailureAsksToSearchAndSaysWhy)
{
    for (bool yes : {false, true}) {
        dialogs.questions.clear();
        dialogs.answers = {yes};
        link.setPortNumber(7);
        ports.setEntry(7, "/dev/qmn-no-such-device");
        QSignalSpy search(&link, &SerialLink::portSearchRequested);
        EXPECT_FALSE(await(link.OpenPort()));
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_EQ(dialogs.questions[0], "Invalid COM port. Would you like to search for available ports?");
        EXPECT_EQ(search.count(), yes ? 1 : 0);
        EXPECT_FALSE(link.isOpen());
        EXPECT_TRUE(status.lines().last().contains("/dev/qmn-no-such-device")) << qPrintable(status.lines().last());
    }
}

TEST_F(LinkFixture, DeviceThatDisappearsIsClosedAndReportedOnce)
{
    ASSERT_TRUE(await(link.OpenPort()));
    status.clear();
    QSignalSpy closed(&link, &SerialLink::closed);
    sim.stop();
    ASSERT_TRUE(closed.wait(5000));
    QTest::qWait(300); // would be thousands of reports if it polled the dead device
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(status.count(), 1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(serialBox.text(), "COM Port is Closed");
}

TEST_F(LinkFixture, ReadPortChunkReturnsDataOrEmptyInTime)
{
    ASSERT_TRUE(await(link.OpenPort()));
    bool abort = false;
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(await(link.ReadPortChunk(abort)).isEmpty());
    EXPECT_GE(t.elapsed(), 1000);
    EXPECT_LE(t.elapsed(), 2100);

    abort = true;
    t.restart();
    EXPECT_TRUE(await(link.ReadPortChunk(abort)).isEmpty());
    EXPECT_LT(t.elapsed(), 200);

    abort = false;
    link.port().putChar(char(0xFC)); // the probe: the monitor answers FC
    EXPECT_EQ(await(link.ReadPortChunk(abort)), QByteArray(1, char(0xFC)));
}
