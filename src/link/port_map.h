#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class SettingsStore;

// Port numbers are what the program and its settings speak of; on Linux they
// name devices through the [ports] section of the settings file
// (3=/dev/serial/by-id/usb-...). A number without an entry is the N-th serial
// device of the system: USB adapters (ttyUSB*, ttyACM*) first, then the other
// serial devices, each group in natural order of the device name.
class PortMap
{
public:
    // Lists the paths of the system's serial devices, in any order.
    using DeviceLister = std::function<QStringList()>;

    explicit PortMap(DeviceLister listDevices = availableDevices) : m_listDevices(std::move(listDevices)) {}

    void load(const SettingsStore &store);
    void setEntry(int portNumber, const QString &devicePath) { m_entries[portNumber] = devicePath; }

    // Empty when the number maps to no device.
    QString devicePath(int portNumber) const;
    // The same against a list of systemDevices() taken once, for a search
    // over many numbers.
    QString devicePath(int portNumber, const QStringList &systemDevices) const;

    // The system's serial devices in the order unmapped numbers use.
    QStringList systemDevices() const;

    // The serial devices Qt finds on this computer.
    static QStringList availableDevices();

private:
    DeviceLister m_listDevices;
    QMap<int, QString> m_entries;
};
