#pragma once

#include "realtime/realtime_packet.h"

#include <functional>

class Clock;
class StatusList;
struct RealtimeSample;

// Turns each accepted packet into the program-wide RealtimeSample: power from
// counter differences over the seconds counter's difference, net power,
// energy carried across monitor resets, currents and voltage; then hands the
// sample to the per-sample dispatch.
class Derivation
{
public:
    using LogSample = std::function<void(const RealtimeSample &)>;

    Derivation(RealtimeSample &sample, StatusList &mainStatus, const Clock &clock, LogSample logSample);

    // The dispatch may be wired after construction, once its consumers exist.
    void setLogSample(LogSample logSample) { m_logSample = std::move(logSample); }

    // How the receiver's framing goes on after a packet: its position count
    // restarts after a seconds-counter error, and a packet whose CH1 current
    // is in range also ends the packet.
    enum class Framing { Keep, RestartCount, StartAfresh };

    // rx holds an accepted packet at positions 1 to 39.
    Framing process(const RealtimePacket::Buffer &rx);

private:
    void detectReset(const RealtimePacket::Buffer &rx);
    bool advanceSecondsCounter(const RealtimePacket::Buffer &rx, Framing &framing);
    Framing polarError(Framing framing);

    RealtimeSample &m_sample;
    StatusList &m_mainStatus;
    const Clock &m_clock;
    LogSample m_logSample;
};
