#include "app/program.h"

#include "common/dialogs.h"

#include "portal/portal_address.h"

#include <QDir>

#include <cstdio>

Program::Program(const QString &settingsPath, const QString &dataDir, Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_dataDir(dataDir)
    , m_dialogs(dialogs)
    , m_store(settingsPath)
    , m_serial(m_portMap, m_serialBox, m_panelPortBox, m_mainStatus, dialogs)
    , m_intake(m_serial, m_flags, m_mainStatus)
    , m_errorLog(dataDir, dialogs, [this] { exitSequence(); })
    , m_database([this] {
          return DatabaseSettings{m_settings.dbtype, m_settings.adbpath, m_settings.sqldbpath,
                                  m_settings.CommitSeconds};
      },
                 m_errorLog, dialogs, [this] { exitSequence(); }, &m_mainStatus)
    , m_listing({m_flags, m_settings, [this] { return m_serial.isOpen(); }, m_clock})
    , m_dashboard({m_flags, m_realtimeBox, m_clock})
    , m_derivation(m_sample, m_mainStatus, m_clock,
                   [this](const RealtimeSample &s) {
                       saveRecoveryStateOnReset();
                       m_dispatch.LogSample(s);
                   })
    , m_receiver(m_flags, m_mainStatus, m_derivation)
    , m_exchange(m_serial, m_mainStatus)
    , m_radio(m_serial, m_exchange, m_dialogueGate, m_flags, m_mainStatus)
    , m_realtime({m_flags, m_settings, m_serial, m_exchange, m_radio, m_dialogueGate, m_mainStatus, m_realtimeBox,
                  dialogs, m_autoStartTimer, m_watchdogTimer})
    , m_bridge(m_settings, [this](const QStringList &keys) { saveKeys(keys); }, dialogs,
                [this](QByteArrayView data) { m_receiver.processBridgeData(data); }, m_watchdogTimer)
    , m_comPanel(m_settings, [this](const QStringList &keys) { saveKeys(keys); }, m_serial, m_portMap,
                 m_panelPortBox, m_bridge, dialogs, m_dialogueGate, m_flags)
    , m_device({m_flags, m_serial, m_exchange, m_realtime, m_dialogueGate, m_realtimeBox, dialogs, m_sample,
                [this](const QStringList &keys) { saveKeys(keys); }, m_settings})
    , m_portal({m_sample, m_settings, m_flags, m_clock, dialogs, [this](const QStringList &keys) { saveKeys(keys); }})
    , m_options({m_settings, m_sample, dialogs, m_portal, [this](const QStringList &keys) { saveKeys(keys); }})
    , m_download({m_flags, m_settings, m_serial, m_exchange, m_radio, m_realtime, dialogs})
    , m_mqtt({m_clock, m_mainStatus, QString::fromLatin1(kVersion),
              [this](const std::function<void(SettingsStore &)> &edit) { editStore(edit); }})
    , m_history({m_settings, dataDir, m_clock})
{
    m_database.installInto(m_dispatch);
    m_listing.installInto(m_dispatch);
    m_dashboard.installInto(m_dispatch);
    m_portal.installInto(m_dispatch);
    m_dispatch.addStep(QStringLiteral("mqtt"), [this](const RealtimeSample &s) { m_mqtt.publish(s); });
    QDir().mkpath(m_dataDir);
    m_title = QStringLiteral("%1 Version %2").arg(kCaption, kVersion);

    m_watchdogTimer.setInterval(1000);
    m_autoStartTimer.setInterval(3000);
    m_saveTimer.setInterval(3000);
    m_listenerTimer.setInterval(3000);
    connect(&m_saveTimer, &QTimer::timeout, this, &Program::onSaveTick);
    connect(&m_listenerTimer, &QTimer::timeout, this, &Program::onListenerTick);
    // "Listening" says the program waits for a bridge; once one is connected,
    // or the listener is closed, the title goes back to the program's name.
    connect(&m_bridge, &BridgeListener::stateChanged, this, [this](int state) {
        if (state != BridgeListener::Listening && m_title == QLatin1String("Listening"))
            setTitle(QStringLiteral("%1 Version %2").arg(kCaption, kVersion));
    });
    m_intake.setReceiver([this](quint8 b) { m_receiver.serialByte(b); });
    m_exchange.setInputDrained([this] { m_receiver.leavePacket(); });
    m_intake.setBacklogDropped([this] { m_receiver.leavePacket(); });
    // The web window's status box follows real-time start and stop, and a
    // closed port stops it.
    connect(&m_realtime, &RealtimeControl::realtimeStateShown, &m_portal, &PortalUpload::showRealtimeState);
    connect(&m_serial, &SerialLink::closed, &m_portal, [this] { m_portal.showRealtimeState(false); });
    // Switching a load posts at once, so the portal shows the new state.
    connect(&m_device.loads(), &LoadSwitches::loadsChanged, &m_portal, &PortalUpload::loadChanged);
    // Home Assistant shows the monitor's firmware once it has been read.
    connect(&m_device, &DeviceUtility::boxChanged, &m_mqtt, [this](DeviceUtility::Box box) {
        if (box == DeviceUtility::Firmware)
            m_mqtt.setFirmware(m_device.box(box));
    });
    // The panel's Find buttons run the radio search reporting to its list.
    connect(&m_comPanel, &ComPanelLogic::findRequested, this,
            [this](int zversion) { m_radio.FindZigbeeMonitor(zversion, m_comPanel.messages()); });
    connect(&m_radio, &RadioDongle::busy, this, [this](bool on, const StatusList *list) {
        if (list == &m_comPanel.messages())
            emit m_comPanel.busyChanged(on);
    });
    // A dialogue that stops the stream may end in anything, a download that
    // fills the disk or a pulled plug: what was recorded goes to disk first.
    connect(&m_realtime, &RealtimeControl::pausing, this, [this] { m_database.commitPending(); });
    m_intake.setDownloadHandler([this](const QByteArray &bytes) { m_download.takeBytes(bytes); });
    connect(&m_serial, &SerialLink::commEvent, &m_download, &LoggerDownload::commEvent);
    connect(&m_download, &LoggerDownload::openFileRequested, this, &Program::openDataFile);
    // The receiver lost count inside a packet: start the port afresh.
    connect(&m_receiver, &PacketReceiver::portResetRequested, this, [this] {
        m_serial.port().close();
        m_serial.openQuietly();
    });
}

Program::~Program() = default;

bool Program::openDataFile(const QString &path)
{
    const QString title = m_title;
    setTitle(QStringLiteral("Reading Records..."));
    const bool read = m_mainList.Openfile(path);
    if (read)
        m_settings.Interval = m_mainList.interval();
    setTitle(title);
    return read;
}

void Program::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(m_title);
}

