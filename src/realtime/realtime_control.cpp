#include "realtime/realtime_control.h"

#include "settings/settings.h"
#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/signal_wait.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "link/command_exchange.h"
#include "link/radio_dongle.h"
#include "link/serial_link.h"

#include <QSerialPort>
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {
const char kActive[] = "Real-Time Data Active";
const char kStopped[] = "Real-Time Data Stopped";
const char kNoMethod[] = "A communication method has not been selected. Select method before proceeding.";
const char kStartFailed[] = "An error occured while attempting to start Real-Time data. Please verify your COM port or "
                            "connection";
constexpr int kUsbCable = 8;

bool isRadio(int method)
{
    return method >= 1 && method <= 3;
}
} // namespace

RealtimeControl::RealtimeControl(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_flags(parts.flags)
    , m_settings(parts.settings)
    , m_serial(parts.serial)
    , m_exchange(parts.exchange)
    , m_radio(parts.radio)
    , m_gate(parts.gate)
    , m_mainStatus(parts.mainStatus)
    , m_realtimeBox(parts.realtimeBox)
    , m_dialogs(parts.dialogs)
    , m_autoStartTimer(parts.autoStartTimer)
{
    connect(&parts.autoStartTimer, &QTimer::timeout, this, &RealtimeControl::onAutoStartTick);
    connect(&parts.watchdogTimer, &QTimer::timeout, this, &RealtimeControl::onWatchdogTick);
}

void RealtimeControl::showActive()
{
    m_realtimeBox.show(kActive, StatusBox::Colour::Good);
    emit realtimeStateShown(true);
}

void RealtimeControl::showStopped()
{
    m_realtimeBox.show(kStopped, StatusBox::Colour::Bad);
    emit realtimeStateShown(false);
}

QCoro::Task<> RealtimeControl::MnuStartRTL_Click()
{
    // A start by hand makes the pending start of the program's start-up moot.
    m_autoStartTimer.stop();
    DialogueGate::Lease lease = co_await m_gate.acquire();
    // Another start got there first while this one waited: a second start
    // sequence would close the port under a streaming monitor.
    if (m_flags.realtimeActive)
        co_return;
    co_await startSequence();
}

QCoro::Task<> RealtimeControl::MnuStopRTL_Click()
{
    DialogueGate::Lease lease = co_await m_gate.acquire();
    co_await stopSequence();
}

QCoro::Task<bool> RealtimeControl::prelude()
{
    const int method = m_settings.ZigbeeVersion;
    if (method == 0) {
        m_dialogs.message(kNoMethod);
        emit communicationPanelRequested();
        co_return false;
    }
    if (!m_flags.nodeDiscovered) {
        if (method == kUsbCable)
            m_flags.nodeDiscovered = true;
        else if (isRadio(method))
            co_await m_radio.discover(method, m_mainStatus, true); // goes on whatever the outcome
    }
    co_return true;
}

QCoro::Task<> RealtimeControl::startSequence()
{
    const bool proceed = co_await prelude();
    if (!proceed)
        co_return;
    const bool opened = co_await m_serial.OpenPort();
    co_await m_exchange.Dly(1000);
    if (opened) {
        m_flags.commandInProgress = true;
        const bool on = co_await switchOn();
        if (on)
            co_return;
        m_flags.commandInProgress = false;
    }
    m_dialogs.message(kStartFailed);
}

QCoro::Task<bool> RealtimeControl::switchOn()
{
    bool ok = co_await m_exchange.Send_Receive_Ack();
    if (!ok) {
        m_mainStatus.clear();
        m_mainStatus.add(QStringLiteral("No response from Acknowledge command"));
        co_return false;
    }
    ok = co_await m_exchange.SendASCII("TOG", true);
    if (!ok) {
        m_mainStatus.add(QStringLiteral("No response from Request command"));
        co_return false;
    }
    ok = co_await m_exchange.SendASCII("PLR", true);
    if (!ok) {
        m_mainStatus.add(QStringLiteral("Error turning Real-Time ON"));
        co_return false;
    }
    m_mainStatus.clear();
    m_mainStatus.add(QStringLiteral("Real-Time is ON"));

    // What came before the stream is no packet; the stream's first bytes
    // light the box and stay for the receiver.
    const QDeadlineTimer until = CommandExchange::deadline(kStartSeconds);
    QSerialPort &port = m_exchange.port();
    if (port.isOpen() && port.bytesAvailable() > 0)
        port.readAll();
    for (;;) {
        if (port.isOpen() && port.bytesAvailable() > 0)
            showActive();
        const auto left = until.remainingTimeAsDuration();
        if (left <= 0ms)
            break;
        co_await waitForSignal(&port, &QSerialPort::readyRead, std::chrono::ceil<std::chrono::milliseconds>(left),
                               this);
    }
    m_flags.commandInProgress = false;
    m_flags.realtimeActive = true;
    // The receiver only hears of input when more arrives; hand it what the
    // wait left in the buffer now.
    if (port.isOpen() && port.bytesAvailable() > 0)
        emit m_serial.dataReceived();
    co_return true;
}

QCoro::Task<> RealtimeControl::stopSequence()
{
    const bool proceed = co_await prelude();
    if (!proceed)
        co_return;
    m_flags.commandInProgress = true;
    m_mainStatus.clear();
    bool ok = co_await m_exchange.Send_Receive_Ack();
    if (!ok)
        ok = co_await m_exchange.Send_Receive_Ack();
    if (!ok) {
        m_mainStatus.add(QStringLiteral("Unsuccessful in receiving response from QMN-4400. Try again."));
        m_flags.commandInProgress = false;
        co_return;
    }
    ok = co_await m_exchange.SendASCII("TOG", true);
    if (!ok) {
        m_mainStatus.add(QStringLiteral("No response from \"Toggle\" command. Click \"Start\" to try again."));
        m_flags.commandInProgress = false;
        co_return;
    }
    co_await m_exchange.Dly(40);
    ok = co_await m_exchange.SendASCII("OFF", true);
    if (!ok) {
        m_mainStatus.add(QStringLiteral("No response from \"OFF\" command. Click \"Start\" to try again."));
        m_flags.commandInProgress = false;
        co_return;
    }
    m_mainStatus.add(QStringLiteral("Real Time has been disabled successfully."));
    // The monitor has stopped: a start right after this one must not take
    // the stream for running until the watchdog notices, and the watchdog
    // must not light the box again from the packet before the stop.
    m_flags.realtimeActive = false;
    m_flags.watchdogCount = std::max<int>(m_flags.watchdogCount, kStoppedWatchdogCount);
    emit repaintRequested();
    showStopped();
    // commandInProgress stays set: whatever the monitor still sends is not
    // real-time data, until the next start or restore.
}

QCoro::Task<bool> RealtimeControl::PauseRealtime(StatusList &windowList)
{
    QPointer<StatusList> list = &windowList;
    emit pausing();
    DialogueGate::Lease lease = co_await m_gate.acquire();
    if (!list)
        co_return false;
    bool open = m_serial.isOpen();
    if (!open)
        open = co_await m_serial.OpenPort();
    if (!open)
        co_return false;
    if (m_flags.realtimeActive) {
        m_flags.realtimeWasOn = true;
        if (list)
            list->add(QStringLiteral("Realtime is ON..... now turning OFF"));
        co_await stopSequence();
    } else {
        m_flags.realtimeWasOn = false;
    }
    m_flags.commandInProgress = true;
    if (!list)
        co_return false;
    list->add(QStringLiteral("Realtime is OFF"));

    m_pauseLease = std::move(lease);
    m_pauseOwner = list;
    // A window that goes away between its pause and its restore must not
    // keep the monitor from everybody else.
    m_pauseWatch = connect(list.data(), &QObject::destroyed, this, [this] { m_pauseLease.release(); });
    co_return true;
}

QCoro::Task<> RealtimeControl::RestoreRealtime(StatusList &windowList)
{
    DialogueGate::Lease lease;
    const bool ownPause = m_pauseLease.isHeld() && m_pauseOwner.data() == &windowList;
    if (ownPause) {
        lease = std::move(m_pauseLease);
        m_pauseOwner.clear();
        disconnect(m_pauseWatch);
    } else {
        lease = co_await m_gate.acquire();
    }
    if (ownPause && m_flags.realtimeWasOn) {
        windowList.add(QStringLiteral("Restoring Real-Time back to its ON state."));
        co_await startSequence();
    }
    m_flags.commandInProgress = false;
}

void RealtimeControl::onAutoStartTick()
{
    if (!m_serial.isOpen())
        return; // tried again at the next tick
    m_autoStartTimer.stop();
    if (m_flags.realtimeActive)
        return;
    // With a radio dongle the start sequence searches for the node itself,
    // as a start by hand does: at program start no node has been found yet.
    autoStart();
}

QCoro::Task<> RealtimeControl::autoStart()
{
    co_await MnuStartRTL_Click();
    m_mainStatus.clear();
    m_mainStatus.add(QStringLiteral("Real-Time was off. Now attempting to start real-time."));
}

void RealtimeControl::onWatchdogTick()
{
    if (++m_flags.watchdogCount > 30000)
        m_flags.watchdogCount = 20000;
    const bool was = m_flags.realtimeActive;
    if (m_flags.watchdogCount >= 3) {
        m_flags.realtimeActive = false;
        if (was)
            m_realtimeBox.show(kStopped, StatusBox::Colour::Bad);
    } else {
        m_flags.realtimeActive = true;
        if (!was)
            m_realtimeBox.show(kActive, StatusBox::Colour::Good);
    }
}
