#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>

class QSerialPort;
class SerialLink;
class StatusList;

// The building blocks of every exchange with the monitor: the delay, the
// acknowledgement wait, the command sender and the link check. Each wait is
// a co_await on the port's input, a timer or a deadline: the event loop
// keeps running and nothing spins.
//
// Callers set commandInProgress around a sequence so that the receiver
// leaves the input to them, and hold the dialogue gate.
class CommandExchange : public QObject
{
    Q_OBJECT
public:
    static constexpr char kAck = char(0xFC);

    CommandExchange(SerialLink &serial, StatusList &mainStatus, QObject *parent = nullptr);

    // Told when a drain threw input away: whatever half packet the receiver
    // was collecting is gone with it.
    void setInputDrained(std::function<void()> drained) { m_inputDrained = std::move(drained); }

    // The monitor's N-second time limits end between N-1 and N seconds
    // after they are set; this one ends half a second before N.
    static QDeadlineTimer deadline(int seconds);

    // Waits at least `ms` milliseconds.
    QCoro::Task<> Dly(int ms);
    // True when the first byte to arrive within two seconds is 0xFC.
    QCoro::Task<bool> WaitAck();
    // Writes the first, second and last character of `command` as three
    // writes; with `waitForAck`, true only once the monitor acknowledged
    // and `pauseAfterAck` has passed (the device utility goes straight on).
    // Input waiting before the command is dropped when an acknowledgement
    // is awaited.
    QCoro::Task<bool> SendASCII(const QByteArray &command, bool waitForAck,
                                std::chrono::milliseconds pauseAfterAck = kAckPause);
    // Discards stale input, sends the probe 0xFC and expects 0xFC back
    // within three seconds. Opens the port first when it is closed.
    QCoro::Task<bool> Send_Receive_Ack();

    // Pieces for the windows that keep their own variants of the blocks.
    QSerialPort &port();
    // The three writes of SendASCII; false when the port did not take them.
    bool writeCommand(const QByteArray &command);
    bool writeByte(char byte);
    // True as soon as at least `count` bytes are waiting; false at the
    // deadline or when the port is closed.
    QCoro::Task<bool> waitForBytes(qint64 count, QDeadlineTimer deadline);
    QCoro::Task<bool> waitForInput(QDeadlineTimer deadline) { return waitForBytes(1, deadline); }
    // Waits for one byte until the deadline; true when it is the
    // acknowledgement 0xFC.
    QCoro::Task<bool> readAck(QDeadlineTimer until);
    // Reads and discards waiting input until the line has been quiet for a
    // packet's gap; ends at the deadline at the latest. Whatever half packet
    // the receiver was collecting is gone afterwards, so it hunts afresh.
    QCoro::Task<> drainInput(QDeadlineTimer deadline);

    // A line quiet this long is between packets: a packet's 43 bytes take
    // 22 ms at 19200 baud and USB adapters deliver in 16 ms slices.
    static constexpr std::chrono::milliseconds kPacketGap{50};
    static constexpr std::chrono::milliseconds kAckPause{140};

private:
    SerialLink &m_serial;
    StatusList &m_mainStatus;
    std::function<void()> m_inputDrained;
};
