#include "options/energy_direction_probe.h"

#include "realtime/realtime_sample.h"

EnergyDirectionProbe::EnergyDirectionProbe(const RealtimeSample &sample, QObject *parent)
    : QObject(parent)
    , m_sample(sample)
{
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &EnergyDirectionProbe::tick);
}

void EnergyDirectionProbe::start()
{
    m_ch1 = {QString(), Look::Testing};
    m_ch2 = {QString(), Look::Testing};
    m_firstTick = true;
    m_timer.start();
    emit changed();
}

void EnergyDirectionProbe::stop()
{
    m_timer.stop();
    m_ch1 = {QString(), Look::White};
    emit changed();
}

void EnergyDirectionProbe::reset()
{
    m_timer.stop();
    m_ch1 = {QStringLiteral("Idle"), Look::Idle};
    m_ch2 = m_ch1;
    emit changed();
}

void EnergyDirectionProbe::tick()
{
    const RealtimeSample &s = m_sample;
    if (m_firstTick) {
        m_firstTick = false;
        m_start[0] = s.E1A;
        m_start[1] = s.E1AP;
        m_start[2] = s.E2A;
        m_start[3] = s.E2AP;
        return;
    }
    const bool absoluteMoved = s.E1A != m_start[0];
    const bool polarizedMoved = s.E1AP != m_start[1];
    if (absoluteMoved && polarizedMoved)
        m_ch1 = {QString::fromLatin1(kGenerated), Look::Generated};
    else if (absoluteMoved)
        m_ch1 = {QString::fromLatin1(kConsumed), Look::Consumed};
    else
        m_ch1.look = Look::White;
    emit changed();
}
