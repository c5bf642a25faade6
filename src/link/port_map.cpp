#include "link/port_map.h"

#include "settings/settings_store.h"

#include <QCollator>
#include <QSerialPortInfo>

#include <algorithm>

void PortMap::load(const SettingsStore &store)
{
    m_entries.clear();
    for (const auto &[key, value] : store.entries("ports")) {
        bool ok = false;
        const int number = key.toInt(&ok);
        if (ok && !value.trimmed().isEmpty())
            m_entries[number] = value.trimmed();
    }
}

QString PortMap::devicePath(int portNumber) const
{
    if (auto it = m_entries.constFind(portNumber); it != m_entries.constEnd())
        return *it;
    return devicePath(portNumber, portNumber < 1 ? QStringList() : systemDevices());
}

QString PortMap::devicePath(int portNumber, const QStringList &devices) const
{
    if (auto it = m_entries.constFind(portNumber); it != m_entries.constEnd())
        return *it;
    if (portNumber < 1)
        return {};
    return portNumber <= devices.size() ? devices.at(portNumber - 1) : QString();
}

QStringList PortMap::systemDevices() const
{
    QStringList usb, other;
    for (const QString &path : m_listDevices()) {
        const QString name = path.section(QLatin1Char('/'), -1);
        (name.startsWith("ttyUSB") || name.startsWith("ttyACM") ? usb : other) << path;
    }
    QCollator natural;
    natural.setNumericMode(true);
    std::sort(usb.begin(), usb.end(), natural);
    std::sort(other.begin(), other.end(), natural);
    return usb + other;
}

QStringList PortMap::availableDevices()
{
    QStringList paths;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        paths << info.systemLocation();
    return paths;
}
