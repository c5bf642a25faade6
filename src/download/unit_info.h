#pragma once

#include <QByteArray>
#include <QString>

// The monitor's answer about its logger before a download.
namespace UnitInfo {

// Where the logger's records begin in its memory.
constexpr int kFirstRecordAddress = 112;
constexpr int kRecordBytes = 5;

// "Device ID Number": each of the six identification bytes as the two
// decimal digits of (byte mod 100).
QString deviceIdText(const QByteArray &identification);

// Records below the fill pointer: floor((pointer - 112) / 5); negative for a
// pointer below 112, which is shown as it is.
int recordCount(qint64 fillPointer);

} // namespace UnitInfo
