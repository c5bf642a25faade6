#include "download/download_stream.h"

namespace {
constexpr quint8 kMarker = 0xFE;
} // namespace

DownloadStream::DownloadStream(Hooks hooks)
    : m_hooks(std::move(hooks))
{
}

void DownloadStream::reset(int recordCount)
{
    m_state = State::Data;
    m_data.clear();
    m_tail.clear();
    m_previousWasMarker = false;
    m_complete = false;
    // A fill pointer cannot promise more than the buffer holds, but a wrong
    // one must not stretch the bar either.
    m_progressMaximum = int(qBound<qint64>(0, qint64(recordCount) * 5 + 5, kMaxBytes));
}

void DownloadStream::ReadDownload(quint8 byte)
{
    switch (m_state) {
    case State::Data:
        if (byte == kMarker && m_previousWasMarker) {
            m_state = State::AfterMarker;
            m_complete = true;
            m_hooks.writeAck();
            return;
        }
        if (m_data.size() >= kMaxBytes) {
            m_state = State::Overflow;
            m_hooks.addLine(QStringLiteral("More data than the monitor's memory can hold: the download stops."));
            return;
        }
        m_previousWasMarker = byte == kMarker;
        m_data.append(char(byte));
        return;
    case State::AfterMarker:
        m_state = State::Tail1;
        m_complete = true;
        m_hooks.writeAck();
        return;
    case State::Tail1:
        m_tail = QByteArray(1, char(byte));
        m_state = State::Tail2;
        return;
    case State::Tail2:
        m_tail.append(char(byte));
        m_state = State::Tail3;
        return;
    case State::Tail3:
        m_tail.append(char(byte));
        if (m_tail == "END")
            m_hooks.addLine(QStringLiteral("SUCCESS"));
        // Answering anything later would start another round with a monitor
        // that takes 0xFC for a probe.
        m_state = State::Final;
        m_complete = true;
        m_hooks.writeAck();
        return;
    case State::Final:
    case State::Overflow:
        return;
    }
}

QByteArray DownloadStream::data() const
{
    if (m_state == State::Data || m_state == State::Overflow)
        return m_data;
    return m_data + char(kMarker);
}
