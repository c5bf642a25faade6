#include "monitor_sim.h"

#include <gtest/gtest.h>

#include <QSerialPort>
#include <QTest>

namespace {

constexpr int kPeriodMs = 20;
constexpr int kWaitMs = 3000;
const QByteArray kAck = QByteArray::fromHex("FC");

class SimLink : public ::testing::Test
{
protected:
    void start()
    {
        sim.setPeriodMs(kPeriodMs);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        port.setPortName(sim.devicePath());
    }
    void openPort() { ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString(); }

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
        (void)QTest::qWaitFor([&] { return (m_buffer += port.readAll()).size() >= count; }, kWaitMs);
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
    int dongle; // 0: the cable
    QList<QByteArray> chunks;
    QByteArray reply;
    QStringList commands;
};

void PrintTo(const Exchange &e, std::ostream *os) { *os << e.name; }

class SimExchange : public SimLink, public ::testing::WithParamInterface<Exchange> {};

TEST_P(SimExchange, AnswersByteForByte)
{
    const Exchange &e = GetParam();
    if (e.dongle)
        sim.setDongle(e.dongle);
    start();
    openPort();
    QStringList commands;
    QObject::connect(&sim, &MonitorSim::commandReceived, [&](const QString &c) { commands.append(c); });
    for (const QByteArray &chunk : e.chunks)
        send(chunk);
    EXPECT_EQ(read(e.reply.size()).toHex(' '), e.reply.toHex(' '));
    EXPECT_EQ(commands, e.commands);
    EXPECT_FALSE(sim.streaming());
}

INSTANTIATE_TEST_SUITE_P(Replies, SimExchange, ::testing::Values(
    Exchange {"probe", 0, {kAck}, kAck, {"probe"}},
    Exchange {"dongle", 2, {"++", "+", "ATDN", "E2\r", kAck, "TOG"}, "OK\rOK\r" + kAck + kAck,
              {"+++", "ATDNE2", "probe", "TOG"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SimLink, PlrStreamsPacketsAndOffStopsThem)
{
    start();
    openPort();
    QList<SimPacket> sent;
    QObject::connect(&sim, &MonitorSim::packetSent, [&](const SimPacket &p) { sent.append(p); });

    send(kAck + "TOG" + "PLR");
    EXPECT_EQ(read(3), kAck + kAck + kAck);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.size() >= 3; }, kWaitMs));

    send("OFF");
    ASSERT_FALSE(sim.streaming());
    QByteArray expected;
    for (const SimPacket &p : sent)
        expected += encodePacket(p);
    EXPECT_EQ(read(expected.size() + 1), expected + kAck);
    EXPECT_EQ(sent.last().seconds - sent.first().seconds, quint32(sent.size() - 1));
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
}

} // namespace
