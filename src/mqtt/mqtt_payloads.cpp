#include "mqtt/mqtt_payloads.h"

#include "mqtt/mqtt_settings.h"
#include "realtime/realtime_sample.h"
#include "realtime/renewable_figures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

enum class Kind { Power, Voltage, Current, Energy };

struct Sensor
{
    const char *key;
    const char *name;
    Kind kind;
    double (*value)(const RealtimeSample &, const RenewableFigures &);
};

using S = const RealtimeSample &;
using R = const RenewableFigures &;

// The energies last, in the order of Totals. Every one is a running total,
// and Home Assistant's energy dashboard takes only totals that count up.
const Sensor kSensors[] = {
    {"power1", "CH1 power", Kind::Power, [](S s, R) { return s.p1; }},
    {"power2", "CH2 power", Kind::Power, [](S s, R) { return s.p2; }},
    {"power_total", "Total power", Kind::Power, [](S s, R) { return s.p1 + s.p2; }},
    {"grid_power", "Grid power", Kind::Power, [](S, R r) { return r.gridW; }},
    {"solar_power", "Solar power", Kind::Power, [](S, R r) { return r.solarW; }},
    {"load_power", "Load power", Kind::Power, [](S, R r) { return r.loadW; }},
    {"voltage", "Voltage", Kind::Voltage, [](S s, R) { return s.Volt; }},
    {"current1", "CH1 current", Kind::Current, [](S s, R) { return double(s.Amp1); }},
    {"current2", "CH2 current", Kind::Current, [](S s, R) { return double(s.Amp2); }},
    {"energy1", "CH1 energy", Kind::Energy, [](S s, R) { return s.KWh1; }},
    {"energy1_fed_back", "CH1 energy fed back", Kind::Energy, [](S s, R) { return s.KWh1P; }},
    {"energy2", "CH2 energy", Kind::Energy, [](S s, R) { return s.KWh2; }},
    {"energy2_fed_back", "CH2 energy fed back", Kind::Energy, [](S s, R) { return s.KWh2P; }},
    {"solar", "Solar generated", Kind::Energy, [](S, R r) { return r.solarKWh; }},
    {"from_grid", "From grid", Kind::Energy, [](S, R r) { return r.fromGridKWh; }},
    {"to_grid", "To grid", Kind::Energy, [](S, R r) { return r.toGridKWh; }},
    {"consumed", "Consumed", Kind::Energy, [](S, R r) { return r.consumedKWh; }},
};
constexpr int kFirstTotal = int(std::size(kSensors)) - MqttPayloads::kTotalCount;

// Unit, Home Assistant device class and the decimals the monitor resolves,
// of each kind in the order of Kind. Live values go stale; totals do not.
struct KindText
{
    const char *unit;
    const char *deviceClass;
    int decimals;
};
constexpr KindText kKindText[] = {{"W", "power", 0}, {"V", "voltage", 1}, {"A", "current", 2}, {"kWh", "energy", 3}};

// A value with no digits at all is null, as in the database.
QJsonValue number(double value, Kind kind)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    const double scale = std::pow(10.0, kKindText[int(kind)].decimals);
    // + 0.0: a negative zero is written as 0.
    return std::round(value * scale) / scale + 0.0;
}

QString base(const MqttSettings &s)
{
    return s.Topic + QLatin1Char('/') + s.Node;
}

QString configTopic(const QString &prefix, const QString &id)
{
    return QStringLiteral("%1/sensor/%2/config").arg(prefix, id);
}

} // namespace

namespace MqttPayloads {

QString stateTopic(const MqttSettings &settings)
{
    return base(settings) + QStringLiteral("/state");
}

QString availabilityTopic(const MqttSettings &settings)
{
    return base(settings) + QStringLiteral("/availability");
}

QString statusTopic(const MqttSettings &settings)
{
    return settings.DiscoveryPrefix + QStringLiteral("/status");
}

int expireAfterSeconds(const MqttSettings &settings)
{
    return int(std::max(30.0, std::ceil(3 * settings.Interval)));
}

QStringList configTopics(const QString &prefix, const QString &node)
{
    QStringList topics;
    for (const Sensor &sensor : kSensors)
        topics << configTopic(prefix, node + QLatin1Char('_') + QLatin1String(sensor.key));
    return topics;
}

QStringList sensorKeys()
{
    QStringList keys;
    for (const Sensor &sensor : kSensors)
        keys << QLatin1String(sensor.key);
    return keys;
}

QStringList totalKeys()
{
    return sensorKeys().mid(kFirstTotal);
}

Totals monitorTotals(const RealtimeSample &sample)
{
    const RenewableFigures renewable = RenewableFigures::of(sample);
    Totals totals{};
    for (int i = 0; i < kTotalCount; ++i)
        totals[i] = kSensors[kFirstTotal + i].value(sample, renewable);
    return totals;
}

QByteArray state(const RealtimeSample &sample, const QDateTime &time, const Totals &totals)
{
    const RenewableFigures renewable = RenewableFigures::of(sample);
    QJsonObject object;
    object.insert(QStringLiteral("time"), time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate));
    for (int i = 0; i < int(std::size(kSensors)); ++i) {
        const Sensor &sensor = kSensors[i];
        const double value = i >= kFirstTotal ? totals[i - kFirstTotal] : sensor.value(sample, renewable);
        object.insert(QLatin1String(sensor.key), number(value, sensor.kind));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<Message> discovery(const MqttSettings &settings, const QString &version, const QString &firmware)
{
    QJsonObject device{{"identifiers", QJsonArray{settings.Node}},
                       {"name", QStringLiteral("QMN-4400 ") + settings.Node},
                       {"model", "QMN-4400"}};
    if (!firmware.isEmpty())
        device.insert(QStringLiteral("sw_version"), firmware);
    const QJsonObject origin{{"name", "QMN-4400 Pilot"}, {"sw_version", version}};
    QList<Message> messages;
    for (const Sensor &sensor : kSensors) {
        const QString id = settings.Node + QLatin1Char('_') + QLatin1String(sensor.key);
        const KindText &kind = kKindText[int(sensor.kind)];
        QJsonObject config{
            {"name", QLatin1String(sensor.name)},
            {"unique_id", id},
            // Releases before 2025.10 know only object_id; later ones take
            // default_entity_id and leave object_id aside.
            {"object_id", id},
            {"default_entity_id", QStringLiteral("sensor.") + id},
            {"state_topic", stateTopic(settings)},
            {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(sensor.key))},
            {"availability_topic", availabilityTopic(settings)},
            {"unit_of_measurement", QLatin1String(kind.unit)},
            {"device_class", QLatin1String(kind.deviceClass)},
            {"state_class", sensor.kind == Kind::Energy ? "total_increasing" : "measurement"},
            {"suggested_display_precision", kind.decimals},
            {"device", device},
            {"origin", origin},
        };
        if (sensor.kind != Kind::Energy)
            config.insert(QStringLiteral("expire_after"), MqttPayloads::expireAfterSeconds(settings));
        messages.append({configTopic(settings.DiscoveryPrefix, id), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return messages;
}

} // namespace MqttPayloads
