#pragma once

#include "settings/settings.h"
#include "settings/settings_store.h"
#include "common/clock.h"
#include "common/program_flags.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "device/device_utility.h"
#include "download/logger_download.h"
#include "link/command_exchange.h"
#include "link/dialogue_gate.h"
#include "link/com_panel_logic.h"
#include "link/port_map.h"
#include "link/radio_dongle.h"
#include "link/serial_intake.h"
#include "link/serial_link.h"
#include "dashboard/realtime_dashboard.h"
#include "history/history_logic.h"
#include "listing/realtime_listing.h"
#include "mqtt/mqtt_publisher.h"
#include "link/bridge_listener.h"
#include "portal/portal_upload.h"
#include "options/options_logic.h"
#include "realtime/derivation.h"
#include "download/main_list.h"
#include "realtime/packet_receiver.h"
#include "realtime/realtime_control.h"
#include "realtime/realtime_sample.h"
#include "recording/database_logger.h"
#include "recording/error_log.h"
#include "realtime/sample_dispatch.h"

#include <QObject>
#include <QTimer>

#include <functional>

class Dialogs;

// Owns the program-wide state: settings, flags, the latest sample, the
// serial link, the main status list and the timers that drive background
// work. Windows show it; tests drive it without windows.
class Program : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kVersion = "1.20";
    static constexpr const char *kCaption = "QMN-4400 Pilot Download and Real-Time Database Software";

    Program(const QString &settingsPath, const QString &dataDir, Dialogs &dialogs, QObject *parent = nullptr);
    ~Program() override;

    // The start-up sequence; `showWindow` shows and paints the main window
    // at its place in the order (a headless run passes nothing).
    QCoro::Task<> startUp(std::function<void()> showWindow = {});
    // The exit sequence: writes the exit keys, closes the port and the
    // sockets. Runs once; later calls do nothing.
    void exitSequence();
    bool hasExited() const { return m_exited; }

    // Writes the counters' recovery state and the portal keys.
    void SaveRecoveryState();

    Settings &settings() { return m_settings; }
    SettingsStore &store() { return m_store; }
    // Writes the given keys from settings() to the file now.
    void saveKeys(const QStringList &keys);
    // Changes the file as it is on disk and saves it.
    void editStore(const std::function<void(SettingsStore &)> &edit);

    ProgramFlags &flags() { return m_flags; }
    RealtimeSample &sample() { return m_sample; }
    StatusList &mainStatus() { return m_mainStatus; }
    StatusBox &serialBox() { return m_serialBox; }
    StatusBox &realtimeBox() { return m_realtimeBox; }
    StatusBox &panelPortBox() { return m_panelPortBox; }
    PortMap &portMap() { return m_portMap; }
    SerialLink &serial() { return m_serial; }
    // One dialogue with the monitor at a time goes through these.
    DialogueGate &dialogueGate() { return m_dialogueGate; }
    CommandExchange &exchange() { return m_exchange; }
    RadioDongle &radio() { return m_radio; }
    RealtimeControl &realtime() { return m_realtime; }
    // The network bridge's listening socket `NetDock`.
    BridgeListener &bridge() { return m_bridge; }
    // The communication panel's logic; its window shows it.
    ComPanelLogic &comPanel() { return m_comPanel; }
    // Every accepted sample ends here: database, then the later steps.
    SampleDispatch &dispatch() { return m_dispatch; }
    // The listing's statistics and tables; its window shows them.
    RealtimeListing &listing() { return m_listing; }
    // The dashboard's gauges, readouts and charts; its window shows them.
    RealtimeDashboard &dashboard() { return m_dashboard; }
    // The history of the stored rows; its window shows it.
    HistoryLogic &history() { return m_history; }
    // The device utility's dialogues, boxes and load flags; its window shows them.
    DeviceUtility &device() { return m_device; }
    // The web portal upload; the web window shows it.
    PortalUpload &portal() { return m_portal; }
    // The options window's logic.
    OptionsLogic &options() { return m_options; }
    // Samples to an MQTT broker; the options window sets it up.
    MqttPublisher &mqtt() { return m_mqtt; }
    PacketReceiver &receiver() { return m_receiver; }
    DatabaseLogger &database() { return m_database; }
    ErrorLog &errorLog() { return m_errorLog; }
    Dialogs &dialogs() { return m_dialogs; }
    const Clock &clock() const { return m_clock; }
    // Tests run the program on a clock of their own; nullptr is the system's.
    void setClock(const Clock *clock) { m_clock.target = clock; }
    QString dataDir() const { return m_dataDir; }

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    QTimer &watchdogTimer() { return m_watchdogTimer; }
    QTimer &autoStartTimer() { return m_autoStartTimer; }
    QTimer &saveTimer() { return m_saveTimer; }
    QTimer &listenerTimer() { return m_listenerTimer; }

    // Menu commands.
    QCoro::Task<bool> openPortFromMenu();
    void closePortFromMenu();

    // Routes each serial arrival to the download, a dialogue or the receiver.
    SerialIntake &intake() { return m_intake; }
    // The data-logger download; its window shows it.
    LoggerDownload &download() { return m_download; }
    // The main window's list of a saved download.
    MainList &mainList() { return m_mainList; }
    // Lists a ".QMN" file in the main list and keeps its interval for the
    // settings; false when it is not a readable data file.
    bool openDataFile(const QString &path);

