#include "realtime/packet_receiver.h"

#include "common/program_flags.h"
#include "common/status_list.h"
#include "realtime/derivation.h"

namespace {

// More positions than this on the serial road mean the receiver lost track of
// the stream.
constexpr int kSerialPositionLimit = 120;
// Between headers the bridge road keeps counting positions; the count stops
// here, well past any position the assembler looks at.
constexpr int kPositionCeiling = 32767;

} // namespace

PacketReceiver::PacketReceiver(ProgramFlags &flags, StatusList &mainStatus, Derivation &derivation, QObject *parent)
    : QObject(parent)
    , m_flags(flags)
    , m_mainStatus(mainStatus)
    , m_derivation(derivation)
{
    m_headerTimer.setSingleShot(true);
    m_headerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_headerTimer, &QTimer::timeout, this, &PacketReceiver::headerDeadline);
}

void PacketReceiver::serialByte(quint8 b)
{
    if (!m_inPacket) {
        huntHeader(b);
        return;
    }
    if (m_byteCounter <= kSerialPositionLimit) {
        ++m_byteCounter;
        PolarSubroutine(b);
        return;
    }
    m_byteCounter = 0;
    m_inPacket = false;
    emit portResetRequested();
}

void PacketReceiver::huntHeader(quint8 b)
{
    switch (m_hunt) {
    case Hunt::ExpectFF:
        if (b == RealtimePacket::kHeader2)
            return headerByteSeen(Hunt::Expect01);
        break;
    case Hunt::Expect01:
        if (b == RealtimePacket::kPacketType) {
            m_hunt = Hunt::Hunting;
            m_byteCounter = 0;
            m_inPacket = true;
            m_runningChecksum = RealtimePacket::kHeaderSum & 0xFF;
            return;
        }
        break;
    case Hunt::Hunting:
        break;
    }
    // A wrong byte ends the header silently, but may itself begin the next
    // one: after a lost byte the stream can read FE FE FF 01.
    m_hunt = Hunt::Hunting;
    if (b == RealtimePacket::kHeader1)
        headerByteSeen(Hunt::ExpectFF);
}

// The deadline runs from the latest header byte. Restarting a timer for every
// header byte costs as much as all the rest of a packet's work, so the byte
// only gets a time stamp and the timer, once armed, checks the stamp when it
// fires.
void PacketReceiver::headerByteSeen(Hunt next)
{
    m_hunt = next;
    m_sinceHeaderByte.start();
    if (!m_headerTimer.isActive())
        m_headerTimer.start(m_headerTimeout);
}

void PacketReceiver::headerDeadline()
{
    if (m_hunt == Hunt::Hunting)
        return;
    const auto waited = std::chrono::milliseconds(m_sinceHeaderByte.elapsed());
    if (waited < m_headerTimeout) {
        m_headerTimer.start(m_headerTimeout - waited);
        return;
    }
    m_hunt = Hunt::Hunting;
    // A command dialogue or the download took the port meanwhile: the bytes
    // are theirs, not a monitor that fell silent.
    if (m_flags.commandInProgress || m_flags.downloadMode)
        return;
    m_mainStatus.add(QStringLiteral("Time out error"));
}

void PacketReceiver::ProcessByte(quint8 b)
{
    m_headerHistory = {b, m_headerHistory[0], m_headerHistory[1]};
    if (m_headerHistory[2] == RealtimePacket::kHeader1 && m_headerHistory[1] == RealtimePacket::kHeader2
        && m_headerHistory[0] == RealtimePacket::kPacketType) {
        m_bridgeHeaderSeen = true;
        m_byteCounter = 1;
        m_runningChecksum = RealtimePacket::kHeaderSum & 0xFF;
        return;
    }
    if (!m_bridgeHeaderSeen)
        return;
    // The assembler and the derivation zero the shared counter after a
    // finished packet so the serial road hunts again. The bridge road has no
    // hunt: its count goes on from the position just handed over, or the
    // bytes up to the next header would be checked as a headerless packet.
    const int position = m_byteCounter;
    PolarSubroutine(b);
    m_byteCounter = std::min(position, kPositionCeiling - 1) + 1;
}

void PacketReceiver::processBridgeData(QByteArrayView data)
{
    for (char c : data)
        ProcessByte(quint8(c));
}

void PacketReceiver::PolarSubroutine(quint8 b)
{
    m_flags.watchdogCount = 0;
    const int position = m_byteCounter;
    if (position < RealtimePacket::kChecksumPosition) {
        // Positions below 1 only come from the two roads meddling with the
        // shared counter; index 0 stays unused.
        if (position >= 1) {
            Q_ASSERT(position < RealtimePacket::kBufferSize);
            m_rxBuffer[position] = b;
            // A true 8-bit sum: with the seed of 510 a single subtraction of
            // 256 can leave it above 255 through a run of large bytes.
            m_runningChecksum = (m_runningChecksum + b) & 0xFF;
        }
        return;
    }
    if (position == RealtimePacket::kChecksumPosition)
        checkPacket(b);
    m_inPacket = false;
}

void PacketReceiver::checkPacket(quint8 checksumByte)
{
    if (checksumByte != m_runningChecksum) {
        ++m_checksumErrorCount;
        m_mainStatus.add(QStringLiteral("Checksum Error # %1").arg(m_checksumErrorCount));
        for (int position = 1; position <= RealtimePacket::kChecksumPosition; ++position)
            m_mainStatus.add(QStringLiteral("Byte #%1 %2").arg(position).arg(QString::number(m_rxBuffer[position], 16).toUpper()));
        m_byteCounter = 0;
        return;
    }
    if (m_rxBuffer[RealtimePacket::kTrailer1Position] != RealtimePacket::kTrailer1) {
        m_mainStatus.add(QStringLiteral("FF error"));
        return;
    }
    if (m_rxBuffer[RealtimePacket::kTrailer2Position] != RealtimePacket::kTrailer2) {
        m_mainStatus.add(QStringLiteral("FE error"));
        return;
    }
    switch (m_derivation.process(m_rxBuffer)) {
    case Derivation::Framing::Keep:
        break;
    case Derivation::Framing::RestartCount:
        m_byteCounter = 0;
        break;
    case Derivation::Framing::StartAfresh:
        m_byteCounter = 0;
        m_inPacket = false;
        break;
    }
}
