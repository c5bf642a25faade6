// Arbitrary bytes through the serial road, the bridge road, both roads
// interleaved, and straight into the derivation. The first bytes of the input
// choose the recovery state loaded at start-up, which comes from a settings
// file and is not to be trusted either.

#include "common/clock.h"
#include "common/program_flags.h"
#include "common/status_list.h"
#include "realtime/derivation.h"
#include "realtime/packet_receiver.h"
#include "realtime/realtime_packet.h"
#include "realtime/realtime_sample.h"
#include "realtime/sample_dispatch.h"

#include <QCoreApplication>

#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kStateBytes = 9;

struct Harness
{
    ProgramFlags flags;
    StatusList status;
    RealtimeSample sample;
    Clock clock;
    // A consumer that fails part-way, behind the dispatch as in the program.
    SampleDispatch dispatch = [] {
        SampleDispatch d;
        d.addStep(QStringLiteral("failing"), [](const RealtimeSample &s) {
            if (s.deviceAddress & 1)
                throw std::runtime_error("consumer failed");
        });
        return d;
    }();
    Derivation derivation{sample, status, clock, [this](const RealtimeSample &s) { dispatch.LogSample(s); }};
    PacketReceiver receiver{flags, status, derivation};

    explicit Harness(const uint8_t *state)
    {
        qint32 counter;
        std::memcpy(&counter, state, sizeof counter);
        sample.secondsCounter = counter;
        sample.QMNresetCount = state[4] % 9;
        sample.nearWrapFlag = state[5] & 1;
        sample.E1B = state[6] * 1e9;
        sample.E2BP = -state[7] * 1e3;
    }

    void checkInvariants() const
    {
        if (receiver.byteCounter() < 0 || receiver.byteCounter() > 32767)
            __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // The derivation reports failing consumers on the debug channel; at
    // thousands of inputs a second that would drown the fuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kStateBytes)
        return 0;
    const uint8_t *state = data;
    const uint8_t mix = data[8];
    data += kStateBytes;
    size -= kStateBytes;

    {
        Harness h(state);
        for (size_t i = 0; i < size; ++i) {
            h.receiver.serialByte(data[i]);
            h.checkInvariants();
        }
    }
    {
        Harness h(state);
        for (size_t i = 0; i < size; ++i) {
            h.receiver.ProcessByte(data[i]);
            h.checkInvariants();
        }
    }
    {
        // Both roads share the position counter and the buffer.
        Harness h(state);
        for (size_t i = 0; i < size; ++i) {
            if ((i * 7 + mix) & 8)
                h.receiver.serialByte(data[i]);
            else
                h.receiver.ProcessByte(data[i]);
            h.checkInvariants();
        }
    }
    {
        Harness h(state);
        RealtimePacket::Buffer rx{};
        for (size_t at = 0; at + RealtimePacket::kLastBodyPosition <= size; at += RealtimePacket::kLastBodyPosition) {
            std::memcpy(rx.data() + 1, data + at, RealtimePacket::kLastBodyPosition);
            h.derivation.process(rx);
        }
    }
    return 0;
}
