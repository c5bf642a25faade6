#include "link/radio_dongle.h"

#include "common/program_flags.h"
#include "common/status_list.h"
#include "link/command_exchange.h"
#include "link/dialogue_gate.h"
#include "link/serial_link.h"

#include <QSerialPort>

RadioDongle::RadioDongle(SerialLink &serial, CommandExchange &exchange, DialogueGate &gate, ProgramFlags &flags,
                         StatusList &mainStatus, QObject *parent)
    : QObject(parent)
    , m_serial(serial)
    , m_exchange(exchange)
    , m_gate(gate)
    , m_flags(flags)
    , m_mainStatus(mainStatus)
{
}

QCoro::Task<> RadioDongle::DiscoverRadioNode(int generation)
{
    DialogueGate::Lease lease = co_await m_gate.acquire();
    co_await discover(generation, m_mainStatus, true);
}

QCoro::Task<> RadioDongle::FindZigbeeMonitor(int Zversion, StatusList &panelList)
{
    DialogueGate::Lease lease = co_await m_gate.acquire();
    // The node found here is the one the chosen method talks to, so a start
    // of real-time data need not search again.
    co_await discover(Zversion, panelList, true);
}

QCoro::Task<RadioDongle::Answer> RadioDongle::awaitAnswer(char &previous)
{
    // "OK" or "ER" as two characters in a row; anything else is dropped.
    // The previous character carries over from one answer to the next.
    const QDeadlineTimer until = CommandExchange::deadline(kAnswerSeconds);
    QSerialPort &port = m_exchange.port();
    for (;;) {
        // Awaited into a variable: gcc 12 miscompiles co_await inside a condition.
        const bool arrived = co_await m_exchange.waitForInput(until);
        if (!arrived)
            break;
        char current = 0;
        if (!port.getChar(&current))
            break;
        if (previous == 'O' && current == 'K')
            co_return Answer::Ok;
        if (previous == 'E' && current == 'R')
            co_return Answer::Error;
        previous = current;
    }
    co_return Answer::None;
}

QCoro::Task<bool> RadioDongle::discover(int generation, StatusList &list, bool markDiscovered)
{
    const bool open = co_await m_serial.OpenPort();
    if (!open)
        co_return false;

    const QString digit = QString::number(generation);
    m_flags.commandInProgress = true;
    list.clear();
    list.add(QStringLiteral("Sending +++ string"));
    emit busy(true, &list);

    // Whatever the outcome, the receiver gets the port back and the
    // pointer is restored.
    struct Finish
    {
        RadioDongle *self;
        StatusList &list;
        ~Finish()
        {
            self->m_flags.commandInProgress = false;
            emit self->busy(false, &list);
        }
    } finish{this, list};

    char previous = 0;
    m_exchange.port().write("+++");
    m_exchange.port().flush();
    Answer answer = co_await awaitAnswer(previous);
    if (answer == Answer::None) {
        list.add(QStringLiteral("No response from +++ command"));
        co_return false;
    }
    if (answer == Answer::Ok) {
        list.clear();
        list.add(QStringLiteral("Recieved OK response from +++ command"));
        const QByteArray select = "ATDNE" + digit.toLatin1() + '\r';
        m_exchange.port().write(select);
        m_exchange.port().flush();
        answer = co_await awaitAnswer(previous);
        if (answer == Answer::None) {
            list.add(QStringLiteral("No response from ATDNE") + digit + QStringLiteral(" command"));
            co_return false;
        }
    }
    if (answer == Answer::Error) {
        list.clear();
        list.add(QStringLiteral("Received ERROR from Wireless Radio. Node E") + digit +
                 QStringLiteral(" has not been detected."));
        co_return false;
    }
    list.clear();
    list.add(QStringLiteral("Node E") + digit + QStringLiteral(" has been discovered successfully."));
    if (markDiscovered)
        m_flags.nodeDiscovered = true;
    co_return true;
}
