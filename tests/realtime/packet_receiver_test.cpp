#include "packet_builder.h"

#include "common/clock.h"
#include "common/program_flags.h"
#include "common/status_list.h"
#include "realtime/derivation.h"
#include "realtime/packet_receiver.h"
#include "realtime/realtime_sample.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using namespace std::chrono_literals;

namespace {

enum class Road { Serial, Bridge };
constexpr int kRandomChunks = 0;

struct Harness
{
    ProgramFlags flags;
    StatusList status;
    RealtimeSample sample;
    Clock clock;
    std::vector<RealtimeSample> dispatched;
    Derivation derivation{sample, status, clock, [this](const RealtimeSample &s) { dispatched.push_back(s); }};
    PacketReceiver receiver{flags, status, derivation};

    // Hands the bytes over in chunks of the given size (0: random sizes),
    // letting the event loop run between chunks as real arrivals would.
    void feed(Road road, const QByteArray &bytes, int chunk = 1)
    {
        QRandomGenerator random(7);
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype n = std::min<qsizetype>(chunk > 0 ? chunk : random.bounded(1, 60), bytes.size() - at);
            const QByteArrayView part(bytes.constData() + at, n);
            if (road == Road::Bridge) {
                receiver.processBridgeData(part);
            } else {
                for (char c : part)
                    receiver.serialByte(quint8(c));
            }
            at += n;
            QCoreApplication::processEvents();
        }
    }
};

PacketFields fields(uint32_t seconds, uint64_t e1a)
{
    return {.voltageTenths = 2405, .e1a = e1a, .e2a = 777000, .e1ap = 5000, .e2ap = 9000, .deviceAddress = 0x0203,
            .status = 0, .amp1Hundredths = 1234, .amp2Hundredths = 56, .seconds = seconds};
}

QStringList checksumErrorLines(int count, const QByteArray &packet)
{
    QStringList lines{QStringLiteral("Checksum Error # %1").arg(count)};
    for (int pos = 1; pos <= 39; ++pos)
        lines << QStringLiteral("Byte #%1 %2").arg(pos).arg(QString::number(uint8_t(packet[pos + 2]), 16).toUpper());
    lines << QStringLiteral("Byte #40 0");
    return lines;
}

class ReceiverRoads : public ::testing::TestWithParam<std::tuple<Road, int>>
{
protected:
    Road road() const { return std::get<0>(GetParam()); }
    int chunk() const { return std::get<1>(GetParam()); }
    Harness h;
};

} // namespace

TEST_P(ReceiverRoads, ValidPacketsAfterNoiseGiveOneSampleEach)
{
    // Noise holding FE 00 and a stray trailer: silently dropped on the serial
    // road, ignored before the first header on the bridge road. A lost byte
    // leaves a stray start of a header right before a real one: the first
    // header reads FE FE FF 01, the second FE FF FE FF 01.
    const QByteArray noise = QByteArray::fromHex("00fe0012fffe3344") + QByteArray(50, '\x5a') + '\xfe';
    const QByteArray first = buildPacket(fields(100, 1000000));
    const QByteArray second = QByteArray::fromHex("feff") + buildPacket(fields(102, 1003001));
    h.feed(road(), noise + first + second.left(22), chunk());

    ASSERT_EQ(h.dispatched.size(), 1u);
    EXPECT_DOUBLE_EQ(h.dispatched[0].Volt, 240.5);
    EXPECT_DOUBLE_EQ(h.dispatched[0].E1A, 1000000);
    EXPECT_EQ(h.dispatched[0].p1, 10000); // the first packet ever measures from zero
    EXPECT_FLOAT_EQ(h.dispatched[0].Amp1, 12.34f);
    EXPECT_EQ(h.dispatched[0].deviceAddress, 0x0203);

    h.feed(road(), second.mid(22), chunk());
    ASSERT_EQ(h.dispatched.size(), 2u);
    EXPECT_EQ(h.dispatched[1].p1, 1500); // floor(3001 / 2)
    EXPECT_EQ(h.status.lines(), QStringList());
    EXPECT_EQ(h.receiver.checksumErrorCount(), 0);
}