signals:
    void titleChanged(const QString &title);
    // Start-up or exit asks the windows to close: the program is ending.
    void exitRequested();
    // Start-up with `StartupServerIsOn`: the web window is loaded, not shown.
    void webWindowRequested();

private:
    // Copies the counters' recovery state from the sample into settings().
    void captureRecoveryState();
    // Saves the recovery state when the reset count or the pre-reset values
    // differ from the saved ones. After a reset of the monitor the energy
    // counted before is only in the pre-reset values: the next periodic save
    // may come after a power cut, and the totals would start from zero for good.
    void saveRecoveryStateOnReset();
    void onSaveTick();
    void onListenerTick();

    QString m_dataDir;
    Dialogs &m_dialogs;
    struct ForwardingClock : Clock
    {
        const Clock *target = nullptr;
        QDateTime now() const override { return target ? target->now() : Clock::now(); }
    } m_clock;
    SettingsStore m_store;
    Settings m_settings;
    ProgramFlags m_flags;
    RealtimeSample m_sample;
    StatusList m_mainStatus;
    StatusBox m_serialBox{"COM Port is Closed", StatusBox::Colour::Bad};
    StatusBox m_realtimeBox{"Real-Time Data Stopped", StatusBox::Colour::Bad};
    StatusBox m_panelPortBox{"1", StatusBox::Colour::Bad};
    PortMap m_portMap;
    SerialLink m_serial;
    SerialIntake m_intake;
    ErrorLog m_errorLog;
    DatabaseLogger m_database;
    SampleDispatch m_dispatch;
    RealtimeListing m_listing;
    RealtimeDashboard m_dashboard;
    Derivation m_derivation;
    PacketReceiver m_receiver;
    QTimer m_watchdogTimer;
    QTimer m_autoStartTimer;
    QTimer m_saveTimer;
    QTimer m_listenerTimer;
    DialogueGate m_dialogueGate;
    CommandExchange m_exchange;
    RadioDongle m_radio;
    RealtimeControl m_realtime;
    BridgeListener m_bridge;
    ComPanelLogic m_comPanel;
    DeviceUtility m_device;
    PortalUpload m_portal;
    OptionsLogic m_options;
    LoggerDownload m_download;
    MainList m_mainList;
    MqttPublisher m_mqtt;
    HistoryLogic m_history;
    int m_saveTicks = 0;
    QString m_title;
    bool m_exited = false;
};
