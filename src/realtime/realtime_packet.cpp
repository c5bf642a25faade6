#include "realtime/realtime_packet.h"

double RealtimePacket::voltage(const Buffer &rx)
{
    // The only big-endian field of the packet.
    return (rx[kVoltagePosition] * 256 + rx[kVoltagePosition + 1]) * 0.1;
}

double RealtimePacket::energyCounter(const Buffer &rx, int lowPosition)
{
    // 40 bits fit a double's mantissa exactly.
    quint64 value = 0;
    for (int i = 4; i >= 0; --i)
        value = value << 8 | rx[lowPosition + i];
    return double(value);
}

float RealtimePacket::current(const Buffer &rx, int lowPosition)
{
    return float((rx[lowPosition + 1] * 256 + rx[lowPosition]) * 0.01);
}

qint32 RealtimePacket::deviceAddress(const Buffer &rx)
{
    return rx[kDeviceAddressPosition + 1] * 256 + rx[kDeviceAddressPosition];
}

qint32 RealtimePacket::secondsCounter(const Buffer &rx)
{
    return rx[kSecondsCounterPosition + 2] * 65536 + rx[kSecondsCounterPosition + 1] * 256
        + rx[kSecondsCounterPosition];
}

quint8 RealtimePacket::checksum(std::span<const quint8> body)
{
    unsigned sum = kHeaderSum;
    for (quint8 b : body)
        sum += b;
    return quint8(sum);
}
