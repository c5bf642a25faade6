#include "device/device_utility.h"

#include "common/box_number.h"
#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/signal_wait.h"
#include "common/status_box.h"
#include "device/settings_block.h"
#include "link/command_exchange.h"
#include "link/dialogue_gate.h"
#include "link/serial_link.h"
#include "realtime/realtime_control.h"
#include "realtime/realtime_sample.h"

#include <QSerialPort>

#include <optional>

using namespace std::chrono_literals;

// Results of awaited tasks go into a variable before they are tested: GCC 12
// resumes a dangling frame when a task that suspends is awaited inside an if
// condition.

namespace {

constexpr auto kNoPause = 0ms;

// A box read as a byte, or nothing when it holds no byte at all.
std::optional<int> byteBox(const QString &text)
{
    const auto v = boxInteger(text);
    if (!v || *v < 0 || *v > 255)
        return std::nullopt;
    return int(*v);
}

// The line that refuses the text of a box whose value must lie in 0 to
// limit - 1, or nothing when it does. Never wrapped into range.
QString wordRefusal(const QString &text, qint64 limit, const QString &notNumeric, const QString &tooHigh,
                    const QString &negative)
{
    if (!isNumericText(text))
        return notNumeric;
    const auto value = boxInteger(text);
    if (value ? *value < 0 : leadingNumber(text) < 0)
        return negative;
    if (!value || *value >= limit)
        return tooHigh;
    return {};
}

} // namespace

DeviceUtility::WireStep DeviceUtility::command(const QByteArray &name, const QString &abortLine)
{
    return WireStep{name, 0, abortLine};
}

DeviceUtility::WireStep DeviceUtility::value(int byte, const QString &failLine)
{
    return WireStep{QByteArray(), quint8(byte), failLine};
}

// The hourglass from the start of a dialogue to its end, on every path.
class DeviceUtility::BusyPointer
{
public:
    explicit BusyPointer(DeviceUtility *owner)
        : m_owner(owner)
    {
        m_owner->setBusy(true);
    }
    ~BusyPointer() { release(); }
    void release()
    {
        if (m_owner)
            m_owner->setBusy(false);
        m_owner = nullptr;
    }

private:
    DeviceUtility *m_owner;
};

