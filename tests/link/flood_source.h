#pragma once

#include "channel_model.h"

#include <QByteArray>
#include <QFile>

#include <random>

// A bridge gone wild: random noise with valid packets between, made as it is
// sent so that the sender holds no more than one chunk.
class FloodSource
{
public:
    explicit FloodSource(qint64 bytes, int maxNoise = 2000) : m_budget(bytes), m_maxNoise(maxNoise)
    {
        m_model.setConstant(2000, -400);
        m_model.setVoltage(240);
    }

    // Goes on with the same monitor: its counters keep running forward.
    void extend(qint64 bytes) { m_budget += bytes; }

    bool done() const { return m_pending.isEmpty() && m_made >= m_budget; }
    qint64 bytesMade() const { return m_made; }
    qint64 packetsMade() const { return m_packets; }
    // The bridge road takes every FE FF 01 for a header, also inside a body
    // (a counter passing 0x01FFFE); such packets are cut short by design.
    qint64 framablePackets() const { return m_framable; }

    QByteArray next(qint64 max)
    {
        while (m_pending.size() < max && m_made < m_budget) {
            const int noise = int(m_rng() % quint32(m_maxNoise + 1));
            QByteArray unit(noise, Qt::Uninitialized);
            for (char &c : unit)
                c = char(m_rng() & 0xFF);
            const QByteArray packet = encodePacket(m_model.nextPacket());
            unit += packet;
            ++m_packets;
            if (!packet.mid(1).contains(QByteArrayView("\xFE\xFF\x01", 3)))
                ++m_framable;
            m_made += unit.size();
            m_pending += unit;
        }
        const QByteArray chunk = m_pending.left(max);
        m_pending.remove(0, chunk.size());
        return chunk;
    }

private:
    ChannelModel m_model;
    std::mt19937 m_rng{4400};
    QByteArray m_pending;
    qint64 m_budget;
    qint64 m_made = 0;
    qint64 m_packets = 0;
    qint64 m_framable = 0;
    int m_maxNoise;
};

// Resident memory of this process in KiB, 0 when unknown.
inline qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
