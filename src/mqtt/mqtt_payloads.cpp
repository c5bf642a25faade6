#include "mqtt/mqtt_payloads.h"

#include "common/number_text.h"
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

// Every energy is a running total, and Home Assistant's energy dashboard
// takes only totals that count up.
const Sensor kSensors[] = {
    {"power1", "CH1 power", Kind::Power, [](const RealtimeSample &s, const RenewableFigures &) { return s.p1; }},
    {"power2", "CH2 power", Kind::Power, [](const RealtimeSample &s, const RenewableFigures &) { return s.p2; }},
    {"power_total", "Total power", Kind::Power,
     [](const RealtimeSample &s, const RenewableFigures &) { return s.p1 + s.p2; }},
    {"voltage", "Voltage", Kind::Voltage, [](const RealtimeSample &s, const RenewableFigures &) { return s.Volt; }},
    {"current1", "CH1 current", Kind::Current,
     [](const RealtimeSample &s, const RenewableFigures &) { return double(s.Amp1); }},
    {"current2", "CH2 current", Kind::Current,
     [](const RealtimeSample &s, const RenewableFigures &) { return double(s.Amp2); }},
    {"energy1", "CH1 energy", Kind::Energy, [](const RealtimeSample &s, const RenewableFigures &) { return s.KWh1; }},
    {"energy1_fed_back", "CH1 energy fed back", Kind::Energy,
     [](const RealtimeSample &s, const RenewableFigures &) { return s.KWh1P; }},
    {"energy2", "CH2 energy", Kind::Energy, [](const RealtimeSample &s, const RenewableFigures &) { return s.KWh2; }},
    {"energy2_fed_back", "CH2 energy fed back", Kind::Energy,
     [](const RealtimeSample &s, const RenewableFigures &) { return s.KWh2P; }},
    {"solar", "Solar generated", Kind::Energy,
     [](const RealtimeSample &, const RenewableFigures &r) { return r.solarKWh; }},
    {"from_grid", "From grid", Kind::Energy,
     [](const RealtimeSample &, const RenewableFigures &r) { return r.fromGridKWh; }},
    {"to_grid", "To grid", Kind::Energy, [](const RealtimeSample &, const RenewableFigures &r) { return r.toGridKWh; }},
    {"consumed", "Consumed", Kind::Energy,
     [](const RealtimeSample &, const RenewableFigures &r) { return r.consumedKWh; }},
};

// The database stores currents (single precision) to 7 digits and the rest
// to 15; a value with no digits at all is null there and here.
QJsonValue number(double value, Kind kind)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    return plainDecimal(value, kind == Kind::Current ? 7 : 15).toDouble();
}

// Unit and Home Assistant device class of each kind, in the order of Kind.
struct KindText
{
    const char *unit;
    const char *deviceClass;
};
constexpr KindText kKindText[] = {{"W", "power"}, {"V", "voltage"}, {"A", "current"}, {"kWh", "energy"}};

QString base(const MqttSettings &s)
{
    return s.Topic + QLatin1Char('/') + s.Node;
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

QStringList sensorKeys()
{
    QStringList keys;
    for (const Sensor &sensor : kSensors)
        keys << QLatin1String(sensor.key);
    return keys;
}

QByteArray state(const RealtimeSample &sample, const QDateTime &time)
{
    const RenewableFigures renewable = RenewableFigures::of(sample);
    QJsonObject object;
    object.insert(QStringLiteral("time"), time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate));
    for (const Sensor &sensor : kSensors)
        object.insert(QLatin1String(sensor.key), number(sensor.value(sample, renewable), sensor.kind));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<Message> discovery(const MqttSettings &settings, const QString &version)
{
    const QJsonObject device{{"identifiers", QJsonArray{settings.Node}},
                             {"name", QStringLiteral("QMN-4400 ") + settings.Node},
                             {"model", "QMN-4400"},
                             {"sw_version", version}};
    QList<Message> messages;
    for (const Sensor &sensor : kSensors) {
        const QString id = settings.Node + QLatin1Char('_') + QLatin1String(sensor.key);
        const QJsonObject config{
            {"name", QLatin1String(sensor.name)},
            {"unique_id", id},
            {"object_id", id},
            {"state_topic", stateTopic(settings)},
            {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(sensor.key))},
            {"availability_topic", availabilityTopic(settings)},
            {"unit_of_measurement", QLatin1String(kKindText[int(sensor.kind)].unit)},
            {"device_class", QLatin1String(kKindText[int(sensor.kind)].deviceClass)},
            {"state_class", sensor.kind == Kind::Energy ? "total_increasing" : "measurement"},
            {"device", device},
        };
        messages.append({QStringLiteral("homeassistant/sensor/%1/config").arg(id),
                         QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return messages;
}

} // namespace MqttPayloads
