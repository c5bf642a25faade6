#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The monitor's settings block, as it answers "SET" + "RCV": 33 bytes of
// single bytes and big-endian pairs. Offset 6 and offsets 13 to 32 carry data
// the program does not interpret.
struct DeviceSettingsBlock
{
    static constexpr int kSize = 33;

    quint8 ct1Type = 0;
    quint8 ct1Range = 0;
    quint8 ct2Type = 0;
    quint8 ct2Range = 0;
    quint8 ptType = 0;
    quint8 ptRange = 0;
    quint8 intervalMinutes = 0;
    quint16 firmwareRaw = 0; // version x 1000
    quint8 deviceId = 0;
    quint16 address = 0;

    // The version as the "Firmware Version" box shows it: 2210 is "2.21".
    QString firmwareText() const;
    // The block's bytes for these values, zeros where nothing is interpreted.
    QByteArray encode() const;
};

// Nothing unless exactly a whole block arrived: a block one byte short or
// long has its fields in the wrong places.
std::optional<DeviceSettingsBlock> parseSettingsBlock(const QByteArray &bytes);

// The serial number the monitor sends as five bytes: "0" followed by the
// decimal value of each byte, no separators (0, 10, 200, 7, 255 give
// "00102007255"). Nothing unless exactly five bytes.
std::optional<QString> serialNumberText(const QByteArray &bytes);
constexpr int kSerialNumberBytes = 5;
