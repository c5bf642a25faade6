#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The logger's byte stream as it arrives during a download, one byte at a
// time: the 5-byte records, the end marker FE FE, one byte after it and the
// three-byte tail ("END" when the logger closed normally).
//
// Plain and synchronous so that it can be fed arbitrary bytes: the dialogue
// around it waits on its hooks.
class DownloadStream
{
public:
    // What a fill pointer can promise (its 16 bits of records of 5 bytes)
    // and a little slack; storing stops beyond it.
    static constexpr qsizetype kMaxBytes = 5 * 65535 + 8;

    enum class State {
        Data,        // records flowing
        AfterMarker, // FE FE seen: the byte that follows
        Tail1,
        Tail2,
        Tail3,
        Final,       // the exchange is over: input is ignored
        Overflow,    // more bytes than any logger holds: input is ignored
    };

    struct Hooks
    {
        std::function<void()> writeAck;                // answer the monitor with 0xFC
        std::function<void(const QString &)> addLine;  // a line for the download's list
    };

    explicit DownloadStream(Hooks hooks);

    // Ready for a new download of `recordCount` records (sizes the progress).
    void reset(int recordCount);
    // Consumes one received byte.
    void ReadDownload(quint8 byte);

    State state() const { return m_state; }
    // Set when the end marker arrives and again at the end of the tail.
    bool complete() const { return m_complete; }
    void clearComplete() { m_complete = false; }
    bool overflowed() const { return m_state == State::Overflow; }
    qsizetype byteCount() const { return m_data.size(); }
    QByteArray tail() const { return m_tail; }

    int progressMaximum() const { return m_progressMaximum; }
    int progressValue() const { return int(qMin<qsizetype>(m_data.size(), m_progressMaximum)); }

    // The download as saved: every data byte, then the second byte of the
    // end marker (the first is data by the stream's own rule).
    QByteArray data() const;

private:
    Hooks m_hooks;
    State m_state = State::Data;
    QByteArray m_data;
    QByteArray m_tail;
    bool m_previousWasMarker = false;
    bool m_complete = false;
    int m_progressMaximum = 0;
};
