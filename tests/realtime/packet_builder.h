#pragma once

// Builds real-time packets byte by byte from field values, written out
// independently of the program's decoders so the tests check them.

#include <QByteArray>

#include <array>
#include <cstdint>

struct PacketFields
{
    int voltageTenths = 1200;
    uint64_t e1a = 0, e2a = 0, e1ap = 0, e2ap = 0;
    int deviceAddress = 0;
    int status = 0;
    int amp1Hundredths = 0, amp2Hundredths = 0;
    uint32_t seconds = 1;
    int trailer1 = 0xFF, trailer2 = 0xFE;
    int unusedA = 0x1234, unusedB = 0x5678, spare = 0x9A; // fields the program ignores
};

inline QByteArray buildPacket(const PacketFields &f)
{
    QByteArray p;
    auto put = [&p](uint64_t v) { p.append(char(v & 0xFF)); };
    auto putLittle = [&put](uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            put(v >> (8 * i));
    };
    put(0xFE);
    put(0xFF);
    put(0x01);
    put(f.voltageTenths >> 8);
    put(f.voltageTenths);
    putLittle(f.e1a, 5);
    putLittle(f.e2a, 5);
    putLittle(f.e1ap, 5);
    putLittle(f.e2ap, 5);
    putLittle(f.unusedA, 2);
    putLittle(f.unusedB, 2);
    putLittle(f.deviceAddress, 2);
    put(f.status);
    put(f.spare);
    putLittle(f.amp1Hundredths, 2);
    putLittle(f.amp2Hundredths, 2);
    putLittle(f.seconds, 3);
    put(f.trailer1);
    put(f.trailer2);
    int sum = 0;
    for (char c : p)
        sum += uint8_t(c);
    put(sum);
    return p;
}

// The packet as the receiver stores it: index = position (1 to 40).
inline std::array<uint8_t, 961> positions(const QByteArray &packet)
{
    std::array<uint8_t, 961> rx{};
    for (int pos = 1; pos <= 40; ++pos)
        rx[pos] = uint8_t(packet[pos + 2]);
    return rx;
}
