#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct MqttSettings;
struct RealtimeSample;

// What goes to the broker: topic names, the state of one sample and the
// Home Assistant discovery configs that describe it.
namespace MqttPayloads {

QString stateTopic(const MqttSettings &settings);
QString availabilityTopic(const MqttSettings &settings);

// One JSON object: the time with its offset from UTC, powers, voltage,
// currents, every energy total and the renewable figures. Numbers carry the
// digits the database row gets, so both hold the same values.
QByteArray state(const RealtimeSample &sample, const QDateTime &time);

struct Message
{
    QString topic;
    QByteArray payload;
};
// One retained config per state value.
QList<Message> discovery(const MqttSettings &settings, const QString &version);

// The keys of state() that are sensors, in the order of the discovery list.
QStringList sensorKeys();

} // namespace MqttPayloads
