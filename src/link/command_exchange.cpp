#include "link/command_exchange.h"

#include "common/signal_wait.h"
#include "common/status_list.h"
#include "link/serial_link.h"

#include <QSerialPort>

using namespace std::chrono_literals;

// Results of awaited tasks go into a variable before they are tested: GCC 12
// resumes a dangling frame when a task that suspends is awaited inside an if
// condition.

CommandExchange::CommandExchange(SerialLink &serial, StatusList &mainStatus, QObject *parent)
    : QObject(parent)
    , m_serial(serial)
    , m_mainStatus(mainStatus)
{
}

QDeadlineTimer CommandExchange::deadline(int seconds)
{
    return QDeadlineTimer(std::chrono::milliseconds(seconds * 1000 - 500), Qt::PreciseTimer);
}

QSerialPort &CommandExchange::port()
{
    return m_serial.port();
}

QCoro::Task<> CommandExchange::Dly(int ms)
{
    co_await TimedPause(std::chrono::milliseconds(qMax(ms, 0)), this);
}

QCoro::Task<bool> CommandExchange::waitForBytes(qint64 count, QDeadlineTimer deadline)
{
    QSerialPort &p = port();
    for (;;) {
        if (!p.isOpen())
            co_return false;
        // readyRead does not come again for bytes already buffered.
        if (p.bytesAvailable() >= count)
            co_return true;
        const auto left = deadline.remainingTimeAsDuration();
        if (left <= 0ms)
            co_return false;
        co_await waitForSignal(&p, &QSerialPort::readyRead, std::chrono::ceil<std::chrono::milliseconds>(left), this);
    }
}

QCoro::Task<bool> CommandExchange::readAck(QDeadlineTimer until)
{
    const bool arrived = co_await waitForInput(until);
    if (!arrived)
        co_return false;
    char byte = 0;
    if (!port().getChar(&byte))
        co_return false;
    co_return byte == kAck;
}

QCoro::Task<bool> CommandExchange::WaitAck()
{
    co_return co_await readAck(deadline(2));
}

bool CommandExchange::writeByte(char byte)
{
    QSerialPort &p = port();
    if (!p.isOpen() || p.write(&byte, 1) != 1)
        return false;
    p.flush();
    return true;
}

bool CommandExchange::writeCommand(const QByteArray &command)
{
    if (command.isEmpty() || !port().isOpen())
        return false;
    // First, second and last character: a three-letter command goes out
    // whole, a one-letter text goes out twice.
    bool written = writeByte(command.front());
    if (command.size() > 1)
        written = writeByte(command.at(1)) && written;
    written = writeByte(command.back()) && written;
    return written;
}

QCoro::Task<bool> CommandExchange::SendASCII(const QByteArray &command, bool waitForAck,
                                             std::chrono::milliseconds pauseAfterAck)
{
    // The acknowledgement cannot come before the command: whatever is
    // already waiting (a packet of a stream still running, the rest of an
    // earlier answer) would otherwise be taken for it.
    if (waitForAck && port().isOpen() && port().bytesAvailable() > 0)
        port().readAll();
    if (!writeCommand(command))
        co_return false;
    if (!waitForAck)
        co_return true;
    const bool acknowledged = co_await WaitAck();
    if (!acknowledged)
        co_return false;
    if (pauseAfterAck > 0ms)
        co_await Dly(int(pauseAfterAck.count()));
    co_return true;
}

QCoro::Task<> CommandExchange::drainInput(QDeadlineTimer deadline)
{
    QSerialPort &p = port();
    for (;;) {
        if (!p.isOpen())
            break;
        if (p.bytesAvailable() > 0)
            p.readAll();
        const auto left = deadline.remainingTimeAsDuration();
        if (left <= 0ms)
            break;
        const auto gap = std::min<std::chrono::milliseconds>(kPacketGap,
                                                             std::chrono::ceil<std::chrono::milliseconds>(left));
        const bool more = co_await waitForSignal(&p, &QSerialPort::readyRead, gap, this);
        if (!more)
            break; // quiet line: no packet is under way
    }
    // The rest of any half-received packet went with the drain.
    if (m_inputDrained)
        m_inputDrained();
}

QCoro::Task<bool> CommandExchange::Send_Receive_Ack()
{
    const bool open = m_serial.isOpen() || co_await m_serial.OpenPort();
    if (!open) {
        m_mainStatus.add(
            QStringLiteral("An error ocurred or the COM port could not be found. Correct the problem and try again."));
        co_return false;
    }
    const QDeadlineTimer until = deadline(3);
    co_await drainInput(until);
    if (!writeByte(kAck))
        co_return false;
    co_return co_await readAck(until);
}