QCoro::Task<> Program::startUp(std::function<void()> showWindow)
{
    setTitle(QStringLiteral("%1 Version %2").arg(kCaption, kVersion));

    QString error;
    if (!m_store.load(&error))
        std::fprintf(stderr, "qmnpilot: %s; starting with the defaults\n", qUtf8Printable(error));
    m_settings = m_store.readSettings();
    if (!m_settings.PortalHost.isEmpty() && !parsePortalAddress(m_settings.PortalHost)) {
        std::fprintf(stderr, "qmnpilot: PortalHost=%s is not a host name with an optional :port; nothing is sent "
                             "to the portal\n", qUtf8Printable(m_settings.PortalHost));
        m_settings.PortalHost.clear();
    }
    m_portMap.load(m_store);
    m_mqtt.start(m_store);
    m_serial.setPortNumber(m_settings.ComPort);
    m_sample.PreResetVal1 = m_settings.PreResetVal1;
    m_sample.PreResetVal2 = m_settings.PreResetVal2;
    m_sample.PreResetValP1 = m_settings.PreResetValP1;
    m_sample.PreResetValP2 = m_settings.PreResetValP2;
    m_sample.E1B = m_settings.E1B;
    m_sample.E2B = m_settings.E2B;
    m_sample.E1BP = m_settings.E1BP;
    m_sample.E2BP = m_settings.E2BP;
    m_sample.QMNresetCount = m_settings.QMNresetCount;
    m_sample.secondsCounter = m_settings.QMNCounter;

    m_sample.deviceAddress = 0;
    m_realtimeBox.show("Real-Time Data Stopped", StatusBox::Colour::Bad);
    m_serial.ClosePort();
    m_panelPortBox.show(QString::number(m_settings.ComPort), StatusBox::Colour::Bad);
    m_flags.watchdogCount = 6;

    m_watchdogTimer.start();
    m_saveTimer.start();
    m_listenerTimer.start();

    if (showWindow)
        showWindow();

    if (m_settings.StartupComIsOn)
        co_await m_serial.OpenPort();
    if (m_exited)
        co_return;
    if (m_settings.StartupRTLisOn)
        m_autoStartTimer.start();
    if (m_settings.StartupNetDockIsOn
        && m_bridge.netDockConnect(QString::number(m_settings.netdockPort))
               == BridgeListener::ConnectResult::NotListening)
        m_mainStatus.add(QStringLiteral("NetDock could not listen on port %1: %2")
                             .arg(m_settings.netdockPort)
                             .arg(m_bridge.listenError()));
    if (m_settings.StartupServerIsOn)
        emit webWindowRequested();
}

