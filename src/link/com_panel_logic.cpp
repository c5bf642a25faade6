#include "link/com_panel_logic.h"

#include "settings/settings.h"
#include "common/dialogs.h"
#include "common/program_flags.h"
#include "common/rounding.h"
#include "common/signal_wait.h"
#include "common/status_box.h"
#include "link/port_map.h"
#include "link/serial_link.h"
#include "link/bridge_listener.h"

#include <QLocale>
#include <QPointer>
#include <QSerialPort>


#include <chrono>
#include <iterator>
#include <cmath>
#include <optional>

using namespace std::chrono_literals;

namespace {

const char kNoPortSelected[] = "No COM port selected. Try \"Find COM Port\" utility";
const char kNoPortFound[] = "No COM Port Found";
const char kClickToSelect[] = "Click the port number to select";
const char kOpenError[] = "Error opening COM port";
const char kRunTimeError[] = "Com error";
const char kNoMethodChosen[] = "A communication method has not been selected.";

// ZigbeeVersion of each method option: USB cable, then the radio generations.
constexpr uint8_t kMethodVersions[] = {8, 1, 2, 3};

// A number as the user may type it in their locale, or plainly.
std::optional<double> parseNumber(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double value = QLocale().toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

ComPanelLogic::ComPanelLogic(Settings &settings, SaveKeys saveKeys, SerialLink &serial, const PortMap &ports,
                             StatusBox &portBox, BridgeListener &bridge, Dialogs &dialogs, DialogueGate &gate,
                             ProgramFlags &flags, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saveKeys(std::move(saveKeys))
    , m_serial(serial)
    , m_ports(ports)
    , m_portBox(portBox)
    , m_bridge(bridge)
    , m_dialogs(dialogs)
    , m_gate(gate)
    , m_flags(flags)
{
    connect(&m_bridge, &BridgeListener::panelTitleChanged, this, &ComPanelLogic::setTitle);
}

void ComPanelLogic::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(m_title);
}

bool ComPanelLogic::TryComPort(int port)
{
    // The probes use a port object of their own, so the program's port must
    // not hold a device meanwhile: the first probe of a search closes it.
    if (port == kFirstPort && m_serial.isOpen()) {
        m_serial.ClosePort();
        m_portBox.setColour(StatusBox::Colour::Bad);
    }
    const QString device = m_searching ? m_ports.devicePath(port, m_systemDevices) : m_ports.devicePath(port);
    if (device.isEmpty())
        return false;
    QSerialPort probe;
    probe.setPortName(device);
    if (!probe.open(QIODevice::ReadWrite))
        return false;
    probe.close();
    return true;
}

QCoro::Task<> ComPanelLogic::ListComPorts()
{
    m_searching = true;
    emit busyChanged(true);
    // The search closes the program's port: never under a running dialogue.
    DialogueGate::Lease lease = co_await m_gate.acquire();
    m_portList.clear();
    m_portDevices.clear();
    // One look at the system's devices for the whole search, not one per number.
    m_systemDevices = m_ports.systemDevices();
    for (int port = kFirstPort; port <= kLastPort && m_portList.size() < kMaxPorts; ++port) {
        if (TryComPort(port)) {
            m_portList << port;
            m_portDevices << m_ports.devicePath(port, m_systemDevices);
        }
        // Opening a real device can take a while: the window stays alive.
        co_await TimedPause(0ms, this);
    }
    m_searching = false;
    emit busyChanged(false);
}

QCoro::Task<> ComPanelLogic::listAvailablePorts()
{
    if (m_searching)
        co_return; // one search at a time
    QPointer<ComPanelLogic> self(this);
    co_await ListComPorts();
    if (!self)
        co_return;
    m_portRows.setStringList({});
    if (m_portList.isEmpty()) {
        m_dialogs.message(kNoPortFound);
        co_return;
    }
    m_messages.clear();
    m_messages.add(kClickToSelect);
    QStringList rows;
    for (qsizetype i = 0; i < m_portList.size(); ++i)
        rows << QStringLiteral("%1   %2").arg(m_portList[i]).arg(m_portDevices.value(i));
    m_portRows.setStringList(rows);
}

void ComPanelLogic::portListClicked(int row)
{
    if (row < 0 || row >= m_portList.size())
        return;
    const int port = m_portList[row];
    m_settings.ComPort = int16_t(port);
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("ComPort")});
    m_serial.setPortNumber(port);
    m_portBox.show(QString::number(port), m_portBox.colour());
    m_dialogs.message(QStringLiteral("Set to COM %1").arg(port));
}