DeviceUtility::DeviceUtility(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_flags(parts.flags)
    , m_serial(parts.serial)
    , m_exchange(parts.exchange)
    , m_realtime(parts.realtime)
    , m_gate(parts.gate)
    , m_realtimeBox(parts.realtimeBox)
    , m_dialogs(parts.dialogs)
    , m_sample(parts.sample)
    , m_loads(parts.settings, parts.saveKeys)
{
}

void DeviceUtility::setBox(Box b, const QString &text)
{
    if (m_boxes[b] == text)
        return;
    m_boxes[b] = text;
    emit boxChanged(b);
}

void DeviceUtility::setBusy(bool on)
{
    const bool was = isBusy();
    m_busy += on ? 1 : -1;
    if (was != isBusy())
        emit busyChanged(isBusy());
}

void DeviceUtility::opened()
{
    m_list.clear();
    setBox(Address, QString::number(m_sample.deviceAddress));
}

void DeviceUtility::RefrCT(int CT_Type, int CT_Range)
{
    setBox(Ch1Type, QString::number(CT_Type));
    setBox(Ch2Type, QString::number(CT_Type));
    setBox(Ch1Range, QString::number(CT_Range));
    setBox(Ch2Range, QString::number(CT_Range));
}

void DeviceUtility::preset(int option)
{
    static const int presets[4][2] = {{100, 5}, {167, 5}, {175, 5}, {167, 4}};
    if (option >= 0 && option < 4)
        RefrCT(presets[option][0], presets[option][1]);
}

QCoro::Task<bool> DeviceUtility::pause()
{
    const bool paused = co_await m_realtime.PauseRealtime(m_list);
    m_pauseStopped = paused && m_flags.realtimeWasOn;
    co_return paused;
}

QCoro::Task<bool> DeviceUtility::pauseOrReport()
{
    const bool paused = co_await pause();
    if (!paused) {
        m_list.clear();
        m_list.add(QStringLiteral("A problem occured with the COM port. Correct the problem and try again."));
    }
    co_return paused;
}

QCoro::Task<> DeviceUtility::restore()
{
    co_await m_realtime.RestoreRealtime(m_list);
    m_pauseStopped = false;
}

QCoro::Task<bool> DeviceUtility::probeTwice()
{
    bool ok = co_await m_exchange.Send_Receive_Ack();
    if (!ok)
        ok = co_await m_exchange.Send_Receive_Ack();
    co_return ok;
}

// ---- Reading ----

QCoro::Task<bool> DeviceUtility::ReadSettings()
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

QCoro::Task<bool> DeviceUtility::waitForBytes(qint64 count)
{
    QSerialPort &port = m_exchange.port();
    const QDeadlineTimer until = CommandExchange::deadline(2);
    while (port.isOpen() && port.bytesAvailable() < count) {
        const auto left = until.remainingTimeAsDuration();
        if (left <= 0ms)
            co_return false;
        co_await waitForSignal(&port, &QSerialPort::readyRead, std::chrono::ceil<std::chrono::milliseconds>(left),
                               this);
    }
    co_return port.isOpen();
}

QCoro::Task<bool> DeviceUtility::collectBlock()
{
    QSerialPort &port = m_exchange.port();
    const bool arrived = co_await waitForBytes(DeviceSettingsBlock::kSize);
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

QCoro::Task<> DeviceUtility::readSettings()
{
    BusyPointer busy(this);
    for (Box b : {Ch1Type, Ch1Range, Ch2Type, Ch2Range, PtType, PtRange, Interval, Firmware, DeviceId})
        setBox(b, QString());
    const bool paused = co_await pause();
    if (paused) {
        m_list.clear();
        const bool read = co_await ReadSettings();
        QSerialPort &port = m_exchange.port();
        if (!read) {
            m_list.add(QStringLiteral("Could not read settings... Try again."));
        } else if (port.bytesAvailable() != DeviceSettingsBlock::kSize) {
            m_list.add(QStringLiteral("Error # 33"));
        } else {
            const auto block = parseSettingsBlock(port.read(DeviceSettingsBlock::kSize));
            co_await m_exchange.Send_Receive_Ack();
            setBox(Ch1Type, QString::number(block->ct1Type));
            setBox(Ch1Range, QString::number(block->ct1Range));
            setBox(Ch2Type, QString::number(block->ct2Type));
            setBox(Ch2Range, QString::number(block->ct2Range));
            setBox(PtType, QString::number(block->ptType));
            setBox(PtRange, QString::number(block->ptRange));
            setBox(Interval, QString::number(block->intervalMinutes));
            setBox(Firmware, block->firmwareText());
            setBox(DeviceId, QString::number(block->deviceId));
            setBox(Address, QString::number(block->address));
            m_flags.commandInProgress = false;
            m_list.clear();
            m_list.add(QStringLiteral("Settings have been read successfuly"));
        }
        // A block of the wrong length is nobody's data.
        if (port.isOpen() && m_flags.commandInProgress)
            port.readAll();
    }
    busy.release();
    co_await restore();
}

QCoro::Task<QString> DeviceUtility::serialNumberExchange()
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
    const bool arrived = co_await waitForBytes(kSerialNumberBytes);
    if (!arrived)
        co_return QStringLiteral("Abort Read Serial Number command");
    QSerialPort &port = m_exchange.port();
    setBox(SerialNumber, serialNumberText(port.read(kSerialNumberBytes)).value_or(QString()));
    ok = co_await m_exchange.WaitAck();
    if (!ok)
        co_return QStringLiteral("Did not successfuly receive acknowled for serial number read.");
    co_return QString();
}

QCoro::Task<> DeviceUtility::readSerialNumber()
{
    BusyPointer busy(this);
    m_list.clear();
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    const QString failure = co_await serialNumberExchange();
    if (!failure.isEmpty())
        m_list.add(failure);
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::sendAcknowledge()
{
    const bool paused = co_await pause();
    if (paused) {
        QSerialPort &port = m_exchange.port();
        port.readAll();
        m_exchange.writeByte(CommandExchange::kAck);
        m_list.clear();
        co_await m_exchange.Dly(1000);
        const bool arrived = co_await m_exchange.waitForInput(CommandExchange::deadline(2));
        char byte = 0;
        if (!arrived || !port.getChar(&byte)) {
            m_list.add(QStringLiteral("No response was received."));
        } else {
            m_list.add(QString::number(quint8(byte)));
            const bool good = byte == CommandExchange::kAck;
            m_list.add(good ? QStringLiteral("Successful response.") : QStringLiteral("Improper response."));
            setBox(Response, good ? QStringLiteral("Acknowledged") : QStringLiteral("Error"));
        }
    }
    co_await restore();
}

// ---- Writing ----

QCoro::Task<DeviceUtility::Outcome> DeviceUtility::configWrite(const QList<WireStep> &steps,
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

QCoro::Task<bool> DeviceUtility::ackAfterWrite(const QByteArray &bytes)
{
    QSerialPort &port = m_exchange.port();
    if (!port.isOpen() || port.write(bytes) != bytes.size())
        co_return false;
    port.flush();
    co_return co_await m_exchange.WaitAck();
}

QCoro::Task<DeviceUtility::Outcome> DeviceUtility::WriteCTsetting(int CTtype, int CTrange, int CH)
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

QCoro::Task<DeviceUtility::Outcome> DeviceUtility::WritePTsetting(int PTtype, int PTrange)
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

QCoro::Task<> DeviceUtility::acceptCt(int channel)
{
    const QString name = QStringLiteral("CH%1 CT Type and Range").arg(channel);
    const auto type = byteBox(box(channel == 1 ? Ch1Type : Ch2Type));
    const auto range = byteBox(box(channel == 1 ? Ch1Range : Ch2Range));
    m_list.clear();
    if (!type || !range) {
        m_list.clear();
        m_list.add(QStringLiteral("PROBLEM Modifying ") + name);
        m_dialogs.message(QStringLiteral("Error writing CT setup values"));
        co_await restore();
        co_return;
    }
    if (channel == 2)
        m_list.add(QStringLiteral("Modifying ") + name);
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    BusyPointer busy(this);
    if (channel == 1) {
        m_list.clear();
        m_list.add(QStringLiteral("Modifying ") + name);
    }
    const Outcome outcome = co_await WriteCTsetting(*type, *range, channel);
    const auto complete = [&] {
        // The completion line comes last; a failure above it stays in view.
        if (outcome == Outcome::Clean)
            m_list.clear();
        m_list.add(QStringLiteral("Completed Modifying ") + name);
    };
    if (channel == 2)
        complete();
    busy.release();
    co_await restore();
    if (channel == 1)
        complete();
}

QCoro::Task<> DeviceUtility::acceptPt()
{
    m_list.clear();
    const auto type = byteBox(box(PtType));
    const auto range = byteBox(box(PtRange));
    if (!type || !range) {
        m_dialogs.message(QStringLiteral("Error writing PT setup values"));
        co_await restore();
        co_return;
    }
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    BusyPointer busy(this);
    co_await WritePTsetting(*type, *range);
    m_list.add(QStringLiteral("Completed"));
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::acceptInterval()
{
    m_list.clear();
    const auto minutes = boxInteger(box(Interval));
    if (!minutes || *minutes < 1 || *minutes > 255) {
        m_dialogs.message(QStringLiteral("Invalid Storage Interval Value"));
        co_return;
    }
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    BusyPointer busy(this);
    const QString notSent = QStringLiteral("Did not successfuly send Interval Setting value.");
    const QList<WireStep> steps{command("IVL", QStringLiteral("Abort IVL command")), value(0, notSent),
                                value(int(*minutes), notSent)};
    co_await configWrite(steps, QStringLiteral("Error writing new storage interval value"));
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::acceptDeviceId()
{
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    m_list.clear();
    const auto id = boxInteger(box(DeviceId));
    if (!id || *id < 0 || *id >= 128) {
        m_dialogs.message(QStringLiteral("Invalid Device ID Value"));
        co_await restore();
        co_return;
    }
    BusyPointer busy(this);
    const QList<WireStep> steps{command("UID", QStringLiteral("Abort UID command")),
                                value(int(*id), QStringLiteral("Did not successfuly send DeviceID value"))};
    co_await configWrite(steps, QStringLiteral("Error writing new Device ID value"));
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::saveAddress()
{
    const QString text = box(Address);
    const QString refused = wordRefusal(text, 65536, QStringLiteral("The Device Address is not a numeric value."),
                                        QStringLiteral("Device Address value too high"),
                                        QStringLiteral("The Device Address cannot be negative."));
    if (!refused.isEmpty()) {
        m_list.add(refused);
        co_return;
    }
    const qint64 address = *boxInteger(text);
    QByteArray value;
    value.append(char(address >> 8)).append(char(address & 0xFF));
    co_await saveWord("SID", value, QStringLiteral("No response from Set Device Address command"));
}

QCoro::Task<> DeviceUtility::saveFrequency()
{
    const QString text = box(Frequency);
    QString refused = wordRefusal(text, 256, QStringLiteral("The Packet Frequency is not a numeric value."),
                                  QStringLiteral("Packet Frequency value too high"),
                                  QStringLiteral("The Packet Frequency cannot be negative."));
    if (refused.isEmpty() && *boxInteger(text) == 0)
        refused = QStringLiteral("Packet Frequency cannot be zero.");
    if (!refused.isEmpty()) {
        m_list.add(refused);
        co_return;
    }
    co_await saveWord("IV2", QByteArray(1, char(*boxInteger(text))), QStringLiteral("No response from Set IV2 command"));
}

QCoro::Task<> DeviceUtility::saveWord(const QByteArray &command, const QByteArray &values, const QString &setFailLine)
{
    const bool paused = co_await pause();
    if (!paused)
        co_return;
    QSerialPort &port = m_exchange.port();
    port.readAll();
    bool ok = co_await ackAfterWrite(QByteArray(1, CommandExchange::kAck));
    if (!ok) {
        m_exchange.writeByte(CommandExchange::kAck);
        m_list.clear();
        m_list.add(QStringLiteral("No response from Acknowledge command"));
    } else {
        ok = co_await ackAfterWrite("SET");
        if (!ok) {
            m_list.add(setFailLine);
        } else {
            // The monitor's answers to these are not looked at.
            co_await ackAfterWrite(command);
            co_await ackAfterWrite(values);
        }
    }
    co_await restore();
}

// ---- Resets, polarity ----

QCoro::Task<> DeviceUtility::reset(Reset which)
{
    struct Texts
    {
        const char *question, *command, *done, *notDone, *errorBox;
    };
    static const Texts texts[] = {
        {"Are you sure you want to reset the QMN-4400 accumulated data?", "RST", "QMN has been successfuly reset",
         "QMN was not reset", "Reset Error"},
        {"Are you sure you want to reset the Data Logger?", "REE", "DataLogger has been successfuly reset",
         "Data Logger was not reset", "Data Logger Reset Error"},
        {"Are you sure you want to reset the QMN-4400 accumulated values? (Does not affect data-logger)", "RKW",
         "QMN-4400 accumulated values have been successfuly reset", "QMN-4400 was not reset",
         "QMN-4400 Accumulated Value Reset Error"},
    };
    const Texts &t = texts[int(which)];
    if (!m_dialogs.askYesNoTitled(QStringLiteral("Caution"), QString::fromLatin1(t.question)))
        co_return;
    BusyPointer busy(this);
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    const bool portOk = co_await resetExchange(t.command, QString::fromLatin1(t.done), QString::fromLatin1(t.notDone));
    if (!portOk)
        m_dialogs.message(QString::fromLatin1(t.errorBox));
    busy.release();
    co_await restore();
}

QCoro::Task<bool> DeviceUtility::resetExchange(const QByteArray &command, const QString &done, const QString &notDone)
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

void DeviceUtility::resetPreResetValues()
{
    const bool yes = m_dialogs.askYesNo(QStringLiteral(
        "Are you sure you want to delete these values? Deleting these will cause your web server data to corrupt. "
        "This should only be used initialy before starting a new web server account."));
    if (!yes)
        return;
    m_sample.PreResetVal1 = 0;
    m_sample.PreResetVal2 = 0;
    m_sample.PreResetValP1 = 0;
    m_sample.PreResetValP2 = 0;
}

QCoro::Task<> DeviceUtility::togglePolarity(int channel)
{
    const bool yes = m_dialogs.askYesNo(
        QStringLiteral("Are you sure you want to change the polarity? If you are NET metering, this will affect "
                       "your data."));
    if (yes)
        co_await TogglePolarity(channel);
}

QCoro::Task<> DeviceUtility::TogglePolarity(int channel)
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
