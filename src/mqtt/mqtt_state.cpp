#include "mqtt/mqtt_state.h"

#include "common/number_text.h"
#include "settings/settings_store.h"

#include <cmath>

namespace {

QString seenKey(const QString &key)
{
    return key + QStringLiteral("_seen");
}

} // namespace

void MqttState::take(const MqttPayloads::Totals &monitor)
{
    for (int i = 0; i < MqttPayloads::kTotalCount; ++i) {
        if (!std::isfinite(monitor[i]))
            continue;
        if (!counting)
            published[i] = monitor[i];
        else if (monitor[i] > seen[i])
            published[i] += monitor[i] - seen[i];
        seen[i] = monitor[i];
    }
    counting = true;
}

MqttState MqttState::read(const SettingsStore &store)
{
    MqttState s;
    const QStringList keys = MqttPayloads::totalKeys();
    bool complete = true;
    for (int i = 0; i < MqttPayloads::kTotalCount; ++i) {
        bool ok1 = false, ok2 = false;
        s.published[i] = store.value(kSection, keys[i]).toDouble(&ok1);
        s.seen[i] = store.value(kSection, seenKey(keys[i])).toDouble(&ok2);
        complete = complete && ok1 && ok2 && std::isfinite(s.published[i]) && std::isfinite(s.seen[i]);
    }
    // Totals cut short start again from the monitor's rather than from 0.
    s.counting = complete;
    if (!complete)
        s.published = s.seen = {};
    s.configsPrefix = store.value(kSection, "ConfigsPrefix");
    s.configsNode = store.value(kSection, "ConfigsNode");
    s.availabilityTopic = store.value(kSection, "AvailabilityTopic");
    return s;
}

void MqttState::writeTotals(SettingsStore &store) const
{
    if (!counting)
        return;
    const QStringList keys = MqttPayloads::totalKeys();
    for (int i = 0; i < MqttPayloads::kTotalCount; ++i) {
        store.setValue(kSection, keys[i], plainDecimal(published[i], 17));
        store.setValue(kSection, seenKey(keys[i]), plainDecimal(seen[i], 17));
    }
}

void MqttState::writeTopics(SettingsStore &store) const
{
    store.setValue(kSection, "ConfigsPrefix", configsPrefix);
    store.setValue(kSection, "ConfigsNode", configsNode);
    store.setValue(kSection, "AvailabilityTopic", availabilityTopic);
}
