#include "sim_logger.h"

#include <QtMath>

namespace {
constexpr char kAck = char(0xFC);
} // namespace

SimLogger::SimLogger(Writer write, QObject *parent)
    : QObject(parent)
    , m_write(std::move(write))
{
    m_timer.setInterval(2);
    connect(&m_timer, &QTimer::timeout, this, &SimLogger::sendChunk);
}

void SimLogger::fillDay(int count, int intervalMinutes)
{
    m_interval = intervalMinutes;
    m_records.clear();
    m_records.reserve(count * 5);
    for (int i = 0; i < count; ++i) {
        const double hour = std::fmod(i * intervalMinutes / 60.0, 24.0);
        const double morning = 1500 * std::exp(-std::pow(hour - 7.5, 2));
        const double evening = 2500 * std::exp(-std::pow(hour - 19, 2) / 2);
        const int ch1 = int(300 + morning + evening + (i * 37) % 90);
        const int ch2 = int(150 + 0.3 * evening + (i * 11) % 40);
        const int volt = 118 + (i % 5);
        m_records += char(ch1 & 0xFF);
        m_records += char(ch1 >> 8);
        m_records += char(ch2 & 0xFF);
        m_records += char(ch2 >> 8);
        m_records += char(volt);
    }
}

qint64 SimLogger::fillPointer() const
{
    return m_fillPointer >= 0 ? m_fillPointer : 112 + m_records.size();
}

QByteArray SimLogger::stream() const
{
    QByteArray data = m_records + m_extra;
    if (m_strayMarkerAt >= 0 && m_strayMarkerAt <= data.size())
        data.insert(m_strayMarkerAt, QByteArray("\xFE\xFE", 2));
    if (m_stopAfter >= 0)
        return data.left(m_stopAfter);
    return data + QByteArray("\xFE\xFE", 2);
}

void SimLogger::answer(Answer which, const QByteArray &bytes)
{
    m_write(bytes.leftJustified(m_answerLength[int(which)], char(0), true));
}

bool SimLogger::takeProbe()
{
    switch (m_state) {
    case State::Idle:
    case State::DnlOnce:
        return false;
    case State::InfoSent: {
        answer(Answer::Interval, QByteArray(1, char(m_interval)) + char(0));
        m_state = State::IntervalSent;
        return true;
    }
    case State::IntervalSent: {
        const qint64 p = fillPointer();
        answer(Answer::Pointer, QByteArray(1, char((p >> 16) & 0xFF)) + char((p >> 8) & 0xFF) + char(p & 0xFF));
        m_state = State::PointerSent;
        return true;
    }
    case State::PointerSent:
        m_stream = stream();
        m_sent = 0;
        m_tailAcks = 0;
        m_state = State::Streaming;
        m_timer.start();
        return true;
    case State::Streaming:
        // A probe in the middle of the data breaks the download off.
        m_timer.stop();
        m_state = State::Idle;
        return false;
    case State::MarkerSent:
        // After the marker: one byte, then the tail once the program has
        // acknowledged the marker, the end of the data and that byte.
        ++m_tailAcks;
        if (m_tailAcks == 1)
            m_write(QByteArray(1, char(0x00)));
        else if (m_tailAcks == 3)
            m_write(QByteArrayLiteral("END"));
        else if (m_tailAcks >= 4)
            m_state = State::Idle;
        return true;
    }
    return false;
}

bool SimLogger::takeCommand(const QString &command)
{
    if (command == QLatin1String("CAL") || command == QLatin1String("FIN")) {
        m_timer.stop();
        m_state = State::Idle;
        m_write(QByteArray(1, kAck));
        return true;
    }
    if (command != QLatin1String("DNL"))
        return false;
    if (m_silentAfterDnl)
        return true;
    m_write(QByteArray(1, kAck));
    if (m_state == State::DnlOnce) {
        answer(Answer::Info, m_identification.leftJustified(32, char(0), true));
        m_state = State::InfoSent;
    } else {
        m_state = State::DnlOnce;
    }
    return true;
}

void SimLogger::sendChunk()
{
    const QByteArray chunk = m_stream.mid(m_sent, m_chunkBytes);
    if (!chunk.isEmpty() && m_write(chunk))
        m_sent += chunk.size();
    if (m_sent < m_stream.size())
        return;
    m_timer.stop();
    m_state = m_stopAfter >= 0 ? State::Idle : State::MarkerSent;
    emit streamEnded();
}
