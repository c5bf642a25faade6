#pragma once

#include "realtime/realtime_packet.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

class Derivation;
class StatusList;
struct ProgramFlags;

// Frames and checks real-time packets arriving byte by byte on either road
// (the serial port or the network bridge) and hands each accepted packet to
// the derivation. Both roads share the position counter, the receive buffer
// and the running checksum, as they share the one assembler.
class PacketReceiver : public QObject
{
    Q_OBJECT
public:
    PacketReceiver(ProgramFlags &flags, StatusList &mainStatus, Derivation &derivation, QObject *parent = nullptr);

    // Serial road: one byte the serial intake read for the receiver.
    void serialByte(quint8 b);

    // Bridge road: one byte of the bridge's stream.
    void ProcessByte(quint8 b);
    // Bridge road: the bytes of one data arrival, in order.
    void processBridgeData(QByteArrayView data);

    // The assembler: stores, sums and checks the byte at position byteCounter.
    void PolarSubroutine(quint8 b);

    // Whatever half packet was being collected is gone (a dialogue drained
    // the input): the serial road hunts for the next header.
    void leavePacket() { m_inPacket = false; }
    bool inPacket() const { return m_inPacket; }
    int byteCounter() const { return m_byteCounter; }

    int checksumErrorCount() const { return m_checksumErrorCount; }
    const RealtimePacket::Buffer &rxBuffer() const { return m_rxBuffer; }

    // How long the serial header hunt waits for the next header byte.
    void setHeaderTimeout(std::chrono::milliseconds timeout) { m_headerTimeout = timeout; }
    std::chrono::milliseconds headerTimeout() const { return m_headerTimeout; }

signals:
    // The serial road counted far more bytes than a packet holds: the port
    // should be closed and opened again.
    void portResetRequested();

private:
    enum class Hunt { Hunting, ExpectFF, Expect01 };

    void huntHeader(quint8 b);
    void headerByteSeen(Hunt next);
    void headerDeadline();
    void checkPacket(quint8 checksumByte);

    ProgramFlags &m_flags;
    StatusList &m_mainStatus;
    Derivation &m_derivation;

    // Both roads share the position and the buffer, as they share the one
    // assembler.
    int m_byteCounter = 0;
    bool m_inPacket = false;
    RealtimePacket::Buffer m_rxBuffer{};
    int m_runningChecksum = 0;
    int m_checksumErrorCount = 0;

    Hunt m_hunt = Hunt::Hunting;
    std::chrono::milliseconds m_headerTimeout{1500};
    QElapsedTimer m_sinceHeaderByte;
    QTimer m_headerTimer;

    std::array<quint8, 3> m_headerHistory{}; // newest first
    bool m_bridgeHeaderSeen = false;
};
