#pragma once

#include "common/status_list.h"
#include "link/dialogue_gate.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QStringListModel>

#include <qcoro/qcorotask.h>

#include <functional>

class BridgeListener;
class Dialogs;
class PortMap;
class SerialLink;
class StatusBox;
struct ProgramFlags;
struct Settings;

// What the communication panel does, without its widgets: the port search,
// the method choice, the port box, opening and closing the port and the
// bridge listener's buttons. Everything it changes is shared program state;
// its own are the message list, the found ports and the title.
class ComPanelLogic : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 64;
    static constexpr int kMaxPorts = 35;
    static constexpr int kNoMethod = -1;
    static constexpr const char *kTitle = "COM Control Panel";

    using SaveKeys = std::function<void(const QStringList &keys)>;

    ComPanelLogic(Settings &settings, SaveKeys saveKeys, SerialLink &serial, const PortMap &ports,
                  StatusBox &portBox, BridgeListener &bridge, Dialogs &dialogs, DialogueGate &gate,
                  ProgramFlags &flags, QObject *parent = nullptr);

    // Probes ports 1 to 64 in order and keeps up to 35 that open and close.
    // Waits for a running dialogue with the monitor to end, then closes the
    // serial port; probes let other events run between them.
    QCoro::Task<> ListComPorts();
    // True when the port's device can be opened and closed again.
    bool TryComPort(int port);
    const QList<int> &portList() const { return m_portList; }
    int portCount() const { return int(m_portList.size()); }
    bool isSearching() const { return m_searching; }

    // Panel events.
    void load();
    void unload();
    // Option 0 "USB Cable" .. 3 "Zigbee ZB E3".
    void chooseMethod(int option);
    // The chosen option, kNoMethod when ZigbeeVersion names none.
    int methodOption() const { return m_method; }
    // Whether "Find E<zversion>" is enabled.
    bool findEnabled(int zversion) const;
    void find(int zversion);
    QCoro::Task<> listAvailablePorts();
    void portListClicked(int row);
    void portBoxLeft(const QString &text);
    QCoro::Task<bool> openPort();
    void closePort();
    void netDockConnect(const QString &portText);
    void netDockDisconnect();
    bool startListenerAtStart() const;
    void setStartListenerAtStart(bool on);
    QString netDockPortText() const;

    StatusList &messages() { return m_messages; }
    // One row per found port: the number, and the device it maps to.
    QStringListModel &portRows() { return m_portRows; }
    StatusBox &portBox() { return m_portBox; }
    QString title() const { return m_title; }

signals:
    void titleChanged(const QString &title);
    void methodChanged();
    // The hourglass while the search runs.
    void busyChanged(bool busy);
    // "Find E1/E2/E3": the radio dongle dialogue for that generation.
    void findRequested(int zversion);

private:
    void setTitle(const QString &title);

    Settings &m_settings;
    SaveKeys m_saveKeys;
    SerialLink &m_serial;
    const PortMap &m_ports;
    StatusBox &m_portBox;
    BridgeListener &m_bridge;
    Dialogs &m_dialogs;
    DialogueGate &m_gate;
    ProgramFlags &m_flags;

    StatusList m_messages;
    QStringListModel m_portRows;
    QList<int> m_portList;
    QStringList m_portDevices; // the device each found port mapped to when probed
    QStringList m_systemDevices; // taken once per search
    int m_method = kNoMethod;
    bool m_searching = false;
    QString m_title = kTitle;
};
