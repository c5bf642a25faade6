#include "device/device_exchange.h"

#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/signal_wait.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "device/settings_block.h"
#include "link/command_exchange.h"
#include "link/dialogue_gate.h"
#include "realtime/realtime_control.h"

#include <QSerialPort>

using namespace std::chrono_literals;

// Results of awaited tasks go into a variable before they are tested: GCC 12
// resumes a dangling frame when a task that suspends is awaited inside an if
// condition.

namespace {
constexpr auto kNoPause = 0ms;
}

DeviceExchange::DeviceExchange(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_flags(parts.flags)
    , m_exchange(parts.exchange)
    , m_realtime(parts.realtime)
    , m_gate(parts.gate)
    , m_realtimeBox(parts.realtimeBox)
    , m_dialogs(parts.dialogs)
    , m_list(parts.list)
{
}

DeviceExchange::WireStep DeviceExchange::command(const QByteArray &name, const QString &abortLine)
{
    return WireStep{name, 0, abortLine};
}

DeviceExchange::WireStep DeviceExchange::value(int byte, const QString &failLine)
{
    return WireStep{QByteArray(), quint8(byte), failLine};
}

QCoro::Task<bool> DeviceExchange::probeTwice()
{
    bool ok = co_await m_exchange.Send_Receive_Ack();
    if (!ok)
        ok = co_await m_exchange.Send_Receive_Ack();
    co_return ok;
}

QCoro::Task<bool> DeviceExchange::ReadSettings()
{
    m_flags.realtimeWasOn = false;
    // Only when real-time came on after the pause: a second stop would
    // toggle a stopped monitor. Either way a read leaves real-time off.
    if (m_flags.realtimeActive && !m_pauseStopped) {
        m_list.add(QStringLiteral("Realtime is ON...... Now turning it off."));
        co_await m_realtime.stopSequence();
    }
    QSerialPort &port = m_exchange.port();
    if (port.isOpen())
        port.readAll();

    bool ok = co_await probeTwice();
    if (!ok) {
        m_list.clear();
        m_list.add(QStringLiteral("Unsuccessful in receiving response from QMN-4400. Try again."));
        co_return false;
    }
    co_await m_exchange.Dly(10);
    ok = co_await m_exchange.SendASCII("SET", true, kNoPause);
    if (!ok) {
        m_list.add(QStringLiteral("No response from \" SET \" command. Try again."));
        co_return false;
    }
    co_await m_exchange.Dly(10);
    ok = co_await m_exchange.SendASCII("RCV", true, kNoPause);
    if (!ok) {
        m_list.add(QStringLiteral("No response from \" RCV \" command. Try again."));
        co_return false;
    }
    const bool whole = co_await collectBlock();
    m_realtimeBox.show(QStringLiteral("Real-Time Data Stopped"), StatusBox::Colour::Bad);
    co_return whole;
}

QCoro::Task<bool> DeviceExchange::collectBlock()
{
    QSerialPort &port = m_exchange.port();
    const bool arrived = co_await m_exchange.waitForBytes(DeviceSettingsBlock::kSize, CommandExchange::deadline(2));
    if (!arrived)
        co_return false;
    // A longer answer would shift every field: wait for the line to go quiet.
    for (;;) {
        if (!port.isOpen())
            co_return false;
        const bool more = co_await waitForSignal(&port, &QSerialPort::readyRead, kBlockQuiet, this);
        if (!more || port.bytesAvailable() > DeviceSettingsBlock::kSize)
            break;
    }
    co_return port.bytesAvailable() == DeviceSettingsBlock::kSize;
}

QCoro::Task<QString> DeviceExchange::serialNumberExchange(QString *serial)
{
    const bool probed = co_await probeTwice();
    if (!probed)
        co_return QStringLiteral("Did not receive ACK 1");
    bool ok = co_await m_exchange.SendASCII("SET", true, kNoPause);
    if (!ok)
        co_return QStringLiteral("Abort SET command");
    const QList<QByteArray> letters{"S", "R", "N"};
    for (const QByteArray &letter : letters) {
        ok = co_await m_exchange.SendASCII(letter, true, kNoPause);
        if (!ok)
            co_return QStringLiteral("Abort SRN command");
    }
    const bool arrived = co_await m_exchange.waitForBytes(kSerialNumberBytes, CommandExchange::deadline(2));
    if (!arrived)
        co_return QStringLiteral("Abort Read Serial Number command");
    QSerialPort &port = m_exchange.port();
    *serial = serialNumberText(port.read(kSerialNumberBytes)).value_or(QString());
    ok = co_await m_exchange.WaitAck();
    if (!ok)
        co_return QStringLiteral("Did not successfuly receive acknowled for serial number read.");
    co_return QString();
}

QCoro::Task<DeviceExchange::Outcome> DeviceExchange::configWrite(const QList<WireStep> &steps,
                                                              const QString &portErrorBox)
{
    if (m_flags.realtimeActive && !m_pauseStopped) {
        m_flags.realtimeWasOn = true;
        co_await m_realtime.stopSequence();
    }
    QSerialPort &port = m_exchange.port();
    const auto portFailed = [&] {
        m_dialogs.message(portErrorBox);
        return Outcome::PortFailed;
    };
    if (!port.isOpen())
        co_return portFailed();
    const bool probed = co_await probeTwice();
    if (!probed) {
        m_list.add(QStringLiteral("Did not receive ACK 1"));
        co_return Outcome::Aborted;
    }
    bool ok = co_await m_exchange.SendASCII("SET", true, kNoPause);
    if (!ok) {
        if (!port.isOpen())
            co_return portFailed();
        m_list.add(QStringLiteral("Abort SET command"));
        co_return Outcome::Aborted;
    }
    Outcome outcome = Outcome::Clean;
    for (const WireStep &step : steps) {
        if (step.command.isEmpty()) {
            ok = co_await ackAfterWrite(QByteArray(1, char(step.value)));
            if (!ok && !port.isOpen())
                co_return portFailed();
            if (!ok) {
                m_list.add(step.failLine);
                outcome = Outcome::Reported;
            }
            continue;
        }
        ok = co_await m_exchange.SendASCII(step.command, true, kNoPause);
        if (!ok && !port.isOpen())
            co_return portFailed();
        if (!ok) {
            m_list.add(step.failLine);
            co_return Outcome::Aborted;
        }
    }
    co_return outcome;
}

QCoro::Task<bool> DeviceExchange::ackAfterWrite(const QByteArray &bytes)
{
    QSerialPort &port = m_exchange.port();
    if (!port.isOpen() || port.write(bytes) != bytes.size())
        co_return false;
    port.flush();
    co_return co_await m_exchange.WaitAck();
}

QCoro::Task<DeviceExchange::Outcome> DeviceExchange::WriteCTsetting(int CTtype, int CTrange, int CH)
{
    const QByteArray name = CH == 1 ? "CT1" : "CT2";
    if (CTrange == 0 || CTrange > 10) {
        m_dialogs.message(QStringLiteral("Improper Range"));
        co_return Outcome::Aborted;
    }
    const QList<WireStep> steps{
        command(name, QStringLiteral("Abort %1 command").arg(QLatin1String(name))),
        command("TYP", QStringLiteral("Abort TYP command")),
        value(CTtype, QStringLiteral("Did not successfuly send CT type")),
        command("RNG", QStringLiteral("Abort RNG command")),
        value(CTrange, QStringLiteral("Did not successfuly send new CT value"))};
    co_return co_await configWrite(steps,
                                   QStringLiteral("The CT type or CT range is improper. Change value and try again"));
}

QCoro::Task<DeviceExchange::Outcome> DeviceExchange::WritePTsetting(int PTtype, int PTrange)
{
    if (PTrange == 0 || PTrange > 10) {
        m_dialogs.message(QStringLiteral("Improper Range"));
        co_return Outcome::Aborted;
    }
    const QList<WireStep> steps{command("PTT", QStringLiteral("Abort PTT command")),
                                value(PTtype, QStringLiteral("Did not successfuly send PTtype")),
                                command("PTR", QStringLiteral("Abort PTR command")),
                                value(PTrange, QStringLiteral("Did not successfuly send new PT value"))};
    co_return co_await configWrite(steps,
                                   QStringLiteral("The PT type or PT range is improper. Change value and try again"));
}

QCoro::Task<bool> DeviceExchange::resetExchange(const QByteArray &command, const QString &done, const QString &notDone)
{
    QSerialPort &port = m_exchange.port();
    port.readAll();
    bool ok = co_await ackAfterWrite(QByteArray(1, CommandExchange::kAck));
    if (!ok) {
        if (!port.isOpen())
            co_return false;
        m_exchange.writeByte(CommandExchange::kAck);
        m_list.clear();
        m_list.add(QStringLiteral("No response from Acknowledge command"));
        co_return true;
    }
    ok = co_await ackAfterWrite("RQS");
    if (!ok) {
        if (!port.isOpen())
            co_return false;
        m_list.add(QStringLiteral("No response from Request command"));
        co_return true;
    }
    ok = co_await ackAfterWrite(command);
    if (!ok && !port.isOpen())
        co_return false;
    if (ok)
        m_list.clear();
    m_list.add(ok ? done : notDone);
    co_return true;
}

QCoro::Task<> DeviceExchange::TogglePolarity(int channel)
{
    // Real-time data goes on; only the bytes of other dialogues must not mix
    // with these.
    DialogueGate::Lease lease = co_await m_gate.acquire();
    m_flags.commandInProgress = true;
    QSerialPort &port = m_exchange.port();
    if (!port.isOpen()) {
        m_dialogs.message(QStringLiteral(
            "Open COM port and establish communication with monitor befor using this command."));
        m_flags.commandInProgress = false;
        co_return;
    }
    co_await m_exchange.drainInput(CommandExchange::deadline(1));
    const QByteArray command = channel == 1 ? "NG1" : channel == 2 ? "NG2" : "";
    const QList<QByteArray> writes{QByteArray(1, CommandExchange::kAck), QByteArray("SET"), command};
    for (const QByteArray &bytes : writes) {
        if (!bytes.isEmpty() && port.isOpen()) {
            port.write(bytes);
            port.flush();
        }
        co_await m_exchange.Dly(20);
    }
    if (!port.isOpen())
        m_dialogs.message(QStringLiteral(
            "Open COM port and establish communication with monitor befor using this command."));
    else if (port.bytesAvailable() == 0)
        m_dialogs.message(QStringLiteral("Toggle operation failed. Try again"));
    m_flags.commandInProgress = false;
}

QCoro::Task<> DeviceExchange::wordExchange(const QByteArray &command, const QByteArray &values,
                                           const QString &setFailLine)
{
    QSerialPort &port = m_exchange.port();
    port.readAll();
    bool ok = co_await ackAfterWrite(QByteArray(1, CommandExchange::kAck));
    if (!ok) {
        m_exchange.writeByte(CommandExchange::kAck);
        m_list.clear();
        m_list.add(QStringLiteral("No response from Acknowledge command"));
        co_return;
    }
    ok = co_await ackAfterWrite("SET");
    if (!ok) {
        m_list.add(setFailLine);
        co_return;
    }
    // The monitor's answers to these are not looked at.
    co_await ackAfterWrite(command);
    co_await ackAfterWrite(values);
}
