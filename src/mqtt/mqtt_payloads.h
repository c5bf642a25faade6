#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

struct MqttSettings;
struct RealtimeSample;

// What goes to the broker: topic names, the state of one sample and the
// Home Assistant discovery configs that describe it.
namespace MqttPayloads {

QString stateTopic(const MqttSettings &settings);
QString availabilityTopic(const MqttSettings &settings);
// Where Home Assistant says "online" when it has (re)started.
QString statusTopic(const MqttSettings &settings);
// How long Home Assistant shows a live value without a new state: three
// state periods, and never less than 30 s.
int expireAfterSeconds(const MqttSettings &settings);
// The config topic of every sensor of `node` under `prefix`.
QStringList configTopics(const QString &prefix, const QString &node);

// The energy totals in the order of the state's energy keys.
constexpr int kTotalCount = 8;
using Totals = std::array<double, kTotalCount>;
QStringList totalKeys();
// The monitor's own totals of this sample (those the database keeps).
Totals monitorTotals(const RealtimeSample &sample);

// One JSON object: the time with its offset from UTC, powers, voltage,
// currents, the renewable figures and the energy totals given (the
// program's own, which never fall). Each number is rounded to what the
// monitor resolves: whole watts, 0.1 V, 0.01 A, watt-hours.
QByteArray state(const RealtimeSample &sample, const QDateTime &time, const Totals &totals);

struct Message
{
    QString topic;
    QByteArray payload;
};
// One retained config per state value. `firmware` is the monitor's, left
// out when empty.
QList<Message> discovery(const MqttSettings &settings, const QString &version, const QString &firmware = {});

// The keys of state() that are sensors, in the order of the discovery list.
QStringList sensorKeys();

} // namespace MqttPayloads
