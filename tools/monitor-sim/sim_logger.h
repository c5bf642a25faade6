#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

// The monitor's data logger: records of 5 bytes (channel 1 and channel 2
// watts, low byte first, then volts), the unit information and the download
// exchange. MonitorSim hands it the probes and commands it takes first.
class SimLogger : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<bool(const QByteArray &)>;
    explicit SimLogger(Writer write, QObject *parent = nullptr);

    void setRecords(const QByteArray &records) { m_records = records; }
    // `count` records of a household day at `intervalMinutes`: a base load,
    // a morning and an evening peak, and a line voltage near 120 V.
    void fillDay(int count, int intervalMinutes = 5);
    QByteArray records() const { return m_records; }
    void setIdentification(const QByteArray &six) { m_identification = six; }
    void setInterval(int minutes) { m_interval = minutes; }
    // 112 + 5 x records unless set.
    void setFillPointer(qint64 pointer) { m_fillPointer = pointer; }
    qint64 fillPointer() const;

    // Faults: stop sending after `bytes` of data; send `bytes` more than
    // the pointer promised; put FE FE into the data after `offset` bytes;
    // leave "DNL" unanswered.
    void setStopAfter(qint64 bytes) { m_stopAfter = bytes; }
    void setExtraBytes(const QByteArray &bytes) { m_extra = bytes; }
    void setStrayMarkerAt(qint64 offset) { m_strayMarkerAt = offset; }
    void setSilentAfterDnl(bool silent) { m_silentAfterDnl = silent; }
    // How many bytes each answer of the unit information holds: the block
    // after the second "DNL" (32), the interval (2) and the fill pointer
    // (3). Fewer cuts the answer short, more adds stray zero bytes; either
    // way the logger waits for the next 0xFC as if all had gone well.
    enum class Answer { Info, Interval, Pointer };
    void setAnswerLength(Answer answer, int bytes) { m_answerLength[int(answer)] = bytes; }
    // Data bytes sent per tick of 2 ms; small values keep a stream going
    // long enough to be interrupted.
    void setChunkBytes(int bytes) { m_chunkBytes = qMax(1, bytes); }

    bool streaming() const { return m_state == State::Streaming; }
    // Nothing of a download under way: no answer or stream is waiting for a 0xFC.
    bool idle() const { return m_state == State::Idle; }
    qint64 bytesStreamed() const { return m_sent; }

    // True when the probe byte 0xFC belonged to the download.
    bool takeProbe();
    // True when the command was the logger's ("DNL", "CAL", "FIN").
    bool takeCommand(const QString &command);

signals:
    void streamEnded();

private:
    enum class State { Idle, DnlOnce, InfoSent, IntervalSent, PointerSent, Streaming, MarkerSent };
    void sendChunk();
    void answer(Answer which, const QByteArray &bytes);
    QByteArray stream() const;

    Writer m_write;
    QTimer m_timer;
    State m_state = State::Idle;
    QByteArray m_records;
    QByteArray m_identification = QByteArray("\x07\x2D\x7B\x00\x63\x64", 6);
    int m_interval = 5;
    qint64 m_fillPointer = -1;
    qint64 m_stopAfter = -1;
    QByteArray m_extra;
    qint64 m_strayMarkerAt = -1;
    bool m_silentAfterDnl = false;
    int m_chunkBytes = 64;
    int m_answerLength[3] = {32, 2, 3};
    QByteArray m_stream;
    qint64 m_sent = 0;
    int m_tailAcks = 0;
};
