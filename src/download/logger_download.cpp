#include "download/logger_download.h"

#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/signal_wait.h"
#include "download/unit_info.h"
#include "link/command_exchange.h"
#include "link/radio_dongle.h"
#include "link/serial_link.h"
#include "realtime/realtime_control.h"
#include "settings/settings.h"

#include <QMetaMethod>
#include <QSerialPort>

using namespace std::chrono_literals;

// Results of awaited tasks go into a variable before they are tested: GCC 12
// miscompiles co_await inside a condition.

namespace {
constexpr char kAck = char(0xFC);
const char kNoResponse[] = "No response from QMN. Verify connection and try again";
} // namespace

LoggerDownload::LoggerDownload(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_flags(parts.flags)
    , m_settings(parts.settings)
    , m_serial(parts.serial)
    , m_exchange(parts.exchange)
    , m_radio(parts.radio)
    , m_realtime(parts.realtime)
    , m_dialogs(parts.dialogs)
    , m_stream({[this] { writeAck(); }, [this](const QString &line) { m_messages.add(line); }})
{
}

void LoggerDownload::showPortState()
{
    if (m_serial.isOpen())
        m_commBox.show(QStringLiteral("COM port number %1 is open").arg(m_serial.portNumber()), StatusBox::Colour::Good);
    else
        m_commBox.show(QStringLiteral("COM port is not open"), StatusBox::Colour::Bad);
}

void LoggerDownload::writeAck()
{
    m_exchange.writeByte(kAck);
}

void LoggerDownload::abort()
{
    m_abortFlag = true;
    emit wake();
}

void LoggerDownload::takeBytes(const QByteArray &bytes)
{
    for (char byte : bytes)
        m_stream.ReadDownload(quint8(byte));
    emit progressChanged(m_stream.progressValue(), m_stream.progressMaximum());
    emit wake();
}

void LoggerDownload::commEvent(int code)
{
    m_messages.add(QStringLiteral("Com event error # %1").arg(code));
}

void LoggerDownload::finishSave(const QString &qmnPath)
{
    m_savedFileName = qmnPath;
    m_saveDone = true;
    emit wake();
}

void LoggerDownload::cancelSave()
{
    m_serial.ClosePort();
    m_flags.commandInProgress = false;
    m_flags.downloadMode = false;
    finishSave(QString());
}

QCoro::Task<> LoggerDownload::Dly(int ms)
{
    co_await TimedPause(std::chrono::milliseconds(ms), this);
}

QCoro::Task<bool> LoggerDownload::Send_Receive_Ack()
{
    const QDeadlineTimer until = CommandExchange::deadline(3);
    // Whatever the logger still had on its way when it was stopped would
    // otherwise be taken for the answer.
    if (m_serial.isOpen())
        co_await m_exchange.drainInput(until);
    if (!m_exchange.writeByte(kAck))
        co_return false;
    co_return co_await m_exchange.readAck(until);
}

QCoro::Task<> LoggerDownload::Start()
{
    if (m_running)
        co_return;
    m_running = true;
    emit runningChanged(true);
    co_await run();
    m_running = false;
    emit runningChanged(false);
}

QCoro::Task<bool> LoggerDownload::preamble()
{
    if (m_settings.ZigbeeVersion == 0) {
        m_dialogs.message(
            QStringLiteral("A communication method has not been selected. Select method before proceeding."));
        emit communicationPanelRequested();
        co_return false;
    }
    if (!m_flags.nodeDiscovered) {
        if (m_settings.ZigbeeVersion == 8) {
            m_flags.nodeDiscovered = true;
        } else if (m_settings.ZigbeeVersion >= 1 && m_settings.ZigbeeVersion <= 3) {
            m_messages.add(QStringLiteral("Searching for QMN-4400 with zigbee radio."));
            co_await m_radio.DiscoverRadioNode(m_settings.ZigbeeVersion);
        }
    }
    if (!m_flags.nodeDiscovered) {
        m_messages.add(QStringLiteral("Could not find QMN-4400 with zigbee radio."));
        co_return false;
    }
    co_return true;
}

QCoro::Task<> LoggerDownload::run()
{
    m_stream.reset(0);
    emit progressChanged(0, 0);
    // Only a new start forgets an abort: pressed during any wait below, it
    // ends this download, however long that wait was.
    m_abortFlag = false;
    m_saveDone = false;

    const bool linked = co_await preamble();
    // Nothing of the download has reached the monitor yet.
    if (!linked || m_abortFlag)
        co_return;

    m_savedFileName.clear();
    const bool paused = co_await m_realtime.PauseRealtime(m_messages);
    if (!paused) {
        m_messages.clear();
        m_messages.add(QStringLiteral(" An error occured. Correct the error and try again"));
    } else if (m_abortFlag) {
        co_await Abort();
    } else {
        showPortState();
        const bool informed = co_await GetUnitInfo();
        if (informed) {
            m_stream.reset(qMax(m_records, 0));
            m_flags.downloadMode = true;
            emit progressChanged(0, m_stream.progressMaximum());
            writeAck();
            for (;;) {
                if (m_stream.complete())
                    break;
                if (m_abortFlag || m_stream.overflowed()) {
                    // Probe answers belong to the abort, not to the data.
                    m_flags.downloadMode = false;
                    co_await Abort();
                    break;
                }
                co_await waitForSignal(this, &LoggerDownload::wake, -1ms, this);
            }
            if (m_stream.complete()) {
                co_await FinishDownload();
                if (!m_savedFileName.isEmpty())
                    emit openFileRequested(m_savedFileName);
            }
        }
    }
    m_flags.downloadMode = false;
    co_await m_realtime.RestoreRealtime(m_messages);
    m_flags.downloadMode = false;
}

QCoro::Task<bool> LoggerDownload::requestUnitInfo()
{
    for (int attempt = 1;; ++attempt) {
        co_await Send_Receive_Ack();
        if (m_abortFlag)
            co_return false;
        const bool sent = co_await m_exchange.SendASCII("DNL", true, kAckPause);
        if (sent || m_abortFlag)
            co_return sent;
        bool answered = co_await Send_Receive_Ack();
        if (!answered && !m_abortFlag)
            answered = co_await Send_Receive_Ack();
        if (m_abortFlag)
            co_return false;
        // A monitor that answers probes but never takes "DNL" would keep
        // this going for ever.
        if (!answered || attempt >= kUnitInfoTries) {
            m_messages.clear();
            m_messages.add(QString::fromLatin1(kNoResponse));
            co_return false;
        }
    }
}

QCoro::Task<bool> LoggerDownload::giveUp()
{
    co_await Abort();
    co_return false;
}

// Every way out after the monitor took "DNL" goes through Abort: the
// monitor would otherwise wait for the 0xFC that starts its stream, and the
// next probe anybody sends would set the logger's bytes flowing into the
// packet receiver.
QCoro::Task<bool> LoggerDownload::GetUnitInfo()
{
    const bool requested = co_await requestUnitInfo();
    if (m_abortFlag)
        co_return co_await giveUp();
    if (!requested)
        co_return false;

    co_await Dly(25);
    if (m_abortFlag)
        co_return co_await giveUp();
    const bool again = co_await m_exchange.SendASCII("DNL", true, kAckPause);
    if (!again || m_abortFlag)
        co_return co_await giveUp();

    const bool block = co_await m_exchange.waitForBytes(32, CommandExchange::deadline(3));
    if (m_abortFlag)
        co_return co_await giveUp();
    if (!block) {
        m_messages.add(QStringLiteral("Could not retreive unit info. Try again."));
        co_return co_await giveUp();
    }
    QByteArray info;
    while (info.size() < 32) {
        const QByteArray chunk = co_await m_serial.ReadPortChunk(m_abortFlag, 1);
        if (chunk.isEmpty())
            co_return co_await giveUp();
        info += chunk;
    }
    m_deviceId = UnitInfo::deviceIdText(info.left(6));
    emit boxesChanged();

    QSerialPort &port = m_serial.port();
    const bool intervalSent = co_await askForBytes(2, "333");
    if (!intervalSent)
        co_return false;
    char interval = 0;
    char unused = 0;
    port.getChar(&interval);
    port.getChar(&unused);
    m_interval = quint8(interval);
    m_settings.Interval = m_interval;
    m_intervalText = QStringLiteral("%1 Minute").arg(m_interval);
    emit boxesChanged();

    const bool pointerSent = co_await askForBytes(3, "222");
    if (!pointerSent)
        co_return false;
    // More than the three pointer bytes is an answer out of step: waiting
    // cannot bring it back to three.
    if (port.bytesAvailable() != 3) {
        m_messages.add(QStringLiteral(" erro 111"));
        co_return co_await giveUp();
    }
    char pointer[3] = {};
    if (port.read(pointer, 3) != 3)
        co_return co_await giveUp();
    const int high = quint8(pointer[0]);
    if (high > 4)
        m_dialogs.message(QStringLiteral("Improper value for Hi Pointer"));
    const qint64 fill = qint64(high) * 65536 + quint8(pointer[1]) * 256 + quint8(pointer[2]);
    m_records = UnitInfo::recordCount(fill);
    m_recordsText = QString::number(m_records);
    emit boxesChanged();
    co_return true;
}

QCoro::Task<bool> LoggerDownload::askForBytes(int count, const char *shortAnswer)
{
    writeAck();
    co_await Dly(300);
    if (m_abortFlag)
        co_return co_await giveUp();
    if (m_serial.port().bytesAvailable() >= count)
        co_return true;
    m_dialogs.message(QString::fromLatin1(shortAnswer));
    co_await Abort();
    m_dialogs.message(QStringLiteral("error = 0"));
    co_return false;
}

QCoro::Task<> LoggerDownload::Abort()
{
    if (!m_serial.isOpen())
        co_await m_serial.OpenPort();
    co_await Send_Receive_Ack();
    co_await Dly(200);
    co_await Send_Receive_Ack();
    co_await Dly(200);
    co_await Send_Receive_Ack();
    co_await Dly(1200);
    const bool probed = co_await Send_Receive_Ack();
    if (!probed)
        m_messages.add(QStringLiteral("Err 1"));
    const bool cancelled = co_await m_exchange.SendASCII("CAL", true, kAckPause);
    if (!cancelled)
        m_messages.add(QStringLiteral("Err 2"));
    const bool finished = co_await m_exchange.SendASCII("FIN", true, kAckPause);
    if (!finished)
        m_messages.add(QStringLiteral("Err 3"));
    m_messages.add(QStringLiteral("Aborted Successfuly"));
    m_serial.ClosePort();
    m_messages.add(QStringLiteral("Closing COM Port"));
    co_await Dly(1000);
    co_await m_serial.OpenPort();
    m_messages.add(QStringLiteral("Re-opened COM Port"));
}

QCoro::Task<> LoggerDownload::FinishDownload()
{
    m_stream.clearComplete();
    m_data = m_stream.data();
    m_messages.add(QStringLiteral("Download Complete"));
    // The bar counts data bytes against what the pointer promised: a
    // complete download fills it whatever the count.
    emit progressChanged(m_stream.progressMaximum(), m_stream.progressMaximum());
    writeAck();
    m_saveDone = false;
    // Without a window to ask, nothing is saved.
    if (isSignalConnected(QMetaMethod::fromSignal(&LoggerDownload::saveRequested))) {
        emit saveRequested();
        while (!m_saveDone)
            co_await waitForSignal(this, &LoggerDownload::wake, -1ms, this);
    }
    // The monitor closes with the byte after the marker and its tail, each
    // answered by the stream: the port stays with the download until then.
    const QDeadlineTimer until = CommandExchange::deadline(kTailSeconds);
    while (m_stream.state() != DownloadStream::State::Final && !until.hasExpired()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until.remainingTimeAsDuration());
        co_await waitForSignal(this, &LoggerDownload::wake, left, this);
    }
    m_abortFlag = true;
}
