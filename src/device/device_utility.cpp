#include "device/device_utility.h"

#include "common/box_number.h"
#include "common/dialogs.h"
#include "common/program_flags.h"
#include "device/settings_block.h"
#include "link/command_exchange.h"
#include "realtime/realtime_control.h"
#include "realtime/realtime_sample.h"

#include <QSerialPort>

#include <optional>

using namespace std::chrono_literals;

// Results of awaited tasks go into a variable before they are tested: GCC 12
// resumes a dangling frame when a task that suspends is awaited inside an if
// condition.

namespace {

// A box read as a whole number from `low` to `high`, or nothing. An empty
// box, or one with anything but a number in it, holds no value: read the
// old way it would be 0 and go to the monitor as a setting nobody chose.
std::optional<int> valueBox(const QString &text, int low, int high)
{
    if (!isNumericText(text))
        return std::nullopt;
    const auto v = boxInteger(text);
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return int(*v);
}

std::optional<int> byteBox(const QString &text)
{
    return valueBox(text, 0, 255);
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
    , m_exchange(parts.exchange)
    , m_realtime(parts.realtime)
    , m_dialogs(parts.dialogs)
    , m_sample(parts.sample)
    , m_loads(parts.settings, parts.saveKeys)
    , m_wire({parts.flags, parts.exchange, parts.realtime, parts.gate, parts.realtimeBox, parts.dialogs, m_list})
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
    m_wire.setPauseStopped(paused && m_flags.realtimeWasOn);
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
    m_wire.setPauseStopped(false);
}

// ---- Reading ----

QCoro::Task<> DeviceUtility::readSettings()
{
    BusyPointer busy(this);
    for (Box b : {Ch1Type, Ch1Range, Ch2Type, Ch2Range, PtType, PtRange, Interval, Firmware, DeviceId})
        setBox(b, QString());
    const bool paused = co_await pause();
    if (paused) {
        m_list.clear();
        const bool read = co_await m_wire.ReadSettings();
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

QCoro::Task<> DeviceUtility::readSerialNumber()
{
    BusyPointer busy(this);
    m_list.clear();
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    QString serial;
    const QString failure = co_await m_wire.serialNumberExchange(&serial);
    if (!serial.isEmpty())
        setBox(SerialNumber, serial);
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
    const DeviceExchange::Outcome outcome = co_await m_wire.WriteCTsetting(*type, *range, channel);
    const auto complete = [&] {
        // The completion line comes last; a failure above it stays in view.
        if (outcome == DeviceExchange::Outcome::Clean)
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
    co_await m_wire.WritePTsetting(*type, *range);
    m_list.add(QStringLiteral("Completed"));
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::acceptInterval()
{
    m_list.clear();
    const auto minutes = valueBox(box(Interval), 1, 255);
    if (!minutes) {
        m_dialogs.message(QStringLiteral("Invalid Storage Interval Value"));
        co_return;
    }
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    BusyPointer busy(this);
    const QString notSent = QStringLiteral("Did not successfuly send Interval Setting value.");
    using W = DeviceExchange;
    const QList<W::WireStep> steps{W::command("IVL", QStringLiteral("Abort IVL command")), W::value(0, notSent),
                                   W::value(*minutes, notSent)};
    co_await m_wire.configWrite(steps, QStringLiteral("Error writing new storage interval value"));
    busy.release();
    co_await restore();
}

QCoro::Task<> DeviceUtility::acceptDeviceId()
{
    const bool paused = co_await pauseOrReport();
    if (!paused)
        co_return;
    m_list.clear();
    const auto id = valueBox(box(DeviceId), 0, 127);
    if (!id) {
        m_dialogs.message(QStringLiteral("Invalid Device ID Value"));
        co_await restore();
        co_return;
    }
    BusyPointer busy(this);
    using W = DeviceExchange;
    const QList<W::WireStep> steps{W::command("UID", QStringLiteral("Abort UID command")),
                                   W::value(*id, QStringLiteral("Did not successfuly send DeviceID value"))};
    co_await m_wire.configWrite(steps, QStringLiteral("Error writing new Device ID value"));
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
    co_await m_wire.wordExchange(command, values, setFailLine);
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
    const bool portOk = co_await m_wire.resetExchange(t.command, QString::fromLatin1(t.done), QString::fromLatin1(t.notDone));
    if (!portOk)
        m_dialogs.message(QString::fromLatin1(t.errorBox));
    busy.release();
    co_await restore();
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
        co_await m_wire.TogglePolarity(channel);
}
