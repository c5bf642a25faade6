#pragma once

#include "sim_packet.h"

#include <QList>
#include <QMultiMap>
#include <utility>

// Faults the simulated monitor can put into one chosen packet.
enum class SimFault {
    BadChecksum,        // checksum byte off by one
    BadTrailerFF,       // first trailer byte is not FF (checksum still right)
    BadTrailerFE,       // second trailer byte is not FE (checksum still right)
    RepeatedSeconds,    // seconds counter of the previous packet again
    BackwardSeconds,    // seconds counter 10 s behind the previous packet
    CounterWrap,        // seconds counter jumps to 16777215, the next packet wraps
    MonitorReset,       // reset counter + 1 (mod 8), energy counters restart at 0
    CurrentOutOfRange,  // CH1 current high byte 0x80 or more
    VoltageOutOfRange,  // voltage high byte 0x80 or more
};

// The monitor's measuring side: line voltage, two channels whose power follows
// a profile, the four energy counters, the seconds counter and the reset
// counter. Each call of nextPacket() is one reporting period.
class ChannelModel
{
public:
    enum class Profile { Constant, Steps, Solar };
    using PowerPair = std::pair<double, double>;

    static constexpr quint32 kSecondsMask = 0xFFFFFF;
    static constexpr quint64 kCounterMask = (quint64(1) << 40) - 1;

    // Power in W; negative power is energy flowing back (exported).
    void setConstant(double p1, double p2);
    // The list is walked in a circle, one entry for every packetsPerStep packets.
    void setSteps(const QList<PowerPair> &steps, int packetsPerStep);
    // A day squeezed into dayMs: CH1 is the solar inverter's output, CH2 the
    // grid connection (house load minus solar), so CH2 exports around midday.
    void setSolar(double solarPeakW, double houseLoadW, qint64 dayMs);
    // Hour of the simulated day the first packet falls on (0 to 24).
    void setDayStartHour(double hour) { m_dayStartHour = hour; }
    Profile profile() const { return m_profile; }

    void setVoltage(double volts) { m_voltage = volts; }
    double voltage() const { return m_voltage; }
    void setPeriodMs(int ms) { m_periodMs = qMax(1, ms); }
    int periodMs() const { return m_periodMs; }
    // Whole seconds between two packets, at least one.
    int secondsPerPacket() const { return qMax(1, (m_periodMs + 500) / 1000); }

    void setSecondsStart(quint32 seconds) { m_seconds = seconds & kSecondsMask; }
    void setEnergyStart(quint64 e1, quint64 e2, quint64 polarized1 = 0, quint64 polarized2 = 0);
    void setResetCount(int count) { m_resetCount = count & 7; }
    void setAddress(quint16 address) { m_address = address; }
    // The current transformer of channel 1 or 2 turned round: its power
    // changes sign from the next packet on.
    void flipPolarity(int channel) { m_inverted[channel == 2 ? 1 : 0] ^= true; }
    bool polarityInverted(int channel) const { return m_inverted[channel == 2 ? 1 : 0]; }

    // packetIndex < 0 means the next packet made.
    void injectFault(SimFault fault, qint64 packetIndex = -1);

    // Power of both channels for the given packet number.
    PowerPair powersAt(qint64 packetIndex) const;
    SimPacket nextPacket();
    qint64 packetsMade() const { return m_index; }

private:
    void advance(const PowerPair &power);

    Profile m_profile = Profile::Constant;
    PowerPair m_constant {1200.0, 300.0};
    QList<PowerPair> m_steps;
    int m_packetsPerStep = 10;
    double m_solarPeak = 3000.0;
    double m_houseLoad = 800.0;
    qint64 m_dayMs = 10 * 60 * 1000;
    double m_dayStartHour = 0;

    double m_voltage = 120.0;
    int m_periodMs = 1000;
    quint32 m_seconds = 1000;
    double m_energy[4] {};          // E1, E2, E1 polarized, E2 polarized; fractions kept
    int m_resetCount = 0;
    quint16 m_address = 1;
    bool m_inverted[2] {};

    qint64 m_index = 0;
    quint32 m_lastSentSeconds = 0;
    QMultiMap<qint64, SimFault> m_faults;
};
