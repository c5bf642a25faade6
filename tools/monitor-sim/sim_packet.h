#pragma once

#include <QByteArray>
#include <QtGlobal>

// One real-time packet as the simulated monitor puts it on the wire: every
// field holds the exact raw value that is encoded, so a test can compare what
// the program derived with what was really sent.
struct SimPacket
{
    static constexpr int kSize = 43;

    quint16 voltageRaw = 1200;      // 0.1 V; the only big-endian field
    quint64 energy1 = 0;            // CH1 absolute counter, watt-seconds, 40 bits
    quint64 energy2 = 0;            // CH2 absolute counter
    quint64 polarized1 = 0;         // CH1 counter of reverse-flowing energy
    quint64 polarized2 = 0;         // CH2 counter of reverse-flowing energy
    quint16 address = 0;            // device address
    quint8 status = 0;              // bits 0-2: reset counter
    quint16 current1Raw = 0;        // 0.01 A
    quint16 current2Raw = 0;        // 0.01 A
    quint32 seconds = 0;            // 24-bit seconds counter
    quint8 trailer1 = 0xFF;
    quint8 trailer2 = 0xFE;
    quint8 checksumError = 0;       // added to the true checksum to corrupt it

    // Not on the wire: what the channel model meant to send.
    qint64 index = 0;               // packets made since the model started
    double power1 = 0;              // W, negative while exporting
    double power2 = 0;

    double voltage() const { return voltageRaw * 0.1; }
    double current1() const { return current1Raw * 0.01; }
    double current2() const { return current2Raw * 0.01; }
    int resetCount() const { return status & 7; }
};

// The 43 bytes of the packet: header FE FF 01, body, trailer FF FE, checksum.
QByteArray encodePacket(const SimPacket &packet);
