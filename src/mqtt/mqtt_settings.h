#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// The [mqtt] section of the settings file. An empty Host leaves MQTT off.
struct MqttSettings
{
    static constexpr const char *kSection = "mqtt";
    static constexpr quint16 kDefaultPort = 1883;

    QString Host;
    QString User;
    QString Password;
    bool Tls = false;
    QString CaFile;
    QString Topic = "qmnpilot";
    QString Node = "qmn4400";
    double Interval = 0; // seconds between state messages; 0 is every sample
    bool Discovery = true;
    QString DiscoveryPrefix = "homeassistant"; // where Home Assistant looks for configs

    bool operator==(const MqttSettings &) const = default;

    // Reads the section; a value that cannot be read keeps its default and
    // says so on stderr (never with the password in it).
    static MqttSettings read(const SettingsStore &store);
    // Writes only the keys whose values differ from `before`, so a file
    // the user never changed through the window keeps no [mqtt] keys.
    void writeChanged(SettingsStore &store, const MqttSettings &before) const;
    static QStringList keys();
};

struct MqttAddress
{
    QString host;
    quint16 port = MqttSettings::kDefaultPort;
    QString text() const;
};

// "host", "host:port" or "[v6 address]:port"; nothing when it is not one.
std::optional<MqttAddress> parseMqttAddress(const QString &text);

// Why these settings cannot be used, or empty when they can. A topic level
// with a wildcard or a node that Home Assistant would refuse in a
// discovery topic would publish nowhere a subscriber looks.
QString mqttSettingsProblem(const MqttSettings &settings);

// One warning line when the file holds a password that other users can
// read; empty otherwise.
QString passwordExposure(const QString &settingsPath, const MqttSettings &settings);
