#pragma once

#include <QtGlobal>

#include <array>
#include <span>

// The monitor's 43-byte real-time packet: FE FF 01, 39 body bytes, checksum.
// Inside the program a body byte is addressed by its position: 1 is the first
// byte after the header, 39 the last body byte, 40 the checksum. Decoders read
// a receive buffer indexed by position.
class RealtimePacket
{
public:
    static constexpr int kBufferSize = 961;
    using Buffer = std::array<quint8, kBufferSize>;

    static constexpr int kSize = 43;
    static constexpr quint8 kHeader1 = 0xFE;
    static constexpr quint8 kHeader2 = 0xFF;
    static constexpr quint8 kPacketType = 0x01;
    static constexpr int kHeaderSum = kHeader1 + kHeader2 + kPacketType; // 510

    static constexpr int kLastBodyPosition = 39;
    static constexpr int kChecksumPosition = 40;
    static constexpr int kTrailer1Position = 38;
    static constexpr quint8 kTrailer1 = 0xFF;
    static constexpr int kTrailer2Position = 39;
    static constexpr quint8 kTrailer2 = 0xFE;

    // Field positions; multi-byte fields name their first position.
    static constexpr int kVoltagePosition = 1;       // big-endian, 0.1 V
    static constexpr int kCh1AbsolutePosition = 3;   // 40-bit little-endian, W·s
    static constexpr int kCh2AbsolutePosition = 8;
    static constexpr int kCh1PolarizedPosition = 13;
    static constexpr int kCh2PolarizedPosition = 18;
    static constexpr int kDeviceAddressPosition = 27; // little-endian
    static constexpr int kStatusPosition = 29;        // bits 0-2: reset counter
    static constexpr int kCh1CurrentPosition = 31;    // little-endian, 0.01 A
    static constexpr int kCh2CurrentPosition = 33;
    static constexpr int kSecondsCounterPosition = 35; // 24-bit little-endian

    // The voltage and the currents are signed 16-bit quantities on the wire;
    // a high byte of 0x80 or more is out of range.
    static constexpr int kVoltageHighPosition = kVoltagePosition;
    static constexpr int kCh1CurrentHighPosition = kCh1CurrentPosition + 1;
    static constexpr int kCh2CurrentHighPosition = kCh2CurrentPosition + 1;
    static bool highByteInRange(const Buffer &rx, int highPosition) { return rx[highPosition] < 0x80; }

    static double voltage(const Buffer &rx);
    static double energyCounter(const Buffer &rx, int lowPosition);
    static float current(const Buffer &rx, int lowPosition);
    static qint32 deviceAddress(const Buffer &rx);
    static qint32 secondsCounter(const Buffer &rx);
    static int secondsCounterHighByte(const Buffer &rx) { return rx[kSecondsCounterPosition + 2]; }
    static int resetCounter(const Buffer &rx) { return rx[kStatusPosition] & 7; }

    // The checksum the monitor sends for these body bytes (positions 1 to 39):
    // an 8-bit sum that includes the header.
    static quint8 checksum(std::span<const quint8> body);
};
