#include "download/qmn_file.h"

#include <QtEndian>

namespace QmnFile {

namespace {

constexpr char kTagText = 0x01;
constexpr char kTagDescription = 0x02;
constexpr char kTagStart = 0x08;
constexpr char kEndOfSection = 0x14;

// The leading number of a text, as the classic Val() reads it: non-digits give 0.
int leadingNumber(const QString &text)
{
    int value = 0;
    for (QChar c : text) {
        if (!c.isDigit())
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

void appendInt16(QByteArray &out, int value)
{
    char bytes[2];
    qToLittleEndian<qint16>(qint16(value), bytes);
    out.append(bytes, 2);
}

// A cursor over the file's bytes that never reads past the end.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}
    bool byte(quint8 *out)
    {
        if (m_pos >= m_bytes.size())
            return false;
        *out = quint8(m_bytes.at(m_pos++));
        return true;
    }
    bool expect(char tag)
    {
        quint8 b = 0;
        return byte(&b) && b == quint8(tag);
    }
    // A length byte and that many characters.
    bool text(QString *out)
    {
        quint8 length = 0;
        if (!byte(&length) || m_bytes.size() - m_pos < length)
            return false;
        *out = QString::fromLatin1(m_bytes.constData() + m_pos, length);
        m_pos += length;
        return true;
    }
    bool chars(int count, QString *out)
    {
        if (m_bytes.size() - m_pos < count)
            return false;
        *out = QString::fromLatin1(m_bytes.constData() + m_pos, count);
        m_pos += count;
        return true;
    }
    qsizetype pos() const { return m_pos; }

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

QDateTime startFromDigits(const QString &digits)
{
    const QDate date(leadingNumber(digits.mid(4, 4)), leadingNumber(digits.mid(0, 2)), leadingNumber(digits.mid(2, 2)));
    const QTime time(leadingNumber(digits.mid(8, 2)), leadingNumber(digits.mid(10, 2)), leadingNumber(digits.mid(12, 2)));
    // Record times are counted in whole minutes from here: UTC keeps a
    // daylight-saving change from shifting them.
    return QDateTime(date, time, Qt::UTC);
}

bool readHeader(Reader &in, Contents &c)
{
    if (!in.expect(kTagText) || !in.text(&c.title))
        return false;
    for (;;) {
        quint8 tag = 0;
        if (!in.byte(&tag))
            return false;
        if (tag == quint8(kEndOfSection))
            break;
        QString value;
        if (tag == quint8(kTagDescription) && !in.text(&value))
            return false;
        if (tag == quint8(kTagStart)) {
            if (!in.chars(14, &value))
                return false;
            c.start = startFromDigits(value);
        }
    }
    static const char *const kDefaultNames[3] = {"Channel 1", "Channel 2", "Total of CH1 & CH2"};
    for (int i = 0; i < 3; ++i) {
        if (!in.expect(kTagText) || !in.text(&c.names[i]))
            return false;
        if (c.names[i].isEmpty())
            c.names[i] = QString::fromLatin1(kDefaultNames[i]);
    }
    quint8 interval = 0;
    QString unused;
    if (!in.expect(kEndOfSection) || !in.expect(kTagText) || !in.byte(&interval) || !in.text(&unused))
        return false;
    c.intervalMinutes = interval;
    return in.expect(kTagText) && in.text(&unused) && in.expect(kEndOfSection);
}

} // namespace

bool dateIsValid(const QString &digits)
{
    if (digits.size() != 8)
        return false;
    const int month = leadingNumber(digits.mid(0, 2));
    const int day = leadingNumber(digits.mid(2, 2));
    const int year = leadingNumber(digits.mid(4, 4));
    if (day < 1 || year < 1993 || month < 1 || month > 12)
        return false;
    switch (month) {
    case 4: case 6: case 9: case 11:
        return day <= 30;
    case 2:
        // Every fourth year, 2100 included, as the monitor's own calendar has it.
        return day < 29 || (day == 29 && year % 4 == 0);
    default:
        return day <= 31;
    }
}

bool timeIsValid(const QString &digits)
{
    const QString t = digits.left(4);
    const int hours = leadingNumber(t.left(2));
    const int minutes = leadingNumber(t.right(2));
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

QByteArray header(const QString &startDigits, int intervalMinutes)
{
    QByteArray out;
    out += QByteArray("\x01\x00", 2);
    out += kTagStart;
    out += startDigits.toLatin1();
    out += kEndOfSection;
    for (int i = 0; i < 3; ++i)
        out += QByteArray("\x01\x00", 2);
    out += kEndOfSection;
    out += kTagText;
    out += char(quint8(intervalMinutes));
    out += char(0);
    out += QByteArray("\x01\x00", 2);
    out += kEndOfSection;
    return out;
}

QByteArray records(const QByteArray &download, const std::function<bool(const QString &)> &askSkip)
{
    QByteArray out;
    out.reserve(download.size() / 5 * 6);
    int previous[2] = {0, 0};
    bool skip[2] = {false, false};
    for (qsizetype at = 0; download.size() - at >= 5; at += 5) {
        const auto *b = reinterpret_cast<const quint8 *>(download.constData() + at);
        int value[2] = {b[0] + 256 * b[1], b[2] + 256 * b[3]};
        for (int ch = 0; ch < 2; ++ch) {
            if (value[ch] <= 32767)
                continue;
            if (skip[ch]) {
                value[ch] = 0;
                continue;
            }
            value[ch] = previous[ch];
            skip[ch] = askSkip(QStringLiteral("CH %1 Record # %2 may be corrupted. Would you like to skip this test?")
                                   .arg(ch + 1)
                                   .arg(at + 4));
        }
        previous[0] = value[0];
        previous[1] = value[1];
        appendInt16(out, value[0]);
        appendInt16(out, value[1]);
        appendInt16(out, b[4]);
    }
    return out;
}

Contents read(const QByteArray &bytes)
{
    Contents c;
    Reader in(bytes);
    c.headerOk = readHeader(in, c);
    if (!c.headerOk)
        return c;
    const qsizetype count = qMin<qsizetype>((bytes.size() - in.pos()) / 6, kMaxRecords);
    c.records.resize(size_t(count));
    const char *p = bytes.constData() + in.pos();
    for (qsizetype i = 0; i < count; ++i, p += 6)
        c.records[size_t(i)] = {qFromLittleEndian<qint16>(p), qFromLittleEndian<qint16>(p + 2),
                                qFromLittleEndian<qint16>(p + 4)};
    return c;
}

} // namespace QmnFile
