#include "exchange_fixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <functional>

namespace {

const QByteArray kAck(1, char(0xFC));

struct ExchangeTest : ::testing::Test, ExchangeParts
{
    void SetUp() override
    {
        start();
        open();
    }
};

// A command, or the probe when `command` is empty.
struct SendCase
{
    const char *name;
    QByteArray command;
    bool waitForAck;
    std::function<void(MonitorSim &)> configure;
    bool result;
    QByteArray wire;      // what the monitor receives
    qint64 minMs, maxMs;  // how long the call takes
    QByteArray leftOver;  // input the call must not have read
    QByteArray stale = {}; // input waiting before the call
    bool staleInPort = true; // already read by the port, or still on the line
};


struct SendTest : ExchangeTest, ::testing::WithParamInterface<SendCase> {};

using Answer = MonitorSim::ProbeAnswer;

auto probeAnswer(Answer answer)
{
    return [answer](MonitorSim &s) { s.setProbeAnswer(answer); };
}

} // namespace

TEST_P(SendTest, WritesTheCommandAndJudgesTheAnswer)
{
    const SendCase &c = GetParam();
    if (c.configure)
        c.configure(sim);
    if (!c.stale.isEmpty()) {
        sim.sendRaw(c.stale);
        if (c.staleInPort) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() == c.stale.size(); }, 2000));
        }
    }
    QElapsedTimer t;
    t.start();
    const auto result = awaitTask(c.command.isEmpty() ? exchange.Send_Receive_Ack()
                                                      : exchange.SendASCII(c.command, c.waitForAck));
    const qint64 ms = t.elapsed();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, c.result);
    EXPECT_GE(ms, c.minMs);
    EXPECT_LE(ms, c.maxMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.received().size() >= c.wire.size(); }, 2000));
    EXPECT_EQ(sim.received().toHex(' '), c.wire.toHex(' '));
    if (!c.leftOver.isEmpty()) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() >= c.leftOver.size(); }, 2000));
    }
    EXPECT_EQ(port().readAll().toHex(' '), c.leftOver.toHex(' '));
    if (c.command.isEmpty()) {
        EXPECT_TRUE(status.lines().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exchange, SendTest,
    ::testing::Values(
        // Without the wait nothing is read: the acknowledgement stays in the port.
        SendCase{"NoWait", "TOG", false, {}, true, "TOG", 0, 100, kAck},
        SendCase{"OneLetterGoesOutTwice", "S", false, {}, true, "SS", 0, 100, {}},
        // A packet of a stream still running is no answer to the command:
        // the acknowledgement after it is.
        SendCase{"StaleInputIsNoAnswer", "OFF", true, {}, true, "OFF", 140, 1000, {}, "\xFE\xFF\x01\x10"},
        SendCase{"Unacknowledged", "PLR", true,
                 [](MonitorSim &s) { s.setUnacknowledged({"PLR"}); }, false, "PLR", 1000, 2000, {}},
        SendCase{"WrongAnswer", "OFF", true,
                 [](MonitorSim &s) {
                     s.setUnacknowledged({"OFF"});
                     QObject::connect(&s, &MonitorSim::commandReceived, &s, [&s](const QString &command) {
                         if (command == "OFF")
                             s.sendRaw("A\xFC");
                     });
                 },
                 false, "OFF", 0, 500, kAck},
        // The probe answers only to a fresh acknowledgement.
        SendCase{"ProbePacketStartInstead", {}, true, probeAnswer(Answer::PacketByte), false, kAck, 0, 1000, {}},
        SendCase{"ProbeSilent", {}, true, probeAnswer(Answer::Silent), false, kAck, 2000, 3000, {}},
        // Stale acknowledgements must not pass for the answer.
        SendCase{"ProbeStaleAckInPort", {}, true, probeAnswer(Answer::Silent), false, kAck, 2000, 3000, {},
                 "\xFC\xFC"},
        SendCase{"ProbeStaleBytesOnTheLine", {}, true, {}, true, kAck, 0, 1000, {}, "\xFE\xFF\x01\x12",
                 false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, ProbeWaitsForTheRestOfAHalfReceivedPacket)
{
    const QByteArray packet = QByteArray::fromHex("feff01") + QByteArray(40, char(0x11));
    // The receiver had begun a packet when the dialogue took the port.
    bool receiverToldToHunt = false;
    exchange.setInputDrained([&] { receiverToldToHunt = true; });
    sim.sendRaw(packet.left(12));
    bool restSent = false;
    bool restSentBeforeProbe = false;
    QTimer::singleShot(30, &sim, [&] {
        sim.sendRaw(packet.mid(12));
        restSent = true;
    });
    QObject::connect(&sim, &MonitorSim::commandReceived, &sim, [&](const QString &command) {
        if (command == "probe")
            restSentBeforeProbe = restSent;
    });
    EXPECT_TRUE(awaitTask(exchange.Send_Receive_Ack()).value_or(false));
    EXPECT_TRUE(restSentBeforeProbe);
    EXPECT_TRUE(receiverToldToHunt); // the rest was drained: the receiver hunts afresh
}

TEST_F(ExchangeTest, PortOpensAtTheMonitorsSpeedAndADeviceThatDisappearsIsReportedOnce)
{
    EXPECT_EQ(link.port().baudRate(), 19200);
    QSignalSpy closed(&link, &SerialLink::closed);
    sim.stop();
    ASSERT_TRUE(closed.wait(5000));
    // A port that polled the dead device would report on every turn of the
    // event loop: let it go round a hundred times.
    int turns = 0;
    QTimer turn;
    turn.callOnTimeout([&] { ++turns; });
    turn.start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return turns >= 100; }, 5000));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(status.count(), 1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(serialBox.text(), "COM Port is Closed");
}
