#include "monitor_sim.h"

#include <gtest/gtest.h>

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

constexpr int kPeriodMs = 20;
constexpr int kWaitMs = 3000;

class SimLink : public ::testing::Test
{
protected:
    void SetUp() override { sim.setPeriodMs(kPeriodMs); }

    void start()
    {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    }

    void openPort()
    {
        port.setPortName(sim.devicePath());
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    }

    // Writes one chunk and waits until the sim has read all of it, so that
    // chunks reach the sim as separate reads.
    void send(const QByteArray &chunk)
    {
        const qsizetype expected = sim.received().size() + chunk.size();
        port.write(chunk);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sim.received().size() >= expected; }, kWaitMs));
    }

    QByteArray read(qsizetype count)
    {
        (void)QTest::qWaitFor([&] {
            m_buffer += port.readAll();
            return m_buffer.size() >= count;
        }, kWaitMs);
        const QByteArray out = m_buffer.left(count);
        m_buffer.remove(0, out.size());
        return out;
    }

    // True when the sim makes no packet within a few periods.
    bool staysQuiet()
    {
        const qint64 before = sim.packetsSent();
        return !QTest::qWaitFor([&] { return sim.packetsSent() != before; }, 5 * kPeriodMs);
    }

    MonitorSim sim;
    QSerialPort port;
    QByteArray m_buffer;
};

struct Exchange {
    const char *name;
    std::function<void(MonitorSim &)> configure;
    QList<QByteArray> chunks;
    QByteArray reply;   // the reply to the last chunk comes last
    QStringList commands;
};

void PrintTo(const Exchange &e, std::ostream *os)
{
    *os << e.name;
}

class SimExchange : public SimLink, public ::testing::WithParamInterface<Exchange> {};

TEST_P(SimExchange, AnswersByteForByte)
{
    const Exchange &e = GetParam();
    e.configure(sim);
    start();
    openPort();
    QStringList commands;
    QObject::connect(&sim, &MonitorSim::commandReceived, [&](const QString &c) { commands.append(c); });
    QByteArray sent;
    for (const QByteArray &chunk : e.chunks) {
        send(chunk);
        sent += chunk;
    }
    EXPECT_EQ(read(e.reply.size()).toHex(' '), e.reply.toHex(' '));
    EXPECT_EQ(sim.received(), sent);
    EXPECT_EQ(commands, e.commands);
    EXPECT_FALSE(sim.streaming());
}

const QByteArray kAck = QByteArray::fromHex("FC");

INSTANTIATE_TEST_SUITE_P(Replies, SimExchange, ::testing::Values(
    Exchange {"probe", [](MonitorSim &) {}, {kAck}, kAck, {"probe"}},
    Exchange {"probe_packet_byte", [](MonitorSim &s) { s.setProbeAnswer(MonitorSim::ProbeAnswer::PacketByte); },
        {kAck}, QByteArray::fromHex("FE"), {"probe"}},
    Exchange {"probe_silent", [](MonitorSim &s) { s.setProbeAnswer(MonitorSim::ProbeAnswer::Silent); },
        {kAck, "TOG"}, kAck, {"probe", "TOG"}},
    Exchange {"split_commands", [](MonitorSim &) {}, {"T", "O", "GSE", "T"}, kAck + kAck, {"TOG", "SET"}},
    Exchange {"unacknowledged", [](MonitorSim &s) { s.setUnacknowledged({"TOG"}); },
        {"TOG", "RCV"}, kAck, {"TOG", "RCV"}},
    Exchange {"junk_breaks_command", [](MonitorSim &) {}, {"TO\r", "TOG"}, kAck, {"TOG"}},
    Exchange {"dongle", [](MonitorSim &s) { s.setDongle(2); },
        {"++", "+", "ATDN", "E2\r", kAck, "TOG"}, "OK\rOK\r" + kAck + kAck, {"+++", "ATDNE2", "probe", "TOG"}},
    Exchange {"dongle_wrong_node", [](MonitorSim &s) { s.setDongle(2); },
        {"+++", "ATDNE3\r"}, "OK\rERROR\r", {"+++", "ATDNE3"}},
    Exchange {"dongle_silent", [](MonitorSim &s) { s.setDongle(1); s.setDongleSilent(true); },
        {"+++", "ATDNE1\r", kAck}, kAck, {"+++", "ATDNE1", "probe"}},
    Exchange {"cable_ignores_pluses", [](MonitorSim &) {}, {"+++", kAck}, kAck, {"probe"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SimLink, PlrStreamsPacketsAndOffStopsThem)
{
    start();
    openPort();
    QList<SimPacket> sent;
    QObject::connect(&sim, &MonitorSim::packetSent, [&](const SimPacket &p) { sent.append(p); });

    send(kAck + "TOG" + "PLR");
    EXPECT_EQ(read(3), kAck + kAck + kAck);
    ASSERT_TRUE(sim.streaming());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.size() >= 3; }, kWaitMs));

    send("OFF");
    ASSERT_FALSE(sim.streaming());
    const QList<SimPacket> streamed = sent;
    QByteArray expected;
    for (const SimPacket &p : streamed)
        expected += encodePacket(p);
    EXPECT_EQ(read(expected.size() + 1), expected + kAck);
    EXPECT_EQ(streamed.last().seconds - streamed.first().seconds, quint32(streamed.size() - 1));
    EXPECT_TRUE(staysQuiet());
    EXPECT_EQ(port.bytesAvailable(), 0);
}

TEST_F(SimLink, WritesNothingWhileNoClientHoldsThePort)
{
    sim.setStreamFromStart(true);
    start();
    EXPECT_TRUE(sim.streaming());
    EXPECT_TRUE(staysQuiet());

    openPort();
    EXPECT_EQ(read(3), QByteArray::fromHex("FEFF01"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.packetsSent() >= 2; }, kWaitMs));
    port.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sim.clientOpen(); }, kWaitMs));
    EXPECT_TRUE(staysQuiet());

    // Reopened: the stream starts on a packet boundary, nothing stale first.
    m_buffer.clear();
    const qint64 next = sim.packetsSent();
    QSignalSpy spy(&sim, &MonitorSim::packetSent);
    openPort();
    ASSERT_TRUE(spy.wait(kWaitMs));
    const SimPacket first = spy.first().first().value<SimPacket>();
    EXPECT_EQ(first.index, next);
    EXPECT_EQ(read(SimPacket::kSize), encodePacket(first));
}

} // namespace
