// The bridge listener on 127.0.0.1 with QTcpSocket clients playing the
// network bridge: blocks, connections, the buttons and the titles.
#include "link/bridge_fixture.h"

#include <QSignalSpy>

// Packets cut anywhere and noise between them are the receiver's own tests
// and the flow test's; here the listener's part: the first arrival of a run
// is dropped, and a header inside a cut-short body starts the hunt afresh
// across arrivals.
TEST_F(BridgeFixture, FirstArrivalIsDroppedAndAHeaderInsideABodyRestarts)
{
    startProgram();
    const QList<SimPacket> packets = makePackets(4);
    QList<QByteArray> P;
    for (const SimPacket &p : packets)
        P << encodePacket(p);
    const int port = listenOnFreePort(bridge());
    ASSERT_GT(port, 0);
    QTcpSocket client;
    ASSERT_TRUE(connectClient(client, port));
    program->watchdogTimer().stop();

    // A whole valid packet, but the first arrival of the run.
    ASSERT_TRUE(send(client, P[0]));
    EXPECT_TRUE(bridge().firstDataSeen());
    EXPECT_TRUE(samples.isEmpty());
    EXPECT_TRUE(program->watchdogTimer().isActive()); // started by the data

    ASSERT_TRUE(send(client, P[1].left(15) + P[2]));
    EXPECT_EQ(samples, QList<qint64>{qint64(packets[2].seconds)});
    ASSERT_TRUE(send(client, P[3].left(20)));
    ASSERT_TRUE(send(client, P[3].mid(20)));
    EXPECT_EQ(samples, (QList<qint64>{qint64(packets[2].seconds), qint64(packets[3].seconds)}));
    EXPECT_TRUE(program->mainStatus().lines().filter("Checksum").isEmpty()) << qPrintable(program->mainStatus().lines().join('\n'));
}

TEST_F(BridgeFixture, NewestConnectionReplacesTheCurrentAndABridgeThatReconnectsIsServed)
{
    startProgram();
    const int port = listenOnFreePort(bridge());
    ASSERT_GT(port, 0);
    // Both requests are queued before the program sees either.
    QTcpSocket first, second;
    ASSERT_TRUE(connectClient(first, port));
    ASSERT_TRUE(connectClient(second, port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(second.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(bridge().state(), BridgeListener::Connected);

    const QList<SimPacket> packets = makePackets(3);
    ASSERT_TRUE(send(second, "dropped"));
    ASSERT_TRUE(send(second, encodePacket(packets[0])));
    EXPECT_EQ(samples, QList<qint64>{qint64(packets[0].seconds)});

    // The bridge reboots: it hangs up, the program still listens, and the
    // new connection's packets count from its first byte on, even when it
    // starts in the middle of a packet.
    second.disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bridge().state() == BridgeListener::Listening; }, 5000));
    QTcpSocket again;
    ASSERT_TRUE(connectClient(again, port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bridge().state() == BridgeListener::Connected; }, 5000));
    ASSERT_TRUE(send(again, encodePacket(packets[1]).mid(30) + encodePacket(packets[2])));
    EXPECT_EQ(samples, (QList<qint64>{qint64(packets[0].seconds), qint64(packets[2].seconds)}));

    // A third bridge takes the place of the connected one.
    QTcpSocket third;
    ASSERT_TRUE(connectClient(third, port));
    EXPECT_TRUE(QTest::qWaitFor([&] { return again.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(bridge().state(), BridgeListener::Connected);
}

TEST_F(BridgeFixture, DisconnectClosesOnlyWhatIsOpenAndTitlesThePanel)
{
    startProgram();
    ComPanelLogic &panel = program->comPanel();
    QSignalSpy titles(&panel, &ComPanelLogic::titleChanged);
    bridge().netDockDisconnect();
    EXPECT_EQ(bridge().state(), BridgeListener::Closed);
    EXPECT_EQ(titles.count(), 0);
    EXPECT_EQ(panel.title(), "COM Control Panel");

    const int port = listenOnFreePort(bridge());
    ASSERT_GT(port, 0);
    EXPECT_EQ(panel.title(), "Listening");
    bridge().netDockDisconnect();
    EXPECT_EQ(bridge().state(), BridgeListener::Closed);
    EXPECT_EQ(panel.title(), "NetDock Server Closed");
    const int changes = int(titles.count());
    bridge().netDockDisconnect();
    EXPECT_EQ(titles.count(), changes);
}

TEST_F(BridgeFixture, MainTitleReadsListeningAtTheListenerTimersNextTick)
{
    startProgram();
    const QString caption = program->title();
    // Every 3 s from start-up, so "Listening" shows within three seconds;
    // the test does not need to wait that long.
    QTimer &timer = program->listenerTimer();
    ASSERT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 3000);
    timer.setInterval(50);
    QSignalSpy ticks(&timer, &QTimer::timeout);
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_EQ(program->title(), caption); // not listening yet

    const int port = listenOnFreePort(bridge());
    ASSERT_GT(port, 0);
    EXPECT_EQ(program->title(), caption);
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_EQ(program->title(), "Listening");

    // Once a bridge is connected the title names the program again.
    QTcpSocket client;
    ASSERT_TRUE(connectClient(client, port));
    EXPECT_TRUE(QTest::qWaitFor([&] { return program->title() == caption; }, 5000));

    // Listening again after the bridge hung up; "NetDock Disconnect" ends it
    // and the title with it.
    client.disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor([&] { return program->title() == "Listening"; }, 5000));
    program->comPanel().netDockDisconnect();
    EXPECT_EQ(program->title(), caption);
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_EQ(program->title(), caption);
}
