#pragma once

#include "manual_clock.h"
#include "common/program_flags.h"
#include "dashboard/realtime_dashboard.h"
#include "realtime/realtime_sample.h"

#include <gtest/gtest.h>

using D = RealtimeDashboard;

// The dashboard alone, on a clock that turns one second per sample.
class DashboardFixture : public ::testing::Test
{
protected:
    DashboardFixture() { flags.realtimeActive = true; }

    void feed(double p1, double p2 = 0, int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            sample.p1 = p1;
            sample.p2 = p2;
            clock.at = clock.at.addSecs(1);
            dashboard.DoDash(sample);
        }
    }
    double scale(RealtimeDashboard::Gauge g) const { return dashboard.gauge(g).GaugeMax; }

    ManualClock clock;
    ProgramFlags flags;
    RealtimeSample sample{.Volt = 120};
    StatusBox realtimeBox{"Real-Time Data Stopped", StatusBox::Colour::Bad};
    RealtimeDashboard dashboard{{flags, realtimeBox, clock}};
};
