#pragma once

#include "mqtt/mqtt_payloads.h"

#include <QString>

class SettingsStore;

// What the publisher keeps with the counters' recovery state: its own
// energy totals and what it left in the broker.
//
// The totals add only the increases of the monitor's: a total that falls
// (a reset of the pre-reset values, a reset the program missed, a lost
// recovery state) adds nothing, so Home Assistant never reads a new meter
// cycle and books the whole total again.
struct MqttState
{
    static constexpr const char *kSection = "mqtt-state";

    bool counting = false; // false until the first sample: totals start at the monitor's
    MqttPayloads::Totals published{};
    MqttPayloads::Totals seen{}; // the monitor's totals of the last sample
    // The configs published last, and the availability topic: what has to
    // be taken out of the broker once they no longer apply.
    QString configsPrefix;
    QString configsNode;
    QString availabilityTopic;

    void take(const MqttPayloads::Totals &monitor);

    static MqttState read(const SettingsStore &store);
    void writeTotals(SettingsStore &store) const;
    void writeTopics(SettingsStore &store) const;
};
