// Packets per second through each receiving road, derivation included.

#include "common/clock.h"
#include "common/program_flags.h"
#include "common/status_list.h"
#include "realtime/derivation.h"
#include "realtime/packet_receiver.h"
#include "realtime/realtime_packet.h"
#include "realtime/realtime_sample.h"

#include <benchmark/benchmark.h>


#include <vector>

namespace {

constexpr int kPackets = 4096;

// kPackets packets whose seconds counter steps through its whole 24-bit range,
// so replaying the stream wraps the counter once instead of running backwards.
std::vector<quint8> packetStream()
{
    using P = RealtimePacket;
    std::vector<quint8> stream;
    for (int i = 0; i < kPackets; ++i) {
        std::array<quint8, P::kSize> packet{P::kHeader1, P::kHeader2, P::kPacketType};
        quint8 *body = packet.data() + 2; // body[position]
        const quint64 energy = 1000000 + quint64(i) * 1500;
        const quint32 seconds = quint32(i + 1) * (16777216 / kPackets) % 16777216;
        body[1] = 0x09;
        body[2] = 0x60;
        for (int b = 0; b < 5; ++b) {
            body[P::kCh1AbsolutePosition + b] = quint8(energy >> (8 * b));
            body[P::kCh2AbsolutePosition + b] = quint8((energy / 3) >> (8 * b));
        }
        body[P::kCh1CurrentPosition] = 0x34;
        body[P::kCh1CurrentPosition + 1] = 0x02;
        for (int b = 0; b < 3; ++b)
            body[P::kSecondsCounterPosition + b] = quint8(seconds >> (8 * b));
        body[P::kTrailer1Position] = P::kTrailer1;
        body[P::kTrailer2Position] = P::kTrailer2;
        body[P::kChecksumPosition] = P::checksum({body + 1, size_t(P::kLastBodyPosition)});
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    return stream;
}

template<typename Feed>
void runRoad(benchmark::State &state, Feed feed)
{
    const std::vector<quint8> stream = packetStream();
    ProgramFlags flags;
    StatusList status;
    RealtimeSample sample;
    Clock clock;
    qint64 samples = 0;
    Derivation derivation(sample, status, clock, [&samples](const RealtimeSample &) { ++samples; });
    PacketReceiver receiver(flags, status, derivation);
    for (auto _ : state) {
        for (quint8 b : stream)
            feed(receiver, b);
    }
    if (samples < qint64(state.iterations()) * (kPackets - 1))
        state.SkipWithError("packets were lost");
    state.counters["packets/s"] = benchmark::Counter(double(state.iterations()) * kPackets, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(stream.size()));
}

void serialRoad(benchmark::State &state)
{
    runRoad(state, [](PacketReceiver &r, quint8 b) { r.serialByte(b); });
}

void bridgeRoad(benchmark::State &state)
{
    runRoad(state, [](PacketReceiver &r, quint8 b) { r.ProcessByte(b); });
}

} // namespace

BENCHMARK(serialRoad);
BENCHMARK(bridgeRoad);
