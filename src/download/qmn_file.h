#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// The ".QMN" data file: a tagged header (title, start of monitoring, channel
// names, storage interval) and 6-byte records of three signed 16-bit
// little-endian numbers: channel 1 watts, channel 2 watts, volts.
namespace QmnFile {

// Records a file is read up to: everything a full logger can hold.
constexpr int kMaxRecords = 65536;

// The start-of-monitoring checks of the save dialog, on the digits of the
// boxes: MMDDYYYY and hhmm.
bool dateIsValid(const QString &digits);
bool timeIsValid(const QString &digits);

// The header for a start given as 14 digits MMDDYYYYhhmmss.
QByteArray header(const QString &startDigits, int intervalMinutes);

// Turns the downloaded 5-byte records into file records. A channel value
// beyond 32767 asks `askSkip` (with the text of the question) whether to
// stop asking for that channel; asked, the channel keeps its previous value,
// and once skipped it is 0.
QByteArray records(const QByteArray &download, const std::function<bool(const QString &)> &askSkip);

struct Record
{
    qint16 ch1 = 0;
    qint16 ch2 = 0;
    qint16 volt = 0;
};

struct Contents
{
    bool headerOk = false; // false: the file does not follow the layout; no records
    QString title;
    QDateTime start;        // invalid when the file gives none
    int intervalMinutes = 0;
    QString names[3];
    std::vector<Record> records;
};

// Reads as much as the bytes hold: a file cut inside a record gives the
// complete records before it, one cut inside the header gives none.
Contents read(const QByteArray &bytes);

} // namespace QmnFile
