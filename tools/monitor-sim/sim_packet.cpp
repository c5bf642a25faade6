#include "sim_packet.h"

namespace {

void appendLittleEndian(QByteArray &out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray encodePacket(const SimPacket &p)
{
    QByteArray out;
    out.reserve(SimPacket::kSize);
    out.append(char(0xFE));
    out.append(char(0xFF));
    out.append(char(0x01));
    out.append(char(p.voltageRaw >> 8));
    out.append(char(p.voltageRaw & 0xFF));
    appendLittleEndian(out, p.energy1, 5);
    appendLittleEndian(out, p.energy2, 5);
    appendLittleEndian(out, p.polarized1, 5);
    appendLittleEndian(out, p.polarized2, 5);
    appendLittleEndian(out, 0, 4);              // two fields the program ignores
    appendLittleEndian(out, p.address, 2);
    out.append(char(p.status));
    out.append(char(0));                        // unused
    appendLittleEndian(out, p.current1Raw, 2);
    appendLittleEndian(out, p.current2Raw, 2);
    appendLittleEndian(out, p.seconds, 3);
    out.append(char(p.trailer1));
    out.append(char(p.trailer2));

    // The header takes part in the sum, the checksum byte itself does not.
    quint8 sum = 0;
    for (char c : std::as_const(out))
        sum += quint8(c);
    out.append(char(quint8(sum + p.checksumError)));
    Q_ASSERT(out.size() == SimPacket::kSize);
    return out;
}
