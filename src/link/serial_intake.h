#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

class SerialLink;
class StatusList;
struct ProgramFlags;

// Every byte the serial port delivers passes here, once. A running logger
// download takes whole arrivals; a running dialogue reads the port itself,
// so its input is left waiting (up to a bound); everything else goes to the
// real-time receiver, strictly one byte at a time. Both bounds on waiting
// input live here.
class SerialIntake : public QObject
{
    Q_OBJECT
public:
    using ByteSink = std::function<void(quint8)>;
    using ChunkSink = std::function<void(const QByteArray &)>;

    // Input left unread while a dialogue owns the port is dropped past this
    // size; no answer of the monitor comes near it.
    static constexpr qint64 kMaxUnreadInput = 64 * 1024;
    // Real-time input waiting beyond this is stale (the program fell
    // behind): it is dropped, not decoded and drawn late.
    static constexpr qint64 kMaxBacklog = 1024;

    SerialIntake(SerialLink &serial, const ProgramFlags &flags, StatusList &mainStatus, QObject *parent = nullptr);

    // Where real-time bytes go: the packet receiver's serial road.
    void setReceiver(ByteSink sink) { m_receiver = std::move(sink); }
    // Where every arrival goes while the logger download owns the port.
    void setDownloadHandler(ChunkSink sink) { m_download = std::move(sink); }
    // Called when stale input was dropped: the packet the receiver was in
    // the middle of lost its rest, so its framing must start again.
    void setBacklogDropped(std::function<void()> restart) { m_backlogDropped = std::move(restart); }

private:
    void onData();
    void dropBacklog();

    SerialLink &m_serial;
    const ProgramFlags &m_flags;
    StatusList &m_mainStatus;
    ByteSink m_receiver;
    ChunkSink m_download;
    std::function<void()> m_backlogDropped;
};
