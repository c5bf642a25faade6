#include "monitor_sim.h"

#include <gtest/gtest.h>

#include <QSerialPort>
#include <QTest>

namespace {

constexpr int kWaitMs = 3000;
const QByteArray kAck = QByteArray::fromHex("FC");

struct Exchange {
    const char *name;
    int dongle; // 0: the cable
    QList<QByteArray> chunks;
    QByteArray reply;
    QStringList commands;
};

void PrintTo(const Exchange &e, std::ostream *os) { *os << e.name; }

// The tests of the program's dialogues rely on the simulated monitor
// answering as the real one does, byte for byte.
class SimExchange : public ::testing::TestWithParam<Exchange>
{
protected:
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
        return m_buffer.left(count);
    }

    MonitorSim sim;
    QSerialPort port;
    QByteArray m_buffer;
};

TEST_P(SimExchange, AnswersByteForByte)
{
    const Exchange &e = GetParam();
    if (e.dongle)
        sim.setDongle(e.dongle);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    port.setPortName(sim.devicePath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
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

} // namespace
