// The simulated monitor streams through the program's real serial port
// into SQLite and the open dashboard: what the window shows is what was stored.
#include "app/main_window.h"
#include "common/number_picture.h"
#include "dashboard/dashboard_window.h"
#include "dashboard/odometer_widget.h"
#include "dashboard/round_gauge_widget.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QLabel>
#include <QTest>

namespace {

using D = RealtimeDashboard;

QString digits(double kwh)
{
    return formatNumber(kwh * 1000, "0000000000").right(10);
}

using DashboardFlow = StreamingProgramTest;

TEST_F(DashboardFlow, WindowShowsTheStoredSamples)
{
    sim.model().setSolar(3000, 800, 3000);
    sim.model().setDayStartHour(7);
    sim.model().setVoltage(119.6);
    sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
    ASSERT_NO_FATAL_FAILURE(make(10));
    MainWindow mainWindow(*program);
    DashboardWindow *w = mainWindow.showDashboard();
    program->flags().realtimeActive = true;
    int seen = 0;
    program->dispatch().addStep("count", [&seen](const RealtimeSample &) { ++seen; });
    program->startUp();
    // Past a full chart, so the history is all real samples.
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen >= 320; }, 30000));
    program->serial().ClosePort();
    (void)QTest::qWaitFor([&] { return w->powerBox(D::Ch1)->text() == program->dashboard().powerText(D::Ch1); });

    const auto rows = storedSamples(db, "p1,p2,volt,kwh1,kwh2,amp2");
    ASSERT_EQ(rows.size(), seen);
    const auto &last = rows.last();
    EXPECT_EQ(w->powerBox(D::Ch1)->text(), QString(" CH1 Power: %1 W").arg(last["p1"]));
    EXPECT_EQ(w->powerBox(D::Ch2)->text(), QString(" CH2 Power: %1 W").arg(last["p2"]));
    EXPECT_EQ(w->voltBox()->text(), " Volt: " + formatNumber(float(last["volt"]), "###.0") + " V");
    EXPECT_EQ(w->odometer(D::Ch1)->digits(), digits(last["kwh1"]));
    EXPECT_EQ(w->odometer(D::Ch2)->digits(), digits(last["kwh2"]));
    EXPECT_EQ(w->gauge(D::AS2)->state().GaugeText, formatNumber(float(last["amp2"]), "###.0") + "A");
    // The chart holds the last 301 stored powers, none lost or doubled.
    const ChartHistory &h = program->dashboard().charts();
    double lo = 1e18, hi = -1e18;
    for (int k = 0; k <= ChartHistory::kPointCount; ++k) {
        const auto &r = rows[rows.size() - 1 - k];
        ASSERT_EQ(h.value(ChartHistory::Ch1, ChartHistory::kPointCount - k), r["p1"]) << k;
        ASSERT_EQ(h.value(ChartHistory::Total, ChartHistory::kPointCount - k), r["p1"] + r["p2"]) << k;
        if (k > 0) {
            lo = std::min(lo, r["p2"]);
            hi = std::max(hi, r["p2"]);
        }
    }
    EXPECT_EQ(program->dashboard().minMaxText(ChartHistory::Ch2),
              "Min: " + formatNumber(lo, "##,##0") + " W       Max: " + formatNumber(hi, "##,##0") + " W");
    program->exitSequence();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.messages.join('\n'));
}

} // namespace
