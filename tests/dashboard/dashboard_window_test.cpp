// The dashboard window on the program's own dashboard: the readouts a user
// reads, the status box that follows the watchdog, what a sample costs in
// painting, and what a streaming monitor leaves in it.
#include "app/main_window.h"
#include "common/number_picture.h"
#include "dashboard/dashboard_window.h"
#include "dashboard/odometer_widget.h"
#include "dashboard/round_gauge_widget.h"
#include "dashboard/trend_chart_widget.h"
#include "dashboard_fixture.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QAction>
#include <QLabel>
#include <QTest>

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

class DashboardWindowTest : public ::testing::Test
{
protected:
    DashboardWindowTest()
    {
        program.setClock(&clock);
        program.flags().realtimeActive = true;
        program.sample().Volt = 121.25;
    }
    void sample(double p1, double p2)
    {
        clock.at = clock.at.addSecs(1);
        program.sample().p1 = p1;
        program.sample().p2 = p2;
        program.sample().KWh1 = 1234.5678;
        program.dispatch().LogSample(program.sample());
    }
    DashboardWindow *open()
    {
        QAction *entry = mainWindow.action("Real-Time Data/Real-Time Data Panel");
        EXPECT_TRUE(entry && entry->isEnabled());
        if (entry)
            entry->trigger();
        auto *w = mainWindow.findChild<DashboardWindow *>();
        EXPECT_TRUE(w && QTest::qWaitForWindowExposed(w));
        return w;
    }
    void SetUp() override { w = open(); }
    // Lets the window catch up with what the samples changed.
    void settle()
    {
        (void)QTest::qWaitFor([&] { return w->powerBox(D::Ch1)->text() == program.dashboard().powerText(D::Ch1); });
        QCoreApplication::processEvents();
    }
    QColor background(QWidget *w) { return w->palette().color(QPalette::Window); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    ManualClock clock;
    Program program{dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs};
    MainWindow mainWindow{program};
    DashboardWindow *w = nullptr;
};

TEST_F(DashboardWindowTest, ReadoutsBeforeTheFirstSample)
{
    // The dashboard sees each sample after the database and the listing, and
    // before the portal's decision.
    EXPECT_EQ(program.dispatch().stepNames(), QStringList({"database", "DoList", "DoDash", "Wpt", "mqtt"}));
    EXPECT_EQ(w->windowTitle(), "Real-Time Dashboard");
    EXPECT_EQ(w->powerBox(D::Ch1)->text(), "CH1 Power");
    const GaugeState &volt = w->gauge(D::AL4)->state(); // its needle rests at the start of its scale
    EXPECT_EQ(volt.GaugeValue, volt.GaugeMin);
    EXPECT_EQ(w->chart(ChartHistory::Voltage)->toolTip(),
              "This chart displays the line voltage and covers a period of 5. minutes of real-time voltage.");
}

TEST_F(DashboardWindowTest, StatusBoxFollowsTheWatchdogWithoutASample)
{
    // Packet bytes have just arrived: the watchdog sees real-time running.
    program.flags().realtimeActive = false;
    program.flags().watchdogCount = 0;
    program.realtime().onWatchdogTick();
    sample(800, 0);
    settle();
    EXPECT_EQ(w->statusBox()->property("text").toString(), "Real-Time is ON");
    EXPECT_EQ(background(w->statusBox()), QColor(0, 255, 0));
    // Three watchdog seconds without a packet byte: no sample comes to say so.
    for (int i = 0; i < 3; ++i)
        program.realtime().onWatchdogTick();
    EXPECT_EQ(w->statusBox()->property("text").toString(), "Real-Time is OFF");
    EXPECT_EQ(background(w->statusBox()), QColor(255, 0, 0));
    EXPECT_EQ(w->powerBox(D::Ch1)->text(), " CH1 Power: 800 W");
}

TEST_F(DashboardWindowTest, BurstCostsOneRepaintAndHiddenNone)
{
    sample(100, 100);
    settle();
    PaintCounter counter, chartCounter;
    RoundGauge *gauge = w->gauge(D::AL1);
    gauge->installEventFilter(&counter);
    w->chart(ChartHistory::Ch1)->installEventFilter(&chartCounter);
    for (int i = 0; i < 20; ++i)
        sample(1000 + i, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0 && chartCounter.paints > 0; }));
    settle();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(chartCounter.paints, 1);
    EXPECT_EQ(gauge->state().GaugeValue, 1019);

    w->hide();
    counter.paints = 0;
    for (int i = 0; i < 5; ++i)
        sample(2000, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    // Shown again, it shows the latest figures at once.
    w->show();
    EXPECT_EQ(w->powerBox(D::Ch1)->text(), " CH1 Power: 2000 W");
}

TEST_F(DashboardWindowTest, ClosedWindowReopensWithDesignedScales)
{
    for (int i = 0; i < 3; ++i)
        sample(9000, 0);
    settle();
    EXPECT_EQ(w->gauge(D::AL1)->state().GaugeMax, 10000);
    w->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mainWindow.findChild<DashboardWindow *>(); }));
    sample(200, 0);
    w = open();
    EXPECT_EQ(w->gauge(D::AL1)->state().GaugeMax, 1500);
    EXPECT_EQ(w->minMaxBox(ChartHistory::Ch1)->text(), "Min: 0 W       Max: 0 W");
}


// The simulated monitor streams through the program's real serial port
// into SQLite and the open dashboard: what the window shows is what was stored.
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