void Program::saveKeys(const QStringList &keys)
{
    editStore([&](SettingsStore &onDisk) { onDisk.writeKeys(m_settings, keys); });
    for (const char *key : {"dbtype", "sqldbpath", "CommitSeconds"}) {
        if (keys.contains(QLatin1String(key), Qt::CaseInsensitive)) {
            m_database.databaseSettingsChanged();
            break;
        }
    }
}

void Program::editStore(const std::function<void(SettingsStore &)> &edit)
{
    // The file may have been edited since start-up (a new database, a port
    // mapping): only the keys written here change, the rest stays as it is
    // on disk.
    SettingsStore onDisk(m_store.path());
    QString error;
    if (!onDisk.load(&error)) {
        std::fprintf(stderr, "qmnpilot: %s; the settings were not saved\n", qUtf8Printable(error));
        return;
    }
    edit(onDisk);
    if (!onDisk.save(&error)) {
        std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(error));
        return;
    }
    m_store = std::move(onDisk);
}

void Program::captureRecoveryState()
{
    m_settings.PreResetVal1 = m_sample.PreResetVal1;
    m_settings.PreResetVal2 = m_sample.PreResetVal2;
    m_settings.PreResetValP1 = m_sample.PreResetValP1;
    m_settings.PreResetValP2 = m_sample.PreResetValP2;
    m_settings.E1B = m_sample.E1B;
    m_settings.E2B = m_sample.E2B;
    m_settings.E1BP = m_sample.E1BP;
    m_settings.E2BP = m_sample.E2BP;
    m_settings.QMNresetCount = m_sample.QMNresetCount;
    m_settings.QMNCounter = m_sample.secondsCounter;
}

void Program::SaveRecoveryState()
{
    captureRecoveryState();
    saveKeys(SettingsKeys::recoveryKeys());
    // The published totals go on from the same point after a restart.
    m_mqtt.saveState();
}

void Program::saveRecoveryStateOnReset()
{
    const RealtimeSample &s = m_sample;
    const Settings &saved = m_settings;
    if (s.QMNresetCount == saved.QMNresetCount && s.PreResetVal1 == saved.PreResetVal1
        && s.PreResetVal2 == saved.PreResetVal2 && s.PreResetValP1 == saved.PreResetValP1
        && s.PreResetValP2 == saved.PreResetValP2)
        return;
    SaveRecoveryState();
}

void Program::exitSequence()
{
    if (m_exited)
        return;
    m_exited = true;
    m_database.commitPending();
    m_watchdogTimer.stop();
    m_autoStartTimer.stop();
    m_saveTimer.stop();
    m_listenerTimer.stop();

    captureRecoveryState();
    saveKeys(SettingsKeys::exitKeys());

    if (m_serial.isOpen())
        m_serial.port().close();
    m_bridge.close();
    m_portal.close();
    m_mqtt.close();
    emit exitRequested();
}

void Program::onSaveTick()
{
    if (++m_saveTicks > 100) {
        m_saveTicks = 0;
        SaveRecoveryState();
        return;
    }
    // The utility's "Reset Static Pre-Reset Values" changes them with no
    // sample to follow while real-time data is off.
    saveRecoveryStateOnReset();
}

void Program::onListenerTick()
{
    if (m_bridge.state() == BridgeListener::Listening)
        setTitle(QStringLiteral("Listening"));
}

QCoro::Task<bool> Program::openPortFromMenu()
{
    m_flags.downloadMode = false;
    const bool opened = co_await m_serial.OpenPort();
    if (!opened && m_serial.failedAfterOpening())
        m_dialogs.message(QStringLiteral("Could not open the port. Click \"COM Port Setup\" and check settings."));
    co_return opened;
}

void Program::closePortFromMenu()
{
    m_serial.closeFromMenu();
}
