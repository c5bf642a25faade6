#include "exchange_fixture.h"
#include "common/clock.h"
#include "link/serial_intake.h"
#include "realtime/derivation.h"
#include "realtime/packet_receiver.h"
#include "realtime/realtime_sample.h"
#include "sim_packet.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct LinkTest : ::testing::Test, ExchangeParts {};

struct IntakeRow
{
    const char *name;
    bool dialogue;       // a command dialogue owns the port
    int packetBytesHeld; // of a packet the receiver is in when the backlog builds up
};

// The intake feeding the real receiver, as the program wires them.
struct IntakeTest : ::testing::TestWithParam<IntakeRow>, ExchangeParts
{
    RealtimeSample sample;
    Clock clock;
    int samples = 0;
    Derivation derivation{sample, status, clock, [this](const RealtimeSample &) { ++samples; }};
    PacketReceiver receiver{flags, status, derivation};
};

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
// piece, not decoded late, and with it the rest of the packet the receiver was
// in; input a running dialogue reads itself is left to it.
TEST_P(IntakeTest, StaleInputIsDroppedUnlessADialogueOwnsIt)
{
    const IntakeRow row = GetParam();
    SimPacket packet;
    QByteArray backlog; // whole packets, cut off inside one
    while (backlog.size() < 2000) {
        ++packet.seconds;
        backlog += encodePacket(packet);
    }
    backlog.truncate(2000);
    start();
    open();
    ASSERT_TRUE(sim.sendRaw(backlog));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() == 2000; }, 5000));
    for (char b : backlog.left(row.packetBytesHeld))
        receiver.serialByte(quint8(b));

    flags.commandInProgress = row.dialogue;
    SerialIntake intake{link, flags, status};
    int received = 0;
    intake.setReceiver([&](quint8 b) { ++received, receiver.serialByte(b); });
    intake.setBacklogDropped([&] { receiver.leavePacket(); });
    ASSERT_TRUE(sim.sendRaw(QByteArray(1, '\x55')));
    if (row.dialogue) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return port().bytesAvailable() == 2001; }, 5000));
        EXPECT_EQ(status.lines().join('|'), "");
        EXPECT_EQ(received, 0);
        return;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !status.lines().isEmpty(); }, 5000));
    packet.seconds += 10;
    const QByteArray fresh = encodePacket(packet);
    ASSERT_TRUE(sim.sendRaw(fresh));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received == fresh.size(); }, 5000));
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(status.lines().join('|'), "Real-time data fell behind: 2001 waiting bytes were dropped.");
}

INSTANTIATE_TEST_SUITE_P(Intake, IntakeTest,
                         ::testing::Values(IntakeRow{"RealTime", false, 0}, IntakeRow{"DialogueOwnsThePort", true, 0},
                                           IntakeRow{"RealTimeInsideAPacket", false, 20}),
                         [](const auto &info) { return std::string(info.param.name); });