void ComPanelLogic::portBoxLeft(const QString &text)
{
    const auto keepPort = [this] { m_portBox.show(QString::number(m_settings.ComPort), m_portBox.colour()); };
    const std::optional<double> value = parseNumber(text);
    if (!value) {
        keepPort(); // not a number: nothing changes
        return;
    }
    const std::optional<int16_t> port = toInt16HalfEven(*value);
    if (!port || *port < kFirstPort || *port > kLastPort) {
        // The number could never be opened; the port in force stays.
        m_dialogs.message(QStringLiteral("There is no COM port %1. Port numbers run from %2 to %3.")
                              .arg(text.trimmed())
                              .arg(kFirstPort)
                              .arg(kLastPort));
        keepPort();
        return;
    }
    // Good for the next open; saved only when picked from the list.
    m_settings.ComPort = *port;
    m_serial.setPortNumber(*port);
    keepPort();
}

QCoro::Task<bool> ComPanelLogic::openPort()
{
    const int port = m_settings.ComPort;
    if (port < kFirstPort || port > kLastPort) {
        m_dialogs.message(kNoPortSelected);
        co_return false;
    }
    m_serial.setPortNumber(port);
    QPointer<ComPanelLogic> self(this);
    const bool opened = co_await m_serial.OpenPort();
    if (!self)
        co_return opened;
    if (opened)
        m_portBox.show(QString::number(port), StatusBox::Colour::Good);
    else
        m_messages.add(kOpenError);
    if (m_serial.failedAfterOpening())
        m_dialogs.message(kRunTimeError);
    co_return opened;
}

void ComPanelLogic::closePort()
{
    if (!m_serial.isOpen())
        return;
    m_serial.closeFromMenu();
    m_portBox.show(QString::number(m_settings.ComPort), StatusBox::Colour::Bad);
}

void ComPanelLogic::load()
{
    m_portBox.show(QString::number(m_settings.ComPort),
                   m_serial.isOpen() ? StatusBox::Colour::Good : StatusBox::Colour::Bad);
    switch (m_settings.ZigbeeVersion) {
    case 1:
    case 2:
    case 3:
        m_method = m_settings.ZigbeeVersion;
        break;
    case 8:
        m_method = 0;
        break;
    default:
        m_method = kNoMethod;
        break;
    }
    emit methodChanged();
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("ZigbeeVersion")});
}

void ComPanelLogic::unload()
{
    if (m_bridge.state() != BridgeListener::Connected && m_settings.ZigbeeVersion == 0)
        m_dialogs.message(kNoMethodChosen);
}

void ComPanelLogic::chooseMethod(int option)
{
    if (option < 0 || option >= int(std::size(kMethodVersions)))
        return;
    // Saved by the next load of the panel and by the program's exit.
    if (m_settings.ZigbeeVersion != kMethodVersions[option])
        m_flags.nodeDiscovered = false; // another dongle, or none: set it up before use
    m_settings.ZigbeeVersion = kMethodVersions[option];
    m_method = option;
    emit methodChanged();
}

bool ComPanelLogic::findEnabled(int zversion) const
{
    return zversion >= 1 && zversion <= 3 && m_method == zversion;
}

void ComPanelLogic::find(int zversion)
{
    if (findEnabled(zversion))
        emit findRequested(zversion);
}

void ComPanelLogic::netDockConnect(const QString &portText)
{
    if (m_bridge.netDockConnect(portText) == BridgeListener::ConnectResult::NotListening)
        m_messages.add(QStringLiteral("NetDock could not listen on port %1: %2")
                           .arg(m_settings.netdockPort)
                           .arg(m_bridge.listenError()));
}

void ComPanelLogic::netDockDisconnect()
{
    m_bridge.netDockDisconnect();
}

bool ComPanelLogic::startListenerAtStart() const
{
    return m_settings.StartupNetDockIsOn;
}

void ComPanelLogic::setStartListenerAtStart(bool on)
{
    if (on == m_settings.StartupNetDockIsOn)
        return;
    m_settings.StartupNetDockIsOn = on;
    if (m_saveKeys)
        m_saveKeys({QStringLiteral("StartupNetDockIsOn")});
}

QString ComPanelLogic::netDockPortText() const
{
    return QString::number(m_settings.netdockPort);
}
