#pragma once

#include "realtime/realtime_packet.h"

#include <functional>

class Clock;
class StatusList;
struct ProgramFlags;
struct RealtimeSample;

// Turns each accepted packet into the program-wide RealtimeSample: power from
// counter differences over the seconds counter's difference, net power,
// energy carried across monitor resets, currents and voltage; then hands the
// sample to the per-sample dispatch.
class Derivation
{
public:
    using LogSample = std::function<void()>;

    Derivation(RealtimeSample &sample, ProgramFlags &flags, StatusList &mainStatus, const Clock &clock,
               LogSample logSample);

    // The dispatch may be wired after construction, once its consumers exist.
    void setLogSample(LogSample logSample) { m_logSample = std::move(logSample); }

    // rx holds an accepted packet at positions 1 to 39.
    void process(const RealtimePacket::Buffer &rx);

private:
    void detectReset(const RealtimePacket::Buffer &rx);
    bool advanceSecondsCounter(const RealtimePacket::Buffer &rx);
    void polarError();

    RealtimeSample &m_sample;
    ProgramFlags &m_flags;
    StatusList &m_mainStatus;
    const Clock &m_clock;
    LogSample m_logSample;
};
