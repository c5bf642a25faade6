#include "channel_model.h"

#include <cmath>
#include <numbers>

namespace {

// A smooth bump centred on hour c, w hours wide.
double bump(double hour, double c, double w)
{
    const double x = (hour - c) / w;
    return std::exp(-0.5 * x * x);
}

quint16 clampRaw(double value)
{
    return quint16(qBound(0.0, std::round(value), double(0x7FFF)));
}

quint64 counterValue(double energy)
{
    return quint64(std::floor(energy)) & ChannelModel::kCounterMask;
}

} // namespace

void ChannelModel::setConstant(double p1, double p2)
{
    m_profile = Profile::Constant;
    m_constant = {p1, p2};
}

void ChannelModel::setSteps(const QList<PowerPair> &steps, int packetsPerStep)
{
    m_profile = steps.isEmpty() ? Profile::Constant : Profile::Steps;
    m_steps = steps;
    m_packetsPerStep = qMax(1, packetsPerStep);
}

void ChannelModel::setSolar(double solarPeakW, double houseLoadW, qint64 dayMs)
{
    m_profile = Profile::Solar;
    m_solarPeak = std::abs(solarPeakW);
    m_houseLoad = std::abs(houseLoadW);
    m_dayMs = qMax<qint64>(1000, dayMs);
}

void ChannelModel::setEnergyStart(quint64 e1, quint64 e2, quint64 polarized1, quint64 polarized2)
{
    m_energy[0] = double(e1 & kCounterMask);
    m_energy[1] = double(e2 & kCounterMask);
    m_energy[2] = double(polarized1 & kCounterMask);
    m_energy[3] = double(polarized2 & kCounterMask);
}

void ChannelModel::injectFault(SimFault fault, qint64 packetIndex)
{
    m_faults.insert(packetIndex < 0 ? m_index : packetIndex, fault);
}

ChannelModel::PowerPair ChannelModel::powersAt(qint64 packetIndex) const
{
    switch (m_profile) {
    case Profile::Constant:
        return m_constant;
    case Profile::Steps:
        return m_steps.at(int((packetIndex / m_packetsPerStep) % m_steps.size()));
    case Profile::Solar: {
        const double hour = std::fmod(m_dayStartHour + 24.0 * double((packetIndex * m_periodMs) % m_dayMs) / double(m_dayMs), 24.0);
        const double solar = (hour > 6.0 && hour < 18.0)
            ? m_solarPeak * std::sin(std::numbers::pi * (hour - 6.0) / 12.0) : 0.0;
        // Morning and evening peaks on top of a base load.
        const double load = m_houseLoad * (0.5 + 0.8 * bump(hour, 7.5, 1.2) + 1.2 * bump(hour, 19.0, 1.8));
        return {std::round(solar), std::round(load - solar)};
    }
    }
    return m_constant;
}

void ChannelModel::advance(const PowerPair &power)
{
    const int dt = secondsPerPacket();
    m_seconds = (m_seconds + quint32(dt)) & kSecondsMask;
    const double p[2] = {power.first, power.second};
    for (int ch = 0; ch < 2; ++ch) {
        const double energy = std::abs(p[ch]) * dt;
        m_energy[ch] += energy;
        if (p[ch] < 0)
            m_energy[ch + 2] += energy;
    }
    for (double &e : m_energy) {
        if (e >= double(kCounterMask) + 1.0)
            e -= double(kCounterMask) + 1.0;
    }
}

SimPacket ChannelModel::nextPacket()
{
    const QList<SimFault> faults = m_faults.values(m_index);
    m_faults.remove(m_index);

    // Faults that change the monitor itself act before its counters move on.
    if (faults.contains(SimFault::MonitorReset)) {
        m_resetCount = (m_resetCount + 1) & 7;
        for (double &e : m_energy)
            e = 0;
    }
    PowerPair power = powersAt(m_index);
    if (m_inverted[0])
        power.first = -power.first;
    if (m_inverted[1])
        power.second = -power.second;
    // The first packet shows the starting state; each later one covers the
    // period that ended with it.
    if (m_index > 0)
        advance(power);
    if (faults.contains(SimFault::CounterWrap))
        m_seconds = kSecondsMask;

    SimPacket p;
    p.index = m_index;
    p.power1 = power.first;
    p.power2 = power.second;
    p.voltageRaw = clampRaw(m_voltage * 10.0);
    p.energy1 = counterValue(m_energy[0]);
    p.energy2 = counterValue(m_energy[1]);
    p.polarized1 = counterValue(m_energy[2]);
    p.polarized2 = counterValue(m_energy[3]);
    p.address = m_address;
    p.status = quint8(m_resetCount);
    if (m_voltage > 0) {
        p.current1Raw = clampRaw(std::abs(power.first) / m_voltage * 100.0);
        p.current2Raw = clampRaw(std::abs(power.second) / m_voltage * 100.0);
    }
    p.seconds = m_seconds;

    for (SimFault fault : faults) {
        switch (fault) {
        case SimFault::BadChecksum: p.checksumError = 1; break;
        case SimFault::BadTrailerFF: p.trailer1 = 0x00; break;
        case SimFault::BadTrailerFE: p.trailer2 = 0x00; break;
        case SimFault::RepeatedSeconds: p.seconds = m_lastSentSeconds; break;
        case SimFault::BackwardSeconds:
            p.seconds = m_lastSentSeconds >= 10 ? m_lastSentSeconds - 10 : 0;
            break;
        case SimFault::CurrentOutOfRange: p.current1Raw |= 0x8000; break;
        case SimFault::VoltageOutOfRange: p.voltageRaw |= 0x8000; break;
        case SimFault::CounterWrap:
        case SimFault::MonitorReset:
            break;
        }
    }
    m_lastSentSeconds = p.seconds;
    ++m_index;
    return p;
}