TEST_P(ReceiverRoads, CorruptedPacketsListTheirBytesAndCount)
{
    QByteArray bad = buildPacket(fields(100, 1000000));
    bad[3 + 10] = char(bad[3 + 10] ^ 0x40);
    h.feed(road(), bad, chunk());
    EXPECT_EQ(h.status.lines(), checksumErrorLines(1, bad));

    h.status.clear();
    QByteArray worse = buildPacket(fields(101, 1000100));
    worse[3 + 36] = char(worse[3 + 36] + 1);
    h.feed(road(), worse, chunk());
    EXPECT_EQ(h.status.lines(), checksumErrorLines(2, worse));
    EXPECT_EQ(h.receiver.checksumErrorCount(), 2);
    EXPECT_TRUE(h.dispatched.empty());

    h.feed(road(), buildPacket(fields(102, 1000200)), chunk());
    EXPECT_EQ(h.dispatched.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Chunkings, ReceiverRoads,
                         ::testing::Combine(::testing::Values(Road::Serial, Road::Bridge),
                                            ::testing::Values(1, 3, 43, 1000, kRandomChunks)),
                         [](const auto &info) {
                             const int chunk = std::get<1>(info.param);
                             return std::string(std::get<0>(info.param) == Road::Serial ? "Serial" : "Bridge")
                                 + (chunk == kRandomChunks ? "RandomChunks" : "ChunksOf" + std::to_string(chunk));
                         });

struct OutcomeCase
{
    const char *name;
    void (*change)(PacketFields &);
    QStringList lines;
};

class ReceiverOutcomes : public ::testing::TestWithParam<std::tuple<Road, OutcomeCase>> {};

TEST_P(ReceiverOutcomes, CheckedInOrder)
{
    const auto &[road, c] = GetParam();
    Harness h;
    PacketFields f = fields(100, 1000);
    c.change(f);
    h.feed(road, buildPacket(f));
    EXPECT_EQ(h.status.lines(), c.lines);
    EXPECT_TRUE(h.dispatched.empty());
    EXPECT_EQ(h.receiver.checksumErrorCount(), 0);
    EXPECT_FALSE(h.receiver.inPacket());
}

INSTANTIATE_TEST_SUITE_P(
    Trailers, ReceiverOutcomes,
    ::testing::Combine(
        ::testing::Values(Road::Serial, Road::Bridge),
        ::testing::Values(
            OutcomeCase{"FirstTrailerByte", [](PacketFields &f) { f.trailer1 = 0xFE; }, {"FF error"}},
            OutcomeCase{"SecondTrailerByte", [](PacketFields &f) { f.trailer2 = 0xFF; }, {"FE error"}},
            // Large bytes throughout keep a sum seeded with 510 above 255
            // unless it is a true 8-bit sum; the packet must reach the range
            // check.
            OutcomeCase{"LargeBytesOutOfRange",
                        [](PacketFields &f) {
                            f.voltageTenths = 0xFFFF;
                            f.e1a = f.e2a = f.e1ap = f.e2ap = 0xFFFFFFFFFFull;
                            f.deviceAddress = f.unusedA = f.unusedB = 0xFFFF;
                            f.spare = 0xFF;
                            f.status = 0xF8;
                            f.amp1Hundredths = f.amp2Hundredths = 0xFFFF;
                            f.seconds = 0xFFFFFF;
                        },
                        {"POLAR error"}})),
    [](const auto &info) {
        return std::string(std::get<0>(info.param) == Road::Serial ? "Serial" : "Bridge") + std::get<1>(info.param).name;
    });

TEST(SerialRoad, IncompleteHeaderTimesOut)
{
    for (const QByteArray &start : {QByteArray("\xfe"), QByteArray("\xfe\xff")}) {
        Harness h;
        h.receiver.setHeaderTimeout(50ms);
        h.feed(Road::Serial, start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.status.count() > 0; }, 5000));
        EXPECT_EQ(h.status.lines(), QStringList{"Time out error"});
        // The hunt starts over: the rest of the header alone is no header.
        h.feed(Road::Serial, QByteArray("\xfe\xff\x01").mid(start.size()) + buildPacket(fields(100, 1000)));
        EXPECT_EQ(h.dispatched.size(), 1u);
    }
}

TEST(SerialRoad, NoTimeOutLineWhileADialogueHoldsThePort)
{
    // A twin without the dialogue, started just after, says when the deadline has passed.
    Harness h, twin;
    h.receiver.setHeaderTimeout(50ms);
    twin.receiver.setHeaderTimeout(50ms);
    h.feed(Road::Serial, QByteArray("\xfe"));
    h.flags.commandInProgress = true; // the rest of the header is the dialogue's now
    twin.feed(Road::Serial, QByteArray("\xfe"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return twin.status.count() > 0; }, 5000));
    EXPECT_TRUE(h.status.lines().isEmpty());
    h.flags.commandInProgress = false;
    h.feed(Road::Serial, buildPacket(fields(100, 1000)));
    EXPECT_EQ(h.dispatched.size(), 1u);
}
