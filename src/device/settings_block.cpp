#include "device/settings_block.h"

#include "common/number_picture.h"

namespace {
quint16 word(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) << 8 | quint8(b.at(at + 1)));
}
} // namespace

QString DeviceSettingsBlock::firmwareText() const
{
    return formatNumber(firmwareRaw * 0.001, QStringLiteral("#.###"));
}

QByteArray DeviceSettingsBlock::encode() const
{
    QByteArray b(kSize, '\0');
    b[0] = char(ct1Type);
    b[1] = char(ct1Range);
    b[2] = char(ct2Type);
    b[3] = char(ct2Range);
    b[4] = char(ptType);
    b[5] = char(ptRange);
    b[7] = char(intervalMinutes);
    b[8] = char(firmwareRaw >> 8);
    b[9] = char(firmwareRaw & 0xFF);
    b[10] = char(deviceId);
    b[11] = char(address >> 8);
    b[12] = char(address & 0xFF);
    return b;
}

std::optional<DeviceSettingsBlock> parseSettingsBlock(const QByteArray &bytes)
{
    if (bytes.size() != DeviceSettingsBlock::kSize)
        return std::nullopt;
    DeviceSettingsBlock s;
    s.ct1Type = quint8(bytes.at(0));
    s.ct1Range = quint8(bytes.at(1));
    s.ct2Type = quint8(bytes.at(2));
    s.ct2Range = quint8(bytes.at(3));
    s.ptType = quint8(bytes.at(4));
    s.ptRange = quint8(bytes.at(5));
    s.intervalMinutes = quint8(bytes.at(7));
    s.firmwareRaw = word(bytes, 8);
    s.deviceId = quint8(bytes.at(10));
    s.address = word(bytes, 11);
    return s;
}

std::optional<QString> serialNumberText(const QByteArray &bytes)
{
    if (bytes.size() != kSerialNumberBytes)
        return std::nullopt;
    QString text = QStringLiteral("0");
    for (char b : bytes)
        text += QString::number(quint8(b));
    return text;
}
