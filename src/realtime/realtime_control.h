#pragma once

#include "link/dialogue_gate.h"

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

class CommandExchange;
class Dialogs;
class QTimer;
class RadioDongle;
class SerialLink;
class StatusBox;
class StatusList;
struct ProgramFlags;
struct Settings;

// Switches the monitor's real-time stream on and off: the menu's start and
// stop, the pause and restore that windows wrap around their own exchanges,
// the start at program start and the watchdog that tells whether packets
// are arriving.
class RealtimeControl : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        ProgramFlags &flags;
        const Settings &settings;
        SerialLink &serial;
        CommandExchange &exchange;
        RadioDongle &radio;
        DialogueGate &gate;
        StatusList &mainStatus;
        StatusBox &realtimeBox;
        Dialogs &dialogs;
        QTimer &autoStartTimer;
        QTimer &watchdogTimer;
    };

    explicit RealtimeControl(const Parts &parts, QObject *parent = nullptr);

    // The menu commands; each waits for a running dialogue to end first.
    QCoro::Task<> MnuStartRTL_Click();
    QCoro::Task<> MnuStopRTL_Click();

    // Stops real-time data before a window's own exchange, reporting to the
    // window's list; false when the port cannot be opened. On true the
    // window owns the dialogue with the monitor until its RestoreRealtime
    // (or until its list is destroyed).
    QCoro::Task<bool> PauseRealtime(StatusList &windowList);
    // Starts real-time data again when this window's pause stopped it, and
    // hands the port back to the receiver. Without a pause of the window's
    // own it only hands the port back: a realtimeWasOn left from an earlier
    // dialogue is no reason to start anything.
    QCoro::Task<> RestoreRealtime(StatusList &windowList);

    // The sequences without the wait for the dialogue gate, for a window
    // that already owns the dialogue (between its pause and its restore).
    QCoro::Task<> startSequence();
    QCoro::Task<> stopSequence();

    void onAutoStartTick();
    void onWatchdogTick();

    // The start sequence's time for the stream to show up.
    static constexpr int kStartSeconds = 3;
    // The watchdog's count at program start and after a stop: stopped.
    static constexpr int kStoppedWatchdogCount = 6;

signals:
    // A window's pause is about to stop the stream.
    void pausing();
    // No connection method is chosen: the communication panel should open.
    void communicationPanelRequested();
    // The start or the stop showed the real-time state; the web window's
    // status box follows it.
    void realtimeStateShown(bool active);
    // After a stop the dashboard and the main window repaint.
    void repaintRequested();

private:
    QCoro::Task<bool> prelude();
    QCoro::Task<bool> switchOn();
    QCoro::Task<> autoStart();
    void showActive();
    void showStopped();

    ProgramFlags &m_flags;
    const Settings &m_settings;
    SerialLink &m_serial;
    CommandExchange &m_exchange;
    RadioDongle &m_radio;
    DialogueGate &m_gate;
    StatusList &m_mainStatus;
    StatusBox &m_realtimeBox;
    Dialogs &m_dialogs;
    QTimer &m_autoStartTimer;

    // The dialogue a window owns from its pause to its restore.
    DialogueGate::Lease m_pauseLease;
    QPointer<StatusList> m_pauseOwner;
    QMetaObject::Connection m_pauseWatch;
};
