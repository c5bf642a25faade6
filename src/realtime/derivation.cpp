#include "realtime/derivation.h"

#include "common/clock.h"
#include "common/status_list.h"
#include "realtime/realtime_sample.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kStatusLinesBeforeClear = 30;
constexpr qint64 kSecondsCounterModulus = 16777216;
constexpr double kWattSecondsPerKWh = 3600.0 / 0.001;

bool fitsInt32(qint64 v)
{
    return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
}

// Net power carries a negative sign while the polarized counter advances.
// Written as a subtraction so a zero power never shows as "-0".
double netPower(double power, double polarizedDelta)
{
    return polarizedDelta > 0 ? 0.0 - power : power;
}

} // namespace

Derivation::Derivation(RealtimeSample &sample, StatusList &mainStatus, const Clock &clock, LogSample logSample)
    : m_sample(sample)
    , m_mainStatus(mainStatus)
    , m_clock(clock)
    , m_logSample(std::move(logSample))
{
}

Derivation::Framing Derivation::process(const RealtimePacket::Buffer &rx)
{
    using P = RealtimePacket;
    RealtimeSample &s = m_sample;
    Framing framing = Framing::Keep;

    detectReset(rx);
    if (!advanceSecondsCounter(rx, framing))
        return framing;

    if (!P::highByteInRange(rx, P::kVoltageHighPosition))
        return polarError(framing);
    s.Volt = P::voltage(rx);

    s.E1A = P::energyCounter(rx, P::kCh1AbsolutePosition);
    s.E2A = P::energyCounter(rx, P::kCh2AbsolutePosition);
    s.E1AP = P::energyCounter(rx, P::kCh1PolarizedPosition);
    s.E2AP = P::energyCounter(rx, P::kCh2PolarizedPosition);

    // E1B..E2BP persisted as empty text were already read as 0 at start-up.
    // After a reset of the monitor its counters grew from zero: measured from
    // the counters before the reset, the power would be minus the whole
    // pre-reset energy over the seconds.
    const bool fromZero = s.countersRestarted;
    s.p1 = std::floor((s.E1A - (fromZero ? 0.0 : s.E1B)) / s.deltaSeconds);
    s.PP1 = netPower(s.p1, s.E1AP - (fromZero ? 0.0 : s.E1BP));
    s.p2 = std::floor((s.E2A - (fromZero ? 0.0 : s.E2B)) / s.deltaSeconds);
    s.PP2 = netPower(s.p2, s.E2AP - (fromZero ? 0.0 : s.E2BP));

    if (!P::highByteInRange(rx, P::kCh1CurrentHighPosition))
        return polarError(framing);
    framing = Framing::StartAfresh;
    s.Amp1 = P::current(rx, P::kCh1CurrentPosition);
    if (!P::highByteInRange(rx, P::kCh2CurrentHighPosition))
        return polarError(framing);
    s.Amp2 = P::current(rx, P::kCh2CurrentPosition);
    s.deviceAddress = P::deviceAddress(rx);

    s.E1B = s.E1A;
    s.E2B = s.E2A;
    s.E1BP = s.E1AP;
    s.E2BP = s.E2AP;
    s.countersRestarted = false;

    s.KWh1 = (s.E1A + s.PreResetVal1) / kWattSecondsPerKWh;
    s.KWh1P = (s.E1AP + s.PreResetValP1) / kWattSecondsPerKWh;
    s.KWh2 = (s.E2A + s.PreResetVal2) / kWattSecondsPerKWh;
    s.KWh2P = (s.E2AP + s.PreResetValP2) / kWattSecondsPerKWh;

    if (m_mainStatus.count() > kStatusLinesBeforeClear)
        m_mainStatus.clear();

    if (m_logSample)
        m_logSample(s);
    return framing;
}

void Derivation::detectReset(const RealtimePacket::Buffer &rx)
{
    RealtimeSample &s = m_sample;
    const int r = RealtimePacket::resetCounter(rx);
    if (r == s.QMNresetCount)
        return;
    const double expected = s.QMNresetCount == 7 ? 0 : s.QMNresetCount + 1;
    s.QMNresetCount = r;
    // Stays set until a packet of the new count gets as far as its power,
    // even when this one is dropped for its seconds counter.
    s.countersRestarted = true;
    if (r != expected)
        return;
    // One reset of the monitor: its counters restart from zero, so the energy
    // counted until the previous packet is carried. Adding to what earlier
    // resets carried keeps the kWh totals (and the portal's running sums)
    // from falling back at a second reset.
    s.PreResetVal1 += s.E1B;
    s.PreResetVal2 += s.E2B;
    s.PreResetValP1 += s.E1BP;
    s.PreResetValP2 += s.E2BP;
}

bool Derivation::advanceSecondsCounter(const RealtimePacket::Buffer &rx, Framing &framing)
{
    RealtimeSample &s = m_sample;
    s.lastSecondsCounter = s.secondsCounter;
    s.secondsCounter = RealtimePacket::secondsCounter(rx);
    const int highByte = RealtimePacket::secondsCounterHighByte(rx);
    if (highByte == 255)
        s.nearWrapFlag = 1;

    if (s.secondsCounter == s.lastSecondsCounter)
        return false; // a repeat of the packet before

    // The previous value may come from the settings store, so it is not
    // trusted to be a 24-bit count.
    qint64 delta = qint64(s.secondsCounter) - s.lastSecondsCounter;
    if (delta < 0) {
        if (highByte != 0 || !s.nearWrapFlag) {
            m_mainStatus.add(QStringLiteral("A seconds counter error has occured!"));
            framing = Framing::RestartCount;
            return false;
        }
        delta += kSecondsCounterModulus;
        s.nearWrapFlag = 0;
        m_mainStatus.add(QStringLiteral("Error.... Last second counter value is greater than the current value."));
        m_mainStatus.add(QStringLiteral("Last counter = %1   Current counter = %2")
                             .arg(s.lastSecondsCounter)
                             .arg(s.secondsCounter));
        m_mainStatus.add(m_clock.now().toString(QStringLiteral("MM,dd,yyyy hh:mm")));
    }
    if (!fitsInt32(delta) || delta <= 0) {
        framing = polarError(framing);
        return false;
    }
    s.deltaSeconds = qint32(delta);
    return true;
}

Derivation::Framing Derivation::polarError(Framing framing)
{
    m_mainStatus.add(QStringLiteral("POLAR error"));
    return framing;
}
