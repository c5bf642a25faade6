#include "mqtt/mqtt_settings.h"

#include "common/number_text.h"
#include "settings/settings_store.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

namespace {

std::optional<bool> readBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare("True", Qt::CaseInsensitive) == 0 || t == "1" || t == "-1")
        return true;
    if (t.compare("False", Qt::CaseInsensitive) == 0 || t == "0")
        return false;
    return std::nullopt;
}

// The settings file drops the blanks around a value, and a password may
// begin or end with some: such a password, or one that is itself in
// quotes, is written between quotes, which reading takes off again.
QString passwordForFile(const QString &password)
{
    const bool quoted = password.size() >= 2 && password.startsWith('"') && password.endsWith('"');
    if (quoted || password != password.trimmed())
        return QLatin1Char('"') + password + QLatin1Char('"');
    return password;
}

QString passwordFromFile(const QString &text)
{
    if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
        return text.mid(1, text.size() - 2);
    return text;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void cannotRead(const SettingsStore &store, const char *key, const QString &shown, const QString &fallback)
{
    std::fprintf(stderr, "qmnpilot: %s: [%s] %s=%s cannot be read; using the default %s\n",
                 qUtf8Printable(store.path()), MqttSettings::kSection, key, qUtf8Printable(shown),
                 qUtf8Printable(fallback));
}

} // namespace

QStringList MqttSettings::keys()
{
    return {"Host", "User", "Password", "Tls", "CaFile", "Topic", "Node", "Interval", "Discovery", "DiscoveryPrefix"};
}

MqttSettings MqttSettings::read(const SettingsStore &store)
{
    MqttSettings s;
    const auto text = [&](const char *key, QString &into) {
        if (store.contains(kSection, key))
            into = store.value(kSection, key).trimmed();
    };
    text("Host", s.Host);
    text("User", s.User);
    if (store.contains(kSection, "Password"))
        s.Password = passwordFromFile(store.value(kSection, "Password"));
    text("CaFile", s.CaFile);
    text("Topic", s.Topic);
    text("Node", s.Node);
    text("DiscoveryPrefix", s.DiscoveryPrefix);
    for (auto [key, member] : {std::pair{"Tls", &MqttSettings::Tls}, std::pair{"Discovery", &MqttSettings::Discovery}}) {
        if (!store.contains(kSection, key))
            continue;
        const QString value = store.value(kSection, key);
        if (const auto b = readBool(value))
            s.*member = *b;
        else
            cannotRead(store, key, value, boolText(MqttSettings{}.*member));
    }
    if (store.contains(kSection, "Interval")) {
        const QString value = store.value(kSection, "Interval");
        bool ok = false;
        const double seconds = value.trimmed().toDouble(&ok);
        if (ok && std::isfinite(seconds) && seconds >= 0)
            s.Interval = seconds;
        else
            cannotRead(store, "Interval", value, QStringLiteral("0"));
    }
    return s;
}

void MqttSettings::writeChanged(SettingsStore &store, const MqttSettings &before) const
{
    const auto put = [&](const char *key, const QString &now, const QString &was) {
        if (now != was)
            store.setValue(kSection, QLatin1String(key), now);
    };
    put("Host", Host, before.Host);
    put("User", User, before.User);
    put("Password", passwordForFile(Password), passwordForFile(before.Password));
    put("Tls", boolText(Tls), boolText(before.Tls));
    put("CaFile", CaFile, before.CaFile);
    put("Topic", Topic, before.Topic);
    put("Node", Node, before.Node);
    put("Interval", plainDecimal(Interval), plainDecimal(before.Interval));
    put("Discovery", boolText(Discovery), boolText(before.Discovery));
    put("DiscoveryPrefix", DiscoveryPrefix, before.DiscoveryPrefix);
}

QString MqttAddress::text() const
{
    const QString shown = host.contains(':') ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shown).arg(port);
}

std::optional<MqttAddress> parseMqttAddress(const QString &text)
{
    static const QRegularExpression named(QStringLiteral("^([A-Za-z0-9.-]+)(?::([0-9]{1,5}))?$"));
    static const QRegularExpression bracketed(QStringLiteral("^\\[([0-9A-Fa-f:.]+)\\](?::([0-9]{1,5}))?$"));
    QRegularExpressionMatch m = named.match(text.trimmed());
    if (!m.hasMatch()) {
        m = bracketed.match(text.trimmed());
        if (!m.hasMatch() || QHostAddress(m.captured(1)).isNull())
            return std::nullopt;
    }
    MqttAddress address{m.captured(1), MqttSettings::kDefaultPort};
    if (m.hasCaptured(2) && !m.captured(2).isEmpty()) {
        const int port = m.captured(2).toInt();
        if (port < 1 || port > 65535)
            return std::nullopt;
        address.port = quint16(port);
    }
    return address;
}

QString mqttSettingsProblem(const MqttSettings &s)
{
    if (s.Host.isEmpty())
        return {};
    if (!parseMqttAddress(s.Host))
        return QStringLiteral("Host=%1 is not a host name with an optional :port").arg(s.Host);
    static const QRegularExpression nodeChars(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (!nodeChars.match(s.Node).hasMatch())
        return QStringLiteral("Node=%1 may hold only letters, digits, '_' and '-'").arg(s.Node);
    const auto notAPrefix = [](const QString &t) {
        return t.isEmpty() || t.contains('+') || t.contains('#') || t.startsWith('/') || t.endsWith('/')
            || t.contains(QLatin1String("//"));
    };
    if (notAPrefix(s.Topic))
        return QStringLiteral("Topic=%1 is not a topic prefix (no '+', '#' or empty level)").arg(s.Topic);
    if (notAPrefix(s.DiscoveryPrefix))
        return QStringLiteral("DiscoveryPrefix=%1 is not a topic prefix (no '+', '#' or empty level)")
            .arg(s.DiscoveryPrefix);
    if (s.Tls && !s.CaFile.isEmpty() && !QFileInfo(s.CaFile).isReadable())
        return QStringLiteral("CaFile=%1 cannot be read").arg(s.CaFile);
    return {};
}

QString passwordExposure(const QString &settingsPath, const MqttSettings &settings)
{
    if (settings.Password.isEmpty())
        return {};
    const QFileInfo file(settingsPath);
    if (!file.exists())
        return {};
    const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (!(file.permissions() & others))
        return {};
    return QStringLiteral("MQTT password in %1 can be read by other users: chmod 600 %1").arg(file.absoluteFilePath());
}
